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

	// An edge where an open surface ends, or where its triangles do not cancel out: Weight times from A to B.
	struct FOpenBoundaryEdge
	{
		FVector A;
		FVector B;
		double Weight = 1.0;
	};

	// What the inside grid is built over: the first NumTriangles triangles of Corners (three corners each,
	// wound so that (B - A) x (C - A) faces outward); whether each belongs to an open part; the open parts'
	// boundary; and the winding-number trees it falls back on (null when there are no triangles of that kind).
	struct FInsideGridInput
	{
		int32 NumTriangles = 0;
		const std::vector<FVector>* Corners = nullptr;
		const std::vector<uint8>* bOpen = nullptr;
		const std::vector<FOpenBoundaryEdge>* OpenBoundary = nullptr;
		const UE::Geometry::TFastWindingTree<UE::Geometry::FDynamicMesh3>* ClosedWinding = nullptr;
		const UE::Geometry::TFastWindingTree<UE::Geometry::FDynamicMesh3>* OpenWinding = nullptr;
	};

	// Decides inside for the mesh a query holds, cheaply for most points.
	//
	// A grid over the mesh's bounds stores, for each cell no triangle touches, whether it is inside; for each
	// cell triangles touch, a reference point whose closed winding number is known exactly, the triangles,
	// and the settled state of the parts of the cell (4 x 4 x 4 sub-cells) that no triangle touches. A point
	// in an unsettled sub-cell counts the triangles the segment from the reference point crosses, with exact
	// orientation signs. Closed winding numbers travel from the grid's border (where they are 0) from cell to
	// cell the same way. Open parts' winding numbers are fractional: they are taken from the winding tree
	// once per block of cells and carried by the same crossings, within a bound on how fast a winding number
	// can change away from the surface (set by the open boundary alone). Whatever cannot be told exactly
	// falls back on the winding trees.
	//
	// Cells are bounded by four per triangle and the triangle lists by a budget per triangle: a mesh of large
	// triangles gets coarser cells, and cells crossed by too many triangles fall back on the trees. The grid
	// spans where most triangles are: a few far from the rest widen the bounds, not the grid, and points
	// between the two fall back on the trees.
	class FMeshInsideGrid
	{
	public:
		void Build(const FInsideGridInput& Input);

		bool IsInside(const FVector& Point) const;
		// IsInside without the fallback: false with bOutDecided false where the grid alone cannot tell.
		bool IsInsideWithoutFallback(const FVector& Point, bool& bOutDecided) const;

		SIZE_T GetAllocatedSize() const;

		// Cells along each axis, and how many of the cells hold a triangle list, for tests and benchmarks.
		int32 GetCells(int32 Axis) const { return Dims[Axis]; }
		int32 GetNumNearCells() const { return static_cast<int32>(NearCells.size()); }

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
			uint8 Flags = 0;
			int32 ClosedWinding = 0;
			float OpenWinding = 0.f;
			float OpenBound = 0.f;
		};
		enum ENearFlags : uint8
		{
			ClosedKnown = 1,
			OpenKnown = 2,
			// Beyond the open parts' bounds, where their winding number cannot pass one half.
			OpenBeyond = 4,
		};
		// Codes of cells without a triangle list; a code >= 0 is an index into NearCells.
		enum ECellCode : int32
		{
			CodeOutside = -1,
			CodeInside = -2,
			// Closed parts settled (outside them), the open parts' winding number not.
			CodeOpenUnsettled = -3,
			// Nothing settled: too many triangles, or no exact reference.
			CodeUnsettled = -4,
		};

		class FBuilder;
		friend class FBuilder;

		FVector RefPoint(int32 X, int32 Y, int32 Z, int32 RefIndex) const;
		// Counts the crossings of Ref -> Point over the cell's triangles; false when one is unsure.
		bool CountCrossings(const FNearCell& Cell, const FVector& Ref, const FVector& Point, int32& OutClosed, int32& OutOpen) const;
		// Inside by the cell's exact test; bOutDecided false when it cannot tell.
		// With the crossings counted from the cell's reference: 0 outside, 1 inside, 2 outside the closed parts
		// but the open parts' winding number needed, 3 nothing known.
		int32 SettledState(const FNearCell& Cell, int32 ClosedCrossings, int32 OpenCrossings) const;
		bool OpenWindingInside(const FVector& Point) const;
		bool FallbackInside(const FVector& Point) const;
		// For a point beyond the grid.
		bool InsideBeyondGrid(const FVector& Point) const;

		const std::vector<FVector>* Corners = nullptr;
		const UE::Geometry::TFastWindingTree<UE::Geometry::FDynamicMesh3>* ClosedWinding = nullptr;
		const UE::Geometry::TFastWindingTree<UE::Geometry::FDynamicMesh3>* OpenWinding = nullptr;

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
		// Per near cell, its triangles in ascending order: index << 2, bit 1 set for an open part's, bit 0
		// set when the cell's reference point lies on the side the triangle faces.
		std::vector<uint32> Entries;
	};
}
