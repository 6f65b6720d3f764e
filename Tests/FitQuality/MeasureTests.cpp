#include "FitQualityTestHelpers.h"

#include <algorithm>
#include <cmath>
#include <random>

using namespace FitQualityTest;
using GroomFitting::FFitReport;

namespace
{
	using Measure = FitQualityWorld;

	// The box's own closed form: distance to its surface and whether a point is strictly inside.
	double BoxDistance(const FVector& P, const FVector& Half)
	{
		const FVector Q(std::abs(P.X) - Half.X, std::abs(P.Y) - Half.Y, std::abs(P.Z) - Half.Z);
		const FVector Outside(FMath::Max(Q.X, 0.0), FMath::Max(Q.Y, 0.0), FMath::Max(Q.Z, 0.0));
		return Outside.Size() + FMath::Min(Q.GetMax(), 0.0) * -1.0;
	}
}

TEST_F(Measure, FiguresAgreeWithABruteForceCountOnABox)
{
	const FVector Half(2, 3, 4);
	const FVector Placement(10, -5, 7);
	const auto Query = this->Query(Place(Box(FVector3f(Half)), FTransform(Placement)));
	ASSERT_TRUE(Query);
	std::mt19937 Random(23);
	std::uniform_real_distribution<double> Coordinate(-6.0, 6.0);
	GroomData Groom;
	std::vector<double> RootDistances;
	int64 Inside = 0, StrandsInside = 0, OnSurface = 0;
	for (int32 Strand = 0; Strand < 300; ++Strand)
	{
		FVector Root(Coordinate(Random), Coordinate(Random), Coordinate(Random));
		// Every third root exactly on the +X face.
		if (Strand % 3 == 0)
		{
			Root.X = Half.X;
			Root.Y = FMath::Clamp(Root.Y, -Half.Y, Half.Y);
			Root.Z = FMath::Clamp(Root.Z, -Half.Z, Half.Z);
		}
		const FVector Step(Coordinate(Random) * 0.2, Coordinate(Random) * 0.2, Coordinate(Random) * 0.2);
		AddStrand(Groom, Root, Step, 5);
		bool bStrandInside = false;
		for (int32 Index = 0; Index < 5; ++Index)
		{
			const FVector P = FVector(Point(Groom, static_cast<int32>(Groom.positions.size() / 3) - 5 + Index));
			const double Distance = BoxDistance(P, Half);
			const bool bInside = std::abs(P.X) < Half.X && std::abs(P.Y) < Half.Y && std::abs(P.Z) < Half.Z && Distance > GroomFitting::DefaultSurfaceTolerance;
			Inside += bInside ? 1 : 0;
			bStrandInside = bStrandInside || bInside;
			if (Index == 0)
			{
				RootDistances.push_back(Distance);
				OnSurface += Distance <= GroomFitting::DefaultSurfaceTolerance ? 1 : 0;
			}
		}
		StrandsInside += bStrandInside ? 1 : 0;
	}
	FFitReport Report;
	FString Error;
	ASSERT_TRUE(GroomFitting::MeasureGroom(Groom, *Query, Placement, GroomFitting::DefaultSurfaceTolerance, Report, Error)) << TCHAR_TO_UTF8(*Error);
	EXPECT_EQ(Report.Strands, 300);
	EXPECT_EQ(Report.Points, 1500);
	EXPECT_EQ(Report.PointsInside, Inside);
	EXPECT_EQ(Report.StrandsInside, StrandsInside);
	EXPECT_EQ(Report.RootsOnSurface, OnSurface);
	EXPECT_EQ(Report.RootsOnSurface + Report.RootsOffSurface, 300);
	std::sort(RootDistances.begin(), RootDistances.end());
	EXPECT_EQ(Report.RootDistance.Count, 300);
	EXPECT_NEAR(Report.RootDistance.Min, RootDistances.front(), 1e-5);
	EXPECT_NEAR(Report.RootDistance.Median, RootDistances[149], 1e-5);
	EXPECT_NEAR(Report.RootDistance.Max, RootDistances.back(), 1e-5);
	EXPECT_FALSE(Report.bAfterFit);
}

TEST_F(Measure, ARootExactlyAtTheToleranceIsOnTheSurface)
{
	const auto Query = this->Query(Place(Host::BuildPlane(10.f)));
	ASSERT_TRUE(Query);
	const float AtTolerance = 0.001f;
	const float Beyond = std::nextafter(AtTolerance, 1.f);
	GroomData Groom = MakeGroom({{{0.25f, 0.5f, AtTolerance}, {0.25f, 0.5f, 2.f}}, {{-1.5f, 2.25f, -AtTolerance}}, {{3.f, -2.f, Beyond}}});
	FFitReport Report;
	FString Error;
	ASSERT_TRUE(GroomFitting::MeasureGroom(Groom, *Query, FVector::ZeroVector, static_cast<double>(AtTolerance), Report, Error)) << TCHAR_TO_UTF8(*Error);
	EXPECT_EQ(Report.RootsOnSurface, 2);
	EXPECT_EQ(Report.RootsOffSurface, 1);
	EXPECT_EQ(Report.RootDistance.Max, static_cast<double>(Beyond));
}

// A point past the root is on the surface within the tolerance, and inside beyond it: the band between one
// and two tolerances deep, where the nearest surface point is still looked for, is inside.
TEST_F(Measure, PointsPastTheRootMoreThanTheToleranceDeepAreInside)
{
	const FVector Placement(10, -5, 7);
	const auto Query = this->Query(Place(Box(FVector3f(2, 3, 4)), FTransform(Placement)));
	ASSERT_TRUE(Query);
	const double Tolerance = 0.01;
	// Depths below the +X face (x = 2) and the -Z face (z = -4), in tolerances.
	const auto BelowX = [&](double Depth, float Y)
	{
		return FVector3f(static_cast<float>(2.0 - Depth * Tolerance), Y, 1.f);
	};
	const auto AboveMinusZ = [&](double Depth, float X)
	{
		return FVector3f(X, -1.f, static_cast<float>(-4.0 + Depth * Tolerance));
	};
	// Roots on the surface and off it, then points 1.5 and 0.5 tolerances deep, and one well inside.
	const GroomData Groom = MakeGroom({{FVector3f(2, 0, 1), BelowX(1.5, 0.f), BelowX(0.5, 0.1f), BelowX(100.0, 0.2f)},
	                                   {FVector3f(0.5f, -1, -5), AboveMinusZ(0.5, 0.5f), AboveMinusZ(1.5, 0.6f)},
	                                   {FVector3f(2, 2, 1), BelowX(0.5, 2.f), BelowX(0.9, 2.1f)}});
	FFitReport Report;
	FString Error;
	ASSERT_TRUE(GroomFitting::MeasureGroom(Groom, *Query, Placement, Tolerance, Report, Error)) << TCHAR_TO_UTF8(*Error);
	EXPECT_EQ(Report.RootsOnSurface, 2);
	EXPECT_EQ(Report.RootsOffSurface, 1);
	EXPECT_EQ(Report.PointsInside, 3);
	EXPECT_EQ(Report.StrandsInside, 2);
}

TEST_F(Measure, AGroomWithoutStrandsHasEmptyFigures)
{
	const auto Query = this->Query(Place(Box()));
	FFitReport Report;
	FString Error;
	ASSERT_TRUE(GroomFitting::MeasureGroom(GroomData(), *Query, FVector::ZeroVector, 0.01, Report, Error));
	EXPECT_EQ(Report.Strands, 0);
	EXPECT_EQ(Report.RootDistance.Count, 0);
	EXPECT_EQ(Report.RootDistance.Max, 0.0);
	EXPECT_EQ(Report.SurfaceTolerance, 0.01);
}

// A point that is no number lies inside nothing, and a root that is none is neither on the surface nor off
// it: they are counted, and the rest of the groom is measured.
TEST_F(Measure, PointsThatAreNoNumberAreCountedAndPassedBy)
{
	const auto Query = this->Query(Place(Box()));
	const float NaN = std::numeric_limits<float>::quiet_NaN();
	GroomData Groom = MakeGroom({{FVector3f(0, 0, 1), FVector3f(0, NaN, 0), FVector3f(0, 0, 0.5f)}, {FVector3f(NaN, 0, 0), FVector3f(0, 0, 0)}});
	FFitReport Report;
	FString Error;
	ASSERT_TRUE(GroomFitting::MeasureGroom(Groom, *Query, FVector::ZeroVector, 0.01, Report, Error)) << TCHAR_TO_UTF8(*Error);
	EXPECT_EQ(Report.PointsNotFinite, 2);
	EXPECT_EQ(Report.RootsOnSurface, 1);
	EXPECT_EQ(Report.RootsOffSurface, 0);
	EXPECT_EQ(Report.PointsInside, 2);
	EXPECT_EQ(Report.StrandsInside, 2);
}

TEST_F(Measure, BadGroomsAreRefusedWithTheReason)
{
	const auto Query = this->Query(Place(Box()));
	FFitReport Report;
	Report.Strands = 77;
	FString Error;
	GroomData Short = MakeGroom({{FVector3f(0, 0, 2), FVector3f(0, 0, 3)}});
	Short.vertexCounts = {3};
	EXPECT_FALSE(GroomFitting::MeasureGroom(Short, *Query, FVector::ZeroVector, 0.01, Report, Error));
	EXPECT_NE(Error.Find(TEXT("add up to 3 points but the groom holds 2")), INDEX_NONE) << TCHAR_TO_UTF8(*Error);

	Short.vertexCounts = {-1};
	EXPECT_FALSE(GroomFitting::MeasureGroom(Short, *Query, FVector::ZeroVector, 0.01, Report, Error));
	EXPECT_NE(Error.Find(TEXT("negative point count")), INDEX_NONE) << TCHAR_TO_UTF8(*Error);

	EXPECT_FALSE(GroomFitting::MeasureGroom(GroomData(), *Query, FVector(std::numeric_limits<double>::infinity(), 0, 0), 0.01, Report, Error));
	// A refused groom leaves the report as it was.
	EXPECT_EQ(Report.Strands, 77);
}
