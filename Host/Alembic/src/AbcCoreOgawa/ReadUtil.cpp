#include "ReadUtil.h"

namespace Alembic
{
	namespace AbcCoreOgawa
	{
		namespace ALEMBIC_VERSION_NS
		{
			namespace
			{
				template<class T>
				T Load(const uint8_t* p)
				{
					T Value;
					std::memcpy(&Value, p, sizeof(T));
					return Value;
				}

				// Reads a 1, 2 or 4 byte field whose width the size hint chose.
				uint32_t ReadHinted(const uint8_t* iBytes, size_t iSize, size_t& ioPos, uint32_t iHint)
				{
					const size_t Width = iHint == 0 ? 1 : (iHint == 1 ? 2 : 4);
					ABCA_ASSERT(ioPos <= iSize && iSize - ioPos >= Width, "Read invalid: Property Header bad uint32 hint.");
					uint32_t Value = 0;
					if (Width == 1)
					{
						Value = iBytes[ioPos];
					}
					else if (Width == 2)
					{
						Value = Load<uint16_t>(iBytes + ioPos);
					}
					else
					{
						Value = Load<uint32_t>(iBytes + ioPos);
					}
					ioPos += Width;
					return Value;
				}

				AbcA::MetaDataPtr ParseMetaData(const uint8_t* iBytes, size_t iSize)
				{
					auto MetaData = std::make_shared<AbcA::MetaData>();
					MetaData->deserialize(std::string(reinterpret_cast<const char*>(iBytes), iSize));
					return MetaData;
				}
			}

			void ReadTimeSamplings(const Ogawa::IDataPtr& iData, std::vector<AbcA::TimeSamplingPtr>& oSamplings, std::vector<AbcA::index_t>& oMaxSamples)
			{
				const uint64_t Size = iData->getSize();
				const uint8_t* Bytes = iData->view();
				uint64_t Pos = 0;
				while (Pos < Size)
				{
					ABCA_ASSERT(Size - Pos >= 16, "Read invalid: TimeSamples info.");
					const uint32_t MaxSamples = Load<uint32_t>(Bytes + Pos);
					const double TimePerCycle = Load<double>(Bytes + Pos + 4);
					const uint32_t NumTimes = Load<uint32_t>(Bytes + Pos + 12);
					Pos += 16;
					ABCA_ASSERT(NumTimes != 0 && uint64_t(NumTimes) * 8 <= Size - Pos, "Read invalid: TimeSamples sample times.");
					std::vector<AbcA::chrono_t> Times(NumTimes);
					std::memcpy(Times.data(), Bytes + Pos, size_t(NumTimes) * 8);
					Pos += uint64_t(NumTimes) * 8;

					uint32_t PerCycle = NumTimes;
					if (TimePerCycle == AbcA::TimeSamplingType::AcyclicTimePerCycle())
					{
						PerCycle = AbcA::TimeSamplingType::AcyclicNumSamples();
					}
					oSamplings.push_back(std::make_shared<AbcA::TimeSampling>(AbcA::TimeSampling::fromFile(PerCycle, TimePerCycle, std::move(Times))));
					oMaxSamples.push_back(MaxSamples);
				}
			}

			void ReadIndexedMetaData(const Ogawa::IDataPtr& iData, MetaDataTable& oTable)
			{
				oTable.assign(1, std::make_shared<AbcA::MetaData>());
				const uint64_t Size = iData->getSize();
				ABCA_ASSERT(Size <= 65536, "Read invalid: Indexed MetaData buffer unexpectedly big.");
				const uint8_t* Bytes = iData->view();
				uint64_t Pos = 0;
				while (Pos < Size)
				{
					const uint8_t Length = Bytes[Pos++];
					ABCA_ASSERT(Length <= Size - Pos, "Read invalid: Indexed MetaData string.");
					oTable.push_back(ParseMetaData(Bytes + Pos, Length));
					Pos += Length;
				}
			}

			void ReadObjectHeaders(const uint8_t* iBytes, size_t iSize, const std::string& iParentFullName, const MetaDataTable& iTable,
			                       std::vector<AbcA::ObjectHeaderPtr>& oHeaders)
			{
				const std::string Prefix = iParentFullName == "/" ? "/" : iParentFullName + "/";
				size_t Pos = 0;
				while (Pos < iSize)
				{
					ABCA_ASSERT(iSize - Pos >= 4, "Read invalid: Object Headers name size.");
					const uint32_t NameLen = Load<uint32_t>(iBytes + Pos);
					Pos += 4;
					ABCA_ASSERT(NameLen != 0 && uint64_t(NameLen) + 1 <= iSize - Pos, "Read invalid: Object Headers name and MetaData index.");
					std::string Name(reinterpret_cast<const char*>(iBytes + Pos), NameLen);
					Pos += NameLen;
					const uint8_t MetaDataIndex = iBytes[Pos++];
					AbcA::MetaDataPtr MetaData;
					if (MetaDataIndex == 0xff)
					{
						ABCA_ASSERT(iSize - Pos >= 4, "Read invalid: Object Headers MetaData size.");
						const uint32_t MetaDataLen = Load<uint32_t>(iBytes + Pos);
						Pos += 4;
						ABCA_ASSERT(MetaDataLen <= iSize - Pos, "Read invalid: Object Headers MetaData string.");
						MetaData = ParseMetaData(iBytes + Pos, MetaDataLen);
						Pos += MetaDataLen;
					}
					else
					{
						ABCA_ASSERT(MetaDataIndex < iTable.size(), "Read invalid: Object Headers MetaData index.");
						MetaData = iTable[MetaDataIndex];
					}
					auto Header = std::make_shared<AbcA::ObjectHeader>(Name, Prefix + Name, *MetaData);
					oHeaders.push_back(std::move(Header));
				}
			}

			void ReadPropertyHeaders(const uint8_t* iBytes, size_t iSize, const MetaDataTable& iTable, const std::vector<AbcA::TimeSamplingPtr>& iSamplings,
			                         std::vector<PropertyHeaderPtr>& oHeaders)
			{
				size_t Pos = 0;
				while (Pos < iSize)
				{
					ABCA_ASSERT(iSize - Pos >= 4, "Read invalid: Property header start.");
					const uint32_t Info = Load<uint32_t>(iBytes + Pos);
					Pos += 4;
					auto Header = std::make_shared<PropertyHeaderAndFriends>();
					const uint32_t Type = Info & 0x3;
					const uint32_t Hint = (Info >> 2) & 0x3;
					const uint32_t MetaDataIndex = (Info >> 20) & 0xff;

					if (Type != 0)
					{
						const uint32_t Pod = (Info >> 4) & 0xf;
						ABCA_ASSERT(Pod < kNumPlainOldDataTypes, "Read invalid POD type: " << Pod);
						const uint8_t Extent = uint8_t((Info >> 12) & 0xff);
						Header->header.setPropertyType(Type == 1 ? AbcA::kScalarProperty : AbcA::kArrayProperty);
						Header->header.setDataType(AbcA::DataType(PlainOldDataType(Pod), Extent));
						Header->isScalarLike = (Type & 1) != 0;
						Header->isHomogeneous = (Info & 0x400) != 0;
						Header->numSamples = ReadHinted(iBytes, iSize, Pos, Hint);
						if (Info & 0x200)
						{
							Header->firstChangedIndex = ReadHinted(iBytes, iSize, Pos, Hint);
							Header->lastChangedIndex = ReadHinted(iBytes, iSize, Pos, Hint);
						}
						else if (Info & 0x800)
						{
							Header->firstChangedIndex = 0;
							Header->lastChangedIndex = 0;
						}
						else
						{
							Header->firstChangedIndex = 1;
							Header->lastChangedIndex = Header->numSamples - 1;
						}
						if (Info & 0x100)
						{
							Header->timeSamplingIndex = ReadHinted(iBytes, iSize, Pos, Hint);
						}
					}
					else
					{
						Header->header.setPropertyType(AbcA::kCompoundProperty);
					}

					const uint32_t NameLen = ReadHinted(iBytes, iSize, Pos, Hint);
					ABCA_ASSERT(NameLen != 0 && NameLen <= iSize - Pos, "Read invalid: Property Headers name.");
					Header->header.setName(std::string(reinterpret_cast<const char*>(iBytes + Pos), NameLen));
					Pos += NameLen;

					if (MetaDataIndex == 0xff)
					{
						const uint32_t MetaDataLen = ReadHinted(iBytes, iSize, Pos, Hint);
						ABCA_ASSERT(MetaDataLen <= iSize - Pos, "Read invalid: Property Header MetaData string.");
						Header->header.setMetaData(*ParseMetaData(iBytes + Pos, MetaDataLen));
						Pos += MetaDataLen;
					}
					else
					{
						ABCA_ASSERT(MetaDataIndex < iTable.size(), "Read invalid: Property Header MetaData index.");
						Header->header.setMetaData(*iTable[MetaDataIndex]);
					}

					if (Type != 0)
					{
						ABCA_ASSERT(Header->timeSamplingIndex < iSamplings.size(), "Invalid index provided to getTimeSampling.");
						Header->header.setTimeSampling(iSamplings[Header->timeSamplingIndex]);
					}
					oHeaders.push_back(std::move(Header));
				}
			}

			size_t StoredSampleIndex(const PropertyHeaderAndFriends& iHeader, AbcA::index_t iIndex)
			{
				ABCA_ASSERT(iIndex >= 0 && iIndex < AbcA::index_t(iHeader.numSamples),
				            "Invalid sample index: " << iIndex << ", should be between 0 and " << uint32_t(iHeader.numSamples - 1));
				const int64_t First = iHeader.firstChangedIndex;
				const int64_t Last = iHeader.lastChangedIndex;
				int64_t Stored;
				if (iIndex < First || (First == 0 && Last == 0))
				{
					Stored = 0;
				}
				else if (iIndex >= Last)
				{
					Stored = Last - First + 1;
				}
				else
				{
					Stored = iIndex - First + 1;
				}
				// Damaged first/last values can point anywhere; a negative result is simply a missing sample.
				return Stored < 0 ? size_t(-1) / 4 : size_t(Stored);
			}
		}
	}
}
