#include "ReaderImpl.h"

#include <new>

namespace Alembic
{
	namespace AbcCoreOgawa
	{
		namespace ALEMBIC_VERSION_NS
		{
			namespace
			{
				const size_t KeySize = 16;

				// An array sample that keeps its storage alive: its own buffer, or the mapped file itself.
				class OwnedArraySample : public AbcA::ArraySample
				{
				public:
					OwnedArraySample(std::shared_ptr<const void> iOwner, const void* iData, const AbcA::DataType& iType, const Dimensions& iDims)
					    : AbcA::ArraySample(iData, iType, iDims), m_owner(std::move(iOwner))
					{
					}

				private:
					std::shared_ptr<const void> m_owner;
				};

				void CheckKeyed(const Ogawa::IDataPtr& iData)
				{
					const uint64_t Size = iData->getSize();
					ABCA_ASSERT(Size == 0 || Size >= KeySize, "Incorrect data, expected to be empty or to have a key and data");
				}

				// Up to iCount NUL-terminated strings; missing ones stay empty and trailing bytes are ignored.
				void ParseStrings(const uint8_t* iBytes, size_t iSize, size_t iCount, std::string* oStrings)
				{
					size_t Pos = 0;
					for (size_t i = 0; i < iCount && Pos < iSize; ++i)
					{
						const void* Nul = std::memchr(iBytes + Pos, 0, iSize - Pos);
						if (!Nul)
						{
							break;
						}
						const size_t End = size_t(static_cast<const uint8_t*>(Nul) - iBytes);
						oStrings[i].assign(reinterpret_cast<const char*>(iBytes + Pos), End - Pos);
						Pos = End + 1;
					}
				}

				void ParseWstrings(const uint8_t* iBytes, size_t iSize, size_t iCount, std::wstring* oStrings)
				{
					const size_t NumCodes = iSize / 4;
					size_t Code = 0;
					for (size_t i = 0; i < iCount && Code < NumCodes; ++i)
					{
						std::wstring Text;
						for (; Code < NumCodes; ++Code)
						{
							int32_t Value;
							std::memcpy(&Value, iBytes + Code * 4, 4);
							if (Value == 0)
							{
								break;
							}
							Text.push_back(wchar_t(Value));
						}
						if (Code == NumCodes)
						{
							break;
						}
						++Code;
						oStrings[i] = std::move(Text);
					}
				}

				size_t CountTerminators(const uint8_t* iBytes, size_t iSize, PlainOldDataType iPod)
				{
					size_t Count = 0;
					if (iPod == kStringPOD)
					{
						for (size_t i = 0; i < iSize; ++i)
						{
							Count += iBytes[i] == 0;
						}
						return Count;
					}
					for (size_t i = 0; i + 4 <= iSize; i += 4)
					{
						int32_t Value;
						std::memcpy(&Value, iBytes + i, 4);
						Count += Value == 0;
					}
					return Count;
				}

				// Product of the extents, or false when it overflows.
				bool PointCount(const Dimensions& iDims, uint64_t& oCount)
				{
					oCount = iDims.rank() ? 1 : 0;
					for (size_t i = 0; i < iDims.rank(); ++i)
					{
						if (iDims[i] != 0 && oCount > ~uint64_t(0) / iDims[i])
						{
							return false;
						}
						oCount *= iDims[i];
					}
					return true;
				}
			}

			SprImpl::SprImpl(shared_ptr<CprImpl> iParent, Ogawa::IGroupPtr iGroup, PropertyHeaderPtr iHeader, Ogawa::IStreamsPtr)
			    : m_parent(std::move(iParent)), m_group(std::move(iGroup)), m_header(std::move(iHeader))
			{
			}

			void SprImpl::getSample(AbcA::index_t iSampleIndex, void* oSample)
			{
				const size_t Stored = StoredSampleIndex(*m_header, iSampleIndex);
				const Ogawa::IDataPtr Data = m_group->getData(Stored);
				ABCA_ASSERT(Data, "ReadData invalid: Null IDataPtr.");
				CheckKeyed(Data);
				const AbcA::DataType& Type = m_header->header.getDataType();
				const size_t Extent = Type.getExtent();
				const uint64_t Size = Data->getSize();
				const size_t PayloadSize = Size ? size_t(Size - KeySize) : 0;
				const uint8_t* Payload = PayloadSize ? Data->view(KeySize, PayloadSize) : nullptr;

				if (Type.getPod() == kStringPOD)
				{
					ParseStrings(Payload, PayloadSize, Extent, static_cast<std::string*>(oSample));
					return;
				}
				if (Type.getPod() == kWstringPOD)
				{
					ParseWstrings(Payload, PayloadSize, Extent, static_cast<std::wstring*>(oSample));
					return;
				}
				const size_t Expected = Type.getNumBytes();
				ABCA_ASSERT(Size == Expected + KeySize, "ScalarPropertyReader::getSample size is not correct expected: " << Expected << " got: " << Size - KeySize);
				if (Expected)
				{
					std::memcpy(oSample, Payload, Expected);
				}
			}

			AprImpl::AprImpl(shared_ptr<CprImpl> iParent, Ogawa::IGroupPtr iGroup, PropertyHeaderPtr iHeader, Ogawa::IStreamsPtr iStreams)
			    : m_parent(std::move(iParent)), m_group(std::move(iGroup)), m_header(std::move(iHeader)), m_streams(std::move(iStreams))
			{
			}

			void AprImpl::sampleBlocks(AbcA::index_t iSampleIndex, Ogawa::IDataPtr& oData, Ogawa::IDataPtr& oDims)
			{
				const size_t Stored = StoredSampleIndex(*m_header, iSampleIndex);
				oData = m_group->getData(2 * uint64_t(Stored));
				oDims = m_group->getData(2 * uint64_t(Stored) + 1);
				ABCA_ASSERT(oData && oDims, "ReadData invalid: Null IDataPtr.");
				CheckKeyed(oData);
			}

			void AprImpl::shapeOf(const Ogawa::IDataPtr& iData, const Ogawa::IDataPtr& iDims, Dimensions& oDims)
			{
				const AbcA::DataType& Type = m_header->header.getDataType();
				const bool bStrings = Type.getPod() == kStringPOD || Type.getPod() == kWstringPOD;
				Dimensions Stored;
				const uint64_t Rank = iDims->getSize() / 8;
				if (Rank > 0)
				{
					Stored.setRank(size_t(Rank));
					std::memcpy(Stored.rootPtr(), iDims->view(0, Rank * 8), size_t(Rank * 8));
				}
				// Stored dimensions of numbers are taken as they stand, as the 1.8.6 library the engine ships
				// takes them (1.8.11 and later replace any that disagree with the data), whatever the data
				// block holds; a dimensions block shorter than one extent stores none, so no values. A caller
				// that must not allocate or copy by a damaged file's word checks them against the key's byte
				// count first.
				if (!bStrings && iDims->getSize() > 0)
				{
					oDims = Stored;
					return;
				}

				const uint64_t Size = iData->getSize();
				if (Size == 0)
				{
					oDims = Dimensions(0);
					return;
				}
				const uint64_t PayloadSize = Size - KeySize;
				ABCA_ASSERT(Type.getExtent() > 0, "Read invalid: array property " << m_header->header.getName() << " has an extent of 0.");

				if (bStrings)
				{
					const uint8_t* Payload = iData->view(KeySize, PayloadSize);
					uint64_t Count = 0;
					if (Rank > 0 && PointCount(Stored, Count))
					{
						// Every string costs at least its terminator, so larger counts cannot be real.
						const uint64_t MinBytes = Type.getPod() == kStringPOD ? 1 : 4;
						ABCA_ASSERT(Count <= PayloadSize / MinBytes / Type.getExtent() + 1,
						            "Read invalid: string array dimensions " << Stored << " do not fit " << PayloadSize << " bytes of data.");
						oDims = Stored;
						return;
					}
					oDims = Dimensions(CountTerminators(Payload, size_t(PayloadSize), Type.getPod()) / Type.getExtent());
					return;
				}

				// Whole values only, as the library counts them: the rest of a block of a size that is not a
				// multiple of the value's is still copied, past the end of the sample.
				oDims = Dimensions(PayloadSize / Type.getNumBytes());
			}

			void AprImpl::getDimensions(AbcA::index_t iSampleIndex, Dimensions& oDim)
			{
				Ogawa::IDataPtr Data;
				Ogawa::IDataPtr Dims;
				sampleBlocks(iSampleIndex, Data, Dims);
				shapeOf(Data, Dims, oDim);
			}

			bool AprImpl::getKey(AbcA::index_t iSampleIndex, AbcA::ArraySampleKey& oKey)
			{
				Ogawa::IDataPtr Data;
				Ogawa::IDataPtr Dims;
				sampleBlocks(iSampleIndex, Data, Dims);
				oKey = AbcA::ArraySampleKey();
				oKey.readPOD = oKey.origPOD = m_header->header.getDataType().getPod();
				if (Data->getSize() >= KeySize)
				{
					oKey.numBytes = Data->getSize() - KeySize;
					std::memcpy(oKey.digest.d, Data->view(0, KeySize), KeySize);
				}
				return true;
			}

			void AprImpl::getSample(AbcA::index_t iSampleIndex, AbcA::ArraySamplePtr& oSample)
			{
				Ogawa::IDataPtr Data;
				Ogawa::IDataPtr DimsData;
				sampleBlocks(iSampleIndex, Data, DimsData);
				Dimensions Dims;
				shapeOf(Data, DimsData, Dims);
				const AbcA::DataType& Type = m_header->header.getDataType();
				const uint64_t PayloadSize = Data->getSize() ? Data->getSize() - KeySize : 0;
				uint64_t Count = 0;
				if (!PointCount(Dims, Count) || Count > ~uint64_t(0) / (uint64_t(Type.getNumBytes()) + 1))
				{
					// What allocating that many values comes to.
					throw std::bad_alloc();
				}
				const size_t Points = size_t(Count);
				const bool bStrings = Type.getPod() == kStringPOD || Type.getPod() == kWstringPOD;

				if (Points == 0 && (PayloadSize == 0 || bStrings))
				{
					oSample = std::make_shared<OwnedArraySample>(nullptr, nullptr, Type, Dims);
					return;
				}
				// Kept alive by the sample: a view into a mapping, or the one buffer read from a stream.
				const std::shared_ptr<const uint8_t> Shared = PayloadSize ? Data->share(KeySize, PayloadSize) : nullptr;
				const uint8_t* Payload = Shared.get();

				if (bStrings)
				{
					if (PayloadSize == 0)
					{
						oSample = std::make_shared<OwnedArraySample>(nullptr, nullptr, Type, Dims);
						return;
					}
					const size_t Count = Points * Type.getExtent();
					if (Type.getPod() == kStringPOD)
					{
						std::shared_ptr<std::string[]> Strings(new std::string[Count]);
						ParseStrings(Payload, size_t(PayloadSize), Count, Strings.get());
						oSample = std::make_shared<OwnedArraySample>(Strings, Strings.get(), Type, Dims);
					}
					else
					{
						std::shared_ptr<std::wstring[]> Strings(new std::wstring[Count]);
						ParseWstrings(Payload, size_t(PayloadSize), Count, Strings.get());
						oSample = std::make_shared<OwnedArraySample>(Strings, Strings.get(), Type, Dims);
					}
					return;
				}

				const size_t Bytes = Points * Type.getNumBytes();
				const size_t PodSize = PODNumBytes(Type.getPod());
				// Aligned, exactly-sized payloads are handed out as they are, without a copy.
				if (Bytes == PayloadSize && reinterpret_cast<uintptr_t>(Payload) % PodSize == 0)
				{
					oSample = std::make_shared<OwnedArraySample>(Shared, Payload, Type, Dims);
					return;
				}
				// As the library reads a sample: a buffer of the size the dimensions give (none for no values),
				// and the whole data block copied into it. Dimensions that understate the data write past the
				// buffer as the library does; a caller that reads a damaged file checks them against the
				// block first. What dimensions that overstate the data leave unset is zero here.
				std::shared_ptr<uint8_t[]> Buffer(Bytes ? new uint8_t[Bytes] : nullptr);
				if (PayloadSize)
				{
					std::memcpy(Buffer.get(), Payload, size_t(PayloadSize));
				}
				if (Bytes > PayloadSize)
				{
					std::memset(Buffer.get() + PayloadSize, 0, Bytes - size_t(PayloadSize));
				}
				oSample = std::make_shared<OwnedArraySample>(Buffer, Buffer.get(), Type, Dims);
			}
		}
	}
}
