#pragma once

#include "CoreMinimal.h"
#include "DynamicMesh/DynamicMesh3.h"
#include "Spatial/FastWinding.h"

#include <cstdint>
#include <vector>

namespace GroomFitting
{
	namespace MeshGeometry
	{
		// The side of the plane through A, B and C that P lies on: +1 the side (B - A) x (C - A) faces, -1
		// the other, 0 when double precision cannot tell (P on the plane or within rounding of it). The
		// sign is exact whenever it is not 0.
		int32 PlaneSide(const FVector& A, const FVector& B, const FVector& C, const FVector& P);

		enum class ECrossing : uint8
		{
			Miss,
			// From the side the triangle faces to its back: into the solid behind it.
			Enter,
			Leave,
			// Through an edge, a corner or the plane itself, or too close to call.
			Unsure,
		};

		// How the segment From -> To meets the triangle A, B, C, which faces (B - A) x (C - A). FromSide is
		// PlaneSide of From, already known and not 0.
		ECrossing SegmentCrossing(const FVector& A, const FVector& B, const FVector& C, const FVector& From, int32 FromSide, const FVector& To);
	}

	// What the inside grid is built over: a closed surface, every edge met as often one way as the other,
	// as the first NumTriangles triangles of Corners (three corners each, wound so that (B - A) x (C - A)
	// faces outward), and the winding-number tree of the same triangles, which it falls back on.
	struct FInsideGridInput
	{
		int32 NumTriangles = 0;
		const std::vector<FVector>* Corners = nullptr;
		const UE::Geometry::TFastWindingTree<UE::Geometry::FDynamicMesh3>* Winding = nullptr;
	};

	// Decides inside (a winding number of at least one) for a closed surface, exactly and cheaply for most
	// points.
	//
	// A grid over the triangles' bounds stores, for each cell no triangle touches, whether it is inside; for
	// each cell triangles touch, a reference point whose winding number is known, the triangles, and the
	// settled state of the parts of the cell (4 x 4 x 4 sub-cells) that no triangle touches. A point in an
	// unsettled sub-cell counts the triangles the segment from the reference point crosses, with exact
	// orientation signs. Winding numbers travel the same way from the grid's border, where they are 0, from
	// cell to cell. What cannot be told exactly (a segment through an edge, a point on the surface) falls
	// back on the winding tree.
	//
	// Cells are bounded by two per triangle and the triangle lists by a budget per triangle: a mesh of large
	// triangles gets coarser cells, and cells crossed by too many triangles fall back on the tree. The grid
	// spans where most triangles are: a few far from the rest widen the bounds, not the grid, and points
	// between the two fall back on the tree.
	class FMeshInsideGrid
	{
	public:
		void Build(const FInsideGridInput& Input);

		bool IsInside(const FVector& Point) const;
		// IsInside without the fallback: false with bOutDecided false where the grid alone cannot tell.
		bool IsInsideWithoutFallback(const FVector& Point, bool& bOutDecided) const;

		// The triangles of the cell Point lies in (each index << 1, in bit 0 a flag of the grid's), or none
		// when it lies in a cell without a list. No other triangle comes within OutClearance of Point.
		int32 TrianglesNear(const FVector& Point, const uint32*& OutEntries, double& OutClearance) const;

		SIZE_T GetAllocatedSize() const;

	private:
		struct FNearCell
		{
			// Sub-cells whose state the grid does not hold (a triangle may pass through them), and the inside
			// ones of the others.
			uint64 ExactMask = ~uint64(0);
			uint64 InsideMask = 0;
			uint32 FirstEntry = 0;
			uint16 NumEntries = 0;
			uint8 RefIndex = 0;
			bool bWindingKnown = false;
			// At the reference point.
			int32 Winding = 0;
		};
		// Codes of cells without a triangle list; a code >= 0 is an index into NearCells.
		enum ECellCode : int32
		{
			CodeOutside = -1,
			CodeInside = -2,
			// Too many triangles, or no reference point the grid can use.
			CodeUnsettled = -3,
		};

		class FBuilder;
		friend class FBuilder;

		FVector RefPoint(int32 X, int32 Y, int32 Z, int32 RefIndex) const;
		// The change of the winding number from Ref to Point over the cell's triangles; false when a crossing
		// is unsure.
		bool CountCrossings(const FNearCell& Cell, const FVector& Ref, const FVector& Point, int32& OutCrossings) const;
		// 1 inside, 0 outside, -1 unknown.
		int32 Lookup(const FVector& Point) const;
		bool FallbackInside(const FVector& Point) const;
		bool IsInBounds(const FVector& Point) const;

		const std::vector<FVector>* Corners = nullptr;
		const UE::Geometry::TFastWindingTree<UE::Geometry::FDynamicMesh3>* Winding = nullptr;

		// The triangles' bounds; the grid may cover less of them.
		FVector BoundsMin = FVector(0, 0, 0);
		FVector BoundsMax = FVector(0, 0, 0);
		bool bCoversBounds = true;
		FVector Origin = FVector(0, 0, 0);
		double CellSize = 1.0;
		double InvCellSize = 1.0;
		int32 Dims[3] = {0, 0, 0};
		std::vector<int32> Codes;
		std::vector<FNearCell> NearCells;
		// Per near cell, its triangles in ascending order: index << 1, and bit 0 set when the cell's
		// reference point lies on the side the triangle faces.
		std::vector<uint32> Entries;
	};
}
