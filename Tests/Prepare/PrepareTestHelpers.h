#pragma once

#include "GroomPrepare.h"
#include "TestPaths.h"
#include "alembicIO.h"

#include <Alembic/AbcCoreOgawa/All.h>
#include <Alembic/AbcGeom/All.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
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
