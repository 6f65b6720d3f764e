// The engine's geometry library as the fit quality relies on it: results on failure, ties, conventions.
#include "FitQualityTestHelpers.h"

#include "Distance/DistPoint3Triangle3.h"
#include "DynamicMesh/DynamicMesh3.h"
#include "DynamicMesh/DynamicMeshAABBTree3.h"
#include "Host/Log.h"
#include "MeshDescriptionToDynamicMesh.h"
#include "Spatial/FastWinding.h"

#include <cfloat>
#include <random>

using namespace UE::Geometry;

namespace
{
	FDynamicMesh3 MakeMesh(const Host::FMeshData& Data)
	{
		FDynamicMesh3 Mesh;
		for (const FVector3f& Position : Data.Positions)
		{
			Mesh.AppendVertex(FVector3d(Position));
		}
		for (int32 Triangle = 0; Triangle < Data.NumTriangles(); ++Triangle)
		{
			Mesh.AppendTriangle(Data.Indices[3 * Triangle], Data.Indices[3 * Triangle + 1], Data.Indices[3 * Triangle + 2]);
		}
		return Mesh;
	}

	// Four corners of a unit square at z = 0, one triangle.
	FDynamicMesh3 OneTriangle()
	{
		FDynamicMesh3 Mesh;
		Mesh.AppendVertex(FVector3d(0, 0, 0));
		Mesh.AppendVertex(FVector3d(1, 0, 0));
		Mesh.AppendVertex(FVector3d(0, 1, 0));
		Mesh.AppendVertex(FVector3d(1, 1, 0));
		Mesh.AppendTriangle(0, 1, 2);
		return Mesh;
	}
}

TEST(DynamicMesh, AppendTriangleRefusesBadCornersNonManifoldEdgesAndDuplicates)
{
	FDynamicMesh3 Mesh = OneTriangle();
	Mesh.AppendVertex(FVector3d(0, 0, 1));
	EXPECT_EQ(Mesh.AppendTriangle(0, 1, 7), FDynamicMesh3::InvalidID);
	EXPECT_EQ(Mesh.AppendTriangle(0, 0, 2), FDynamicMesh3::InvalidID);
	EXPECT_EQ(Mesh.AppendTriangle(-1, 1, 2), FDynamicMesh3::InvalidID);
	EXPECT_EQ(Mesh.AppendTriangle(0, 1, 2), FDynamicMesh3::DuplicateTriangleID);
	// Edges have no direction: the same corners wound the other way are a duplicate too.
	EXPECT_EQ(Mesh.AppendTriangle(0, 2, 1), FDynamicMesh3::DuplicateTriangleID);
	EXPECT_EQ(Mesh.AppendTriangle(1, 0, 3), 1);
	// Edge 0-1 now has two triangles.
	const uint64 Stamp = Mesh.GetChangeStamp();
	EXPECT_EQ(Mesh.AppendTriangle(0, 1, 4), FDynamicMesh3::NonManifoldID);
	EXPECT_EQ(Mesh.GetChangeStamp(), Stamp);
	EXPECT_EQ(Mesh.TriangleCount(), 2);
	EXPECT_TRUE(Mesh.IsTriangle(1));
	EXPECT_FALSE(Mesh.IsTriangle(2));
	EXPECT_FALSE(Mesh.IsVertex(5));
	EXPECT_EQ(Mesh.AppendTriangle(0, 2, 4), 2);
	EXPECT_GT(Mesh.GetChangeStamp(), Stamp);
}

TEST(DynamicMesh, TriangleNormalIsTheEnginesReversedCrossProduct)
{
	FDynamicMesh3 Mesh = OneTriangle();
	EXPECT_EQ(Mesh.GetTriNormal(0), FVector3d(0, 0, -1));
	EXPECT_EQ(Mesh.GetTriBaryPoint(0, 1.0, 2.0, 3.0), FVector3d(2, 3, 0));
	Mesh.AppendVertex(FVector3d(2, 0, 0));
	const int Flat = Mesh.AppendTriangle(0, 1, 4);
	EXPECT_EQ(Mesh.GetTriNormal(Flat), FVector3d(0, 0, 0));
}

TEST(DynamicMesh, MovingAVertexLeavesTheChangeStampUnlessShapeStampsAreOn)
{
	FDynamicMesh3 Mesh = OneTriangle();
	const uint64 Stamp = Mesh.GetChangeStamp();
	Mesh.SetVertex(0, FVector3d(0, 0, 5));
	EXPECT_EQ(Mesh.GetChangeStamp(), Stamp);
	Mesh.SetVertex(0, FVector3d(std::numeric_limits<double>::quiet_NaN(), 0, 0));
	EXPECT_EQ(Mesh.GetVertex(0), FVector3d(0, 0, 5));
	Mesh.SetShapeChangeStampEnabled(true);
	Mesh.SetVertex(0, FVector3d(0, 0, 6));
	EXPECT_NE(Mesh.GetChangeStamp(), Stamp);
}

// Asking a tree that was never built is a failed check in the engine (its root index is still -1); a tree
// gone stale finds nothing and leaves the point as it is.
TEST(MeshAABBTree, AnUnbuiltTreeFailsItsCheckAndAStaleOneFindsNothing)
{
	FDynamicMesh3 Mesh = OneTriangle();
	FDynamicMeshAABBTree3 Unbuilt(&Mesh, false);
	EXPECT_DEATH(Unbuilt.IsValid(false), "bBuilt");
	double DistSqr = 42.0;

	FDynamicMeshAABBTree3 Tree(&Mesh);
	EXPECT_TRUE(Tree.IsValid(false));
	EXPECT_EQ(Tree.FindNearestPoint(FVector3d(0.2, 0.2, 3)), FVector3d(0.2, 0.2, 0));
	// Beyond MaxDistance there is nothing, and the distance reported is MaxDistance squared.
	EXPECT_EQ(Tree.FindNearestTriangle(FVector3d(0.2, 0.2, 3), DistSqr, IMeshSpatial::FQueryOptions(2.0)), FDynamicMesh3::InvalidID);
	EXPECT_EQ(DistSqr, 4.0);
	EXPECT_EQ(Tree.FindNearestPoint(FVector3d(0.2, 0.2, 3), IMeshSpatial::FQueryOptions(2.0)), FVector3d(0.2, 0.2, 3));
	// A filter that refuses every triangle.
	EXPECT_EQ(Tree.FindNearestTriangle(FVector3d(0, 0, 1), DistSqr, IMeshSpatial::FQueryOptions([](int)
	                                                                                            { return false; })),
	          FDynamicMesh3::InvalidID);

	// A topology edit makes the tree stale until it is built again; moving a vertex does not.
	Mesh.SetVertex(0, FVector3d(0, 0, 0.5));
	EXPECT_TRUE(Tree.IsValid(false));
	Mesh.AppendTriangle(1, 3, 2);
	EXPECT_FALSE(Tree.IsValid(false));
	EXPECT_TRUE(Tree.IsValid(true));
	EXPECT_EQ(Tree.FindNearestTriangle(FVector3d(0, 0, 1), DistSqr), FDynamicMesh3::InvalidID);
	EXPECT_EQ(Tree.FindNearestTriangle(FVector3d(0, 0, 1), DistSqr, []
	                                   { IMeshSpatial::FQueryOptions Options; Options.bAllowUnsafeModifiedMeshQueries = true; return Options; }()),
	          0);
	EXPECT_FALSE(Tree.SupportsPointContainment());
	EXPECT_FALSE(Tree.IsInside(FVector3d(0.1, 0.1, 0)));
}

TEST(MeshAABBTree, NearestTriangleIsTheBruteForceOne)
{
	const FDynamicMesh3 Mesh = MakeMesh(Host::BuildHead(3000));
	FDynamicMeshAABBTree3 Tree(&Mesh);
	std::mt19937 Random(3);
	std::uniform_real_distribution<double> Coordinate(-20.0, 20.0);
	for (int32 Sample = 0; Sample < 300; ++Sample)
	{
		const FVector3d P(Coordinate(Random), Coordinate(Random), Coordinate(Random));
		double Best = std::numeric_limits<double>::max();
		for (const int TriangleID : Mesh.TriangleIndicesItr())
		{
			FVector3d A, B, C;
			Mesh.GetTriVertices(TriangleID, A, B, C);
			FDistPoint3Triangle3d Distance(P, FTriangle3d(A, B, C));
			Best = FMath::Min(Best, Distance.GetSquared());
		}
		double DistSqr = 0;
		ASSERT_NE(Tree.FindNearestTriangle(P, DistSqr), FDynamicMesh3::InvalidID);
		EXPECT_EQ(DistSqr, Best);
	}
}

TEST(MeshAABBTree, TrianglesWithoutAFiniteCentroidAreLeftOut)
{
	FDynamicMesh3 Mesh = OneTriangle();
	Mesh.AppendVertex(FVector3d(std::numeric_limits<double>::infinity(), 0, 0));
	Mesh.AppendTriangle(1, 4, 3);
	FDynamicMeshAABBTree3 Tree(&Mesh);
	double DistSqr = 0;
	EXPECT_EQ(Tree.FindNearestTriangle(FVector3d(5, 0.5, 0), DistSqr), 0);
}

TEST(MeshAABBTree, RaysHitFromEitherSideAndKeepTheirLimitOnAMiss)
{
	FDynamicMesh3 Mesh = OneTriangle();
	FDynamicMeshAABBTree3 Tree(&Mesh);
	double T = 0;
	int TID = 7;
	FVector3d Bary;
	ASSERT_TRUE(Tree.FindNearestHitTriangle(FRay3d(FVector3d(0.25, 0.5, 2), FVector3d(0, 0, -1)), T, TID, Bary));
	EXPECT_EQ(TID, 0);
	EXPECT_DOUBLE_EQ(T, 2.0);
	EXPECT_TRUE(Bary.Equals(FVector3d(0.25, 0.25, 0.5), 1e-12));
	EXPECT_TRUE(Tree.FindNearestHitTriangle(FRay3d(FVector3d(0.25, 0.5, -2), FVector3d(0, 0, 1)), T, TID));
	EXPECT_FALSE(Tree.FindNearestHitTriangle(FRay3d(FVector3d(0.9, 0.9, 2), FVector3d(0, 0, -1)), T, TID));
	EXPECT_EQ(T, double(FLT_MAX));
	EXPECT_EQ(TID, FDynamicMesh3::InvalidID);
	// Parallel to the plane, and beyond MaxDistance.
	EXPECT_EQ(Tree.FindNearestHitTriangle(FRay3d(FVector3d(-1, 0.2, 0), FVector3d(1, 0, 0))), FDynamicMesh3::InvalidID);
	EXPECT_FALSE(Tree.FindNearestHitTriangle(FRay3d(FVector3d(0.25, 0.5, 2), FVector3d(0, 0, -1)), T, TID, IMeshSpatial::FQueryOptions(1.5)));
	EXPECT_EQ(T, 1.5);
}

TEST(FastWinding, AnOutwardClosedMeshIsOneInsideZeroOutsideAndReversedMinusOne)
{
	const FDynamicMesh3 Outward = MakeMesh(FitQualityTest::Sphere(10.f, 24, 48));
	FDynamicMeshAABBTree3 Tree(&Outward);
	TFastWindingTree<FDynamicMesh3> Winding(&Tree);
	EXPECT_NEAR(Winding.FastWindingNumber(FVector3d(1, 2, 3)), 1.0, 0.05);
	EXPECT_NEAR(Winding.FastWindingNumber(FVector3d(0, 0, 9.5)), 1.0, 0.05);
	EXPECT_NEAR(Winding.FastWindingNumber(FVector3d(30, 0, 0)), 0.0, 0.01);
	EXPECT_TRUE(Winding.IsInside(FVector3d(1, 2, 3)));
	// Evaluated exactly (every cluster near), a closed mesh gives exactly one.
	Winding.FWNBeta = 1e9;
	EXPECT_NEAR(Winding.FastWindingNumber(FVector3d(1, 2, 3)), 1.0, 1e-9);

	const FDynamicMesh3 Inward = MakeMesh(Host::Reversed(Host::BuildSphere(10.f, 24, 48)));
	FDynamicMeshAABBTree3 InwardTree(&Inward);
	TFastWindingTree<FDynamicMesh3> InwardWinding(&InwardTree);
	EXPECT_NEAR(InwardWinding.FastWindingNumber(FVector3d(1, 2, 3)), -1.0, 0.05);
	EXPECT_FALSE(InwardWinding.IsInside(FVector3d(1, 2, 3)));
}

TEST(FastWinding, TheConstQueryNeverBuilds)
{
	const FDynamicMesh3 Mesh = MakeMesh(FitQualityTest::Box());
	FDynamicMeshAABBTree3 Tree(&Mesh);
	TFastWindingTree<FDynamicMesh3> Winding(&Tree, false);
	EXPECT_FALSE(Winding.IsBuilt());
	const TFastWindingTree<FDynamicMesh3>& Const = Winding;
	EXPECT_EQ(Const.FastWindingNumber(FVector3d(0, 0, 0)), 0.0);
	EXPECT_NEAR(Winding.FastWindingNumber(FVector3d(0, 0, 0)), 1.0, 1e-9);
	EXPECT_TRUE(Winding.IsBuilt());
}

TEST(DistPoint3Triangle3, ClosestPointsInEachRegion)
{
	const FTriangle3d Triangle(FVector3d(0, 0, 0), FVector3d(2, 0, 0), FVector3d(0, 2, 0));
	struct FCase
	{
		FVector3d Point, Closest;
	};
	const FCase Cases[] = {
	    {FVector3d(0.5, 0.5, 3), FVector3d(0.5, 0.5, 0)},
	    {FVector3d(-1, -1, 1), FVector3d(0, 0, 0)},
	    {FVector3d(1, -3, 0), FVector3d(1, 0, 0)},
	    {FVector3d(3, 3, 0), FVector3d(1, 1, 0)},
	    {FVector3d(5, -1, 0), FVector3d(2, 0, 0)},
	    {FVector3d(-2, 1, -4), FVector3d(0, 1, 0)},
	    {FVector3d(-1, 5, 0), FVector3d(0, 2, 0)},
	};
	for (const FCase& Case : Cases)
	{
		FDistPoint3Triangle3d Distance(Case.Point, Triangle);
		EXPECT_NEAR(Distance.Get(), (Case.Point - Case.Closest).Size(), 1e-12);
		EXPECT_TRUE(Distance.ClosestTrianglePoint.Equals(Case.Closest, 1e-12)) << TCHAR_TO_UTF8(*Distance.ClosestTrianglePoint.ToString());
		EXPECT_TRUE(Triangle.BarycentricPoint(Distance.TriangleBaryCoords.X, Distance.TriangleBaryCoords.Y, Distance.TriangleBaryCoords.Z).Equals(Case.Closest, 1e-12));
	}
	// A triangle without area: the nearest point of its edges.
	FDistPoint3Triangle3d Degenerate(FVector3d(1, 1, 0), FTriangle3d(FVector3d(0, 0, 0), FVector3d(2, 0, 0), FVector3d(4, 0, 0)));
	EXPECT_DOUBLE_EQ(Degenerate.Get(), 1.0);
}

TEST(Quat, FindBetweenTakesOneDirectionOntoTheOther)
{
	EXPECT_EQ(FQuat::FindBetweenNormals(FVector(0, 0, 1), FVector(0, 0, -1)), FQuat(0, -1, 0, 0));
	EXPECT_EQ(FQuat::FindBetweenNormals(FVector(1, 0, 0), FVector(-1, 0, 0)), FQuat(0, 0, 1, 0));
	EXPECT_EQ(FQuat::FindBetweenVectors(FVector(0, 0, 0), FVector(1, 0, 0)), FQuat::Identity);
	const FVector From = FVector(1, 2, 3).GetSafeNormal(), To = FVector(-3, 0.5, 1).GetSafeNormal();
	EXPECT_TRUE(FQuat::FindBetweenNormals(From, To).RotateVector(From).Equals(To, 1e-12));
	EXPECT_TRUE(FQuat::FindBetweenVectors(From * 4.0, To * 0.1).RotateVector(From).Equals(To, 1e-12));
	// A vector along the axis of the turn stays.
	const FVector Axis = (From ^ To).GetSafeNormal();
	EXPECT_TRUE(FQuat::FindBetweenNormals(From, To).RotateVector(Axis).Equals(Axis, 1e-12));
}

TEST(MeshDescriptionToDynamicMesh, KeepsTheWindingDropsDuplicatesAndSplitsNonManifoldEdges)
{
	Host::FMeshData Data;
	Data.Positions = {FVector3f(0, 0, 0), FVector3f(1, 0, 0), FVector3f(0, 1, 0), FVector3f(0, -1, 0), FVector3f(0, 0, 1)};
	// A triangle, its reversed copy, two more on edge 0-1, the last of which makes it non-manifold.
	Data.Indices = {0, 1, 2, 0, 2, 1, 1, 0, 3, 0, 1, 4};
	UStaticMesh* Mesh = FitQualityTest::MakeStaticMesh(Data);
	FDynamicMesh3 Converted;
	Converted.AppendVertex(FVector3d(9, 9, 9));
	FMeshDescriptionToDynamicMesh Converter;
	Converter.Convert(Mesh->GetMeshDescription(0), Converted);
	// Not cleared: the vertex already there stays, and the description's vertex IDs are taken as they are.
	EXPECT_EQ(Converted.GetVertex(0), FVector3d(9, 9, 9));
	ASSERT_EQ(Converted.TriangleCount(), 3);
	EXPECT_EQ(Converted.GetTriangle(0), FIndex3i(0, 1, 2));
	EXPECT_EQ(Converted.GetTriangle(1), FIndex3i(1, 0, 3));
	const FIndex3i Split = Converted.GetTriangle(2);
	EXPECT_GE(Split.A, 6);
	// A copy of output vertex 4: with a vertex already there, the IDs are off by one, as in the engine.
	EXPECT_EQ(Converted.GetVertex(Split.C), Converted.GetVertex(4));
	EXPECT_EQ(Converted.VertexCount(), 6 + 3);

	Host::FScopedLogCapture Quiet;
	Converter.Convert(nullptr, Converted);
	EXPECT_EQ(Converted.TriangleCount(), 3);
}
