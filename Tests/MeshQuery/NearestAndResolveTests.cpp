// Nearest surface points, and bringing points that are inside out to the surface.
#include "MeshQueryTestHelpers.h"

#include "Distance/DistPoint3Triangle3.h"

using namespace MeshQueryTest;
using GroomFitting::EResolveResult;
using GroomFitting::FMeshQuery;

namespace
{
	// Spheres (centre, radius) a mesh was made of, and the ball each certainly holds.
	struct FSphereShape
	{
		FVector Centre;
		double Radius = 0.0;
		double Inner = 0.0;
	};

	// Resolves every point of Points the query finds inside; each must come out Resolved, no further than
	// Offset from the surface, and outside the ball each shape certainly holds.
	int32 ExpectAllResolved(const FMeshQuery& Query, const std::vector<FVector>& Points, const std::vector<FSphereShape>& Shapes, double Offset)
	{
		int32 Resolved = 0;
		for (const FVector& Point : Points)
		{
			FVector Out;
			const EResolveResult Result = Query.ResolvePoint(Point, Offset, Out);
			if (!Query.IsInside(Point))
			{
				EXPECT_EQ(Result, EResolveResult::Outside);
				EXPECT_EQ(Out, Point);
				continue;
			}
			if (Result != EResolveResult::Resolved)
			{
				ADD_FAILURE() << TCHAR_TO_UTF8(*Point.ToString()) << ": " << TCHAR_TO_UTF8(GroomFitting::LexToString(Result));
				continue;
			}
			EXPECT_FALSE(Query.IsInside(Out)) << TCHAR_TO_UTF8(*Out.ToString());
			for (const FSphereShape& Shape : Shapes)
			{
				EXPECT_GT((Out - Shape.Centre).Size(), Shape.Inner) << TCHAR_TO_UTF8(*Out.ToString());
			}
			FVector Nearest, Normal;
			EXPECT_TRUE(Query.NearestPoint(Out, Nearest, Normal));
			// No further than the offset from the surface (nearer where another surface comes close).
			EXPECT_LE((Out - Nearest).Size(), Offset * 1.0001 + 1e-6) << TCHAR_TO_UTF8(*Out.ToString());
			++Resolved;
		}
		return Resolved;
	}
}

TEST(MeshQueryNearest, ASphereGivesPointsOnItsRadiusWithOutwardNormals)
{
	const FVector Centre(3, -2, 50);
	const FMesh Mesh = FlipEveryOther(Sphere(10.0, Centre));
	const double Inner = InnerRadius(Mesh, Centre);
	const auto Query = BuildQuery(Mesh);
	ASSERT_TRUE(Query);
	std::mt19937 Random(5);
	std::normal_distribution<double> Gaussian;
	for (int32 Sample = 0; Sample < 500; ++Sample)
	{
		const FVector Direction = FVector(Gaussian(Random), Gaussian(Random), Gaussian(Random)).GetSafeNormal();
		const double Distance = 20.0 * std::abs(Gaussian(Random));
		FVector Nearest, Normal;
		int32 Triangle = -1;
		ASSERT_TRUE(Query->NearestPoint(Centre + Direction * Distance, Nearest, Normal, TNumericLimits<double>::Max(), &Triangle));
		const double Radius = (Nearest - Centre).Size();
		EXPECT_GE(Radius, Inner - 1e-9);
		EXPECT_LE(Radius, 10.0 + 1e-5);
		EXPECT_GT(Normal | (Nearest - Centre), 0.0);
		EXPECT_NEAR(Normal.Size(), 1.0, 1e-9);
		ASSERT_GE(Triangle, 0);
		EXPECT_EQ(Query->TriangleNormal(Triangle), Normal);
		// The triangle given is the one the point lies on.
		const FVector A = Mesh.Corner(Triangle, 0), B = Mesh.Corner(Triangle, 1), C = Mesh.Corner(Triangle, 2);
		EXPECT_NEAR(((B - A) ^ (C - A)).GetSafeNormal() | (Nearest - A), 0.0, 1e-9);
	}
}

TEST(MeshQueryNearest, IsTheNearestOfAllTrianglesNearAndFarFromTheSurface)
{
	// A head and a card through its side (a flat part, which the inside grid does not hold).
	FMesh Card;
	Card.Vertices = {FVector(-3, 7, 3), FVector(3, 7, 3), FVector(3, 7, 6), FVector(-3, 7, 6)};
	Card.Indices = {0, 2, 1, 0, 3, 2};
	const FMesh Mesh = Joined(FromHost(Host::BuildHead(3000)), Card);
	const auto Query = BuildQuery(Mesh);
	ASSERT_TRUE(Query);
	ASSERT_EQ(Query->GetStats().FlatParts, 1);
	std::mt19937 Random(53);
	std::uniform_int_distribution<int32> AnyTriangle(0, Mesh.NumTriangles() - 1);
	std::normal_distribution<double> Offset(0.0, 0.5);
	for (int32 Sample = 0; Sample < 2000; ++Sample)
	{
		// Around the surface, far from it, and where the card passes through the head.
		const double Spread = Sample % 4 == 0 ? 8.0 : 1.0;
		const FVector Point = Sample % 4 == 1 ? FVector(3.0 * Offset(Random), 7.0 + Offset(Random), 4.5 + Offset(Random))
		                                      : Mesh.Centroid(AnyTriangle(Random)) + FVector(Offset(Random), Offset(Random), Offset(Random)) * Spread;
		double Best = TNumericLimits<double>::Max();
		for (int32 Triangle = 0; Triangle < Mesh.NumTriangles(); ++Triangle)
		{
			UE::Geometry::FDistPoint3Triangle3d Distance(Point, UE::Geometry::FTriangle3d(Mesh.Corner(Triangle, 0), Mesh.Corner(Triangle, 1), Mesh.Corner(Triangle, 2)));
			Best = FMath::Min(Best, Distance.Get());
		}
		FVector Nearest, Normal;
		ASSERT_TRUE(Query->NearestPoint(Point, Nearest, Normal));
		ASSERT_NEAR((Nearest - Point).Size(), Best, 1e-9 * (1.0 + Best)) << TCHAR_TO_UTF8(*Point.ToString());
	}
}

TEST(MeshQueryNearest, NothingBeyondTheMaximumDistanceAndNothingForBadPoints)
{
	const auto Query = BuildQuery(TessellatedBox(FVector(-1, -1, -1), FVector(1, 1, 1), 3));
	ASSERT_TRUE(Query);
	FVector Nearest, Normal;
	EXPECT_TRUE(Query->NearestPoint(FVector(0, 0, 5), Nearest, Normal, 4.5));
	EXPECT_TRUE(Nearest.Equals(FVector(0, 0, 1), 1e-12));
	EXPECT_EQ(Normal, FVector(0, 0, 1));
	EXPECT_FALSE(Query->NearestPoint(FVector(0, 0, 5), Nearest, Normal, 3.5));
	EXPECT_FALSE(Query->NearestPoint(FVector(0, 0, 5), Nearest, Normal, 0.0));
	EXPECT_FALSE(Query->NearestPoint(FVector(0, 0, 5), Nearest, Normal, std::numeric_limits<double>::quiet_NaN()));
	EXPECT_FALSE(Query->NearestPoint(FVector(std::numeric_limits<double>::quiet_NaN(), 0, 0), Nearest, Normal));
	EXPECT_FALSE(Query->NearestPoint(FVector(0, std::numeric_limits<double>::infinity(), 0), Nearest, Normal));
	// Inside, nearest the -X face.
	EXPECT_TRUE(Query->NearestPoint(FVector(-0.8, 0.1, 0.2), Nearest, Normal));
	EXPECT_TRUE(Nearest.Equals(FVector(-1, 0.1, 0.2), 1e-12));
	EXPECT_EQ(Normal, FVector(-1, 0, 0));
}

TEST(MeshQueryResolve, PointsInsideSpheresWoundAnyWayComeOut)
{
	const FVector Centre(0, 0, 0);
	const FMesh Outward = Sphere(10.0, Centre);
	const FSphereShape Shape{Centre, 10.0, InnerRadius(Outward, Centre)};
	const std::vector<FVector> Points = RandomPoints(31, 3000, FVector(-11), FVector(11));
	for (const FMesh& Mesh : {FlipEveryOther(Outward), DoubledWithReverse(Outward), Reversed(Outward)})
	{
		const auto Query = BuildQuery(Mesh);
		ASSERT_TRUE(Query);
		EXPECT_GT(ExpectAllResolved(*Query, Points, {Shape}, 0.1), 1000);
	}
}

TEST(MeshQueryResolve, AHintFromAnotherPointStillLeadsOutByTheNearestWay)
{
	// A strand hands each point's nearest triangle to the next; a hint far from the point, or one out of
	// range, must not keep the search from the nearest.
	const FMesh Mesh = Sphere(10.0, FVector(0, 0, 0));
	const auto Query = BuildQuery(Mesh);
	ASSERT_TRUE(Query);
	const double Offset = 0.01;
	int32 Hint = INDEX_NONE;
	int32 Checked = 0;
	for (const FVector& Point : RandomPoints(37, 2000, FVector(-10), FVector(10)))
	{
		if (!Query->IsInside(Point))
		{
			continue;
		}
		FVector Plain, Carried, FarHinted, Invalid;
		ASSERT_EQ(Query->ResolveInsidePoint(Point, Offset, Plain), EResolveResult::Resolved);
		ASSERT_EQ(Query->ResolveInsidePoint(Point, Offset, Carried, &Hint), EResolveResult::Resolved);
		// The hint the point on the other side of the centre leaves.
		FVector Opposite;
		int32 Far = INDEX_NONE;
		ASSERT_EQ(Query->ResolveInsidePoint(-Point, Offset, Opposite, &Far), EResolveResult::Resolved);
		ASSERT_EQ(Query->ResolveInsidePoint(Point, Offset, FarHinted, &Far), EResolveResult::Resolved);
		int32 OutOfRange = Query->NumTriangles() + 5;
		ASSERT_EQ(Query->ResolveInsidePoint(Point, Offset, Invalid, &OutOfRange), EResolveResult::Resolved);
		// Where two triangles are equally near, either may lead out: the way is as long to within the offset.
		for (const FVector& Out : {Carried, FarHinted, Invalid})
		{
			EXPECT_FALSE(Query->IsInside(Out)) << TCHAR_TO_UTF8(*Point.ToString());
			EXPECT_NEAR((Out - Point).Size(), (Plain - Point).Size(), 1.01 * Offset) << TCHAR_TO_UTF8(*Point.ToString());
		}
		++Checked;
	}
	EXPECT_GT(Checked, 500);
}

TEST(MeshQueryResolve, PointsInOverlappingOrNestedShellsLeaveThemAll)
{
	const FMesh A = Sphere(10.0, FVector(0, 0, 0));
	const FMesh B = FlipEveryOther(Sphere(8.0, FVector(12, 0, 0)));
	const FMesh Inner = Sphere(3.0, FVector(-4, 0, 0), 16, 32);
	const auto Query = BuildQuery(Joined(Joined(A, B), Inner));
	ASSERT_TRUE(Query);
	const std::vector<FSphereShape> Shapes = {{FVector(0, 0, 0), 10.0, InnerRadius(A, FVector(0, 0, 0))}, {FVector(12, 0, 0), 8.0, InnerRadius(B, FVector(12, 0, 0))}};
	const std::vector<FVector> Points = RandomPoints(37, 3000, FVector(-11, -11, -11), FVector(21, 11, 11));
	EXPECT_GT(ExpectAllResolved(*Query, Points, Shapes, 0.1), 1000);

	// From the centre of the shell within the first sphere, out of the first sphere, not just the shell.
	FVector Out;
	ASSERT_EQ(Query->ResolvePoint(FVector(-4, 0, 0), 0.25, Out), EResolveResult::Resolved);
	EXPECT_GT((Out - FVector(0, 0, 0)).Size(), 10.0);
	EXPECT_LT((Out - FVector(0, 0, 0)).Size(), 10.3);
	// From the lens both spheres share, out of both.
	ASSERT_EQ(Query->ResolvePoint(FVector(6, 0, 0), 0.25, Out), EResolveResult::Resolved);
	EXPECT_GT((Out - FVector(0, 0, 0)).Size(), 10.0);
	EXPECT_GT((Out - FVector(12, 0, 0)).Size(), 8.0);
}

TEST(MeshQueryResolve, AHeadWithEarsAndANoseModelledApartIsLeftByEveryPoint)
{
	// Shells that overlap the head where they join it, as separately modelled ears and noses do.
	const FMesh Head = FromHost(Host::BuildHead(4000));
	const FMesh Shells[] = {Head, Sphere(2.0, FVector(0, 8.0, 0), 12, 24), FlipEveryOther(Sphere(2.0, FVector(0, -8.0, 0), 12, 24)),
	                        Reversed(Sphere(1.5, FVector(10.5, 0, -1), 12, 24))};
	FMesh Mesh = Shells[0];
	for (int32 Shell = 1; Shell < 4; ++Shell)
	{
		Mesh = Joined(Mesh, Shells[Shell]);
	}
	const auto Query = BuildQuery(Mesh);
	ASSERT_TRUE(Query);
	EXPECT_EQ(Query->GetStats().ClosedParts, 4);
	// Inside any shell, by each shell's own winding number (every shell outward but two, turned here).
	const FMesh Outward[] = {Shells[0], Shells[1], Sphere(2.0, FVector(0, -8.0, 0), 12, 24), Sphere(1.5, FVector(10.5, 0, -1), 12, 24)};
	const auto InAnyShell = [&Outward](const FVector& Point, bool& bClear)
	{
		bool bInside = false;
		for (const FMesh& Shell : Outward)
		{
			const double Winding = BruteForceWinding(Shell, Point);
			bClear &= std::abs(Winding - 0.5) > 0.1;
			bInside |= Winding > 0.5;
		}
		return bInside;
	};
	int32 Resolved = 0;
	for (const FVector& Point : RandomPoints(61, 1500, FVector(-13, -12, -13), FVector(13, 12, 13)))
	{
		bool bClear = true;
		const bool bInside = InAnyShell(Point, bClear);
		if (!bClear)
		{
			continue;
		}
		ASSERT_EQ(Query->IsInside(Point), bInside) << TCHAR_TO_UTF8(*Point.ToString());
		if (!bInside)
		{
			continue;
		}
		FVector Out;
		ASSERT_EQ(Query->ResolvePoint(Point, 0.1, Out), EResolveResult::Resolved) << TCHAR_TO_UTF8(*Point.ToString());
		bool bOutClear = true;
		EXPECT_FALSE(InAnyShell(Out, bOutClear)) << TCHAR_TO_UTF8(*Out.ToString());
		++Resolved;
	}
	EXPECT_GT(Resolved, 200);
}

TEST(MeshQueryResolve, PointsInsideOpenSurfacesComeOut)
{
	const FMesh Whole = Sphere(10.0, FVector(0, 0, 0), 24, 48);
	const FSphereShape Shape{FVector(0, 0, 0), 10.0, InnerRadius(Whole, FVector(0, 0, 0))};
	const FMesh Bowl = Keeping(Whole, [](int32, const FVector& Centroid)
	                           { return Centroid.Z > 0.0; });
	const FMesh Holed = Keeping(Whole, [](int32, const FVector& Centroid)
	                            { return Centroid.Z < 9.9; });
	const std::vector<FVector> Points = RandomPoints(41, 3000, FVector(-11), FVector(11));
	for (const FMesh& Mesh : {Bowl, Holed})
	{
		const auto Query = BuildQuery(Mesh);
		ASSERT_TRUE(Query);
		EXPECT_GT(ExpectAllResolved(*Query, Points, {Shape}, 0.1), 500);
	}
}

TEST(MeshQueryResolve, ZeroOffsetStillEndsOutside)
{
	const auto Query = BuildQuery(FlipEveryOther(Sphere(10.0)));
	ASSERT_TRUE(Query);
	int32 Resolved = 0;
	for (const FVector& Point : RandomPoints(43, 2000, FVector(-10), FVector(10)))
	{
		FVector Out;
		if (Query->ResolvePoint(Point, 0.0, Out) == EResolveResult::Resolved)
		{
			++Resolved;
			ASSERT_FALSE(Query->IsInside(Out));
			FVector Nearest, Normal;
			ASSERT_TRUE(Query->NearestPoint(Out, Nearest, Normal));
			ASSERT_LT((Out - Nearest).Size(), 1e-6);
		}
	}
	EXPECT_GT(Resolved, 900);
}

TEST(MeshQueryResolve, OutsidePointsAndBadOffsetsLeaveThePoint)
{
	const auto Query = BuildQuery(Sphere(10.0));
	ASSERT_TRUE(Query);
	FVector Out;
	EXPECT_EQ(Query->ResolvePoint(FVector(0, 0, 12), 0.1, Out), EResolveResult::Outside);
	EXPECT_EQ(Out, FVector(0, 0, 12));
	EXPECT_EQ(Query->ResolvePoint(FVector(std::numeric_limits<double>::quiet_NaN(), 0, 0), 0.1, Out), EResolveResult::Outside);
	for (const double Offset : {-0.1, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()})
	{
		EXPECT_EQ(Query->ResolvePoint(FVector(1, 2, 3), Offset, Out), EResolveResult::UnresolvedBadOffset);
		EXPECT_EQ(Out, FVector(1, 2, 3));
	}
	EXPECT_TRUE(GroomFitting::IsUnresolved(EResolveResult::UnresolvedBadOffset));
	EXPECT_FALSE(GroomFitting::IsUnresolved(EResolveResult::Resolved));
	EXPECT_FALSE(GroomFitting::IsUnresolved(EResolveResult::Outside));
}

TEST(MeshQueryResolve, AWayOutThatLandsInAnotherShellIsNotClaimed)
{
	// Two slabs a unit apart, the faces between them finely cut; a point in the first near the gap would
	// land in the second if pushed 1.5 across it, along every nearby face's normal.
	const FMesh First = TessellatedBox(FVector(0, 0, 0), FVector(16, 16, 2), 32);
	const FMesh Second = TessellatedBox(FVector(0, 0, 3), FVector(16, 16, 5), 32);
	const auto Query = BuildQuery(Joined(First, Second));
	ASSERT_TRUE(Query);
	const FVector Point(8.1, 7.9, 1.9);
	FVector Out;
	EXPECT_EQ(Query->ResolvePoint(Point, 1.5, Out), EResolveResult::UnresolvedNoExit);
	EXPECT_EQ(Out, Point);
	ASSERT_EQ(Query->ResolvePoint(Point, 0.5, Out), EResolveResult::Resolved);
	EXPECT_TRUE(Out.Equals(FVector(8.1, 7.9, 2.5), 1e-9));
}

TEST(MeshQueryResolve, APointInsideNestedOpenBowlsIsNotClaimed)
{
	// A finely cut bowl within a larger one: out of the small bowl is still in the large one's half ball.
	const FMesh Small = Keeping(Sphere(4.0, FVector(0, 0, 0), 48, 96), [](int32, const FVector& Centroid)
	                            { return Centroid.Z > 0.0; });
	const FMesh Large = Keeping(Sphere(10.0, FVector(0, 0, 0), 24, 48), [](int32, const FVector& Centroid)
	                            { return Centroid.Z > 0.0; });
	const auto Query = BuildQuery(Joined(Small, Large));
	ASSERT_TRUE(Query);
	const FVector Point(0.1, 0.2, 3.0);
	ASSERT_TRUE(Query->IsInside(Point));
	FVector Out;
	EXPECT_EQ(Query->ResolvePoint(Point, 0.5, Out), EResolveResult::UnresolvedOpenMesh);
	EXPECT_EQ(Out, Point);
	EXPECT_STREQ(TCHAR_TO_UTF8(GroomFitting::LexToString(EResolveResult::UnresolvedOpenMesh)), "the mesh is open there");
}

// On a convex crease or corner a point lies on two or three faces at once, and a step along one face's
// normal the wrong way slides along another face instead of into the solid. Wherever it leaves by, a point
// found inside must end off the cube by the offset, judged by the cube's own closed form.
TEST(MeshQueryResolve, PointsAtACubesEdgesAndCornersEndOutsideByTheOffset)
{
	// Signed distance from the cube [-1, 1]^3: negative inside, zero on its faces, edges and corners.
	const auto CubeDistance = [](const FVector& P)
	{
		const FVector Q(std::abs(P.X) - 1.0, std::abs(P.Y) - 1.0, std::abs(P.Z) - 1.0);
		return FVector(FMath::Max(Q.X, 0.0), FMath::Max(Q.Y, 0.0), FMath::Max(Q.Z, 0.0)).Size() + FMath::Min(Q.GetMax(), 0.0);
	};
	// Every edge (at 0.3 along it) and every corner, each then moved towards the middle by nothing, by one
	// step of double precision, and on to beyond the rounding of the inside test.
	std::vector<FVector> OnSurface;
	for (const double A : {-1.0, 1.0})
	{
		for (const double B : {-1.0, 1.0})
		{
			OnSurface.emplace_back(0.3, A, B);
			OnSurface.emplace_back(A, 0.3, B);
			OnSurface.emplace_back(A, B, 0.3);
			OnSurface.emplace_back(-1.0, A, B);
			OnSurface.emplace_back(1.0, A, B);
		}
	}
	// Moves a coordinate on a face towards the middle by Depth, or by one step of double precision.
	const auto Inset = [](double Coordinate, double Depth)
	{
		if (std::abs(Coordinate) != 1.0)
		{
			return Coordinate;
		}
		return Depth < 0.0 ? std::nextafter(Coordinate, 0.0) : Coordinate * (1.0 - Depth);
	};
	const double Depths[] = {0.0, -1.0, 1e-15, 1e-12, 1e-9, 1e-6};
	for (const int32 Divisions : {1, 3})
	{
		const auto Query = BuildQuery(TessellatedBox(FVector(-1), FVector(1), Divisions));
		ASSERT_TRUE(Query);
		for (const double Offset : {0.1, 0.0})
		{
			int32 Resolved = 0;
			for (const FVector& Point : OnSurface)
			{
				for (const double Depth : Depths)
				{
					const FVector Start(Inset(Point.X, Depth), Inset(Point.Y, Depth), Inset(Point.Z, Depth));
					FVector Out;
					if (Query->ResolvePoint(Start, Offset, Out) != EResolveResult::Resolved)
					{
						continue;
					}
					++Resolved;
					const double Distance = CubeDistance(Out);
					const FString Where = FString::Printf(TEXT("(%.17g, %.17g, %.17g) went to (%.17g, %.17g, %.17g), %d divisions"), Start.X, Start.Y, Start.Z,
					                                      Out.X, Out.Y, Out.Z, Divisions);
					EXPECT_GT(Distance, 0.0) << TCHAR_TO_UTF8(*Where);
					if (Offset > 0.0)
					{
						EXPECT_NEAR(Distance, Offset, 1e-9) << TCHAR_TO_UTF8(*Where);
					}
					else
					{
						EXPECT_LT(Distance, 1e-6) << TCHAR_TO_UTF8(*Where);
					}
				}
			}
			// Those well inside (the last two depths) at least.
			EXPECT_GE(Resolved, 2 * static_cast<int32>(OnSurface.size())) << Divisions << " divisions, offset " << Offset;
		}
	}
}
