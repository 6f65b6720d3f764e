// How the repairs keep the strands' shape: segment lengths through the penetration resolve and the
// orientation's falloff, and the report's figures of what shape changed.
#include "FitQualityTestHelpers.h"
#include "GroomFitting.h"

#include <cmath>

using namespace FitQualityTest;
using GroomFitting::FFitOptions;
using GroomFitting::FFitReport;

namespace
{
	class ShapeRepairs : public FitQualityWorld
	{
	protected:
		UStaticMeshComponent* Head = nullptr;

		void SetUp() override { Head = Place(Sphere(10.f)); }

		FFitReport Fit(GroomData& Groom, const FFitOptions& Options, UStaticMeshComponent* Mesh = nullptr)
		{
			FFitReport Report;
			EXPECT_TRUE(GroomFitting::FitRecord(Groom, Mesh ? Mesh : Head, FVector::ZeroVector, FVector::ZeroVector, Options, nullptr, &Report, true));
			return Report;
		}
	};

	FFitOptions Resolving(double Offset = 0.1)
	{
		FFitOptions Options;
		Options.bResolvePenetration = true;
		Options.PenetrationOffset = Offset;
		return Options;
	}

	FFitOptions Orienting(double Falloff)
	{
		FFitOptions Options;
		Options.bOrientToSurface = true;
		Options.OrientFalloff = Falloff;
		return Options;
	}

	// The largest change of any segment's length between two grooms of the same counts, as a fraction.
	double LargestLengthChange(const GroomData& Before, const GroomData& After)
	{
		double Largest = 0.0;
		int32 First = 0;
		for (const int32 Count : Before.vertexCounts)
		{
			for (int32 Index = First + 1; Index < First + Count; ++Index)
			{
				const double Was = (Point(Before, Index) - Point(Before, Index - 1)).Size();
				const double Is = (Point(After, Index) - Point(After, Index - 1)).Size();
				Largest = FMath::Max(Largest, std::abs(Is - Was) / Was);
			}
			First += Count;
		}
		return Largest;
	}

	// How far the root-to-tip direction of the strand from First, of Count points, turned between two grooms,
	// in degrees.
	double ChordTurn(const GroomData& Before, const GroomData& After, int32 First, int32 Count)
	{
		const FVector Was = (Point(Before, First + Count - 1) - Point(Before, First)).GetSafeNormal();
		const FVector Is = (Point(After, First + Count - 1) - Point(After, First)).GetSafeNormal();
		return FMath::RadiansToDegrees(std::acos(FMath::Clamp(Was | Is, -1.0, 1.0)));
	}

	// The largest change of the angle between consecutive segments, in degrees: zero for a strand turned
	// whole.
	double LargestBendChange(const GroomData& Before, const GroomData& After, int32 First, int32 Count)
	{
		double Largest = 0.0;
		for (int32 Index = First + 1; Index + 1 < First + Count; ++Index)
		{
			const auto Bend = [Index](const GroomData& Strands)
			{
				const FVector In = (Point(Strands, Index) - Point(Strands, Index - 1)).GetSafeNormal();
				const FVector Out = (Point(Strands, Index + 1) - Point(Strands, Index)).GetSafeNormal();
				return FMath::RadiansToDegrees(std::atan2((In ^ Out).Size(), In | Out));
			};
			Largest = FMath::Max(Largest, std::abs(Bend(After) - Bend(Before)));
		}
		return Largest;
	}

	// Two closed slabs of 16 x 16 one above the other: z from 0 to 2 and from 3 to 5.
	Host::FMeshData TwoSlabs()
	{
		const Host::FMeshData Slab = Box(FVector3f(8.f, 8.f, 1.f));
		return Host::Combined(Host::Translated(Slab, FVector3f(8.f, 8.f, 1.f)), Host::Translated(Slab, FVector3f(8.f, 8.f, 4.f)));
	}
}

TEST_F(ShapeRepairs, ResolvingKeepsEverySegmentsLengthAndLeavesNothingInside)
{
	// Strands grown straight into the sphere, and strands that cut a chord through it below the pole.
	GroomData Groom;
	for (int32 Strand = 0; Strand < 8; ++Strand)
	{
		const double Angle = 2.0 * UE_DOUBLE_PI * (Strand + 0.25) / 8;
		const FVector Unit = FVector(std::cos(Angle), std::sin(Angle), 0.1).GetSafeNormal();
		AddStrand(Groom, Unit * 10.5, Unit * -0.8, 6);
		Groom.surfaceNormals.insert(Groom.surfaceNormals.end(), {static_cast<float>(Unit.X), static_cast<float>(Unit.Y), static_cast<float>(Unit.Z)});
		AddStrand(Groom, FVector(Unit.X, Unit.Y, 10.5), FVector(-Unit.X, -Unit.Y, -0.35) * 0.9, 14);
		Groom.surfaceNormals.insert(Groom.surfaceNormals.end(), {0.f, 0.f, 1.f});
	}
	GroomData Plain = Groom;
	const FFitReport PlainReport = Fit(Plain, FFitOptions());
	ASSERT_GT(PlainReport.PointsInside, 8 * 5);
	EXPECT_FALSE(PlainReport.bShapeMeasured);

	const FFitReport Report = Fit(Groom, Resolving());
	EXPECT_EQ(Report.PointsInside, 0);
	EXPECT_EQ(Report.PointsUnresolved, 0);
	EXPECT_GE(Report.PointsResolved, 8);
	EXPECT_LT(LargestLengthChange(Plain, Groom), 0.01);
	// The report says the same of the segments, and that the strands grown inward now grow outward.
	ASSERT_TRUE(Report.bShapeMeasured);
	EXPECT_EQ(Report.SegmentsChangedOver1Percent, 0);
	EXPECT_LT(Report.SegmentChangeMax, 0.01);
	// Grown straight in, a strand must turn about a right angle to lie along the surface; no further.
	EXPECT_EQ(Report.StrandsTurnedOver60, 8);
	EXPECT_GT(Report.TurnMax, 85.0);
	EXPECT_LT(Report.TurnMax, 95.0);
	// The roots stay where the plain fit put them.
	int32 First = 0;
	for (const int32 Count : Groom.vertexCounts)
	{
		EXPECT_EQ(Point(Groom, First), Point(Plain, First));
		First += Count;
	}
}

TEST_F(ShapeRepairs, StrandsNothingPushedKeepTheirShapeAndPointsBeyondAMovedOneFollowIt)
{
	// One strand wholly outside; one whose trace misses (it hangs 6 above the sphere, its normal along the
	// sphere) and whose third point alone dips below the pole. With no root on the surface to turn about,
	// its points are brought out one by one.
	GroomData Groom = MakeGroom({{{0.f, 0.f, 10.5f}, {0.f, 0.f, 11.5f}, {0.f, 0.f, 12.5f}},
	                             {{3.f, 0.f, 16.f}, {2.f, 0.f, 13.f}, {1.f, 0.f, 9.7f}, {0.f, 0.f, 13.f}, {-1.f, 0.f, 16.f}}},
	                            {0.f, 0.f, 1.f, 1.f, 0.f, 0.f});
	GroomData Plain = Groom;
	Fit(Plain, FFitOptions());
	const FFitReport Report = Fit(Groom, Resolving());
	EXPECT_EQ(Report.Misses, 1);
	EXPECT_EQ(Report.PointsInside, 0);
	EXPECT_EQ(Report.PointsResolved, 1);
	for (int32 Index = 0; Index < 5; ++Index)
	{
		EXPECT_EQ(Point(Groom, Index), Point(Plain, Index)) << Index;
	}
	// The points after the one brought out turned with its segment: the strand bends at the point before
	// alone.
	EXPECT_GT((Point(Groom, 5) - Point(Plain, 5)).Size(), 0.1);
	EXPECT_GT((Point(Groom, 7) - Point(Plain, 7)).Size(), 0.1);
	const auto Bend = [](const GroomData& Strands, int32 Index)
	{ return (Point(Strands, Index) - Point(Strands, Index - 1)).GetSafeNormal() | (Point(Strands, Index + 1) - Point(Strands, Index)).GetSafeNormal(); };
	EXPECT_GT(std::abs(Bend(Groom, 4) - Bend(Plain, 4)), 0.01);
	EXPECT_NEAR(Bend(Groom, 5), Bend(Plain, 5), 1e-5);
	EXPECT_NEAR(Bend(Groom, 6), Bend(Plain, 6), 1e-5);
	EXPECT_LT(LargestLengthChange(Plain, Groom), 0.01);
	EXPECT_EQ(Report.SegmentsChangedOver1Percent, 0);
	EXPECT_LT(Report.TurnMedian, 1e-3);
}

TEST_F(ShapeRepairs, APointWithNoWayOutAtItsSegmentsLengthStaysAndIsCountedWithTheReason)
{
	// Rooted in the gap between two closed slabs, where its trace along the gap meets nothing; its next
	// point is inside the lower slab, and every way at its segment's length from the root lands in a slab.
	UStaticMeshComponent* Slabs = Place(TwoSlabs());
	GroomData Groom = MakeGroom({{{8.f, 8.f, 2.2f}, {8.f, 8.f, 0.7f}, {8.f, 8.f, -0.8f}}}, {1.f, 0.f, 0.f});
	const GroomData Source = Groom;
	const FFitReport Report = Fit(Groom, Resolving(), Slabs);
	EXPECT_EQ(Report.Misses, 1);
	EXPECT_EQ(Report.PointsUnresolved, 1);
	EXPECT_EQ(Report.PointsInside, 1);
	EXPECT_EQ(Groom.positions, Source.positions);
	// Two closed shells, the way out the resolve offered too far off: never put down to an open mesh.
	EXPECT_STREQ(TCHAR_TO_UTF8(*Report.UnresolvedReasons), "1 no way out at the strand's segment length");
}

TEST_F(ShapeRepairs, OrientationFadesOutAlongTheFalloffKeepingSegmentLengths)
{
	// Grown along a tilted normal from near the pole, where the surface faces +Z: the whole strand turns
	// 37 degrees, or only its first segments.
	const FVector Tilted = FVector(0.6, 0.1, 0.8).GetSafeNormal();
	GroomData Source;
	AddStrand(Source, FVector(0, 0, 10.5), Tilted * 0.5, 10);
	Source.surfaceNormals = {0.6f, 0.1f, 0.8f};
	GroomData Rigid = Source;
	const FFitReport RigidReport = Fit(Rigid, Orienting(0.0));
	const FVector Up = (Point(Rigid, 1) - Point(Rigid, 0)).GetSafeNormal();
	EXPECT_GT(Up.Z, 0.99);
	EXPECT_NEAR(RigidReport.TurnMax, FMath::RadiansToDegrees(std::acos(Up | Tilted)), 1e-3);
	EXPECT_EQ(RigidReport.StrandsTurnedOver30, 1);
	EXPECT_EQ(RigidReport.TurnedStrands, TArray<int32>({0})) << "named for the picture to mark";

	GroomData Faded = Source;
	const FFitReport Report = Fit(Faded, Orienting(2.0));
	EXPECT_EQ(Report.StrandsOriented, 1);
	EXPECT_LT(LargestLengthChange(Source, Faded), 1e-5);
	EXPECT_LT(Report.SegmentChangeMax, 1e-5);
	// The first segment turns fully, those from 2 along the strand not at all, those between in part.
	EXPECT_TRUE((Point(Faded, 1) - Point(Faded, 0)).GetSafeNormal().Equals(Up, 1e-5));
	for (int32 Index = 5; Index < 10; ++Index)
	{
		EXPECT_TRUE((Point(Faded, Index) - Point(Faded, Index - 1)).GetSafeNormal().Equals(Tilted, 1e-5)) << Index;
	}
	const FVector Middle = (Point(Faded, 3) - Point(Faded, 2)).GetSafeNormal();
	EXPECT_LT(Middle | Up, 0.9999);
	EXPECT_LT(Middle | Tilted, 0.9999);
	EXPECT_GT(Report.TurnMax, 1.0);
	EXPECT_LT(Report.TurnMax, 0.5 * RigidReport.TurnMax);
	EXPECT_EQ(Report.StrandsTurnedOver30, 0);
	EXPECT_EQ(Report.TurnedStrands.Num(), 0);
	// The share of the turn eases from all at the root to none at the falloff.
	EXPECT_EQ(GroomFitting::OrientWeight(0.0, 2.0), 1.0);
	EXPECT_EQ(GroomFitting::OrientWeight(1.0, 2.0), 0.5);
	EXPECT_EQ(GroomFitting::OrientWeight(2.0, 2.0), 0.0);
	EXPECT_EQ(GroomFitting::OrientWeight(7.0, 0.0), 1.0);
}

TEST_F(ShapeRepairs, AFalloffThatIsNotAFiniteLengthIsRefusedAndMovesNothing)
{
	for (const double Falloff : {-1.0, std::nan(""), HUGE_VAL})
	{
		GroomData Groom = MakeGroom({{{0.f, 0.f, 10.5f}, {0.f, 0.f, 11.5f}}}, {0.f, 0.f, 1.f});
		const GroomData Source = Groom;
		FFitReport Report;
		EXPECT_FALSE(GroomFitting::FitRecord(Groom, Head, FVector::ZeroVector, FVector::ZeroVector, Orienting(Falloff), nullptr, &Report));
		EXPECT_NE(Report.FailureReason.Find(TEXT("orientation falloff")), INDEX_NONE) << TCHAR_TO_UTF8(*Report.FailureReason);
		EXPECT_EQ(Groom.positions, Source.positions);
	}
}

TEST_F(ShapeRepairs, AStrandTheFitBuriesIsTurnedAboutItsRootNoFurtherThanTheMeshNeeds)
{
	UStaticMeshComponent* SlabMesh = Place(Box(FVector3f(8.f, 8.f, 1.f)));
	const std::shared_ptr<const GroomFitting::FMeshQuery> Slab = Query(SlabMesh);
	// Past the root, which lies on the surface.
	const auto PointsInside = [](const GroomData& Groom, const GroomFitting::FMeshQuery& Mesh)
	{
		int32 Inside = 0;
		for (int32 Index = 1; Index < Groom.vertexCounts[0]; ++Index)
		{
			Inside += Mesh.IsInside(Point(Groom, Index)) ? 1 : 0;
		}
		return Inside;
	};
	struct FCase
	{
		const char* Name;
		GroomData Groom;
		UStaticMeshComponent* Mesh;
		// The least turn that clears the mesh, from its shape; what the repair may add to it.
		double Least;
		double Slack;
		// Inside from its first point on, so turned whole, its style kept.
		bool bTurnedWhole;
	};
	// Straight, 30 degrees below the tangent at the sphere's pole: a chord through it. Turned about the root,
	// it clears the sphere once its first point, 0.5 along, is out: 30 - asin(0.5 / 20) degrees.
	GroomData Chord;
	AddStrand(Chord, FVector(0, 0, 10.5), FVector(std::cos(UE_DOUBLE_PI / 6), 0, -std::sin(UE_DOUBLE_PI / 6)) * 0.5, 8);
	Chord.surfaceNormals = {0.f, 0.f, 1.f};
	// Exported 3.5 above the slab's top, so their traces start inside it and land on the top: rooted there,
	// up and over in a hook whose last two points dip into it, the tip 1.4 out and 1 down from the root
	// (needing atan(1 / 1.4))...
	GroomData Hook = MakeGroom({{{0.f, 0.f, 4.5f}, {0.f, 0.f, 5.f}, {0.f, 0.f, 5.5f}, {0.5f, 0.f, 5.8f}, {1.f, 0.f, 5.5f}, {1.2f, 0.f, 5.f}, {1.3f, 0.f, 4.5f}, {1.35f, 0.f, 4.f}, {1.4f, 0.f, 3.5f}}},
	                           {0.f, 0.f, 1.f});
	// ...and 1 from the slab's edge, running over it and down 3.4 degrees, grazing it: two points just under
	// the top.
	GroomData Graze;
	AddStrand(Graze, FVector(7, 0, 4.5), FVector(1, 0, -0.06).GetSafeNormal() * 0.5, 8);
	Graze.surfaceNormals = {0.f, 0.f, 1.f};
	FCase Cases[] = {
	    {"chord", Chord, Head, 30.0 - FMath::RadiansToDegrees(std::asin(0.5 / 20.0)), 2.0, true},
	    {"hook", Hook, SlabMesh, FMath::RadiansToDegrees(std::atan(1.0 / 1.4)), 2.0, false},
	    {"graze", Graze, SlabMesh, FMath::RadiansToDegrees(std::atan(0.06)), 2.0, false},
	};
	for (FCase& Case : Cases)
	{
		SCOPED_TRACE(Case.Name);
		const std::shared_ptr<const GroomFitting::FMeshQuery> Mesh = Case.Mesh == Head ? Query(Head) : Slab;
		GroomData Plain = Case.Groom;
		Fit(Plain, FFitOptions(), Case.Mesh);
		ASSERT_GT(PointsInside(Plain, *Mesh), 0);
		const FFitReport Report = Fit(Case.Groom, Resolving(), Case.Mesh);
		EXPECT_EQ(Report.PointsInside, 0);
		EXPECT_EQ(Report.PointsUnresolved, 0);
		EXPECT_EQ(PointsInside(Case.Groom, *Mesh), 0);
		EXPECT_EQ(Point(Case.Groom, 0), Point(Plain, 0));
		EXPECT_LT(LargestLengthChange(Plain, Case.Groom), 1e-5);
		// No further than turning it whole would take; bending it where it was inside may take less.
		const double Turn = ChordTurn(Plain, Case.Groom, 0, Case.Groom.vertexCounts[0]);
		EXPECT_GT(Turn, 0.5);
		EXPECT_LT(Turn, Case.Least + Case.Slack);
		if (Case.bTurnedWhole)
		{
			EXPECT_LT(LargestBendChange(Plain, Case.Groom, 0, Case.Groom.vertexCounts[0]), 1e-2);
			EXPECT_GT(Turn, Case.Least - 1.5);
		}
		EXPECT_NEAR(Report.TurnMax, Turn, 1e-3);
	}
}

TEST_F(ShapeRepairs, AStrandThatCannotTurnWholeIsBentWhereItMeetsTheSurfaceNotKinked)
{
	// Rooted on the lower of two slabs, up into the gap and along it just under the upper slab, then down
	// into the lower one: turned whole about the root, the run along the gap would go into the upper slab
	// before the tip came out of the lower one.
	UStaticMeshComponent* Slabs = Place(TwoSlabs());
	const float Run[][2] = {{2.f, 2.f}, {2.3f, 2.5f}, {2.8f, 2.9f}, {3.3f, 2.9f}, {3.8f, 2.9f}, {4.3f, 2.9f}, {4.8f, 2.9f}, {5.1f, 2.5f}, {5.4f, 2.1f}, {5.7f, 1.7f}, {6.f, 1.3f}};
	GroomData Groom;
	Groom.vertexCounts = {static_cast<int32>(std::size(Run))};
	for (const auto& XZ : Run)
	{
		// Exported 3.5 above where it lands, so that its trace starts inside the lower slab.
		Groom.positions.insert(Groom.positions.end(), {XZ[0], 8.f, XZ[1] + 3.5f});
	}
	Groom.surfaceNormals = {0.f, 0.f, 1.f};
	GroomData Plain = Groom;
	Fit(Plain, FFitOptions(), Slabs);
	ASSERT_LT((Point(Plain, 0) - FVector(2, 8, 2)).Size(), 1e-5);
	const FFitReport Report = Fit(Groom, Resolving(), Slabs);
	EXPECT_EQ(Report.PointsInside, 0);
	EXPECT_EQ(Report.PointsUnresolved, 0);
	EXPECT_LT(LargestLengthChange(Plain, Groom), 1e-5);
	// The run from the root stays where it was; the turn is spread over the joints before the first point
	// that was inside, none of which takes it all.
	for (int32 Index = 0; Index <= 7; ++Index)
	{
		EXPECT_LT((Point(Groom, Index) - Point(Plain, Index)).Size(), 1e-4) << "point " << Index;
	}
	const FVector TailWas = (Point(Plain, 10) - Point(Plain, 9)).GetSafeNormal();
	const FVector TailIs = (Point(Groom, 10) - Point(Groom, 9)).GetSafeNormal();
	const double TailTurn = FMath::RadiansToDegrees(std::atan2((TailWas ^ TailIs).Size(), TailWas | TailIs));
	EXPECT_GT(TailTurn, 20.0);
	EXPECT_LT(LargestBendChange(Plain, Groom, 0, 11), 0.7 * TailTurn);
	EXPECT_LT(ChordTurn(Plain, Groom, 0, 11), 15.0);
}

TEST_F(ShapeRepairs, ARootTracedOntoAFaceInsideAnotherShellGoesOutOfTheirUnion)
{
	// A sphere of 5 through the head's side: traced from inside the head, the strand meets the head's own
	// surface first, which lies inside the small sphere, and the whole strand with it.
	UStaticMeshComponent* Union = Place(Host::Combined(Sphere(10.f), Host::Translated(Sphere(5.f), FVector3f(9.f, 0.f, 0.f))));
	GroomData Groom;
	AddStrand(Groom, FVector(10.5, 0, 0), FVector(0.5, 0, 0.1), 5);
	Groom.surfaceNormals = {1.f, 0.f, 0.f};
	GroomData Plain = Groom;
	EXPECT_EQ(Fit(Plain, FFitOptions(), Union).PointsInside, 4);
	const FFitReport Report = Fit(Groom, Resolving(), Union);
	EXPECT_EQ(Report.PointsInside, 0);
	EXPECT_EQ(Report.PointsUnresolved, 0);
	EXPECT_EQ(Report.RootsOffSurface, 0);
	// Out by the nearest way, onto the small sphere's far side, the strand with its root and its shape kept.
	EXPECT_NEAR((Point(Groom, 0) - FVector(9, 0, 0)).Size(), 5.0, 0.01);
	EXPECT_GT(Point(Groom, 0).X, 13.5);
	EXPECT_LT(LargestLengthChange(Plain, Groom), 1e-5);
	EXPECT_LT(ChordTurn(Plain, Groom, 0, 5), 1.0);
}

TEST_F(ShapeRepairs, EveryRepairOnAStrandOrientedARightAngleKeepsItsLengthsAndMostOfItsDirection)
{
	// Grown along the surface from the pole with the groom's normal along the surface too: the orientation
	// turns its root a right angle, fading out over the default falloff, and the penetration resolve has the
	// rest to keep out of the sphere.
	GroomData Groom;
	AddStrand(Groom, FVector(0, 0, 10.5), FVector(0.5, 0, -0.05), 12);
	Groom.surfaceNormals = {1.f, 0.f, 0.f};
	GroomData Plain = Groom;
	Fit(Plain, FFitOptions());
	FFitOptions Options = Resolving();
	Options.bOrientToSurface = true;
	Options.bSnapMissesToNearest = true;
	const FFitReport Report = Fit(Groom, Options);
	EXPECT_EQ(Report.StrandsOriented, 1);
	EXPECT_EQ(Report.PointsInside, 0);
	EXPECT_EQ(Report.RootsOffSurface, 0);
	EXPECT_LT(LargestLengthChange(Plain, Groom), 1e-5);
	EXPECT_LT(Report.SegmentChangeMax, 1e-5);
	// The root segment leaves the surface along its normal, the run beyond keeps most of its way.
	EXPECT_GT((Point(Groom, 1) - Point(Groom, 0)).GetSafeNormal().Z, 0.99);
	const double Turn = ChordTurn(Plain, Groom, 0, 12);
	EXPECT_LT(Turn, 30.0);
	EXPECT_NEAR(Report.TurnMax, Turn, 1e-3);
}
