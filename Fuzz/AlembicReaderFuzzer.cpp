// libFuzzer target: writes the input bytes to a file, opens it by name as an archive through the
// public API, walks every object and property and reads samples; then reads it as a groom the way the
// plugin does, by name and through a stream. Any std::exception or failed read is an accepted outcome;
// crashes, hangs, sanitizer reports and out-of-memory are not.
//
// The library, like Alembic 1.8.6, trusts the sizes a stream or an array's dimensions claim; the plugin
// checks them first, and so does the walk here before it reads an array sample.

#include <Alembic/AbcCoreOgawa/All.h>
#include <Alembic/AbcGeom/All.h>

#include "alembicIO.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <unistd.h>

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

	// Whether the stored dimensions agree with the bytes of the block (numeric samples only).
	bool ShapeFitsData(const IArrayProperty& Property, const ISampleSelector& Selector)
	{
		Dimensions Dims;
		Property.getDimensions(Dims, Selector);
		AbcA::ArraySampleKey Key;
		Property.getKey(Key, Selector);
		const PlainOldDataType Pod = Property.getDataType().getPod();
		if (Pod == kStringPOD || Pod == kWstringPOD)
		{
			return true;
		}
		const uint64_t ValueBytes = Property.getDataType().getNumBytes();
		uint64_t Values = Dims.rank() > 0 ? 1 : 0;
		for (size_t i = 0; i < Dims.rank(); ++i)
		{
			if (ValueBytes == 0 || (Dims[i] != 0 && Values > ~uint64_t(0) / ValueBytes / Dims[i]))
			{
				return false;
			}
			Values *= Dims[i];
		}
		return Values * ValueBytes == Key.numBytes;
	}

	void ReadArray(const IArrayProperty& Property)
	{
		for (index_t Index : SampleIndices(Property.getNumSamples()))
		{
			if (ShapeFitsData(Property, ISampleSelector(Index)))
			{
				ArraySamplePtr Sample;
				Property.get(Sample, ISampleSelector(Index));
			}
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
			IV2fGeomParam UvsParam = Schema.getUVsParam();
			IFloatGeomParam WidthsParam = Schema.getWidthsParam();
			for (const IArrayProperty& Array : {IArrayProperty(Schema.getPositionsProperty()), IArrayProperty(Schema.getNumVerticesProperty()),
			                                    IArrayProperty(Schema.getPositionWeightsProperty()), IArrayProperty(Schema.getOrdersProperty()),
			                                    IArrayProperty(Schema.getKnotsProperty()), IArrayProperty(Schema.getVelocitiesProperty()),
			                                    IArrayProperty(WidthsParam.getValueProperty()), IArrayProperty(WidthsParam.getIndexProperty()),
			                                    IArrayProperty(UvsParam.getValueProperty()), IArrayProperty(UvsParam.getIndexProperty())})
			{
				if (Array.valid() && Array.getNumSamples() > 0 && !ShapeFitsData(Array, Selector))
				{
					return;
				}
			}
			Schema.getValue(Selector);
			IFloatGeomParam::Sample Widths;
			WidthsParam.getExpanded(Widths, Selector);
			IV2fGeomParam::Sample Uvs;
			UvsParam.getIndexed(Uvs, Selector);
		}
	}

	// The input as a file, rewritten for each run and removed when the fuzzer exits.
	struct FInputFile
	{
		const std::string Path = "/tmp/velmora-fuzz-reader-" + std::to_string(::getpid()) + ".abc";
		~FInputFile() { std::remove(Path.c_str()); }
	};

	const std::string& InputPath()
	{
		static const FInputFile File;
		return File.Path;
	}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
	{
		std::ofstream File(InputPath(), std::ios::binary | std::ios::trunc);
		File.write(reinterpret_cast<const char*>(Data), std::streamsize(Size));
	}
	Guarded([&]
	        {
		IArchive Archive(Alembic::AbcCoreOgawa::ReadArchive(), InputPath(), ErrorHandler::kThrowPolicy, ReadArraySampleCachePtr());
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

	// The plugin's reader, both ways; it catches everything itself.
	std::streambuf* const Quiet = std::cerr.rdbuf(nullptr);
	for (const EGroomReadRoute Route : {EGroomReadRoute::ByName, EGroomReadRoute::Stream})
	{
		bool bFailed = false;
		ReadGroom(InputPath(), bFailed, Route);
	}
	std::cerr.rdbuf(Quiet);
	return 0;
}
