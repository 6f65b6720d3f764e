// Inside tests against what is known without the query: balls around tessellated spheres, boxes, and a
// brute-force winding number.
#include "MeshQueryTestHelpers.h"

#include "Async/ParallelFor.h"

using namespace MeshQueryTest;
using GroomFitting::FMeshQuery;

namespace
{
	// A ball the true solid lies between: certainly inside within Inner of Centre, certainly outside
	// beyond Outer. Open describes a cut: only the part with Z above Centre.Z counts, and points within
	// Band of the cut are not counted.
	struct FBall
	{
		FVector Centre;
		double Inner = 0.0;
		double Outer = 0.0;
		bool bUpperHalf = false;
		double Band = 0.0;
	};

	// Counts points the query finds inside and points known to be, over the points not too near a surface.
	struct FCounts
	{
		int32 Inside = 0;
		int32 Expected = 0;
		int32 Judged = 0;
	};

	FCounts CountInside(const FMeshQuery& Query, const std::vector<FBall>& Balls, const std::vector<FVector>& Points)
	{
		FCounts Counts;
		for (const FVector& Point : Points)
		{
			bool bUnsure = false, bInside = false;
			for (const FBall& Ball : Balls)
			{
				const double Distance = (Point - Ball.Centre).Size();
				const double Height = Point.Z - Ball.Centre.Z;
				if (Ball.bUpperHalf && std::abs(Height) < Ball.Band)
				{
					bUnsure |= Distance < Ball.Outer;
					continue;
				}
				const bool bInBall = Distance < Ball.Inner && (!Ball.bUpperHalf || Height > 0.0);
				bUnsure |= Distance >= Ball.Inner && Distance <= Ball.Outer;
				bInside |= bInBall;
			}
			if (bUnsure)
			{
				continue;
			}
			++Counts.Judged;
			Counts.Expected += bInside ? 1 : 0;
			Counts.Inside += Query.IsInside(Point) ? 1 : 0;
		}
		return Counts;
	}

	FBall BallOf(const FMesh& Mesh, const FVector& Centre, double Radius)
	{
		return FBall{Centre, InnerRadius(Mesh, Centre) - 1e-9, Radius * (1.0 + 1e-6)};
	}
}

TEST(MeshQueryInside, SpheresWoundAnyWayHoldTheirBall)
{
	const FVector Centre(1, -2, 3);
	const FMesh Outward = Sphere(10.0, Centre);
	const std::vector<FVector> Points = RandomPoints(7, 20000, Centre - FVector(13.0), Centre + FVector(13.0));
	const FBall Ball = BallOf(Outward, Centre, 10.0);
	const struct
	{
		const char* Name;
		FMesh Mesh;
	} Cases[] = {
	    {"outward", Outward},
	    {"inside out", Reversed(Outward)},
	    {"every other triangle flipped", FlipEveryOther(Outward)},
	    {"each triangle doubled with its reverse", DoubledWithReverse(Outward)},
	    {"split at every triangle", SplitVertices(FlipEveryOther(Outward))},
	};
	for (const auto& Case : Cases)
	{
		const auto Query = BuildQuery(Case.Mesh);
		ASSERT_TRUE(Query);
		const FCounts Counts = CountInside(*Query, {Ball}, Points);
		EXPECT_GT(Counts.Expected, 4000) << Case.Name;
		EXPECT_EQ(Counts.Inside, Counts.Expected) << Case.Name;
	}
}

TEST(MeshQueryInside, OverlappingAndNestedShellsAreInsideAnywhereInAny)
{
	const FMesh A = Sphere(10.0, FVector(0, 0, 0));
	const FMesh B = FlipEveryOther(Sphere(8.0, FVector(12, 0, 0)));
	const FMesh Inner = Reversed(Sphere(4.0, FVector(-3, 0, 0), 16, 32));
	const auto Query = BuildQuery(Joined(Joined(A, B), Inner));
	ASSERT_TRUE(Query);
	EXPECT_EQ(Query->GetStats().ClosedParts, 3);
	const std::vector<FVector> Points = RandomPoints(11, 30000, FVector(-12, -12, -12), FVector(22, 12, 12));
	const FCounts Counts = CountInside(*Query, {BallOf(A, FVector(0, 0, 0), 10.0), BallOf(B, FVector(12, 0, 0), 8.0), BallOf(Inner, FVector(-3, 0, 0), 4.0)}, Points);
	EXPECT_GT(Counts.Expected, 8000);
	EXPECT_EQ(Counts.Inside, Counts.Expected);
	// In the lens both spheres share, and in the shell within the first.
	EXPECT_TRUE(Query->IsInside(FVector(6, 0, 0)));
	EXPECT_TRUE(Query->IsInside(FVector(-3, 0, 0)));
	EXPECT_TRUE(Query->IsInside(FVector(-3, 0, 3.5)));
}

TEST(MeshQueryInside, AnOpenHemisphereHoldsItsHalfBall)
{
	// What an open surface bounds is where its winding number passes one half: for a bowl, the half ball.
	const FMesh Whole = Sphere(10.0, FVector(0, 0, 0), 32, 64);
	const FMesh Bowl = Keeping(Whole, [](int32, const FVector& Centroid)
	                           { return Centroid.Z > 0.0; });
	FBall Half = BallOf(Whole, FVector(0, 0, 0), 10.0);
	Half.bUpperHalf = true;
	Half.Band = 0.05;
	const std::vector<FVector> Points = RandomPoints(13, 20000, FVector(-12, -12, -12), FVector(12, 12, 12));
	for (const FMesh& Mesh : {Bowl, FlipEveryOther(Bowl), Reversed(Bowl)})
	{
		const auto Query = BuildQuery(Mesh);
		ASSERT_TRUE(Query);
		EXPECT_EQ(Query->GetStats().OpenParts, 1);
		const FCounts Counts = CountInside(*Query, {Half}, Points);
		EXPECT_GT(Counts.Expected, 2500);
		EXPECT_NEAR(Counts.Inside, Counts.Expected, 0.02 * Counts.Expected);
	}
}

TEST(MeshQueryInside, ASphereWithASmallHoleKeepsItsBall)
{
	const FMesh Whole = Sphere(10.0, FVector(0, 0, 0), 24, 48);
	// Two neighbouring triangles of a band at the equator, and a patch round the north pole.
	const int32 Equator = 48 + 2 * 48 * 11;
	const FMesh Holed = Keeping(Whole, [](int32 Triangle, const FVector& Centroid)
	                            { return Triangle != Equator && Triangle != Equator + 1 && Centroid.Z < 9.9; });
	const std::vector<FVector> Points = RandomPoints(17, 20000, FVector(-12, -12, -12), FVector(12, 12, 12));
	for (const FMesh& Mesh : {FlipEveryOther(Holed), Reversed(Holed)})
	{
		const auto Query = BuildQuery(Mesh);
		ASSERT_TRUE(Query);
		EXPECT_EQ(Query->GetStats().OpenParts, 1);
		EXPECT_EQ(Query->GetStats().HolesClosed, 2);
		const FCounts Counts = CountInside(*Query, {BallOf(Whole, FVector(0, 0, 0), 10.0)}, Points);
		EXPECT_GT(Counts.Expected, 4000);
		EXPECT_NEAR(Counts.Inside, Counts.Expected, 0.02 * Counts.Expected);
		EXPECT_TRUE(Query->IsInside(FVector(0, 0, 9.5)));
		EXPECT_FALSE(Query->IsInside(FVector(0, 0, 10.5)));
	}
}

TEST(MeshQueryInside, ACupWithAWavyRimIsClosedAcrossTheMiddleOfItsRim)
{
	for (const FMesh& Cup : {WavyCup(5.0, 10.0, 2.0), Reversed(WavyCup(5.0, 10.0, 2.0))})
	{
		const auto Query = BuildQuery(Cup);
		ASSERT_TRUE(Query);
		EXPECT_EQ(Query->GetStats().HolesClosed, 1);
		EXPECT_TRUE(Query->IsInside(FVector(0, 0, 1)));
		EXPECT_TRUE(Query->IsInside(FVector(0.1, 0.2, 9.0)));
		EXPECT_FALSE(Query->IsInside(FVector(0.1, 0.2, 11.0)));
		// Where the rim is high, under it; where it is low, over it.
		EXPECT_TRUE(Query->IsInside(FVector(4.5, 0.1, 11.0)));
		EXPECT_FALSE(Query->IsInside(FVector(0.1, 4.5, 9.0)));
	}
}

TEST(MeshQueryInside, AgreesWithTheBruteForceWindingNumberNearTheSurface)
{
	// Points close to a head's surface and around a hole, where the grid settles least and counts most.
	const FMesh Head = FromHost(Host::BuildHead(3000));
	const FMesh Holed = Keeping(FromHost(Host::BuildSphere(10.f, 16, 32)), [](int32 Triangle, const FVector&)
	                            { return Triangle != 300 && Triangle != 301 && Triangle != 302; });
	for (const FMesh* Mesh : {&Head, &Holed})
	{
		const auto Query = BuildQuery(*Mesh);
		ASSERT_TRUE(Query);
		std::mt19937 Random(23);
		std::uniform_int_distribution<int32> AnyTriangle(0, Mesh->NumTriangles() - 1);
		std::normal_distribution<double> Offset(0.0, 0.3);
		int32 Judged = 0, Inside = 0;
		for (int32 Sample = 0; Sample < 3000; ++Sample)
		{
			const FVector Point = Mesh->Centroid(AnyTriangle(Random)) + FVector(Offset(Random), Offset(Random), Offset(Random));
			const double Winding = BruteForceWinding(*Mesh, Point);
			// Where the winding number is within the trees' tolerance of one half, either answer is right.
			if (std::abs(Winding - 0.5) < 0.05)
			{
				continue;
			}
			++Judged;
			Inside += Winding > 0.5 ? 1 : 0;
			ASSERT_EQ(Query->IsInside(Point), Winding > 0.5) << TCHAR_TO_UTF8(*Point.ToString()) << " winding " << Winding;
		}
		EXPECT_GT(Judged, 2500);
		EXPECT_GT(Inside, 800);
	}
}

TEST(MeshQueryInside, AgreesWithTheBruteForceWindingNumberAcrossFlatRims)
{
	// Where an open surface ends along a flat rim, its winding number passes one half across the flat
	// spanning the rim: the solid the query closes it to must agree with it there too.
	const FMesh Whole = FromHost(Host::BuildSphere(10.f, 16, 32));
	// Rings of the sphere lie at 10 cos(pi k / 16); cut along rings 3 (z 8.31) and 10 (z -3.83).
	const auto Cut = [&Whole](double Height, bool bKeepBelow)
	{
		return Keeping(Whole, [&](int32 Triangle, const FVector&)
		               {
			               for (int32 Corner = 0; Corner < 3; ++Corner)
			               {
				               const double Z = Whole.Corner(Triangle, Corner).Z;
				               if (bKeepBelow ? Z > Height + 1e-3 : Z < Height - 1e-3)
				               {
					               return false;
				               }
			               }
			               return true; });
	};
	const double Rings[2] = {10.0 * std::cos(UE_DOUBLE_PI * 3 / 16), 10.0 * std::cos(UE_DOUBLE_PI * 10 / 16)};
	const FMesh Holed = Cut(Rings[0], true);
	const FMesh Bowl = Cut(Rings[1], false);
	for (const FMesh* Mesh : {&Holed, &Bowl})
	{
		const auto Query = BuildQuery(*Mesh);
		ASSERT_TRUE(Query);
		EXPECT_EQ(Query->GetStats().HolesClosed, 1);
		const double RimHeight = Mesh == &Holed ? Rings[0] : Rings[1];
		const double RimRadius = std::sqrt(100.0 - RimHeight * RimHeight);
		std::mt19937 Random(47);
		std::uniform_real_distribution<double> Angle(0.0, 2.0 * UE_DOUBLE_PI), Offset(-2.0, 2.0), Across(-RimRadius, RimRadius);
		int32 Judged = 0;
		for (int32 Sample = 0; Sample < 4000; ++Sample)
		{
			// Half near the rim, half across the opening.
			const double Around = Angle(Random);
			const FVector Point = Sample % 2 ? FVector((RimRadius + Offset(Random)) * std::cos(Around), (RimRadius + Offset(Random)) * std::sin(Around), RimHeight + Offset(Random))
			                                 : FVector(Across(Random), Across(Random), RimHeight + Offset(Random));
			const double Winding = BruteForceWinding(*Mesh, Point);
			// On the flat across the rim the winding number is one half: either side is right.
			if (std::abs(Winding - 0.5) < 1e-6 || std::abs(Point.Z - RimHeight) < 1e-9)
			{
				continue;
			}
			++Judged;
			ASSERT_EQ(Query->IsInside(Point), Winding > 0.5) << TCHAR_TO_UTF8(*Point.ToString()) << " winding " << Winding;
		}
		EXPECT_GT(Judged, 3900);
	}
}

TEST(MeshQueryInside, FacesOnRoundCoordinatesAndPointsOnThemAreJudgedExactly)
{
	// Faces at whole numbers, cut into squares, and points on a lattice of quarters: many lie exactly in a
	// face's plane or on its edges.
	const auto Query = BuildQuery(TessellatedBox(FVector(-2, -1, 0), FVector(2, 3, 4), 4));
	ASSERT_TRUE(Query);
	for (double X = -3.0; X <= 3.0; X += 0.25)
	{
		for (double Y = -2.0; Y <= 4.0; Y += 0.25)
		{
			for (double Z = -1.0; Z <= 5.0; Z += 0.25)
			{
				const bool bStrictlyInside = X > -2 && X < 2 && Y > -1 && Y < 3 && Z > 0 && Z < 4;
				const bool bStrictlyOutside = X < -2 || X > 2 || Y < -1 || Y > 3 || Z < 0 || Z > 4;
				if (bStrictlyInside || bStrictlyOutside)
				{
					ASSERT_EQ(Query->IsInside(FVector(X, Y, Z)), bStrictlyInside) << X << " " << Y << " " << Z;
				}
			}
		}
	}
}

TEST(MeshQueryInside, TinyAndFarAwayMeshesKeepTheirInside)
{
	// Far away, a mesh of a millionth of a unit would be a few steps of double precision across.
	const struct
	{
		double Scale;
		FVector Where;
	} Cases[] = {{1e-6, FVector(0, 0, 0)}, {1.0, FVector(0, 0, 0)}, {1e5, FVector(0, 0, 0)}, {1.0, FVector(3e9, -2e9, 1e9)}, {1e5, FVector(3e9, -2e9, 1e9)}};
	for (const auto& [Scale, Where] : Cases)
	{
		{
			const FVector Centre = Where + FVector(0.3, 0.2, 0.1) * Scale;
			FMesh Mesh = Sphere(1.0, FVector(0, 0, 0), 12, 24);
			for (FVector& Vertex : Mesh.Vertices)
			{
				Vertex = Centre + Vertex * Scale;
			}
			const auto Query = BuildQuery(Mesh);
			ASSERT_TRUE(Query);
			EXPECT_TRUE(Query->IsInside(Centre)) << Scale;
			EXPECT_TRUE(Query->IsInside(Centre + FVector(0.8, 0, 0) * Scale)) << Scale;
			EXPECT_FALSE(Query->IsInside(Centre + FVector(1.2, 0, 0) * Scale)) << Scale;
			EXPECT_FALSE(Query->IsInside(Centre + FVector(0, 0, 3) * Scale)) << Scale;
		}
	}
}

TEST(MeshQueryInside, PointsThatAreNotFiniteOrFarAwayAreOutside)
{
	const auto Query = BuildQuery(Sphere(10.0));
	ASSERT_TRUE(Query);
	constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
	constexpr double Infinity = std::numeric_limits<double>::infinity();
	EXPECT_FALSE(Query->IsInside(FVector(NaN, 0, 0)));
	EXPECT_FALSE(Query->IsInside(FVector(0, Infinity, 0)));
	EXPECT_FALSE(Query->IsInside(FVector(0, 0, -Infinity)));
	EXPECT_FALSE(Query->IsInside(FVector(1e300, 0, 0)));
	EXPECT_FALSE(Query->IsInside(FVector(0, 0, 11)));
	EXPECT_TRUE(Query->IsInside(FVector(0, 0, 0)));
}

TEST(MeshQueryInside, ManyThreadsGetTheAnswersOneDoes)
{
	const FMesh Mesh = Joined(FromHost(Host::BuildHead(4000)), Keeping(Sphere(5.0, FVector(0, 12, 0)), [](int32, const FVector& Centroid)
	                                                                   { return Centroid.Z > 0.0; }));
	const auto Query = BuildQuery(Mesh);
	ASSERT_TRUE(Query);
	const std::vector<FVector> Points = RandomPoints(29, 40000, FVector(-14, -14, -14), FVector(14, 18, 14));
	std::vector<uint8> Serial(Points.size()), Parallel(Points.size());
	std::vector<FVector> SerialNearest(Points.size()), ParallelNearest(Points.size());
	for (size_t Index = 0; Index < Points.size(); ++Index)
	{
		FVector Normal;
		Serial[Index] = Query->IsInside(Points[Index]) ? 1 : 0;
		Query->NearestPoint(Points[Index], SerialNearest[Index], Normal);
	}
	ParallelFor(static_cast<int32>(Points.size()), [&](int32 Index)
	            {
		            FVector Normal;
		            Parallel[static_cast<size_t>(Index)] = Query->IsInside(Points[static_cast<size_t>(Index)]) ? 1 : 0;
		            Query->NearestPoint(Points[static_cast<size_t>(Index)], ParallelNearest[static_cast<size_t>(Index)], Normal); });
	EXPECT_EQ(Serial, Parallel);
	EXPECT_EQ(SerialNearest, ParallelNearest);
}
