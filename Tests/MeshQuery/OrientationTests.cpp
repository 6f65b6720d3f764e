// How a query reads a mesh: parts, their orientation, copies and triangles without area.
#include "MeshQueryTestHelpers.h"

using namespace MeshQueryTest;
using GroomFitting::EResolveResult;
using GroomFitting::FMeshQuery;

namespace
{
	// Every triangle with an area faces away from Centre.
	void ExpectNormalsFaceAwayFrom(const FMeshQuery& Query, const FMesh& Mesh, const FVector& Centre)
	{
		ASSERT_EQ(Query.NumTriangles(), Mesh.NumTriangles());
		for (int32 Triangle = 0; Triangle < Mesh.NumTriangles(); ++Triangle)
		{
			const FVector Normal = Query.TriangleNormal(Triangle);
			ASSERT_NEAR(Normal.Size(), 1.0, 1e-9) << "triangle " << Triangle;
			ASSERT_GT(Normal | (Mesh.Centroid(Triangle) - Centre).GetSafeNormal(), 0.9) << "triangle " << Triangle;
		}
	}
}

TEST(MeshQueryOrientation, ASphereWoundOutwardNeedsNothing)
{
	const FMesh Mesh = Sphere(10.0);
	const auto Query = BuildQuery(Mesh);
	ASSERT_TRUE(Query);
	const GroomFitting::FMeshQueryStats& Stats = Query->GetStats();
	EXPECT_EQ(Stats.Triangles, Mesh.NumTriangles());
	EXPECT_EQ(Stats.Parts, 1);
	EXPECT_EQ(Stats.ClosedParts, 1);
	EXPECT_EQ(Stats.OpenParts, 0);
	EXPECT_EQ(Stats.PartsReoriented, 0);
	EXPECT_EQ(Stats.TrianglesFlipped, 0);
	EXPECT_EQ(Stats.DuplicatesDropped + Stats.ReversedDropped + Stats.TrianglesWithoutArea, 0);
	ExpectNormalsFaceAwayFrom(*Query, Mesh, FVector(0, 0, 0));
	EXPECT_EQ(Stats.ToString(), FString::Printf(TEXT("%d triangles in 1 part (closed)"), Mesh.NumTriangles()));
}

TEST(MeshQueryOrientation, MixedAndInsideOutWindingsAreTurnedOutward)
{
	const FMesh Outward = Sphere(10.0, FVector(5, 0, 0));
	for (const bool bInsideOut : {false, true})
	{
		const FMesh Mesh = bInsideOut ? Reversed(Outward) : FlipEveryOther(Outward);
		const auto Query = BuildQuery(Mesh);
		ASSERT_TRUE(Query);
		const GroomFitting::FMeshQueryStats& Stats = Query->GetStats();
		EXPECT_EQ(Stats.Parts, 1);
		EXPECT_EQ(Stats.ClosedParts, 1) << "inside out: " << bInsideOut;
		EXPECT_EQ(Stats.PartsReoriented, 1);
		EXPECT_EQ(Stats.TrianglesFlipped, bInsideOut ? Mesh.NumTriangles() : Mesh.NumTriangles() / 2);
		ExpectNormalsFaceAwayFrom(*Query, Mesh, FVector(5, 0, 0));
	}
}

TEST(MeshQueryOrientation, ADoubleSidedExportKeepsOneOfEachPair)
{
	const FMesh Single = Sphere(10.0);
	const FMesh Doubled = DoubledWithReverse(Single);
	const auto Query = BuildQuery(Doubled);
	ASSERT_TRUE(Query);
	const GroomFitting::FMeshQueryStats& Stats = Query->GetStats();
	EXPECT_EQ(Stats.Triangles, 2 * Single.NumTriangles());
	EXPECT_EQ(Stats.ReversedDropped, Single.NumTriangles());
	EXPECT_EQ(Stats.DuplicatesDropped, 0);
	EXPECT_EQ(Stats.Parts, 1);
	EXPECT_EQ(Stats.ClosedParts, 1);
	// Both copies answer a trace's face index with the outward normal.
	ExpectNormalsFaceAwayFrom(*Query, Doubled, FVector(0, 0, 0));

	FMesh Repeated = Joined(Single, Single);
	const auto RepeatedQuery = BuildQuery(Repeated);
	ASSERT_TRUE(RepeatedQuery);
	// The copy's corners are other vertices at the same places: still the same triangle.
	EXPECT_EQ(RepeatedQuery->GetStats().DuplicatesDropped, Single.NumTriangles());
	EXPECT_EQ(RepeatedQuery->GetStats().ClosedParts, 1);
}

TEST(MeshQueryOrientation, ClosedShellsSharingAFaceAreOneClosedShellWithoutTheWallBetween)
{
	// Two boxes side by side, each closed, the face between them given once by each, wound each way.
	const FMesh Left = TessellatedBox(FVector(0, 0, 0), FVector(4, 4, 4), 4);
	const FMesh Right = TessellatedBox(FVector(4, 0, 0), FVector(8, 4, 4), 4);
	const auto Query = BuildQuery(Joined(Left, Right));
	ASSERT_TRUE(Query);
	const GroomFitting::FMeshQueryStats& Stats = Query->GetStats();
	EXPECT_EQ(Stats.Parts, 1);
	EXPECT_EQ(Stats.ClosedParts, 1);
	EXPECT_EQ(Stats.OpenParts, 0);
	EXPECT_EQ(Stats.HolesClosed, 0);
	EXPECT_EQ(Stats.SharedFacesDropped, 2 * 32);
	EXPECT_EQ(Stats.ReversedDropped, 0);
	EXPECT_NE(Stats.ToString().Find(TEXT("(closed)")), INDEX_NONE) << TCHAR_TO_UTF8(*Stats.ToString());
	// Beside the wall that was: inside, and out through the union's own surface, not onto the wall.
	const FVector Point(4.05, 2.0, 1.5);
	ASSERT_TRUE(Query->IsInside(Point));
	FVector Out;
	ASSERT_EQ(Query->ResolvePoint(Point, 0.1, Out), EResolveResult::Resolved);
	EXPECT_TRUE(Out.Equals(FVector(4.05, 2.0, -0.1), 1e-9)) << TCHAR_TO_UTF8(*Out.ToString());

	// A double-sided shell or card still keeps one way of each pair: nothing of the rest closes its rim.
	for (const FMesh& Doubled : {DoubledWithReverse(Left), DoubledWithReverse(FromHost(Host::BuildPlane(4.f, 4)))})
	{
		const auto DoubledQuery = BuildQuery(Doubled);
		ASSERT_TRUE(DoubledQuery);
		EXPECT_EQ(DoubledQuery->GetStats().SharedFacesDropped, 0);
		EXPECT_EQ(DoubledQuery->GetStats().ReversedDropped, Doubled.NumTriangles() / 2);
	}
}

TEST(MeshQueryOrientation, CornersAtTheSamePlaceJoinTriangles)
{
	// Render data splits vertices at seams; the surface stays one closed part.
	const FMesh Mesh = SplitVertices(FlipEveryOther(Sphere(3.0)));
	const auto Query = BuildQuery(Mesh);
	ASSERT_TRUE(Query);
	EXPECT_EQ(Query->GetStats().Parts, 1);
	EXPECT_EQ(Query->GetStats().ClosedParts, 1);
	ExpectNormalsFaceAwayFrom(*Query, Mesh, FVector(0, 0, 0));
}

TEST(MeshQueryOrientation, PartsAreOrientedEachOnItsOwn)
{
	// A sphere turned inside out beside one wound outward, and an open bowl.
	const FMesh Bowl = Keeping(Sphere(4.0, FVector(0, 30, 0)), [](int32, const FVector& Centroid)
	                           { return Centroid.Z > 0.0; });
	const FMesh Mesh = Joined(Joined(Reversed(Sphere(10.0)), Sphere(5.0, FVector(20, 0, 0))), Reversed(Bowl));
	const auto Query = BuildQuery(Mesh);
	ASSERT_TRUE(Query);
	const GroomFitting::FMeshQueryStats& Stats = Query->GetStats();
	EXPECT_EQ(Stats.Parts, 3);
	EXPECT_EQ(Stats.ClosedParts, 2);
	EXPECT_EQ(Stats.OpenParts, 1);
	EXPECT_EQ(Stats.PartsReoriented, 2);
	for (int32 Triangle = 0; Triangle < Mesh.NumTriangles(); ++Triangle)
	{
		const FVector Centroid = Mesh.Centroid(Triangle);
		const FVector Centre = Centroid.Y > 20.0 ? FVector(0, 30, 0) : (Centroid.X > 12.0 ? FVector(20, 0, 0) : FVector(0, 0, 0));
		ASSERT_GT(Query->TriangleNormal(Triangle) | (Centroid - Centre), 0.0) << "triangle " << Triangle;
	}
	EXPECT_NE(Stats.ToString().Find(TEXT("(2 closed, 1 open)")), INDEX_NONE) << TCHAR_TO_UTF8(*Stats.ToString());
}

TEST(MeshQueryOrientation, TrianglesWithoutAreaHaveNoNormalAndLeaveThePartClosed)
{
	FMesh Mesh = Sphere(10.0);
	const int32 First = Mesh.NumTriangles();
	// Two corners at one place, and a sliver whose corners lie in a line along an existing edge's
	// vertices (no new edge is left open by it: it joins three vertices already joined).
	Mesh.Indices.Append({0, 0, 1});
	const int32 Mid = Mesh.Vertices.Add((Mesh.Vertices[1] + Mesh.Vertices[2]) * 0.5);
	Mesh.Indices.Append({1, Mid, 2});
	const auto Query = BuildQuery(Mesh);
	ASSERT_TRUE(Query);
	EXPECT_EQ(Query->GetStats().TrianglesWithoutArea, 2);
	EXPECT_TRUE(Query->TriangleNormal(First).IsZero());
	EXPECT_TRUE(Query->TriangleNormal(First + 1).IsZero());
	EXPECT_TRUE(Query->TriangleNormal(-1).IsZero());
	EXPECT_TRUE(Query->TriangleNormal(First + 2).IsZero());
	EXPECT_NE(Query->GetStats().ToString().Find(TEXT("2 without area ignored")), INDEX_NONE);
}

TEST(MeshQueryOrientation, BoundsHoldTheTrianglesWithAnArea)
{
	FMesh Mesh = TessellatedBox(FVector(-1, -2, -3), FVector(4, 5, 6), 2);
	// A stray vertex no triangle uses, and one that only a triangle without area uses.
	Mesh.Vertices.Add(FVector(100, 100, 100));
	const int32 Stray = Mesh.Vertices.Add(FVector(-50, 0, 0));
	Mesh.Indices.Append({Stray, Stray, 0});
	const auto Query = BuildQuery(Mesh);
	ASSERT_TRUE(Query);
	const FBox Bounds = Query->GetBounds();
	EXPECT_TRUE(Bounds.IsValid);
	EXPECT_EQ(Bounds.Min, FVector(-1, -2, -3));
	EXPECT_EQ(Bounds.Max, FVector(4, 5, 6));
}

TEST(MeshQueryOrientation, BadMeshesAreRefusedWithTheReason)
{
	const FMesh Good = TessellatedBox(FVector(0, 0, 0), FVector(1, 1, 1), 1);
	const auto Refused = [](const FMesh& Mesh)
	{
		FString Error;
		EXPECT_FALSE(FMeshQuery::Build(Mesh.Vertices, Mesh.Indices, Error));
		EXPECT_FALSE(Error.IsEmpty());
		return std::string(TCHAR_TO_UTF8(*Error));
	};
	FMesh Mesh = Good;
	Mesh.Indices.Add(0);
	EXPECT_NE(Refused(Mesh).find("not whole triangles"), std::string::npos);

	Mesh = Good;
	Mesh.Indices[4] = Mesh.Vertices.Num();
	EXPECT_NE(Refused(Mesh).find("triangle 1 refers to vertex"), std::string::npos);
	Mesh.Indices[4] = -1;
	EXPECT_NE(Refused(Mesh).find("refers to vertex -1"), std::string::npos);

	Mesh = Good;
	Mesh.Vertices[Mesh.Indices[7]].Y = std::numeric_limits<double>::quiet_NaN();
	EXPECT_NE(Refused(Mesh).find("is not finite"), std::string::npos);
	Mesh.Vertices[Mesh.Indices[7]].Y = std::numeric_limits<double>::infinity();
	EXPECT_NE(Refused(Mesh).find("is not finite"), std::string::npos);

	Mesh = Good;
	Mesh.Vertices[Mesh.Indices[7]].Z = -2.0 * FMeshQuery::MaxCoordinate;
	EXPECT_NE(Refused(Mesh).find("beyond"), std::string::npos);

	EXPECT_NE(Refused(FMesh()).find("no triangles"), std::string::npos);
	Mesh = FMesh();
	Mesh.Vertices = {FVector(0, 0, 0), FVector(1, 1, 1), FVector(2, 2, 2)};
	Mesh.Indices = {0, 1, 2, 0, 0, 1};
	EXPECT_NE(Refused(Mesh).find("no triangle with an area"), std::string::npos);

	// A vertex no triangle uses may be anything.
	Mesh = Good;
	Mesh.Vertices.Add(FVector(std::numeric_limits<double>::quiet_NaN(), 0, 0));
	EXPECT_TRUE(BuildQuery(Mesh));
}

TEST(MeshQueryOrientation, AMeshAtTheEdgeOfTheWorldIsAccepted)
{
	const double Far = 0.999 * FMeshQuery::MaxCoordinate;
	const FMesh Mesh = TessellatedBox(FVector(Far - 1024, -Far, 0), FVector(Far, -Far + 1024, 1024), 4);
	const auto Query = BuildQuery(Mesh);
	ASSERT_TRUE(Query);
	EXPECT_TRUE(Query->IsInside(FVector(Far - 512, -Far + 512, 512)));
	EXPECT_FALSE(Query->IsInside(FVector(Far + 1, -Far + 512, 512)));
}
