#pragma once

#include "GroomPrepare.h"
#include "TestPaths.h"
#include "alembicIO.h"

#include <Alembic/AbcCoreOgawa/All.h>
#include <Alembic/AbcGeom/All.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

// Small DCC-like groom files made with Alembic's writer, and what a preparation of them gives.
namespace PrepareTest
{
	using namespace Alembic::AbcGeom;

	// One curves object as a DCC tool writes it. Attributes left empty are not written.
	struct FCurvesRecipe
	{
		// Each strand's points as x, y, z triples.
		std::vector<std::vector<float>> Strands;
		CurveType Type = kLinear;
		CurvePeriodicity Wrap = kNonPeriodic;
		BasisType Basis = kNoBasis;
		std::vector<float> Normals;
		GeometryScope NormalScope = kUniformScope;
		// An arbitrary C3f param ("Cd", "color", ...); V3f with interpretation "vector" when bVectorColour.
		std::string ColourName;
		std::vector<float> Colours;
		GeometryScope ColourScope = kUniformScope;
		bool bVectorColour = false;
		std::vector<float> Widths;
		GeometryScope WidthScope = kVertexScope;
		std::vector<float> Knots;
		std::vector<uint8_t> Orders;
		// A float param the groom has no place for.
		std::string ExtraFloatName;
	};

	inline FCurvesRecipe Lines(std::vector<std::vector<float>> Strands)
	{
		FCurvesRecipe Recipe;
		Recipe.Strands = std::move(Strands);
		return Recipe;
	}

	inline std::vector<V3f> AsVectors(const std::vector<float>& Flat)
	{
		std::vector<V3f> Vectors;
		for (size_t I = 0; I + 2 < Flat.size(); I += 3)
		{
			Vectors.emplace_back(Flat[I], Flat[I + 1], Flat[I + 2]);
		}
		return Vectors;
	}

	// Writes one sample of Recipe into Curves (the first sample writes the arbitrary params too).
	inline void SetCurves(OCurves& Curves, const FCurvesRecipe& Recipe)
	{
		std::vector<float> Flat;
		std::vector<int32_t> Counts;
		for (const std::vector<float>& Strand : Recipe.Strands)
		{
			Flat.insert(Flat.end(), Strand.begin(), Strand.end());
			Counts.push_back(static_cast<int32_t>(Strand.size() / 3));
		}
		const std::vector<V3f> Points = AsVectors(Flat);
		std::vector<N3f> Normals;
		for (const V3f& N : AsVectors(Recipe.Normals))
		{
			Normals.emplace_back(N.x, N.y, N.z);
		}
		OCurvesSchema& Schema = Curves.getSchema();
		const OFloatGeomParam::Sample Widths = Recipe.Widths.empty() ? OFloatGeomParam::Sample() : OFloatGeomParam::Sample(FloatArraySample(Recipe.Widths), Recipe.WidthScope);
		const ON3fGeomParam::Sample NormalSample = Normals.empty() ? ON3fGeomParam::Sample() : ON3fGeomParam::Sample(N3fArraySample(Normals), Recipe.NormalScope);
		Schema.set(OCurvesSchema::Sample(P3fArraySample(Points), Int32ArraySample(Counts), Recipe.Type, Recipe.Wrap, Widths, OV2fGeomParam::Sample(), NormalSample, Recipe.Basis,
		                                 FloatArraySample(), UcharArraySample(Recipe.Orders), FloatArraySample(Recipe.Knots)));
	}

	inline void AddParams(OCurves& Curves, const FCurvesRecipe& Recipe)
	{
		OCompoundProperty Params = Curves.getSchema().getArbGeomParams();
		if (!Recipe.ColourName.empty())
		{
			if (Recipe.bVectorColour)
			{
				OV3fGeomParam Colour(Params, Recipe.ColourName, false, Recipe.ColourScope, 1);
				const std::vector<V3f> Values = AsVectors(Recipe.Colours);
				Colour.set(OV3fGeomParam::Sample(V3fArraySample(Values), Recipe.ColourScope));
			}
			else
			{
				OC3fGeomParam Colour(Params, Recipe.ColourName, false, Recipe.ColourScope, 1);
				std::vector<C3f> Values;
				for (const V3f& C : AsVectors(Recipe.Colours))
				{
					Values.emplace_back(C.x, C.y, C.z);
				}
				Colour.set(OC3fGeomParam::Sample(C3fArraySample(Values), Recipe.ColourScope));
			}
		}
		if (!Recipe.ExtraFloatName.empty())
		{
			OFloatGeomParam Extra(Params, Recipe.ExtraFloatName, false, kVertexScope, 1);
			std::vector<float> Values(Recipe.Strands.empty() ? 0 : Recipe.Strands[0].size() / 3, 0.5f);
			Extra.set(OFloatGeomParam::Sample(FloatArraySample(Values), kVertexScope));
		}
	}

	inline OCurves AddCurves(OObject Parent, const std::string& Name, const FCurvesRecipe& Recipe, uint32_t TimeSampling = 0)
	{
		OCurves Curves(Parent, Name, TimeSampling);
		AddParams(Curves, Recipe);
		SetCurves(Curves, Recipe);
		return Curves;
	}

	inline OXform AddXform(OObject Parent, const std::string& Name, XformSample Sample)
	{
		OXform Xform(Parent, Name);
		Xform.getSchema().set(Sample);
		return Xform;
	}

	inline XformSample Translate(double X, double Y, double Z)
	{
		XformSample Sample;
		Sample.setTranslation(V3d(X, Y, Z));
		return Sample;
	}

	inline XformSample ScaleBy(double X, double Y, double Z)
	{
		XformSample Sample;
		Sample.setScale(V3d(X, Y, Z));
		return Sample;
	}

	// Writes an Ogawa archive at Path; Build gets its top object and the archive (for time samplings).
	inline void WriteAbc(const std::filesystem::path& Path, const std::function<void(OObject, OArchive&)>& Build)
	{
		OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive(), Path.string());
		Build(Archive.getTop(), Archive);
	}

	struct FPrepared
	{
		bool bOk = false;
		GroomData Groom;
		GroomPrepare::FPrepareReport Report;
	};

	inline FPrepared Prepare(const std::filesystem::path& Path, const GroomPrepare::FPrepareOptions& Options = GroomPrepare::FPrepareOptions())
	{
		FPrepared Result;
		Result.bOk = GroomPrepare::PrepareGroomRecord(Path.string(), Options, Result.Groom, Result.Report);
		return Result;
	}

	inline bool HasLine(const std::vector<std::string>& Lines, const std::string& Part)
	{
		return std::any_of(Lines.begin(), Lines.end(), [&](const std::string& Line)
		                   { return Line.find(Part) != std::string::npos; });
	}

	inline std::string Joined(const std::vector<std::string>& Lines)
	{
		std::string Text;
		for (const std::string& Line : Lines)
		{
			Text += "\n  " + Line;
		}
		return Text;
	}

	// A file's bytes, and the Ogawa container's blocks and slots in them: damaged copies are made by
	// finding a block by what it holds and the one slot that names it, never by a fixed offset.
	inline std::string ReadBytes(const std::filesystem::path& Path)
	{
		std::ifstream In(Path, std::ios::binary);
		return std::string((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
	}

	inline void WriteBytes(const std::filesystem::path& Path, const std::string& Bytes)
	{
		std::ofstream(Path, std::ios::binary | std::ios::trunc) << Bytes;
	}

	// Slot values with this bit name data blocks; the bit alone is the empty data block.
	constexpr uint64_t OgawaDataBit = uint64_t(1) << 63;

	template<typename T>
	std::string PodBytes(const std::vector<T>& Values)
	{
		return std::string(reinterpret_cast<const char*>(Values.data()), Values.size() * sizeof(T));
	}

	inline uint64_t LoadU64(const std::string& Bytes, size_t At)
	{
		uint64_t Value = 0;
		std::memcpy(&Value, Bytes.data() + At, sizeof(Value));
		return Value;
	}

	inline void StoreU64(std::string& Bytes, size_t At, uint64_t Value)
	{
		std::memcpy(Bytes.data() + At, &Value, sizeof(Value));
	}

	inline std::vector<size_t> FindAll(const std::string& Bytes, const std::string& Needle)
	{
		std::vector<size_t> Found;
		for (size_t At = Bytes.find(Needle); At != std::string::npos; At = Bytes.find(Needle, At + 1))
		{
			Found.push_back(At);
		}
		return Found;
	}

	// The position of the one sample data block (its size, a 16-byte key, then Payload), or npos when no
	// block or more than one holds it.
	inline size_t FindSampleBlock(const std::string& Bytes, const std::string& Payload)
	{
		std::vector<size_t> Blocks;
		for (const size_t At : FindAll(Bytes, Payload))
		{
			if (At >= 24 && LoadU64(Bytes, At - 24) == 16 + Payload.size())
			{
				Blocks.push_back(At - 24);
			}
		}
		return Blocks.size() == 1 ? Blocks[0] : std::string::npos;
	}

	// The position of the one slot naming the data block at Block as the data of an array property's
	// only sample (a group of two slots: the data, then empty dimensions), or npos.
	inline size_t FindOnlyArraySampleSlot(const std::string& Bytes, size_t Block)
	{
		std::string Slot(8, '\0');
		StoreU64(Slot, 0, Block | OgawaDataBit);
		const std::vector<size_t> Slots = FindAll(Bytes, Slot);
		if (Slots.size() != 1 || Slots[0] < 8 || Slots[0] + 16 > Bytes.size() || LoadU64(Bytes, Slots[0] - 8) != 2 || LoadU64(Bytes, Slots[0] + 8) != OgawaDataBit)
		{
			return std::string::npos;
		}
		return Slots[0];
	}

	// Appends a dimensions block of one extent and returns its slot value.
	inline uint64_t AppendDimensions(std::string& Bytes, uint64_t Extent)
	{
		const uint64_t At = Bytes.size();
		Bytes.append(16, '\0');
		StoreU64(Bytes, At, 8);
		StoreU64(Bytes, At + 8, Extent);
		return At | OgawaDataBit;
	}

	inline bool HasDrop(const GroomPrepare::FPrepareReport& Report, const std::string& Path, GroomPrepare::EDropKind Kind)
	{
		return std::any_of(Report.Dropped.begin(), Report.Dropped.end(),
		                   [&](const GroomPrepare::FDropped& Dropped)
		                   { return Dropped.ObjectPath == Path && Dropped.Kind == Kind; });
	}
}

#define EXPECT_TRIPLE_NEAR(Values, Index, X, Y, Z, Tolerance)     \
	do                                                            \
	{                                                             \
		EXPECT_NEAR((Values)[3 * (Index)], (X), (Tolerance));     \
		EXPECT_NEAR((Values)[3 * (Index) + 1], (Y), (Tolerance)); \
		EXPECT_NEAR((Values)[3 * (Index) + 2], (Z), (Tolerance)); \
	} while (0)
