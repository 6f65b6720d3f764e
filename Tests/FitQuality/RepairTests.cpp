#include "CheckedGroomWrites.h"
#include "FitQualityTestHelpers.h"
#include "GroomFitting.h"
#include "Host/Log.h"
#include "TestPaths.h"

#include <cmath>
#include <fstream>
#include <iterator>

using namespace FitQualityTest;
using GroomFitting::FFitOptions;
using GroomFitting::FFitReport;

namespace
{
	class Repairs : public FitQualityWorld
	{
	protected:
		UStaticMeshComponent* Head = nullptr;

		void SetUp() override { Head = Place(Sphere(10.f)); }

		FFitReport Measure(const GroomData& Groom, const FVector& Placement = FVector::ZeroVector)
		{
			FFitReport Report;
			FString Error;
			const auto Query = this->Query(Head);
			EXPECT_TRUE(GroomFitting::MeasureGroom(Groom, *Query, Placement, GroomFitting::DefaultSurfaceTolerance, Report, Error))
			    << TCHAR_TO_UTF8(*Error);
			return Report;
		}

		static FFitOptions AllOn()
		{
			FFitOptions Options;
			Options.bSnapMissesToNearest = true;
			Options.bOrientToSurface = true;
			Options.bResolvePenetration = true;
			return Options;
		}
	};

	// Strands on a ring around the sphere's equator, roots RootRadius from its centre, each point Step
	// further along the strand's own normal (outward: positive Step).
	GroomData RingGroom(int32 Strands, double RootRadius, double Step, int32 Points)
	{
		GroomData Groom;
		for (int32 Strand = 0; Strand < Strands; ++Strand)
		{
			const double Angle = 2.0 * UE_DOUBLE_PI * (Strand + 0.25) / Strands;
			const FVector Normal(std::cos(Angle), std::sin(Angle), 0.1);
			const FVector Unit = Normal.GetSafeNormal();
			AddStrand(Groom, Unit * RootRadius, Unit * Step, Points);
			Groom.surfaceNormals.insert(Groom.surfaceNormals.end(), {static_cast<float>(Unit.X), static_cast<float>(Unit.Y), static_cast<float>(Unit.Z)});
		}
		return Groom;
	}
}

TEST_F(Repairs, WithEveryOptionOffTheFitIsThePlainOne)
{
	GroomData Groom = RingGroom(16, 11.0, 0.5, 4);
	// Two strays beyond the trace's reach.
	AddStrand(Groom, FVector(0, 0, 30), FVector(0, 0, 1), 3);
	AddStrand(Groom, FVector(0, 40, 0), FVector(0, 1, 0), 3);
	Groom.surfaceNormals.insert(Groom.surfaceNormals.end(), {0, 0, 1, 0, 1, 0});
	GroomData Plain = Groom;
	ASSERT_TRUE(GroomFitting::FitRecord(Plain, Head, FVector::ZeroVector, FVector::ZeroVector));
	FFitReport Report;
	ASSERT_TRUE(GroomFitting::FitRecord(Groom, Head, FVector::ZeroVector, FVector::ZeroVector, FFitOptions(), nullptr, &Report));
	EXPECT_EQ(Groom.positions, Plain.positions);
	EXPECT_TRUE(Report.bAfterFit);
	EXPECT_EQ(Report.Hits, 16);
	EXPECT_EQ(Report.Misses, 2);
	EXPECT_EQ(Report.MissesSnapped + Report.StrandsOriented + Report.PointsResolved, 0);
	EXPECT_EQ(Report.Displacement.Count, 18);
	EXPECT_EQ(Report.Displacement.Min, 0.0);
	EXPECT_NEAR(Report.Displacement.Max, 1.0, 0.035);
}

TEST_F(Repairs, StraysFarOffTheHeadAreSnappedToTheNearestSurfacePointAndMoveRigidly)
{
	GroomData Groom = RingGroom(8, 10.5, 0.5, 4);
	AddStrand(Groom, FVector(0, 0, 30), FVector(1, 0, 0), 3);
	AddStrand(Groom, FVector(0, -25, 0), FVector(0, 0, 1), 3);
	Groom.surfaceNormals.insert(Groom.surfaceNormals.end(), {0, 0, 1, 0, -1, 0});
	EXPECT_EQ(Measure(Groom).RootsOffSurface, 10);

	FFitOptions Options;
	Options.bSnapMissesToNearest = true;
	FFitReport Report;
	ASSERT_TRUE(GroomFitting::FitRecord(Groom, Head, FVector::ZeroVector, FVector::ZeroVector, Options, nullptr, &Report));
	EXPECT_EQ(Report.Misses, 2);
	EXPECT_EQ(Report.MissesSnapped, 2);
	EXPECT_NEAR(Report.Displacement.Max, 20.0, 0.01);
	// The stray above the pole lands on it, its shape kept.
	EXPECT_TRUE(Point(Groom, 32).Equals(FVector(0, 0, 10), 1e-5)) << TCHAR_TO_UTF8(*Point(Groom, 32).ToString());
	EXPECT_TRUE((Point(Groom, 34) - Point(Groom, 32)).Equals(FVector(2, 0, 0), 1e-5));
	EXPECT_NEAR(Point(Groom, 35).Size(), 10.0, 0.03);

	const FFitReport After = Measure(Groom);
	EXPECT_EQ(After.RootsOffSurface, 0);
	EXPECT_EQ(After.RootsOnSurface, 10);
	EXPECT_LT(After.RootDistance.Max, 1e-5);
}

// A miss is snapped from its root where the groom places it in the world (Origin + root), onto a surface
// point that the strand, stored about the actor, then reaches from ActorLocation: three different places.
TEST_F(Repairs, MissesAreSnappedFromWhereTheOriginPlacesThemAndStoredAboutTheActor)
{
	const FVector Centre(40, -30, 15);
	const FVector ActorLocation(5, 7, -3);
	UStaticMeshComponent* Moved = Place(Sphere(10.f), FTransform(Centre));
	GroomData Groom;
	AddStrand(Groom, FVector(0, 0, 30), FVector(1, 0, 0), 3);
	AddStrand(Groom, FVector(0, -25, 0), FVector(0, 0, 1), 3);
	Groom.surfaceNormals = {0, 0, 1, 0, -1, 0};

	FFitOptions Options;
	Options.bSnapMissesToNearest = true;
	FFitReport Report;
	ASSERT_TRUE(GroomFitting::FitRecord(Groom, Moved, Centre, ActorLocation, Options, nullptr, &Report));
	EXPECT_EQ(Report.Misses, 2);
	EXPECT_EQ(Report.MissesSnapped, 2);
	// In the world, above the pole and off the -Y side of the sphere: nearest its pole and its equator.
	const FVector Pole = Centre + FVector(0, 0, 10);
	const FVector Side = Centre + FVector(0, -10, 0);
	EXPECT_TRUE((ActorLocation + Point(Groom, 0)).Equals(Pole, 1e-4)) << TCHAR_TO_UTF8(*(ActorLocation + Point(Groom, 0)).ToString());
	EXPECT_TRUE((ActorLocation + Point(Groom, 3)).Equals(Side, 1e-4)) << TCHAR_TO_UTF8(*(ActorLocation + Point(Groom, 3)).ToString());
	// Moved rigidly.
	EXPECT_TRUE((Point(Groom, 2) - Point(Groom, 0)).Equals(FVector(2, 0, 0), 1e-4));
	EXPECT_TRUE((Point(Groom, 5) - Point(Groom, 3)).Equals(FVector(0, 0, 2), 1e-4));
	// Placed at the actor, both roots lie on the surface.
	FFitReport After;
	FString Error;
	ASSERT_TRUE(GroomFitting::MeasureGroom(Groom, *Query(Moved), ActorLocation, GroomFitting::DefaultSurfaceTolerance, After, Error)) << TCHAR_TO_UTF8(*Error);
	EXPECT_EQ(After.RootsOnSurface, 2);
}

TEST_F(Repairs, OrientationTurnsAStrandGrownAlongItsNormalToGrowAlongTheSurfaceNormal)
{
	// Grown along a tilted normal; the trace meets the sphere near its pole, where the surface faces +Z,
	// inside a facet rather than on an edge between two.
	GroomData Groom;
	const FVector Normal(0.6, 0.1, 0.8);
	AddStrand(Groom, FVector(0, 0, 10.5), Normal.GetSafeNormal(), 5);
	Groom.surfaceNormals = {0.6f, 0.1f, 0.8f};
	FFitOptions Options;
	Options.bOrientToSurface = true;
	Options.OrientFalloff = 0.0;
	FFitReport Report;
	ASSERT_TRUE(GroomFitting::FitRecord(Groom, Head, FVector::ZeroVector, FVector::ZeroVector, Options, nullptr, &Report));
	EXPECT_EQ(Report.StrandsOriented, 1);
	const FVector Root = Point(Groom, 0);
	EXPECT_NEAR(Root.Size(), 10.0, 0.03);
	FVector Nearest, SurfaceNormal;
	ASSERT_TRUE(Query(Head)->NearestPoint(Root, Nearest, SurfaceNormal));
	for (int32 Index = 1; Index < 5; ++Index)
	{
		const FVector Offset = Point(Groom, Index) - Root;
		EXPECT_NEAR(Offset.Size(), Index, 1e-5);
		EXPECT_TRUE(Offset.GetSafeNormal().Equals(SurfaceNormal, 1e-5)) << TCHAR_TO_UTF8(*Offset.ToString());
	}
	// The facet under the root faces as the true sphere does there, to the tessellation.
	EXPECT_GT(SurfaceNormal | Root.GetSafeNormal(), 0.999);
}

TEST_F(Repairs, SphericalFitsTurnTheDirectionFromTheOriginOntoTheSurfaceNormal)
{
	// The head sits below the groom's origin, so rays from the origin meet it at a slant.
	Head = Place(Sphere(10.f), FTransform(FVector(0, 0, -5)));
	GroomData Groom;
	const FVector Direction = FVector(1, 0, 0.5).GetSafeNormal();
	AddStrand(Groom, Direction * 2.0, Direction, 4);
	FFitOptions Options;
	Options.bOrientToSurface = true;
	Options.OrientFalloff = 0.0;
	FFitReport Report;
	ASSERT_TRUE(GroomFitting::FitRecord(Groom, Head, FVector::ZeroVector, FVector::ZeroVector, Options, nullptr, &Report));
	EXPECT_EQ(Report.StrandsOriented, 1);
	const FVector Root = Point(Groom, 0);
	const FVector Expected = (Root - FVector(0, 0, -5)).GetSafeNormal();
	const FVector Grown = (Point(Groom, 3) - Root).GetSafeNormal();
	EXPECT_GT(Grown | Expected, 0.999) << TCHAR_TO_UTF8(*Grown.ToString());
	EXPECT_LT(Grown | Direction, 0.99);
}

TEST_F(Repairs, AGroomSunkIntoTheHeadIsTurnedOutKeepingItsPointsInOrder)
{
	// Rooted outside, grown inward: after the fit every point but the root is inside.
	GroomData Groom = RingGroom(12, 10.5, -0.8, 6);
	GroomData Sunk = Groom;
	ASSERT_TRUE(GroomFitting::FitRecord(Sunk, Head, FVector::ZeroVector, FVector::ZeroVector));
	const FFitReport Before = Measure(Sunk);
	EXPECT_EQ(Before.PointsInside, 12 * 5);
	EXPECT_EQ(Before.StrandsInside, 12);

	FFitOptions Options;
	Options.bResolvePenetration = true;
	Options.PenetrationOffset = 0.25;
	FFitReport Report;
	ASSERT_TRUE(GroomFitting::FitRecord(Groom, Head, FVector::ZeroVector, FVector::ZeroVector, Options, nullptr, &Report));
	EXPECT_GE(Report.PointsResolved, 12);
	const FFitReport After = Measure(Groom);
	EXPECT_EQ(After.PointsInside, 0);
	EXPECT_EQ(After.StrandsInside, 0);
	EXPECT_EQ(After.RootsOffSurface, 0);
	for (int32 Index = 0; Index < 12 * 6; ++Index)
	{
		const int32 Root = Index - Index % 6;
		if (Index == Root)
		{
			EXPECT_EQ(Point(Groom, Index), Point(Sunk, Index));
			continue;
		}
		// Turned about its root, still straight: each point further along one line out of the root, which
		// now runs along the surface rather than into it.
		const FVector Along = Point(Groom, Index) - Point(Groom, Root);
		EXPECT_NEAR(Along.Size(), 0.8 * (Index - Root), 1e-4) << Index;
		EXPECT_GT(Along.GetSafeNormal() | (Point(Groom, Root + 1) - Point(Groom, Root)).GetSafeNormal(), 0.99999) << Index;
		EXPECT_LT(FMath::Abs(Along.GetSafeNormal() | Point(Groom, Root).GetSafeNormal()), 0.3) << Index;
	}
}

TEST_F(Repairs, EveryOptionOnLeavesNoMissAndNoPointInside)
{
	GroomData Groom = RingGroom(24, 11.0, -0.7, 8);
	AddStrand(Groom, FVector(3, 4, 40), FVector(0, 0, -1), 8);
	AddStrand(Groom, FVector(-2, 0, -30), FVector(0, 0, 1), 8);
	Groom.surfaceNormals.insert(Groom.surfaceNormals.end(), {0, 0, 1, 0, 0, -1});
	const FFitReport Before = Measure(Groom);
	FFitReport Report;
	ASSERT_TRUE(GroomFitting::FitRecord(Groom, Head, FVector::ZeroVector, FVector::ZeroVector, AllOn(), nullptr, &Report));
	EXPECT_EQ(Report.Misses, 2);
	EXPECT_EQ(Report.MissesSnapped, 2);
	EXPECT_EQ(Report.StrandsOriented, 26);
	const FFitReport After = Measure(Groom);
	EXPECT_EQ(After.RootsOnSurface, 26);
	EXPECT_EQ(After.PointsInside, 0);
	EXPECT_EQ(Before.RootsOnSurface, 0);
}

TEST_F(Repairs, PointsNoWayOutLeavesAreCountedInsideByTheFitsOwnReport)
{
	// A small open bowl within a large one: out of the small bowl is still in the large one's half ball.
	Host::FMeshData Bowls;
	for (const Host::FMeshData& Ball : {Sphere(4.f), Sphere(10.f, 24, 48)})
	{
		for (int32 Triangle = 0; Triangle < Ball.NumTriangles(); ++Triangle)
		{
			float CentreZ = 0.f;
			for (int32 Corner = 0; Corner < 3; ++Corner)
			{
				CentreZ += Ball.Positions[static_cast<int32>(Ball.Indices[3 * Triangle + Corner])].Z;
			}
			for (int32 Corner = 0; Corner < 3 && CentreZ > 0.f; ++Corner)
			{
				Bowls.Indices.Add(static_cast<uint32>(Bowls.Positions.Add(Ball.Positions[static_cast<int32>(Ball.Indices[3 * Triangle + Corner])])));
			}
		}
	}
	UStaticMeshComponent* Nested = Place(Bowls);
	// Rooted on the small bowl's top (where the trace from the origin meets it), grown down into it.
	GroomData Groom = MakeGroom({{{0.f, 0.f, 4.f}, {0.f, 0.f, 3.5f}, {0.f, 0.f, 3.f}, {0.f, 0.f, 2.5f}}});
	FFitOptions Options;
	Options.bResolvePenetration = true;
	Options.PenetrationOffset = 0.5;
	FFitReport Report;
	ASSERT_TRUE(GroomFitting::FitRecord(Groom, Nested, FVector::ZeroVector, FVector::ZeroVector, Options, nullptr, &Report, true));
	EXPECT_EQ(Report.PointsResolved, 0);
	EXPECT_EQ(Report.PointsUnresolved, 3);
	EXPECT_NE(Report.UnresolvedReasons.Find(TEXT("the mesh is open there")), INDEX_NONE) << TCHAR_TO_UTF8(*Report.UnresolvedReasons);
	// Measured in the same pass, the points left are inside, as a measurement of its own finds them.
	ASSERT_TRUE(Report.bMeasured);
	EXPECT_EQ(Report.PointsInside, 3);
	EXPECT_EQ(Report.StrandsInside, 1);
	FFitReport Measured;
	FString Error;
	ASSERT_TRUE(GroomFitting::MeasureGroom(Groom, *Query(Nested), FVector::ZeroVector, GroomFitting::DefaultSurfaceTolerance, Measured, Error));
	EXPECT_EQ(Measured.PointsInside, 3);
}

TEST_F(Repairs, AFitThatWouldLeaveSinglePrecisionIsRefused)
{
	// The actor stands so far off that the strand's tip, moved with its root, is past single precision's
	// largest value.
	GroomData Groom;
	AddStrand(Groom, FVector(11, 0, 0), FVector(1e38, 0, 0), 2);
	Groom.surfaceNormals = {1, 0, 0};
	for (const FFitOptions& Options : {FFitOptions(), AllOn()})
	{
		GroomData Fitted = Groom;
		Host::FScopedLogCapture Log;
		EXPECT_FALSE(GroomFitting::FitRecord(Fitted, Head, FVector::ZeroVector, FVector(-3.3e38, 0, 0), Options));
		ASSERT_EQ(Log.TextsAt(ELogVerbosity::Error).size(), 2u);
		EXPECT_NE(Log.TextsAt(ELogVerbosity::Error)[1].find("single precision cannot hold"), std::string::npos);
	}
}

// A point the source already had as no number is not the fit's doing: it is kept (moved with its strand
// where the strand moves), counted and named once, and the groom is fitted and measured all the same.
TEST_F(Repairs, PointsTheSourceHadAsNoNumberAreKeptAndCounted)
{
	const float NaN = std::numeric_limits<float>::quiet_NaN();
	GroomData Groom = RingGroom(4, 11.0, 0.5, 3);
	// Strand 1's tip and strand 3's root.
	Groom.positions[3 * 5 + 2] = NaN;
	Groom.positions[3 * 9] = NaN;
	for (const FFitOptions& Options : {FFitOptions(), AllOn()})
	{
		GroomData Fitted = Groom;
		Host::FScopedLogCapture Log;
		FFitReport Report;
		ASSERT_TRUE(GroomFitting::FitRecord(Fitted, Head, FVector::ZeroVector, FVector::ZeroVector, Options, nullptr, &Report, true));
		EXPECT_EQ(Report.PointsNotFinite, 2);
		std::vector<std::string> Named = Log.TextsAt(ELogVerbosity::Warning);
		Named.erase(std::remove_if(Named.begin(), Named.end(), [](const std::string& Line)
		                           { return Line.find("not finite") == std::string::npos; }),
		            Named.end());
		EXPECT_EQ(Named, std::vector<std::string>{"FitGroomToStaticMesh: 2 points of the groom are not finite numbers (the first in strand 1); they are kept as they are"});
		EXPECT_EQ(Report.Misses, 1) << "strand 3 has no root to trace";
		EXPECT_TRUE(std::isnan(Fitted.positions[3 * 5 + 2]));
		EXPECT_NEAR(FVector(Fitted.positions[3 * 3], Fitted.positions[3 * 3 + 1], Fitted.positions[3 * 3 + 2]).Size(), 10.0, 0.01) << "strand 1's root landed";
		EXPECT_TRUE(std::equal(Fitted.positions.begin() + 27, Fitted.positions.end(), Groom.positions.begin() + 27, [](float A, float B)
		                       { return A == B || (std::isnan(A) && std::isnan(B)); }))
		    << "strand 3, with no root to trace, stays where it was";
		ASSERT_TRUE(Report.bMeasured);
		EXPECT_EQ(Report.RootsOnSurface, 3);
		EXPECT_EQ(Report.RootsOffSurface, 0);
		EXPECT_EQ(Report.PointsInside, 0);
	}
}

TEST_F(Repairs, UnusableOptionsOrAMeshWithoutTrianglesChangeNothing)
{
	GroomData Groom = RingGroom(4, 11.0, 0.5, 3);
	const GroomData Original = Groom;
	Host::FScopedLogCapture Log;
	FFitOptions Options;
	Options.bResolvePenetration = true;
	Options.PenetrationOffset = std::numeric_limits<double>::quiet_NaN();
	EXPECT_FALSE(GroomFitting::FitRecord(Groom, Head, FVector::ZeroVector, FVector::ZeroVector, Options));
	Host::FMeshData Empty = Box();
	Empty.Indices.Reset();
	EXPECT_FALSE(GroomFitting::FitRecord(Groom, Place(Empty), FVector::ZeroVector, FVector::ZeroVector, AllOn()));
	EXPECT_EQ(Groom.positions, Original.positions);
	const std::vector<std::string> Errors = Log.TextsAt(ELogVerbosity::Error);
	ASSERT_EQ(Errors.size(), 2u);
	EXPECT_NE(Errors[0].find("penetration offset"), std::string::npos) << Errors[0];
	EXPECT_NE(Errors[1].find("has no triangles"), std::string::npos) << Errors[1];
}

namespace
{
	class GroomFiles : public Repairs
	{
	protected:
		std::filesystem::path Dir = VelmoraTest::MakeTempDir("fitquality");

		static FString Path(const std::filesystem::path& P) { return FString(UTF8_TO_TCHAR(P.string().c_str())); }
		static GroomFitting::FFitFileSettings Measured()
		{
			GroomFitting::FFitFileSettings Settings;
			Settings.bMeasure = true;
			return Settings;
		}
		static std::string Bytes(const std::filesystem::path& P)
		{
			std::ifstream File(P, std::ios::binary);
			return std::string(std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>());
		}
	};
}

TEST_F(GroomFiles, FittingAFileWritesTheRepairedGroomAndReportsOnIt)
{
	GroomData Groom = RingGroom(20, 11.0, -0.6, 6);
	AddStrand(Groom, FVector(0, 0, 35), FVector(0, 0, 1), 6);
	Groom.surfaceNormals.insert(Groom.surfaceNormals.end(), {0, 0, 1});
	CheckedGroom::WriteGroom((Dir / "in.abc").string(), Groom);
	AActor* Source = Host::SpawnActor(World, FVector(1, 2, 3));

	FFitReport Plain;
	ASSERT_TRUE(CheckedGroom::FitGroomFile(Source, Head, FVector::ZeroVector, Path(Dir / "in.abc"), Path(Dir / "plain.abc"), FFitOptions(), Measured(), Plain));
	EXPECT_TRUE(Plain.bAfterFit);
	EXPECT_EQ(Plain.Misses, 1);
	EXPECT_EQ(Plain.RootsOffSurface, 1);
	EXPECT_EQ(Plain.PointsInside, 20 * 5);

	FFitReport Repaired;
	ASSERT_TRUE(CheckedGroom::FitGroomFile(Source, Head, FVector::ZeroVector, Path(Dir / "in.abc"), Path(Dir / "out.abc"), AllOn(), Measured(), Repaired));
	EXPECT_EQ(Repaired.Strands, 21);
	EXPECT_EQ(Repaired.Points, 21 * 6);
	EXPECT_EQ(Repaired.Misses, 1);
	EXPECT_EQ(Repaired.MissesSnapped, 1);
	EXPECT_EQ(Repaired.RootsOffSurface, 0);
	EXPECT_EQ(Repaired.PointsInside, 0);

	// The report on the written file, placed at the source actor, says the same and changes nothing.
	const std::string Written = Bytes(Dir / "out.abc");
	FFitReport Checked;
	ASSERT_TRUE(GroomFitting::ReportGroomFile(Head, FVector(1, 2, 3), Path(Dir / "out.abc"), Checked));
	EXPECT_EQ(Bytes(Dir / "out.abc"), Written);
	EXPECT_FALSE(Checked.bAfterFit);
	EXPECT_EQ(Checked.RootsOnSurface, 21);
	EXPECT_EQ(Checked.PointsInside, 0);
}

TEST_F(GroomFiles, RepairsWithoutAMeshWriteNothingAndAPlainFitIsWrittenUnmeasured)
{
	CheckedGroom::WriteGroom((Dir / "in.abc").string(), RingGroom(4, 11.0, 0.5, 3));
	Host::FMeshData Empty = Box();
	Empty.Indices.Reset();
	UStaticMeshComponent* NoTriangles = Place(Empty);
	Host::FScopedLogCapture Log;
	FFitReport Report;
	EXPECT_FALSE(CheckedGroom::FitGroomFile(Host::SpawnActor(World), NoTriangles, FVector::ZeroVector, Path(Dir / "in.abc"), Path(Dir / "out.abc"), AllOn(),
	                                        Measured(), Report));
	EXPECT_FALSE(std::filesystem::exists(Dir / "out.abc"));
	EXPECT_FALSE(GroomFitting::ReportGroomFile(Head, FVector::ZeroVector, Path(Dir / "missing.abc"), Report));
	EXPECT_EQ(Log.TextsAt(ELogVerbosity::Error).size(), 2u);

	// Without a repair the fit needs no surface: every trace misses, the groom is written as read, the
	// report is left out.
	EXPECT_TRUE(CheckedGroom::FitGroomFile(Host::SpawnActor(World), NoTriangles, FVector::ZeroVector, Path(Dir / "in.abc"), Path(Dir / "plain.abc"),
	                                       FFitOptions(), Measured(), Report));
	EXPECT_EQ(ReadGroom((Dir / "plain.abc").string()).positions, RingGroom(4, 11.0, 0.5, 3).positions);
	EXPECT_FALSE(Report.bMeasured);
	EXPECT_EQ(Report.Misses, 4);
}

// The engine gives a mesh's collision triangles only when it has render data (it checks, and a failed
// check ends the editor): a mesh never built, or emptied, is refused in one line by the repairs and the
// report, and nothing is written.
TEST_F(GroomFiles, AMeshWithoutRenderDataIsRefusedWithoutAskingItForTriangles)
{
	CheckedGroom::WriteGroom((Dir / "in.abc").string(), RingGroom(4, 11.0, 0.5, 3));
	UStaticMesh* const NeverBuilt = NewObject<UStaticMesh>();
	UStaticMesh* const Emptied = MakeStaticMesh(Sphere(10.f));
	Emptied->SetRenderData(std::make_unique<FStaticMeshRenderData>());
	for (UStaticMesh* const Mesh : {NeverBuilt, Emptied})
	{
		UStaticMeshComponent* const Component = Host::AddStaticMeshComponent(Host::SpawnActor(World), Mesh);
		Host::FScopedLogCapture Log;
		FFitReport Report;
		EXPECT_FALSE(CheckedGroom::FitGroomFile(Host::SpawnActor(World), Component, FVector::ZeroVector, Path(Dir / "in.abc"), Path(Dir / "out.abc"), AllOn(),
		                                        Measured(), Report));
		EXPECT_NE(Report.FailureReason.Find(TEXT("has no triangles")), INDEX_NONE) << TCHAR_TO_UTF8(*Report.FailureReason);
		EXPECT_FALSE(std::filesystem::exists(Dir / "out.abc"));
		EXPECT_FALSE(GroomFitting::ReportGroomFile(Component, FVector::ZeroVector, Path(Dir / "in.abc"), Report));
		EXPECT_NE(Report.FailureReason.Find(TEXT("has no triangles")), INDEX_NONE) << TCHAR_TO_UTF8(*Report.FailureReason);
		EXPECT_EQ(Log.TextsAt(ELogVerbosity::Error).size(), 2u);
	}
	// Asked all the same, the engine's check fails.
	FTriMeshCollisionData Triangles;
	EXPECT_DEATH(NeverBuilt->GetPhysicsTriMeshData(&Triangles, false), "HasValidRenderData");
}
