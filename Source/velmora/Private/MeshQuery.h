#pragma once

#include "CoreMinimal.h"
#include "Math/NumericLimits.h"

#include <memory>

namespace GroomFitting
{
	// What building a query found in the mesh, for one line of the log.
	struct FMeshQueryStats
	{
		// Triangles as given, and those of them the queries ignore: no area (two corners at one place, or
		// all three in a line), or the same corners as an earlier triangle, wound the same way or reversed.
		int32 Triangles = 0;
		int32 TrianglesWithoutArea = 0;
		int32 DuplicatesDropped = 0;
		int32 ReversedDropped = 0;
		// Triangles of faces that two closed shells share, given once by each way round: both ways are
		// dropped, so the shells' union is one closed shell.
		int32 SharedFacesDropped = 0;
		// Connected parts (triangles joined through shared edges, corners at the same place counting as one).
		// A part is closed when its surface bounds a solid: every edge met by its triangles as often in one
		// direction as in the other once it is oriented. Open parts have a boundary (holes), or cannot be
		// oriented (a twisted band); their holes are closed for inside tests.
		int32 Parts = 0;
		int32 ClosedParts = 0;
		int32 OpenParts = 0;
		// Open parts that enclose no volume even with their holes closed (a card, a single triangle): nothing
		// is inside them. They count among the open parts.
		int32 FlatParts = 0;
		// Holes (connected pieces of the open parts' boundaries, flat parts aside) closed for inside tests by
		// a fan from the middle of their rim.
		int32 HolesClosed = 0;
		// Parts in which some triangle was turned so that all face one way, and outward; and those triangles.
		int32 PartsReoriented = 0;
		int32 TrianglesFlipped = 0;

		// "20164 triangles in 1 part (closed)"; what was repaired or dropped follows when there is any.
		FString ToString() const;
	};

	// What ResolvePoint did with a point.
	enum class EResolveResult : uint8
	{
		// Not inside: the point is left where it is.
		Outside,
		// Moved to the surface plus the offset along its outward normal, outside every shell.
		Resolved,
		// Unresolved: every surface near it lies inside another shell (a shell enclosed by another, or
		// where shells overlap), and none within reach (the 16 nearest triangles that are not) leads out.
		UnresolvedEnclosed,
		// Unresolved: the mesh is open around it, and no surface point near it leads out of the inside
		// the open surface still bounds.
		UnresolvedOpenMesh,
		// Unresolved: no surface point within reach leads out (the surface folds back on itself closer
		// than the offset).
		UnresolvedNoExit,
		// Unresolved: the way out the surface offers is further from the point before on the strand than
		// the segment between them is long, and no way at that length leads out.
		UnresolvedSegmentLength,
		// Unresolved: the offset is negative or not a finite number.
		UnresolvedBadOffset,
	};

	// "outside", "resolved", or why a point could not be resolved, for reports.
	const TCHAR* LexToString(EResolveResult Result);

	inline bool IsUnresolved(EResolveResult Result)
	{
		return Result != EResolveResult::Outside && Result != EResolveResult::Resolved;
	}

	// A triangle mesh in world space, prepared for nearest-point and inside queries: each connected part
	// is oriented consistently and outward and bounds a solid, open parts with their holes closed by a fan
	// from the middle of each rim (so a head with a small hole, or open at the neck, keeps its inside); a
	// point inside any part is inside. Immutable once built: every query may run on any number of threads
	// at once.
	//
	// Memory and build time grow with the number of triangles, never with their size or where they lie.
	class FMeshQuery
	{
	public:
		// Coordinates further than this from the origin are refused: the engine's worlds reach half of
		// UE_LARGE_WORLD_MAX (2^43) either way, so nothing there can be traced, and the query's own
		// arithmetic keeps its precision well inside it.
		static constexpr double MaxCoordinate = 4398046511104.0;
		// Triangles in the list at most, so that they and the caps closing their holes index in 32 bits.
		static constexpr int32 MaxTriangles = 1 << 28;

		// World-space vertices and a triangle list (3 indices per triangle, the engine's winding, though the
		// winding does not matter). Null, with a one-line reason in OutError, when the list is not whole
		// triangles, an index is out of range, a corner is not finite or lies beyond MaxCoordinate, there
		// are more than MaxTriangles triangles, or no triangle has an area.
		static std::shared_ptr<const FMeshQuery> Build(TArray<FVector> Vertices, TArray<int32> Indices, FString& OutError);

		~FMeshQuery();
		FMeshQuery(const FMeshQuery&) = delete;
		FMeshQuery& operator=(const FMeshQuery&) = delete;

		// Triangles as given: triangle t is indices 3t..3t+2, so a trace's FHitResult.FaceIndex into the same
		// list is a triangle here.
		int32 NumTriangles() const;
		// Bounds of the triangles with an area.
		FBox GetBounds() const;
		// Outward unit normal of triangle t, after its part was oriented; zero for a triangle without area or
		// an index out of range. A dropped copy of a triangle has the normal of the one kept.
		FVector TriangleNormal(int32 Triangle) const;

		// The nearest surface point closer than MaxDistance, its outward normal and (optionally) its triangle.
		// False when nothing is that near or Point is not finite.
		bool NearestPoint(const FVector& Point, FVector& OutNearest, FVector& OutNormal, double MaxDistance = TNumericLimits<double>::Max(),
		                  int32* OutTriangle = nullptr) const;

		// Inside the solid the mesh bounds: inside any part (open parts with their holes closed). Exact, its
		// signs computed without rounding error, but within rounding of the surface and where very many
		// triangles crowd together, where the engine's winding number decides. False for a point that is not
		// finite.
		bool IsInside(const FVector& Point) const;
		// IsInside for each of Count points (x, y, z in single precision, each placed at Placement + point), in
		// order, into OutInside (1 inside, 0 not); returns how many are inside.
		int32 FindInside(const float* Points, int32 Count, const FVector& Placement, uint8* OutInside) const;

		// A point inside goes to a surface point plus Offset along the outward normal there, so that it ends
		// outside every shell: of the 16 nearest triangles not buried in another shell, the first whose
		// nearest point (or, where shells cross, whose middle) leads out. OutPoint is the new point when
		// Resolved and Point itself otherwise. An offset too small to step off the surface in double
		// precision is raised to the smallest that does.
		EResolveResult ResolvePoint(const FVector& Point, double Offset, FVector& OutPoint) const;
		// ResolvePoint for a point already found inside. InOutHint, when given, holds what an earlier call left
		// there (or INDEX_NONE) and gets this point's nearest triangle: the points of a strand pass it on, and
		// a hint from a point close by speeds the search. Any hint gives the nearest.
		EResolveResult ResolveInsidePoint(const FVector& Point, double Offset, FVector& OutPoint, int32* InOutHint = nullptr) const;
		// A first hint for ResolveInsidePoint from triangle Face as given (a trace's FHitResult.FaceIndex): a
		// strand's first points lie near the triangle its root was placed on. INDEX_NONE where there is none.
		int32 FaceHint(int32 Face) const;
		// Whether triangle Face as given (a trace's FHitResult.FaceIndex) lies inside another shell, where
		// shells overlap: a point on it is inside the mesh.
		bool IsBuried(int32 Face) const;

		const FMeshQueryStats& GetStats() const;

		// Bytes of the query's own arrays and inside grid (the engine's mesh and trees it keeps are not counted).
		SIZE_T GetAllocatedSize() const;

	private:
		struct FImpl;
		explicit FMeshQuery(std::unique_ptr<FImpl> InImpl);
		std::unique_ptr<FImpl> Impl;
	};
}
