#include "FittingTestHelpers.h"
#include "GroomFitting.h"

#include <cmath>
#include <random>

using namespace FittingTest;

namespace
{
	void ExpectVector(const FVector& Actual, const FVector& Expected, double Tolerance = 0.0)
	{
		EXPECT_NEAR(Actual.X, Expected.X, Tolerance);
		EXPECT_NEAR(Actual.Y, Expected.Y, Tolerance);
		EXPECT_NEAR(Actual.Z, Expected.Z, Tolerance);
	}
}

TEST(Projection, SurfaceNormalSegmentSpansFiveUnitsEachSideOfThePlacedRoot)
{
	FVector Start, End;
	const GroomData Groom = MakeGroom({{{9, 9, 9}}, {{1, 2, 3}, {1, 2, 4}}}, {0, 0, 7, 0, 0, 1});
	GroomFitting::SurfaceNormalSegment(Groom, 1, 1, FVector(0, 0, 100), Start, End);
	ExpectVector(Start, FVector(1, 2, 98));
	ExpectVector(End, FVector(1, 2, 108));

	// A long normal is normalised first.
	GroomFitting::SurfaceNormalSegment(MakeGroom({{{1, 2, 3}}}, {0, 0, 2}), 0, 0, FVector(0, 0, 100), Start, End);
	ExpectVector(Start, FVector(1, 2, 98));
	ExpectVector(End, FVector(1, 2, 108));

	// A normal whose squared length (1e-10) is not above the threshold is used as it is.
	GroomFitting::SurfaceNormalSegment(MakeGroom({{{1, 2, 3}}}, {0, 0, 0.00001f}), 0, 0, FVector(0, 0, 100), Start, End);
	ExpectVector(Start, FVector(1, 2, 103.0 - 5.0 * double(0.00001f)));
	ExpectVector(End, FVector(1, 2, 103.0 + 5.0 * double(0.00001f)));
}

TEST(Projection, SphericalSegmentRunsTwentyUnitsFromOriginTowardsTheRoot)
{
	FVector Start, End;
	// The normals play no part.
	GroomFitting::SphericalSegment(MakeGroom({{{7, 7, 7}}, {{3, 4, 0}, {3, 4, 1}}}, {1, 0, 0}), 1, FVector(100, 0, 50), Start, End);
	ExpectVector(Start, FVector(100, 0, 50));
	ExpectVector(End, FVector(112, 16, 50), 1e-12);

	// A root at the groom's origin gives a zero-length segment at origin.
	GroomFitting::SphericalSegment(MakeGroom({{{0, 0, 0}}}), 0, FVector(1, 2, 3), Start, End);
	ExpectVector(Start, FVector(1, 2, 3));
	ExpectVector(End, FVector(1, 2, 3));
}

TEST(Projection, NormalisationThresholdIsTheFloatConstantComparedInDouble)
{
	// 1e-8f is 9.99999993922529e-9: a squared length between it and 1e-8 is above the threshold.
	const double Threshold = static_cast<double>(1e-8f);
	const FVector InTheGap(std::sqrt(9.999999969e-9), 0, 0);
	const double SquareSum = InTheGap.X * InTheGap.X;
	ASSERT_GT(SquareSum, Threshold);
	ASSERT_LT(SquareSum, 1e-8);
	ExpectVector(GroomFitting::Normalize(InTheGap), FVector(1, 0, 0), 1e-15);

	// At or below it the vector is left as it is, zero included.
	const FVector AtThreshold(std::sqrt(Threshold), 0, 0);
	if (AtThreshold.X * AtThreshold.X <= Threshold)
	{
		EXPECT_EQ(GroomFitting::Normalize(AtThreshold), AtThreshold);
	}
	EXPECT_EQ(GroomFitting::Normalize(FVector(0, 0.00001, 0)), FVector(0, 0.00001, 0));
	EXPECT_EQ(GroomFitting::Normalize(FVector::ZeroVector), FVector::ZeroVector);
	ExpectVector(GroomFitting::Normalize(FVector(3, 4, 0)), FVector(0.6, 0.8, 0), 1e-15);
}

TEST(Projection, MoveKeepsTheStrandShapeAndSubtractsTheActorLocation)
{
	GroomData Groom = MakeGroom({{{5, 5, 5}}, {{0, 0, 0}, {0, 0, 1}, {0, 0, 2}}});
	GroomFitting::MoveStrand(Groom, 1, 3, FVector(10, 20, 30), FVector(0, 0, 0));
	EXPECT_POINT(Groom, 0, 5, 5, 5);
	EXPECT_POINT(Groom, 1, 10, 20, 30);
	EXPECT_POINT(Groom, 2, 10, 20, 31);
	EXPECT_POINT(Groom, 3, 10, 20, 32);

	Groom = MakeGroom({{{0, 0, 0}, {0, 0, 1}, {0, 0, 2}}});
	GroomFitting::MoveStrand(Groom, 0, 3, FVector(10, 20, 30), FVector(1, 1, 1));
	EXPECT_POINT(Groom, 0, 9, 19, 29);
	EXPECT_POINT(Groom, 1, 9, 19, 30);
	EXPECT_POINT(Groom, 2, 9, 19, 31);

	// A zero offset keeps every float exactly.
	Groom = MakeGroom({{{0.1f, -0.3f, 1e-7f}, {1e6f + 0.5f, 0.7f, -2.2f}}});
	const GroomData Before = Groom;
	GroomFitting::MoveStrand(Groom, 0, 2, FVector(0.1f, -0.3f, 1e-7f) + FVector(4, 5, 6), FVector(4, 5, 6));
	EXPECT_EQ(Groom.positions, Before.positions);
}

TEST(Projection, MoveIsWorkedInDoubleAndRoundedToSingleOnce)
{
	// Offsets that are not whole numbers: worked in single precision, a third of these moves would differ
	// from the double result in the last place.
	std::mt19937 Random(41);
	std::uniform_real_distribution<float> Coordinate(-50.f, 50.f);
	int32 Checked = 0;
	for (int32 Case = 0; Case < 2000; ++Case)
	{
		const FVector3f Root(Coordinate(Random), Coordinate(Random), Coordinate(Random));
		const FVector3f Tip(Coordinate(Random), Coordinate(Random), Coordinate(Random));
		const FVector Hit(Coordinate(Random) * 1.1, Coordinate(Random) * 0.7, Coordinate(Random) * 1.3);
		const FVector ActorLocation(Coordinate(Random) * 0.9, Coordinate(Random) * 1.7, Coordinate(Random) * 0.3);
		GroomData Groom = MakeGroom({{Root, Tip}});
		GroomFitting::MoveStrand(Groom, 0, 2, Hit, ActorLocation);
		for (int32 Axis = 0; Axis < 3; ++Axis)
		{
			const double Offset = -(double(Root[Axis]) - (Hit[Axis] - ActorLocation[Axis]));
			ASSERT_EQ(Point(Groom, 0)[Axis], static_cast<float>(double(Root[Axis]) + Offset)) << "case " << Case;
			ASSERT_EQ(Point(Groom, 1)[Axis], static_cast<float>(double(Tip[Axis]) + Offset)) << "case " << Case;
			++Checked;
		}
	}
	EXPECT_EQ(Checked, 6000);
}

TEST(Projection, DebugLineDrawMapsRandomValuesOntoZeroToHundred)
{
	EXPECT_EQ(GroomFitting::DebugLineDraw(0), 0);
	EXPECT_EQ(GroomFitting::DebugLineDraw(32118), 98);
	EXPECT_EQ(GroomFitting::DebugLineDraw(32119), 99);
	EXPECT_EQ(GroomFitting::DebugLineDraw(32767), 100);
	// Only the low 15 bits count.
	EXPECT_EQ(GroomFitting::DebugLineDraw(32119 + 0x8000), 99);
	EXPECT_EQ(GroomFitting::DebugLineDraw(0x7FFFFFFF), 100);
	int32 Drawn = 0;
	for (int32 R = 0; R <= 0x7FFF; ++R)
	{
		const int32 K = GroomFitting::DebugLineDraw(R);
		ASSERT_GE(K, 0);
		ASSERT_LE(K, 100);
		Drawn += K > 98 ? 1 : 0;
	}
	EXPECT_EQ(Drawn, 649);
}
