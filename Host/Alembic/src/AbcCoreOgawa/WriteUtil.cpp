#include "WriteUtil.h"
#include "WriterImpl.h"

namespace Alembic
{
	namespace AbcCoreOgawa
	{
		namespace ALEMBIC_VERSION_NS
		{
			namespace
			{
				uint32_t SizeHint(uint64_t iLargest)
				{
					return iLargest <= 255 ? 0 : (iLargest <= 65535 ? 1 : 2);
				}
			}

			void CheckName(const std::string& iName, const char* iWhat)
			{
				ABCA_ASSERT(!iName.empty() && iName.find('/') == std::string::npos, "Invalid " << iWhat << " name: \"" << iName << "\" (empty or contains '/')");
			}

			void HashHeader(SpookyHasher& ioHasher, const PropertyRecord& iRecord, const AbcA::TimeSampling* iSampling)
			{
				ioHasher.update(iRecord.header.getName());
				ioHasher.update(iRecord.header.getMetaData().serialize());
				if (iRecord.header.isCompound())
				{
					return;
				}
				const uint8_t Pod = uint8_t(iRecord.header.getDataType().getPod());
				const uint8_t Extent = iRecord.header.getDataType().getExtent();
				ioHasher.update(&Pod, 1);
				ioHasher.update(&Extent, 1);
				if (iRecord.header.isScalar())
				{
					const uint8_t Zero = 0;
					ioHasher.update(&Zero, 1);
				}
				const double TimePerCycle = iSampling->getTimeSamplingType().getTimePerCycle();
				const uint32_t NumTimes = uint32_t(iSampling->getNumStoredTimes());
				ioHasher.update(&TimePerCycle, 8);
				ioHasher.update(&NumTimes, 4);
				ioHasher.update(iSampling->getStoredTimes().data(), 8 * size_t(NumTimes));
			}

			void WritePropertyRecord(ByteWriter& ioOut, const PropertyRecord& iRecord, AwImpl& iArchive)
			{
				const std::string MetaData = iRecord.header.getMetaData().serialize();
				const std::string& Name = iRecord.header.getName();
				const uint8_t MetaDataIndex = iArchive.metaDataIndex(MetaData);
				const bool Compound = iRecord.header.isCompound();

				uint64_t Largest = std::max<uint64_t>(MetaData.size(), Name.size());
				if (!Compound)
				{
					Largest = std::max<uint64_t>(Largest, std::max(iRecord.numSamples, iRecord.timeSamplingIndex));
				}
				const uint32_t Hint = SizeHint(Largest);
				uint32_t Info = (Hint << 2) | (uint32_t(MetaDataIndex) << 20);
				bool WriteChanged = false;
				if (!Compound)
				{
					const AbcA::DataType& Type = iRecord.header.getDataType();
					Info |= iRecord.header.isScalar() ? 1u : (iRecord.isScalarLike ? 3u : 2u);
					Info |= uint32_t(Type.getPod()) << 4;
					Info |= uint32_t(Type.getExtent()) << 12;
					if (iRecord.timeSamplingIndex != 0)
					{
						Info |= 0x100;
					}
					if (iRecord.firstChangedIndex == 0 && iRecord.lastChangedIndex == 0)
					{
						Info |= 0x800;
					}
					else if (!(iRecord.firstChangedIndex == 1 && iRecord.lastChangedIndex == iRecord.numSamples - 1))
					{
						Info |= 0x200;
						WriteChanged = true;
					}
					if (iRecord.header.isScalar() || iRecord.isHomogeneous)
					{
						Info |= 0x400;
					}
				}
				ioOut.pod(Info);
				if (!Compound)
				{
					ioOut.hinted(Hint, iRecord.numSamples);
					if (WriteChanged)
					{
						ioOut.hinted(Hint, iRecord.firstChangedIndex);
						ioOut.hinted(Hint, iRecord.lastChangedIndex);
					}
					if (iRecord.timeSamplingIndex != 0)
					{
						ioOut.hinted(Hint, iRecord.timeSamplingIndex);
					}
				}
				ioOut.hinted(Hint, uint32_t(Name.size()));
				ioOut.text(Name);
				if (MetaDataIndex == 0xff)
				{
					ioOut.hinted(Hint, uint32_t(MetaData.size()));
					ioOut.text(MetaData);
				}
			}

			Digest HashOfDigests(const std::vector<Digest>& iDigests)
			{
				SpookyHasher Hasher;
				for (const Digest& Each : iDigests)
				{
					Hasher.update(Each);
				}
				return Hasher.final();
			}
		}
	}
}
