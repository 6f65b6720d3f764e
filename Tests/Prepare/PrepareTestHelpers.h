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
	struct FCurvesSpec
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

	inline FCurvesSpec Lines(std::vector<std::vector<float>> Strands)
	{
		FCurvesSpec Spec;
		Spec.Strands = std::move(Strands);
		return Spec;
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

	// Writes one sample of Spec into Curves (the first sample writes the arbitrary params too).
	inline void SetCurves(OCurves& Curves, const FCurvesSpec& Spec)
	{
		std::vector<float> Flat;
		std::vector<int32_t> Counts;
		for (const std::vector<float>& Strand : Spec.Strands)
		{
			Flat.insert(Flat.end(), Strand.begin(), Strand.end());
			Counts.push_back(static_cast<int32_t>(Strand.size() / 3));
		}
		const std::vector<V3f> Points = AsVectors(Flat);
		std::vector<N3f> Normals;
		for (const V3f& N : AsVectors(Spec.Normals))
		{
			Normals.emplace_back(N.x, N.y, N.z);
		}
		OCurvesSchema& Schema = Curves.getSchema();
		const OFloatGeomParam::Sample Widths = Spec.Widths.empty() ? OFloatGeomParam::Sample() : OFloatGeomParam::Sample(FloatArraySample(Spec.Widths), Spec.WidthScope);
		const ON3fGeomParam::Sample NormalSample = Normals.empty() ? ON3fGeomParam::Sample() : ON3fGeomParam::Sample(N3fArraySample(Normals), Spec.NormalScope);
		Schema.set(OCurvesSchema::Sample(P3fArraySample(Points), Int32ArraySample(Counts), Spec.Type, Spec.Wrap, Widths, OV2fGeomParam::Sample(), NormalSample, Spec.Basis,
		                                 FloatArraySample(), UcharArraySample(Spec.Orders), FloatArraySample(Spec.Knots)));
	}

	inline void AddParams(OCurves& Curves, const FCurvesSpec& Spec)
	{
		OCompoundProperty Params = Curves.getSchema().getArbGeomParams();
		if (!Spec.ColourName.empty())
		{
			if (Spec.bVectorColour)
			{
				OV3fGeomParam Colour(Params, Spec.ColourName, false, Spec.ColourScope, 1);
				const std::vector<V3f> Values = AsVectors(Spec.Colours);
				Colour.set(OV3fGeomParam::Sample(V3fArraySample(Values), Spec.ColourScope));
			}
			else
			{
				OC3fGeomParam Colour(Params, Spec.ColourName, false, Spec.ColourScope, 1);
				std::vector<C3f> Values;
				for (const V3f& C : AsVectors(Spec.Colours))
				{
					Values.emplace_back(C.x, C.y, C.z);
				}
				Colour.set(OC3fGeomParam::Sample(C3fArraySample(Values), Spec.ColourScope));
			}
		}
		if (!Spec.ExtraFloatName.empty())
		{
			OFloatGeomParam Extra(Params, Spec.ExtraFloatName, false, kVertexScope, 1);
			std::vector<float> Values(Spec.Strands.empty() ? 0 : Spec.Strands[0].size() / 3, 0.5f);
			Extra.set(OFloatGeomParam::Sample(FloatArraySample(Values), kVertexScope));
		}
	}

	inline OCurves AddCurves(OObject Parent, const std::string& Name, const FCurvesSpec& Spec, uint32_t TimeSampling = 0)
	{
		OCurves Curves(Parent, Name, TimeSampling);
		AddParams(Curves, Spec);
		SetCurves(Curves, Spec);
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
