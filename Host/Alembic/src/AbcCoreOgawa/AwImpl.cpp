#include "WriteStrategy.h"
#include "WriteUtil.h"
#include "WriterImpl.h"

#include <Alembic/Util/Murmur3.h>

#include <atomic>
#include <exception>
#include <thread>

namespace Alembic
{
	namespace AbcCoreOgawa
	{
		namespace
		{
			std::atomic<bool> GHashWhileWriting{false};
		}

		void HostOnly::SetHashWhileWriting(bool bEnabled)
		{
			GHashWhileWriting = bEnabled;
		}

		bool HostOnly::GetHashWhileWriting()
		{
			return GHashWhileWriting;
		}

		namespace ALEMBIC_VERSION_NS
		{
			AwImpl::AwImpl(const std::string& iFileName, const AbcA::MetaData& iMetaData)
			    : m_fileName(iFileName), m_metaData(iMetaData)
			{
				m_archive = std::make_unique<Ogawa::OArchive>(iFileName);
				ABCA_ASSERT(m_archive->isValid(), "Could not open file: " << iFileName);
				init();
			}

			AwImpl::AwImpl(std::ostream* iStream, const AbcA::MetaData& iMetaData)
			    : m_metaData(iMetaData)
			{
				ABCA_ASSERT(iStream, "Could not open file: ");
				m_archive = std::make_unique<Ogawa::OArchive>(iStream);
				init();
			}

			void AwImpl::init()
			{
				m_metaData.set("_ai_AlembicVersion", AbcA::GetLibraryVersion());

				const Ogawa::OGroupPtr& Root = m_archive->getGroup();
				const int32_t FileVersion = 0;
				const int32_t LibraryVersion = AbcA::ALEMBIC_API_VERSION;
				Root->addData(&FileVersion, 4);
				Root->addData(&LibraryVersion, 4);
				m_topData = std::make_shared<OwData>(Root->addGroup());
				m_timeSamplings.push_back(std::make_shared<AbcA::TimeSampling>());
				m_maxSamples.push_back(0);

				const Digest Empty;
				for (int Class : {kNumericClass, kStringClass, kWstringClass})
				{
					m_samples[{Class, 0, Empty}] = StoredSample();
				}
			}

			AwImpl::~AwImpl()
			{
				// As the library's: the closing blocks are written here, and a failed write is not caught.
				m_topData->writeHeaders(*this);
				m_topData->properties->group->freeze();
				m_topData->group->freeze();

				const Ogawa::OGroupPtr& Root = m_archive->getGroup();
				const std::string MetaData = m_metaData.serialize();
				Root->addData(MetaData.data(), MetaData.size());

				ByteWriter Samplings;
				for (size_t i = 0; i < m_timeSamplings.size(); ++i)
				{
					const AbcA::TimeSampling& Sampling = *m_timeSamplings[i];
					Samplings.pod(m_maxSamples[i]);
					Samplings.pod(double(Sampling.getTimeSamplingType().getTimePerCycle()));
					Samplings.pod(uint32_t(Sampling.getNumStoredTimes()));
					Samplings.bytes(Sampling.getStoredTimes().data(), 8 * Sampling.getNumStoredTimes());
				}
				Root->addData(Samplings.get());

				ByteWriter Table;
				for (const std::string& Entry : m_metaDataTable)
				{
					Table.pod(uint8_t(Entry.size()));
					Table.text(Entry);
				}
				Root->addData(Table.get());
				m_archive->close();
			}

			AbcA::ObjectWriterPtr AwImpl::getTop()
			{
				shared_ptr<OwImpl> Top = m_top.lock();
				if (!Top)
				{
					auto Header = std::make_shared<AbcA::ObjectHeader>("ABC", "/", m_metaData);
					Top = std::make_shared<OwImpl>(shared_from_this(), nullptr, m_topData, Header, 0);
					m_top = Top;
				}
				return Top;
			}

			uint32_t AwImpl::addTimeSampling(const AbcA::TimeSampling& iTs)
			{
				for (size_t i = 0; i < m_timeSamplings.size(); ++i)
				{
					if (*m_timeSamplings[i] == iTs)
					{
						return uint32_t(i);
					}
				}
				m_timeSamplings.push_back(std::make_shared<AbcA::TimeSampling>(iTs));
				m_maxSamples.push_back(0);
				return uint32_t(m_timeSamplings.size() - 1);
			}

			AbcA::TimeSamplingPtr AwImpl::getTimeSampling(uint32_t iIndex)
			{
				ABCA_ASSERT(iIndex < m_timeSamplings.size(), "Invalid index provided to getTimeSampling.");
				return m_timeSamplings[iIndex];
			}

			uint8_t AwImpl::metaDataIndex(const std::string& iSerialized)
			{
				if (iSerialized.empty())
				{
					return 0;
				}
				if (iSerialized.size() >= 256)
				{
					return 0xff;
				}
				auto Found = m_metaDataIndices.find(iSerialized);
				if (Found != m_metaDataIndices.end())
				{
					return Found->second;
				}
				if (m_metaDataTable.size() >= 254)
				{
					return 0xff;
				}
				m_metaDataTable.push_back(iSerialized);
				const uint8_t Index = uint8_t(m_metaDataTable.size());
				m_metaDataIndices.emplace(iSerialized, Index);
				return Index;
			}

			StoredSample AwImpl::storeSample(Ogawa::OGroup& iGroup, int iClass, uint64_t iNumBytes, const Digest& iKey, const void* iPayload, size_t iPayloadSize,
			                                 uint64_t iNumValues)
			{
				auto [Found, Inserted] = m_samples.try_emplace({iClass, iNumBytes, iKey});
				if (!Inserted)
				{
					iGroup.addDataRef(Found->second.pos);
					return Found->second;
				}
				Found->second.pos = iGroup.addData(iKey.d, 16, iPayload, iPayloadSize);
				Found->second.numValues = iNumValues;
				return Found->second;
			}

			bool AwImpl::canStoreWhileHashing(int iClass, uint64_t iNumBytes, size_t iPayloadSize) const
			{
				const size_t MinimumSize = size_t(4) << 20;
				if (!HostOnly::GetHashWhileWriting() || iPayloadSize < MinimumSize)
				{
					return false;
				}
				auto Found = m_samples.lower_bound({iClass, iNumBytes, Digest()});
				return Found == m_samples.end() || std::get<0>(Found->first) != iClass || std::get<1>(Found->first) != iNumBytes;
			}

			StoredSample AwImpl::storeSampleWhileHashing(Ogawa::OGroup& iGroup, int iClass, uint64_t iNumBytes, const void* iPayload, size_t iPayloadSize,
			                                             uint64_t iNumValues, Digest& oKey)
			{
				Ogawa::OStream& Stream = m_archive->getStream();
				const uint64_t Size = KeySize + iPayloadSize;
				const Digest Placeholder;
				const uint64_t Pos = Stream.write(&Size, 8);
				Stream.write(Placeholder.d, KeySize);
				Stream.flush();

				std::exception_ptr WriteError;
				std::thread Writer([&]
				                   {
		try
		{
			Stream.writeDirect(iPayload, iPayloadSize);
		}
		catch (...)
		{
			WriteError = std::current_exception();
		} });
				oKey = MurmurHash3_x64_128(iPayload, iPayloadSize);
				Writer.join();
				if (WriteError)
				{
					std::rethrow_exception(WriteError);
				}
				Stream.patch(Pos + 8, oKey.d, KeySize);
				iGroup.addDataRef(Pos);

				StoredSample& Stored = m_samples[{iClass, iNumBytes, oKey}];
				Stored.pos = Pos;
				Stored.numValues = iNumValues;
				return Stored;
			}

			void AwImpl::noteSampleCount(uint32_t iTimeSamplingIndex, uint32_t iCount)
			{
				if (iTimeSamplingIndex < m_maxSamples.size())
				{
					m_maxSamples[iTimeSamplingIndex] = std::max(m_maxSamples[iTimeSamplingIndex], iCount);
				}
			}
		}
	}
}
