// Meshes whose triangles are few but large, or many on one edge: a query must build in memory that follows
// the number of triangles and answer every question.
#include "MeshQueryTestHelpers.h"

using namespace MeshQueryTest;
using GroomFitting::EResolveResult;
using GroomFitting::FMeshQuery;

namespace
{
	// What the book of pages answers anywhere: every page is open and flat, so bounds nothing, and the
	// nearest point of a point off the pages lies on a page.
	void ExpectBookAnswers(const FMeshQuery& Query, double Size)
	{
		for (const FVector& Point : RandomPoints(3, 2000, FVector(-1.5 * Size), FVector(1.5 * Size)))
		{
			ASSERT_FALSE(Query.IsInside(Point)) << TCHAR_TO_UTF8(*Point.ToString());
			FVector Out;
			ASSERT_EQ(Query.ResolvePoint(Point, 0.1, Out), EResolveResult::Outside);
		}
		FVector Nearest, Normal;
		int32 Triangle = -1;
		ASSERT_TRUE(Query.NearestPoint(FVector(0.01 * Size, 0, 0.25 * Size), Nearest, Normal, TNumericLimits<double>::Max(), &Triangle));
		EXPECT_LT((Nearest - FVector(0.01 * Size, 0, 0.25 * Size)).Size(), 0.01 * Size);
		EXPECT_GE(Triangle, 0);
		EXPECT_NEAR(Normal.Size(), 1.0, 1e-9);
	}
}

TEST(MeshQueryBounded, ManyLargeTrianglesOnOneEdgeBuildSmallAndAnswer)
{
	const double Size = 1000.0;
	const FMesh Book = BookOfTriangles(16385, Size);
	const auto Query = BuildQuery(Book);
	ASSERT_TRUE(Query);
	EXPECT_EQ(Query->NumTriangles(), 16385);
	EXPECT_EQ(Query->GetStats().Parts, 16385);
	EXPECT_EQ(Query->GetStats().OpenParts, 16385);
	EXPECT_EQ(Query->GetStats().FlatParts, 16385);
	// Some hundreds of bytes a triangle, not a list per cell and triangle.
	EXPECT_LT(Query->GetAllocatedSize(), SIZE_T(16385) * 1024);
	ExpectBookAnswers(*Query, Size);
}

TEST(MeshQueryBounded, AFewLargeTrianglesBuildSmallAndAnswer)
{
	const double Size = 1e6;
	const auto Query = BuildQuery(BookOfTriangles(1000, Size));
	ASSERT_TRUE(Query);
	EXPECT_LT(Query->GetAllocatedSize(), SIZE_T(1000) * 1024);
	ExpectBookAnswers(*Query, Size);
}

TEST(MeshQueryBounded, AClosedSurfaceOfManyLargeTrianglesBuildsSmallAndKnowsItsInside)
{
	// 16,384 triangles, each reaching from an apex to the rim: every cell of a fine grid would hold them all.
	const double Size = 1000.0;
	const auto Query = BuildQuery(Bipyramid(8192, Size, Size));
	ASSERT_TRUE(Query);
	EXPECT_EQ(Query->GetStats().ClosedParts, 1);
	EXPECT_LT(Query->GetAllocatedSize(), SIZE_T(16384) * 1024);
	int32 Inside = 0;
	for (const FVector& Point : RandomPoints(7, 2000, FVector(-1.2 * Size), FVector(1.2 * Size)))
	{
		// The polygon's sides sag less than a millionth of its radius inside the circle.
		const double Cone = std::abs(Point.Z) / Size + FVector(Point.X, Point.Y, 0.0).Size() / Size;
		if (std::abs(Cone - 1.0) < 1e-6)
		{
			continue;
		}
		ASSERT_EQ(Query->IsInside(Point), Cone < 1.0) << TCHAR_TO_UTF8(*Point.ToString());
		Inside += Cone < 1.0 ? 1 : 0;
	}
	EXPECT_GT(Inside, 100);
	FVector Out;
	ASSERT_EQ(Query->ResolvePoint(FVector(10, 20, 30), 1.0, Out), EResolveResult::Resolved);
	EXPECT_FALSE(Query->IsInside(Out));
}

TEST(MeshQueryBounded, ManyLargeOverlappingShellsBuildSmallAndKnowTheirInside)
{
	// 4,096 tetrahedra, each as large as the whole: 16,384 triangles that each cross most of the space.
	const double Size = 1000.0;
	const std::vector<FVector> Corners = RandomPoints(11, 4 * 4096, FVector(-Size), FVector(Size));
	FMesh Mesh;
	for (size_t First = 0; First < Corners.size(); First += 4)
	{
		const FVector* C = &Corners[First];
		// Wound outward whichever way the corners fall: the query turns each shell on its own anyway.
		const int32 Base = Mesh.Vertices.Num();
		Mesh.Vertices.Append({C[0], C[1], C[2], C[3]});
		Mesh.Indices.Append({Base, Base + 1, Base + 2, Base, Base + 3, Base + 1, Base + 1, Base + 3, Base + 2, Base, Base + 2, Base + 3});
	}
	const auto Query = BuildQuery(Mesh);
	ASSERT_TRUE(Query);
	EXPECT_EQ(Query->GetStats().ClosedParts, 4096);
	EXPECT_LT(Query->GetAllocatedSize(), SIZE_T(16384) * 1024);
	// Inside a tetrahedron: on the same side of each face as the fourth corner, clear of the face.
	const auto InTetrahedron = [Size](const FVector* C, const FVector& Point, bool& bNearFace)
	{
		const int32 Faces[4][4] = {{0, 1, 2, 3}, {0, 1, 3, 2}, {0, 2, 3, 1}, {1, 2, 3, 0}};
		bool bInside = true;
		for (const auto& Face : Faces)
		{
			const FVector Normal = ((C[Face[1]] - C[Face[0]]) ^ (C[Face[2]] - C[Face[0]])).GetSafeNormal();
			const double Side = Normal | (Point - C[Face[0]]), Opposite = Normal | (C[Face[3]] - C[Face[0]]);
			bNearFace |= std::abs(Side) < 1e-6 * Size;
			bInside &= (Side > 0.0) == (Opposite > 0.0);
		}
		return bInside;
	};
	int32 Judged = 0, Inside = 0;
	for (const FVector& Point : RandomPoints(13, 200, FVector(-1.1 * Size), FVector(1.1 * Size)))
	{
		bool bExpected = false, bNearFace = false;
		for (size_t First = 0; First < Corners.size(); First += 4)
		{
			bExpected |= InTetrahedron(&Corners[First], Point, bNearFace);
		}
		if (!bNearFace)
		{
			++Judged;
			Inside += bExpected ? 1 : 0;
			ASSERT_EQ(Query->IsInside(Point), bExpected) << TCHAR_TO_UTF8(*Point.ToString());
		}
	}
	EXPECT_GT(Judged, 150);
	EXPECT_GT(Inside, 50);
}

TEST(MeshQueryBounded, LargeClosedTrianglesAmongSmallOnesKeepTheInsideExact)
{
	// A coarse box round a fine sphere: the box's twelve triangles cross a great many cells.
	const FMesh Mesh = Joined(TessellatedBox(FVector(-500, -500, -500), FVector(500, 500, 500), 1), FlipEveryOther(Sphere(1.0, FVector(3, 0, 0), 48, 96)));
	const auto Query = BuildQuery(Mesh);
	ASSERT_TRUE(Query);
	EXPECT_EQ(Query->GetStats().ClosedParts, 2);
	for (const FVector& Point : RandomPoints(5, 20000, FVector(-600), FVector(600)))
	{
		const bool bInBox = std::abs(Point.X) < 500 && std::abs(Point.Y) < 500 && std::abs(Point.Z) < 500;
		ASSERT_EQ(Query->IsInside(Point), bInBox) << TCHAR_TO_UTF8(*Point.ToString());
	}
	FVector Out;
	ASSERT_EQ(Query->ResolvePoint(FVector(3, 0.1, 0), 1.0, Out), EResolveResult::Resolved);
	EXPECT_FALSE(Query->IsInside(Out));
	EXPECT_GT(Out.GetMax(), 500.0);
}
