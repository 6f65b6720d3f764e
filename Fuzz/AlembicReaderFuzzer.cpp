// libFuzzer target: opens the input bytes as an archive through the public API, walks every
// object and property and reads samples. Any std::exception is an accepted outcome; crashes,
// hangs, sanitizer reports and out-of-memory are not.

#include <Alembic/AbcCoreOgawa/All.h>
#include <Alembic/AbcGeom/All.h>

#include <sstream>

namespace
{
	using namespace Alembic::AbcGeom;

	// Headers may claim billions of samples; reading a spread of them covers every stored slot
	// mapping without turning a 40-byte input into a long loop.
	std::vector<index_t> SampleIndices(size_t iNumSamples)
	{
		std::vector<index_t> Indices;
		for (size_t i = 0; i < iNumSamples && i < 8; ++i)
		{
			Indices.push_back(index_t(i));
		}
		if (iNumSamples > 8)
		{
			Indices.push_back(index_t(iNumSamples / 2));
			Indices.push_back(index_t(iNumSamples - 1));
		}
		return Indices;
	}

	void ReadScalar(const IScalarProperty& Property)
	{
		const DataType Type = Property.getDataType();
		for (index_t Index : SampleIndices(Property.getNumSamples()))
		{
			if (Type.getPod() == kStringPOD)
			{
				std::vector<std::string> Values(Type.getExtent());
				Property.get(Values.data(), ISampleSelector(Index));
			}
			else if (Type.getPod() == kWstringPOD)
			{
				std::vector<std::wstring> Values(Type.getExtent());
				Property.get(Values.data(), ISampleSelector(Index));
			}
			else
			{
				std::vector<uint8_t> Values(Type.getNumBytes() + 1);
				Property.get(Values.data(), ISampleSelector(Index));
			}
		}
	}

	void ReadArray(const IArrayProperty& Property)
	{
		for (index_t Index : SampleIndices(Property.getNumSamples()))
		{
			ArraySamplePtr Sample;
			Property.get(Sample, ISampleSelector(Index));
			Dimensions Dims;
			Property.getDimensions(Dims, ISampleSelector(Index));
		}
	}

	template<class CALL>
	void Guarded(CALL&& Call)
	{
		try
		{
			Call();
		}
		catch (const std::exception&)
		{
		}
	}

	void WalkProperties(const ICompoundProperty& Root)
	{
		std::vector<ICompoundProperty> Pending{Root};
		while (!Pending.empty())
		{
			const ICompoundProperty Compound = Pending.back();
			Pending.pop_back();
			for (size_t i = 0; i < Compound.getNumProperties(); ++i)
			{
				Guarded([&]
				        {
					const PropertyHeader& Header = Compound.getPropertyHeader(i);
					if (Header.isCompound())
					{
						Pending.push_back(ICompoundProperty(Compound, Header.getName()));
					}
					else if (Header.isScalar())
					{
						ReadScalar(IScalarProperty(Compound, Header.getName()));
					}
					else
					{
						ReadArray(IArrayProperty(Compound, Header.getName()));
					} });
			}
		}
	}

	void ReadCurves(const IObject& Object)
	{
		ICurves Curves(Object, kWrapExisting);
		const ICurvesSchema& Schema = Curves.getSchema();
		for (index_t Index : SampleIndices(Schema.getNumSamples()))
		{
			const ISampleSelector Selector(Index);
			Schema.getValue(Selector);
			IFloatGeomParam::Sample Widths;
			Schema.getWidthsParam().getExpanded(Widths, Selector);
			IV2fGeomParam::Sample Uvs;
			Schema.getUVsParam().getIndexed(Uvs, Selector);
		}
	}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
	Guarded([&]
	        {
		std::istringstream Stream(std::string(reinterpret_cast<const char*>(Data), Size));
		std::vector<std::istream*> Streams{&Stream};
		IArchive Archive(Alembic::AbcCoreOgawa::ReadArchive(Streams), "fuzz-input", ErrorHandler::kThrowPolicy, ReadArraySampleCachePtr());
		for (uint32_t i = 0; i < Archive.getNumTimeSamplings(); ++i)
		{
			Archive.getTimeSampling(i)->getSampleTime(3);
			Archive.getTimeSampling(i)->getNearIndex(0.5, 4);
		}
		std::vector<IObject> Pending{Archive.getTop()};
		while (!Pending.empty())
		{
			const IObject Object = Pending.back();
			Pending.pop_back();
			Guarded([&] { WalkProperties(Object.getProperties()); });
			if (ICurves::matches(Object.getMetaData(), kStrictMatching))
			{
				Guarded([&] { ReadCurves(Object); });
			}
			for (size_t i = 0; i < Object.getNumChildren(); ++i)
			{
				Guarded([&] { Pending.push_back(Object.getChild(i)); });
			}
		} });
	return 0;
}
