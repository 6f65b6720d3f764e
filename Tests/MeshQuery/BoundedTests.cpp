// Meshes whose triangles are few but large, or many on one edge: a query must build in memory that follows
// the number of triangles and answer every question.
#include "MeshQueryTestHelpers.h"

using namespace MeshQueryTest;
using GroomFitting::EResolveResult;
using GroomFitting::FMeshQuery;

namespace
{
	// What the book of pages answers anywhere: every page is open and flat, so nothing is inside, and the
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
