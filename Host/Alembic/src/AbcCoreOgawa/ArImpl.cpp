#include "ReaderImpl.h"

namespace Alembic
{
	namespace AbcCoreOgawa
	{
		namespace ALEMBIC_VERSION_NS
		{
			namespace
			{
				const uint64_t RootOwner = ~uint64_t(0);

				int32_t ReadInt32Block(const Ogawa::IDataPtr& iData, int32_t iFallback)
				{
					if (iData->getSize() != 4)
					{
						return iFallback;
					}
					int32_t Value;
					std::memcpy(&Value, iData->view(), 4);
					return Value;
				}
			}

			ArImpl::ArImpl(const std::string& iFileName, Ogawa::IStreamsPtr iStreams)
			    : m_fileName(iFileName), m_archive(std::move(iStreams))
			{
				const bool FromStreams = iFileName.empty();
				if (!m_archive.isValid())
				{
					if (FromStreams)
					{
						ABCA_THROW("Could not open as Ogawa file from provided streams.");
					}
					ABCA_THROW("Could not open as Ogawa file: " << iFileName);
				}
				if (!m_archive.isFrozen())
				{
					if (FromStreams)
					{
						ABCA_THROW("Ogawa streams not cleanly closed while being written. ");
					}
					ABCA_THROW("Ogawa file not cleanly closed while being written: " << iFileName);
				}

				Ogawa::IGroupPtr Root = m_archive.getGroup();
				m_groupOwners[Root->getPos()] = {RootOwner, RootOwner};
				ABCA_ASSERT(Root->getNumChildren() >= 6 && Root->isChildData(0) && Root->isChildData(1) && Root->isChildGroup(2) && Root->isChildData(3) &&
				                Root->isChildData(4) && Root->isChildData(5),
				            "Invalid Alembic file.");

				const int32_t FileVersion = ReadInt32Block(Root->getData(0), -1);
				ABCA_ASSERT(FileVersion == 0, "Unsupported file version detected: " << FileVersion);
				m_archiveVersion = ReadInt32Block(Root->getData(1), 0);
				ABCA_ASSERT(m_archiveVersion >= 9999, "Unsupported Alembic version detected: " << m_archiveVersion);

				ReadTimeSamplings(Root->getData(4), m_timeSamplings, m_maxSamples);
				ReadIndexedMetaData(Root->getData(5), m_metaDataTable);
				m_topData = std::make_shared<OrData>(*this, openGroup(Root, 2, false), "/");

				const Ogawa::IDataPtr MetaDataBlock = Root->getData(3);
				const uint8_t* MetaDataBytes = MetaDataBlock->view();
				m_metaData = std::make_shared<AbcA::MetaData>();
				m_metaData->deserialize(std::string(reinterpret_cast<const char*>(MetaDataBytes), size_t(MetaDataBlock->getSize())));
			}

			AbcA::ObjectReaderPtr ArImpl::getTop()
			{
				std::lock_guard<std::mutex> Lock(m_mutex);
				shared_ptr<OrImpl> Top = m_top.lock();
				if (!Top)
				{
					auto Header = std::make_shared<AbcA::ObjectHeader>("ABC", "/", *m_metaData);
					Top = std::make_shared<OrImpl>(shared_from_this(), nullptr, m_topData, Header);
					m_top = Top;
				}
				return Top;
			}

			AbcA::TimeSamplingPtr ArImpl::getTimeSampling(uint32_t iIndex)
			{
				ABCA_ASSERT(iIndex < m_timeSamplings.size(), "Invalid index provided to getTimeSampling.");
				return m_timeSamplings[iIndex];
			}

			AbcA::index_t ArImpl::getMaxNumSamplesForTimeSamplingIndex(uint32_t iIndex)
			{
				return iIndex < m_maxSamples.size() ? m_maxSamples[iIndex] : AbcA::INDEX_UNKNOWN;
			}

			Ogawa::IGroupPtr ArImpl::openGroup(const Ogawa::IGroupPtr& iParent, uint64_t iIndex, bool iLight)
			{
				if (!iParent)
				{
					return nullptr;
				}
				Ogawa::IGroupPtr Group = iParent->getGroup(iIndex, iLight);
				if (!Group || Group->getPos() == 0)
				{
					return Group;
				}
				std::lock_guard<std::mutex> Lock(m_mutex);
				const std::pair<uint64_t, uint64_t> Owner(iParent->getPos(), iIndex);
				auto [Found, Inserted] = m_groupOwners.emplace(Group->getPos(), Owner);
				if (!Inserted && Found->second != Owner)
				{
					return nullptr;
				}
				return Group;
			}

			OrData::OrData(ArImpl& iArchive, Ogawa::IGroupPtr iGroup, const std::string& iFullName)
			    : group(std::move(iGroup))
			{
				ABCA_ASSERT(group, "Invalid object data group");
				const uint64_t NumChildren = group->getNumChildren();
				if (NumChildren > 0 && group->isChildData(NumChildren - 1))
				{
					const Ogawa::IDataPtr Headers = group->getData(NumChildren - 1);
					const uint64_t Size = Headers->getSize();
					if (Size >= 32)
					{
						const uint8_t* Bytes = Headers->view();
						std::memcpy(propertiesHash.d, Bytes + Size - 32, 16);
						std::memcpy(childrenHash.d, Bytes + Size - 16, 16);
						hasHashes = true;
						if (Size > 32)
						{
							ReadObjectHeaders(Bytes, size_t(Size - 32), iFullName, iArchive.getMetaDataTable(), childHeaders);
						}
					}
				}
				for (size_t i = 0; i < childHeaders.size(); ++i)
				{
					byName.emplace(childHeaders[i]->getName(), i);
				}
				Ogawa::IGroupPtr PropertiesGroup;
				if (NumChildren > 0 && group->isChildGroup(0))
				{
					PropertiesGroup = iArchive.openGroup(group, 0, false);
				}
				properties = std::make_shared<CprData>(iArchive, PropertiesGroup);
			}

			CprData::CprData(ArImpl& iArchive, Ogawa::IGroupPtr iGroup)
			    : group(std::move(iGroup))
			{
				if (!group)
				{
					return;
				}
				const uint64_t NumChildren = group->getNumChildren();
				if (NumChildren > 0 && group->isChildData(NumChildren - 1))
				{
					const Ogawa::IDataPtr Headers = group->getData(NumChildren - 1);
					const size_t Size = size_t(Headers->getSize());
					ReadPropertyHeaders(Headers->view(), Size, iArchive.getMetaDataTable(), iArchive.getTimeSamplings(), headers);
				}
				for (size_t i = 0; i < headers.size(); ++i)
				{
					byName.emplace(headers[i]->header.getName(), i);
				}
			}
		}
	}
}
