#include "WriteUtil.h"
#include "WriterImpl.h"

#include <Alembic/Util/Murmur3.h>

namespace Alembic
{
	namespace AbcCoreOgawa
	{
		namespace ALEMBIC_VERSION_NS
		{
			SampleWriter::SampleWriter(shared_ptr<CpwImpl> iParent, Ogawa::OGroupPtr iGroup, PropertyRecordPtr iRecord, size_t iIndex, bool iIsArray)
			    : m_parent(std::move(iParent)), m_group(std::move(iGroup)), m_record(std::move(iRecord)), m_index(iIndex), m_isArray(iIsArray)
			{
			}

			void SampleWriter::close()
			{
				PropertyRecord& Record = *m_record;
				const uint32_t Count = (Record.lastChangedIndex == 0 && Record.numSamples > 0) ? 1 : Record.numSamples;
				m_parent->archive().noteSampleCount(Record.timeSamplingIndex, Count);
				SpookyHasher Hasher;
				HashHeader(Hasher, Record, m_parent->archive().getTimeSampling(Record.timeSamplingIndex).get());
				if (Record.numSamples > 0)
				{
					Digest Running;
					Running.setWord(0, m_hash0);
					Running.setWord(1, m_hash1);
					Hasher.update(Running);
				}
				m_parent->data().hashes[m_index] = Hasher.final();
				m_group->freeze();
			}

			void SampleWriter::addDims(const Dimensions& iDims)
			{
				const bool Strings = m_record->header.getDataType().getPod() == kStringPOD || m_record->header.getDataType().getPod() == kWstringPOD;
				if (!Strings && iDims.rank() <= 1)
				{
					m_group->addData(nullptr, 0);
					return;
				}
				m_group->addData(iDims.rootPtr(), iDims.rank() * 8);
			}

			void SampleWriter::mixHash()
			{
				Digest Sample = m_prevKey;
				if (m_isArray && m_prevDims.rank() > 0)
				{
					SpookyHasher Hasher;
					Hasher.update(m_prevDims.rootPtr(), m_prevDims.rank() * 8);
					Hasher.update(Sample);
					Sample = Hasher.final();
				}
				if (m_record->numSamples == 0)
				{
					m_hash0 = Sample.word(0);
					m_hash1 = Sample.word(1);
					return;
				}
				uint64_t h2 = Sample.word(0);
				uint64_t h3 = Sample.word(1);
				SpookyShortEnd(m_hash0, m_hash1, h2, h3);
			}

			void SampleWriter::writeSample(int iClass, uint64_t iNumBytes, const Digest* iKey, const void* iPayload, size_t iPayloadSize, uint64_t iNumValues,
			                               const Dimensions& iDims)
			{
				PropertyRecord& Record = *m_record;
				const uint32_t k = Record.numSamples;
				if (k == 0 || !iKey || *iKey != m_prevKey)
				{
					if (Record.firstChangedIndex != 0)
					{
						// Samples held since the last change are references to the block already written.
						for (uint32_t i = Record.lastChangedIndex + 1; i < k; ++i)
						{
							m_group->addDataRef(m_prevPos);
							if (m_isArray)
							{
								addDims(m_prevDims);
							}
						}
					}
					Digest Key;
					StoredSample Stored;
					if (iKey)
					{
						Key = *iKey;
						Stored = m_parent->archive().storeSample(*m_group, iClass, iNumBytes, Key, iPayload, iPayloadSize, iNumValues);
					}
					else
					{
						Stored = m_parent->archive().storeSampleWhileHashing(*m_group, iClass, iNumBytes, iPayload, iPayloadSize, iNumValues, Key);
					}
					m_prevPos = Stored.pos;
					m_prevKey = Key;
					m_prevPayloadSize = iPayloadSize;
					if (m_isArray)
					{
						m_prevDims = iDims;
						addDims(iDims);
						const uint64_t Points = iDims.numPoints();
						if (Points != 1)
						{
							Record.isScalarLike = false;
						}
						if (Points != Stored.numValues)
						{
							Record.isHomogeneous = false;
						}
					}
					if (Record.firstChangedIndex == 0)
					{
						Record.firstChangedIndex = k;
					}
					Record.lastChangedIndex = k;
				}
				mixHash();
				Record.numSamples = k + 1;
			}

			void SampleWriter::writeFromPrevious()
			{
				ABCA_ASSERT(m_record->numSamples > 0, "Cannot set from a previous sample: " << m_record->header.getName() << " has no samples yet");
				mixHash();
				m_record->numSamples += 1;
			}

			SpwImpl::SpwImpl(shared_ptr<CpwImpl> iParent, Ogawa::OGroupPtr iGroup, PropertyRecordPtr iRecord, size_t iIndex)
			    : SampleWriter(std::move(iParent), std::move(iGroup), std::move(iRecord), iIndex, false)
			{
			}

			SpwImpl::~SpwImpl()
			{
				close();
			}

			void SpwImpl::setTimeSamplingIndex(uint32_t iIndex)
			{
				m_parent->archive().getTimeSampling(iIndex);
				m_record->timeSamplingIndex = iIndex;
				m_record->header.setTimeSampling(m_parent->archive().getTimeSampling(iIndex));
			}

			void SpwImpl::setSample(const void* iSample)
			{
				const AbcA::DataType& Type = m_record->header.getDataType();
				const size_t Extent = Type.getExtent();
				if (Type.getPod() == kStringPOD)
				{
					const std::string* Strings = static_cast<const std::string*>(iSample);
					std::string Payload;
					for (size_t i = 0; i < Extent; ++i)
					{
						ABCA_ASSERT(Strings[i].find('\0') == std::string::npos, "Illegal NULL character found in string in ScalarPropertyWriter");
						Payload += Strings[i];
						Payload += '\0';
					}
					const Digest Key = MurmurHash3_x64_128(Payload.data(), Payload.size());
					writeSample(kStringClass, Extent, &Key, Payload.data(), Payload.size(), Extent, Dimensions());
					return;
				}
				ABCA_ASSERT(Type.getPod() != kWstringPOD, "Writing wide strings is not supported");
				const size_t Bytes = Type.getNumBytes();
				const Digest Key = MurmurHash3_x64_128(iSample, Bytes);
				writeSample(kNumericClass, Bytes, &Key, iSample, Bytes, Extent, Dimensions());
			}

			ApwImpl::ApwImpl(shared_ptr<CpwImpl> iParent, Ogawa::OGroupPtr iGroup, PropertyRecordPtr iRecord, size_t iIndex)
			    : SampleWriter(std::move(iParent), std::move(iGroup), std::move(iRecord), iIndex, true)
			{
			}

			ApwImpl::~ApwImpl()
			{
				close();
			}

			void ApwImpl::setTimeSamplingIndex(uint32_t iIndex)
			{
				m_record->header.setTimeSampling(m_parent->archive().getTimeSampling(iIndex));
				m_record->timeSamplingIndex = iIndex;
			}

			void ApwImpl::setSample(const AbcA::ArraySample& iSample)
			{
				const AbcA::DataType& Type = m_record->header.getDataType();
				ABCA_ASSERT(iSample.getDataType() == Type || !iSample.valid(),
				            "DataType on ArraySample iSamp: " << iSample.getDataType() << ", does not match the DataType of the Array property: " << Type);
				// An invalid sample is stored as an empty one.
				const Dimensions Dims = iSample.valid() ? iSample.getDimensions() : Dimensions(0);
				const size_t Points = Dims.numPoints();
				const size_t Extent = Type.getExtent();
				if (Type.getPod() == kStringPOD)
				{
					const std::string* Strings = static_cast<const std::string*>(iSample.getData());
					std::string Payload;
					for (size_t i = 0; i < Points * Extent; ++i)
					{
						ABCA_ASSERT(Strings[i].find('\0') == std::string::npos, "Illegal NULL character found in string in ArrayPropertyWriter");
						Payload += Strings[i];
						Payload += '\0';
					}
					const Digest Key = MurmurHash3_x64_128(Payload.data(), Payload.size());
					writeSample(kStringClass, Points * Extent, &Key, Payload.data(), Payload.size(), Points * Extent, Dims);
					return;
				}
				ABCA_ASSERT(Type.getPod() != kWstringPOD, "Writing wide strings is not supported");
				const size_t Bytes = Points * Type.getNumBytes();
				const void* Data = Bytes ? iSample.getData() : nullptr;
				// A new size can neither repeat the previous sample nor match a stored block (up to a hash
				// collision between different lengths), so large ones hash while they are written.
				const bool NewSize = m_record->numSamples == 0 || Bytes != previousPayloadSize();
				if (NewSize && m_parent->archive().canStoreWhileHashing(kNumericClass, Bytes, Bytes))
				{
					writeSample(kNumericClass, Bytes, nullptr, Data, Bytes, Points * Extent, Dims);
					return;
				}
				const Digest Key = MurmurHash3_x64_128(Data, Bytes);
				writeSample(kNumericClass, Bytes, &Key, Data, Bytes, Points * Extent, Dims);
			}
		}
	}
}
