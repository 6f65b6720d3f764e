#pragma once

#include "CoreMinimal.h"
#include "DynamicMesh/DynamicMesh3.h"
#include "Spatial/FastWinding.h"
#include "Templates/Function.h"

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
		// The same with ToSide, PlaneSide of To, known too.
		ECrossing SegmentCrossingSides(const FVector& A, const FVector& B, const FVector& C, const FVector& From, int32 FromSide, const FVector& To, int32 ToSide);
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
		// Triangles in one cell's list at most; a cell crossed by more falls back on the tree.
		static constexpr int32 MaxCellEntries = 255;

		// Runs Alongside on another core while it sorts the triangles into cells, then finishes with the
		// winding tree Input names, which Alongside may be the one to set.
		void Build(const FInsideGridInput& Input, TFunctionRef<void()> Alongside);

		bool IsInside(const FVector& Point) const;
		// IsInside for each of Count points (x, y, z in single precision, each at Placement + point) into
		// OutInside (1 inside, 0 not); returns how many are inside. The common cases, a point beyond the grid
		// or in a part of a cell the grid has settled, are decided in the loop.
		int32 FindInside(const float* Points, int32 Count, const FVector& Placement, uint8* OutInside) const;
		// IsInside without the fallback: false with bOutDecided false where the grid alone cannot tell.
		bool IsInsideWithoutFallback(const FVector& Point, bool& bOutDecided) const;

		// The triangle lists around Point, ring by ring, as far as Reach() (the distance within which
		// triangles are still wanted, which may shrink between rings, or infinity): Visit(Entries, Num,
		// GapSquared) for each cell within Ring cells of Point's cell that the cube of that reach about Point
		// meets (each entry a triangle's index << 1, bit 0 a flag of the grid's; GapSquared the square of the
		// distance from Point to the cell), then Done(Ring, Clearance), where no triangle not yet visited
		// comes within Clearance of Point, which returns 1 to stop with true, -1 to stop with false, 0 to go
		// on. False too when Point lies beyond the grid, a cell within reach has no list, or MaxRings pass.
		template<typename FReach, typename FVisit, typename FDone>
		bool VisitRings(const FVector& Point, int32 MaxRings, FReach&& Reach, FVisit&& Visit, FDone&& Done) const
		{
			const double P[3] = {(Point.X - Origin.X) * InvCellSize, (Point.Y - Origin.Y) * InvCellSize, (Point.Z - Origin.Z) * InvCellSize};
			if (!(P[0] >= 0.0 && P[1] >= 0.0 && P[2] >= 0.0 && P[0] < Dims[0] && P[1] < Dims[1] && P[2] < Dims[2]))
			{
				return false;
			}
			const int32 Centre[3] = {static_cast<int32>(P[0]), static_cast<int32>(P[1]), static_cast<int32>(P[2])};
			// How far Point lies from the faces of its own cell, in cells.
			const double Inner = FMath::Min(FMath::Min(FMath::Min(P[0] - Centre[0], Centre[0] + 1 - P[0]), FMath::Min(P[1] - Centre[1], Centre[1] + 1 - P[1])),
			                                FMath::Min(P[2] - Centre[2], Centre[2] + 1 - P[2]));
			for (int32 Ring = 0; Ring <= MaxRings; ++Ring)
			{
				// The cells of the ring within reach: those the cube of the reach about Point meets.
				const double Radius = FMath::Min(Reach() * InvCellSize * (1.0 + 1e-9), static_cast<double>(Ring) + 1.0);
				int32 Low[3], High[3];
				for (int32 Axis = 0; Axis < 3; ++Axis)
				{
					// P - Radius is at least -(Ring + 1) and P + Radius not negative: so shifted, truncation is
					// floor() (a library call where the instruction set has no rounding instruction).
					Low[Axis] = FMath::Max(Centre[Axis] - Ring, static_cast<int32>(P[Axis] - Radius + (Ring + 1)) - (Ring + 1));
					High[Axis] = FMath::Min(Centre[Axis] + Ring, static_cast<int32>(P[Axis] + Radius));
				}
				bool bClipped = false;
				for (int32 CZ = Low[2]; CZ <= High[2]; ++CZ)
				{
					for (int32 CY = Low[1]; CY <= High[1]; ++CY)
					{
						// Along x only the ring's two ends, unless this row lies on the ring's faces.
						const bool bFace = CZ == Centre[2] - Ring || CZ == Centre[2] + Ring || CY == Centre[1] - Ring || CY == Centre[1] + Ring;
						const int32 Step = bFace || Ring == 0 ? 1 : 2 * Ring;
						for (int32 CX = bFace ? Low[0] : Centre[0] - Ring; CX <= High[0]; CX += Step)
						{
							if (CX < Low[0])
							{
								continue;
							}
							if (CX < 0 || CY < 0 || CZ < 0 || CX >= Dims[0] || CY >= Dims[1] || CZ >= Dims[2])
							{
								bClipped = true;
								continue;
							}
							const int32 Code = Codes[(static_cast<size_t>(CZ) * Dims[1] + CY) * Dims[0] + CX];
							if (Code == CodeUnsettled)
							{
								return false;
							}
							if (Code >= 0)
							{
								const double GX = FMath::Max(0.0, FMath::Max(CX - P[0], P[0] - (CX + 1)));
								const double GY = FMath::Max(0.0, FMath::Max(CY - P[1], P[1] - (CY + 1)));
								const double GZ = FMath::Max(0.0, FMath::Max(CZ - P[2], P[2] - (CZ + 1)));
								const FNearCell& List = NearCells[static_cast<size_t>(Code)];
								Visit(Entries.data() + List.FirstEntry, static_cast<int32>(List.NumEntries), (GX * GX + GY * GY + GZ * GZ) * CellSize * CellSize);
							}
						}
					}
				}
				// Beyond the grid there are no triangles only when it covers the bounds.
				if (bClipped && !bCoversBounds)
				{
					return false;
				}
				const int32 Verdict = Done(Ring, FMath::Max((Ring + Inner) * CellSize * (1.0 - 1e-9), 0.0));
				if (Verdict != 0)
				{
					return Verdict > 0;
				}
			}
			return false;
		}

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
		// is unsure. SubCells: those the segment's box overlaps; triangles that touch none are passed by.
		bool CountCrossings(const FNearCell& Cell, const FVector& Ref, const FVector& Point, uint64 SubCells, int32& OutCrossings) const;
		// 1 inside, 0 outside, -1 unknown.
		int32 Lookup(const FVector& Point) const;
		// What the grid holds for a point at grid coordinates (X, Y, Z) in cell (IX, IY, IZ), index Cell: 1
		// inside, 0 outside, -1 a cell without a state, -2 a sub-cell only the exact count can tell.
		FORCEINLINE int32 SettledState(double X, double Y, double Z, int32 IX, int32 IY, int32 IZ, size_t Cell) const;
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
		// Per cell, two bits of what its code says: 0 outside, 1 inside, 2 a list, 3 unsettled; small
		// enough to stay in the caches while a groom's points stream past.
		std::vector<uint64> Kinds;
		std::vector<FNearCell> NearCells;
		// Per near cell, its triangles in ascending order: index << 1, and bit 0 set when the cell's
		// reference point lies on the side the triangle faces.
		std::vector<uint32> Entries;
		// Per entry, the sub-cells of its cell that its triangle may touch (bit x + 4y + 16z).
		std::vector<uint64> EntrySubCells;
	};
}
