#include "alembicIO.h"

#include "CoreMinimal.h"

// Alembic's headers include <Windows.h> on Windows; the engine's own Alembic users wrap them so.
#if PLATFORM_WINDOWS
#include "Windows/AllowWindowsPlatformTypes.h"
#endif
THIRD_PARTY_INCLUDES_START
#include <Alembic/AbcCoreOgawa/All.h>
#include <Alembic/AbcGeom/All.h>
THIRD_PARTY_INCLUDES_END
#if PLATFORM_WINDOWS
#include "Windows/HideWindowsPlatformTypes.h"
#endif

#include <algorithm>
#include <cerrno>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace
{
	using Alembic::Abc::index_t;
	using Alembic::Abc::ISampleSelector;
	using Alembic::Abc::V2f;
	using Alembic::Abc::V3f;

	// Whole triples from index 0; a trailing partial triple is dropped rather than read past the end.
	std::vector<V3f> ToVectors(const std::vector<float>& flat)
	{
		std::vector<V3f> vectors;
		vectors.reserve(flat.size() / 3);
		for (size_t k = 0; k + 2 < flat.size(); k += 3)
		{
			vectors.emplace_back(flat[k], flat[k + 1], flat[k + 2]);
		}
		return vectors;
	}

	template<typename VectorSamplePtr>
	std::vector<float> ToFlat(const VectorSamplePtr& sample)
	{
		std::vector<float> flat;
		if (!sample)
		{
			return flat;
		}
		flat.reserve(sample->size() * 3);
		for (size_t i = 0; i < sample->size(); ++i)
		{
			const V3f& v = (*sample)[i];
			flat.push_back(v.x);
			flat.push_back(v.y);
			flat.push_back(v.z);
		}
		return flat;
	}

	// Pre-order: the object itself, then each child's whole subtree in index order.
	std::optional<Alembic::AbcGeom::ICurves> FindFirstCurves(const Alembic::Abc::IObject& object)
	{
		if (Alembic::AbcGeom::ICurves::matches(object.getMetaData(), Alembic::Abc::kStrictMatching))
		{
			return Alembic::AbcGeom::ICurves(object, Alembic::Abc::kWrapExisting);
		}
		// The file chooses how deep objects nest, so the walk keeps its path on the heap: each entry is an
		// object and the next of its children to visit. Leaving a subtree pops its deepest object first, so
		// releasing an object never takes a chain of ancestors with it.
		struct FVisit
		{
			Alembic::Abc::IObject object;
			size_t nextChild;
		};
		std::vector<FVisit> path;
		path.push_back({object, 0});
		while (!path.empty())
		{
			FVisit& visit = path.back();
			if (visit.nextChild >= visit.object.getNumChildren())
			{
				path.pop_back();
				continue;
			}
			Alembic::Abc::IObject child = visit.object.getChild(visit.nextChild++);
			if (Alembic::AbcGeom::ICurves::matches(child.getMetaData(), Alembic::Abc::kStrictMatching))
			{
				return Alembic::AbcGeom::ICurves(child, Alembic::Abc::kWrapExisting);
			}
			path.push_back({std::move(child), 0});
		}
		return std::nullopt;
	}

	std::vector<float> ReadVectorParam(const Alembic::AbcGeom::ICurvesSchema& schema, const std::string& name)
	{
		const Alembic::Abc::ICompoundProperty arbGeomParams = schema.getArbGeomParams();
		const Alembic::Abc::PropertyHeader* header = arbGeomParams.valid() ? arbGeomParams.getPropertyHeader(name) : nullptr;
		if (!header)
		{
			std::cerr << "Property" << name << " not found." << std::endl;
			return {};
		}
		if (!Alembic::Abc::IV3fArrayProperty::matches(*header, Alembic::Abc::kStrictMatching))
		{
			return {};
		}
		const Alembic::Abc::IV3fArrayProperty property(arbGeomParams, name);
		return ToFlat(property.getValue(ISampleSelector(index_t(0))));
	}

	// u runs from 0 at the root to 1 at the tip of each strand; a one-point strand gets 0.
	std::vector<V2f> MakeStrandUVs(const GroomData& groom)
	{
		std::vector<V2f> uvs;
		for (const int32_t count : groom.vertexCounts)
		{
			const int64_t n = count;
			const float step = n > 1 ? 1.0f / static_cast<float>(n - 1) : 0.0f;
			for (int64_t j = 0; j < n; ++j)
			{
				uvs.emplace_back(static_cast<float>(j) * step, 0.0f);
			}
		}
		return uvs;
	}

	// A file the plugin opens itself, from the UTF-8 path (by its wide name on Windows, where the engine's
	// Alembic would take a narrow name in the ANSI code page): always to write, to read where needed.
	std::filesystem::path ToFileSystemPath(const std::string& utf8Path)
	{
		return std::filesystem::path(std::u8string(utf8Path.begin(), utf8Path.end()));
	}

	void ReplaceFirst(std::string& text, const std::string& from, const std::string& to)
	{
		const size_t at = text.find(from);
		if (at != std::string::npos)
		{
			text.replace(at, from.size(), to);
		}
	}

	// Given streams, the library words its open failures without the name; the reader's messages name
	// the file as they do when the library opens it by name.
	std::string NameTheFile(std::string text, const std::string& path)
	{
		ReplaceFirst(text, "Could not open as Ogawa file from provided streams.", "Could not open as Ogawa file: " + path);
		ReplaceFirst(text, "Ogawa streams not cleanly closed while being written. ", "Ogawa file not cleanly closed while being written: " + path);
		return text;
	}

	std::string SystemReason(int error)
	{
		return std::generic_category().message(error != 0 ? error : EIO);
	}

	void WriteVectorParam(Alembic::Abc::OCompoundProperty& compound, const std::vector<float>& values, const std::string& name)
	{
		Alembic::Abc::MetaData metaData;
		metaData.set("geoScope", "vtx");
		metaData.set("interpretation", "vector");
		Alembic::Abc::OV3fArrayProperty property(compound, name, metaData);
		const std::vector<V3f> vectors = ToVectors(values);
		property.set(Alembic::Abc::V3fArraySample(vectors));
	}
}

bool FGroomFileSink::Open(const std::string& Utf8Path)
{
	errno = 0;
	if (!File.open(ToFileSystemPath(Utf8Path), std::ios::out | std::ios::binary | std::ios::trunc))
	{
		Keep(errno);
		return false;
	}
	return true;
}

bool FGroomFileSink::Close()
{
	if (File.is_open())
	{
		errno = 0;
		if (!File.close())
		{
			Keep(errno);
		}
	}
	return Error == 0;
}

std::string FGroomFileSink::GetReason() const
{
	return SystemReason(Error);
}

void FGroomFileSink::Keep(int SystemError)
{
	if (Error == 0)
	{
		Error = SystemError != 0 ? SystemError : EIO;
	}
}

std::streamsize FGroomFileSink::xsputn(const char* Bytes, std::streamsize Count)
{
	if (Error == 0 && Count > 0)
	{
		errno = 0;
		if (File.sputn(Bytes, Count) != Count)
		{
			Keep(errno);
		}
	}
	Position += static_cast<uint64_t>(Count);
	End = std::max(End, Position);
	return Count;
}

FGroomFileSink::int_type FGroomFileSink::overflow(int_type Byte)
{
	if (!traits_type::eq_int_type(Byte, traits_type::eof()))
	{
		const char Single = traits_type::to_char_type(Byte);
		xsputn(&Single, 1);
	}
	return traits_type::not_eof(Byte);
}

FGroomFileSink::pos_type FGroomFileSink::seekoff(off_type Offset, std::ios_base::seekdir Direction, std::ios_base::openmode Mode)
{
	const off_type From = Direction == std::ios_base::beg ? 0 : static_cast<off_type>(Direction == std::ios_base::end ? End : Position);
	if (Direction == std::ios_base::cur && Offset == 0)
	{
		// tellp: no need to touch the file.
		return pos_type(From);
	}
	return seekpos(pos_type(From + Offset), Mode);
}

FGroomFileSink::pos_type FGroomFileSink::seekpos(pos_type Target, std::ios_base::openmode Mode)
{
	// A position before the start is the one thing a writer may not ask for; it never does.
	const off_type Offset = std::max<off_type>(off_type(Target), 0);
	if (Error == 0)
	{
		errno = 0;
		if (File.pubseekpos(pos_type(Offset), Mode) == pos_type(off_type(-1)))
		{
			Keep(errno);
		}
	}
	Position = static_cast<uint64_t>(Offset);
	return pos_type(Offset);
}

int FGroomFileSink::sync()
{
	if (Error == 0)
	{
		errno = 0;
		if (File.pubsync() != 0)
		{
			Keep(errno);
		}
	}
	return 0;
}

void LogMessage(std::string message)
{
	const FString Text = UTF8_TO_TCHAR(message.c_str());
	UE_LOG(LogTemp, Warning, TEXT("%s"), *Text);
}

GroomData ReadGroom(std::string path)
{
	bool bReadFailed = false;
	return ReadGroom(std::move(path), bReadFailed);
}

EGroomReadRoute PlatformGroomReadRoute()
{
#if PLATFORM_WINDOWS
	return EGroomReadRoute::Stream;
#else
	return EGroomReadRoute::ByName;
#endif
}

GroomData ReadGroom(std::string path, bool& bOutReadFailed)
{
	return ReadGroom(std::move(path), bOutReadFailed, PlatformGroomReadRoute());
}

GroomData ReadGroom(std::string path, bool& bOutReadFailed, EGroomReadRoute route)
{
	GroomData groom;
	bOutReadFailed = false;
	// Outlives the archive and every sample read from it.
	std::ifstream file;
	if (route == EGroomReadRoute::Stream)
	{
		file.open(ToFileSystemPath(path), std::ios::binary);
	}
	try
	{
		// A file that cannot be opened is left to the library, which says so in its own words.
		const Alembic::Abc::IArchive archive =
		    file.is_open() ? Alembic::Abc::IArchive(Alembic::AbcCoreOgawa::ReadArchive(std::vector<std::istream*>{&file}), path,
		                                            Alembic::Abc::ErrorHandler::kThrowPolicy, Alembic::AbcCoreAbstract::ReadArraySampleCachePtr())
		                   : Alembic::Abc::IArchive(Alembic::AbcCoreOgawa::ReadArchive(), path, Alembic::Abc::ErrorHandler::kThrowPolicy,
		                                            Alembic::AbcCoreAbstract::ReadArraySampleCachePtr());
		if (!archive.valid())
		{
			LogMessage("Failed to open Alembic file: " + path + "\n");
			bOutReadFailed = true;
			return groom;
		}

		const std::optional<Alembic::AbcGeom::ICurves> curves = FindFirstCurves(archive.getTop());
		if (!curves)
		{
			return groom;
		}
		const Alembic::AbcGeom::ICurvesSchema schema = curves->getSchema();
		if (schema.getNumSamples() == 0)
		{
			return groom;
		}

		const ISampleSelector first(index_t(0));
		{
			const Alembic::Abc::P3fArraySamplePtr points = schema.getValue(first).getPositions();
			std::vector<float> positions;
			if (points)
			{
				positions.reserve(points->size() * 3);
				for (size_t i = 0; i < points->size(); ++i)
				{
					const V3f& p = (*points)[i];
					positions.push_back(p.x);
					positions.push_back(p.y);
					positions.push_back(p.z);
				}
			}
			groom.positions = std::move(positions);
		}
		{
			const Alembic::Abc::Int32ArraySamplePtr counts = schema.getValue(first).getCurvesNumVertices();
			std::vector<int32_t> vertexCounts;
			if (counts)
			{
				vertexCounts.assign(counts->get(), counts->get() + counts->size());
			}
			groom.vertexCounts = std::move(vertexCounts);
		}
		{
			const Alembic::AbcGeom::IFloatGeomParam widthsParam = schema.getWidthsParam();
			std::vector<float> widths;
			if (widthsParam.valid())
			{
				Alembic::AbcGeom::IFloatGeomParam::Sample sample;
				widthsParam.getExpanded(sample, first);
				if (const Alembic::Abc::FloatArraySamplePtr values = sample.getVals())
				{
					widths.assign(values->get(), values->get() + values->size());
				}
			}
			groom.widths = std::move(widths);
		}
		groom.groomColors = ReadVectorParam(schema, "groom_color");
		groom.surfaceNormals = ReadVectorParam(schema, "surface_normal");
	}
	catch (const std::exception& error)
	{
		LogMessage("Error reading Alembic file: " + NameTheFile(error.what(), path) + "\n");
		bOutReadFailed = true;
	}
	return groom;
}

void WriteGroom(std::string path, const GroomData& groom)
{
	WriteGroom(path, groom, path);
}

void WriteGroom(std::string path, const GroomData& groom, const std::string& announcedPath)
{
	const std::vector<V3f> points = ToVectors(groom.positions);
	const std::vector<V2f> uvs = MakeStrandUVs(groom);

	const Alembic::AbcGeom::OCurvesSchema::Sample sample(Alembic::Abc::P3fArraySample(points),
	                                                     Alembic::Abc::Int32ArraySample(groom.vertexCounts), Alembic::AbcGeom::kCubic, Alembic::AbcGeom::kNonPeriodic,
	                                                     Alembic::AbcGeom::OFloatGeomParam::Sample(Alembic::Abc::FloatArraySample(groom.widths), Alembic::AbcGeom::kVertexScope),
	                                                     Alembic::AbcGeom::OV2fGeomParam::Sample(Alembic::Abc::V2fArraySample(uvs), Alembic::AbcGeom::kVertexScope),
	                                                     Alembic::AbcGeom::ON3fGeomParam::Sample(), Alembic::AbcGeom::kBezierBasis, Alembic::Abc::FloatArraySample(),
	                                                     Alembic::Abc::UcharArraySample(), Alembic::Abc::FloatArraySample());

	std::cout << "writing to file: " << announcedPath << std::endl;

	FGroomFileSink sink;
	if (!sink.Open(path))
	{
		throw std::runtime_error("Could not open file: " + announcedPath + " (" + sink.GetReason() + ")");
	}
	std::string refusal;
	{
		std::ostream stream(&sink);
		try
		{
			// The archive is finished when it goes out of scope: its last blocks and the frozen byte are
			// written by destructors, into the sink, which takes them whatever the file does.
			Alembic::Abc::OArchive archive(Alembic::AbcCoreOgawa::WriteArchive()(&stream, Alembic::Abc::MetaData()), Alembic::Abc::kWrapExisting);
			Alembic::AbcGeom::OCurves curves(archive.getTop(), "groom");
			Alembic::Abc::OCompoundProperty arbGeomParams = curves.getSchema().getArbGeomParams();
			WriteVectorParam(arbGeomParams, groom.groomColors, "groom_color");
			WriteVectorParam(arbGeomParams, groom.surfaceNormals, "surface_normal");
			curves.getSchema().set(sample);
		}
		catch (const std::exception& error)
		{
			refusal = error.what();
		}
	}
	// A failed write is the cause of whatever else went wrong, so it is the one reported.
	if (!sink.Close())
	{
		throw std::runtime_error("Could not write file: " + announcedPath + " (" + sink.GetReason() + ")");
	}
	if (!refusal.empty())
	{
		throw std::runtime_error("Could not write file: " + announcedPath + " (" + refusal + ")");
	}
}
