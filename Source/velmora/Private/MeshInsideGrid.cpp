#include "MeshInsideGrid.h"

#include "Async/ParallelFor.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace GroomFitting
{
	namespace MeshGeometry
	{
		namespace
		{
			// Shewchuk's bound on the rounding error of the orientation determinant computed in double
			// precision; beyond it the sign is exact. The floor covers products that underflow.
			constexpr double HalfUlp = 1.1102230246251565e-16;
			constexpr double OrientErrorFactor = (7.0 + 56.0 * HalfUlp) * HalfUlp;
			constexpr double OrientErrorFloor = 1e-300;
		}

		int32 PlaneSide(const FVector& A, const FVector& B, const FVector& C, const FVector& P)
		{
			const double ADX = A.X - P.X, ADY = A.Y - P.Y, ADZ = A.Z - P.Z;
			const double BDX = B.X - P.X, BDY = B.Y - P.Y, BDZ = B.Z - P.Z;
			const double CDX = C.X - P.X, CDY = C.Y - P.Y, CDZ = C.Z - P.Z;
			const double BDXCDY = BDX * CDY, CDXBDY = CDX * BDY;
			const double CDXADY = CDX * ADY, ADXCDY = ADX * CDY;
			const double ADXBDY = ADX * BDY, BDXADY = BDX * ADY;
			// (A - P) . ((B - P) x (C - P)), negative when P lies on the side (B - A) x (C - A) faces.
			const double Det = ADZ * (BDXCDY - CDXBDY) + BDZ * (CDXADY - ADXCDY) + CDZ * (ADXBDY - BDXADY);
			const double Permanent = (std::abs(BDXCDY) + std::abs(CDXBDY)) * std::abs(ADZ) + (std::abs(CDXADY) + std::abs(ADXCDY)) * std::abs(BDZ) +
			                         (std::abs(ADXBDY) + std::abs(BDXADY)) * std::abs(CDZ);
			const double Bound = OrientErrorFactor * Permanent + OrientErrorFloor;
			return Det < -Bound ? 1 : (Det > Bound ? -1 : 0);
		}

		ECrossing SegmentCrossing(const FVector& A, const FVector& B, const FVector& C, const FVector& From, int32 FromSide, const FVector& To)
		{
			return SegmentCrossingSides(A, B, C, From, FromSide, To, PlaneSide(A, B, C, To));
		}

		ECrossing SegmentCrossingSides(const FVector& A, const FVector& B, const FVector& C, const FVector& From, int32 FromSide, const FVector& To, int32 ToSide)
		{
			if (ToSide == FromSide)
			{
				return ECrossing::Miss;
			}
			// The line From -> To passes through the triangle when it turns the same way about all three edges.
			const int32 Edges[3] = {PlaneSide(From, To, A, B), PlaneSide(From, To, B, C), PlaneSide(From, To, C, A)};
			bool bPositive = false, bNegative = false, bUnsure = ToSide == 0;
			for (const int32 Edge : Edges)
			{
				bPositive |= Edge > 0;
				bNegative |= Edge < 0;
				bUnsure |= Edge == 0;
			}
			if (bPositive && bNegative)
			{
				return ECrossing::Miss;
			}
			if (bUnsure)
			{
				return ECrossing::Unsure;
			}
			return FromSide > 0 ? ECrossing::Enter : ECrossing::Leave;
		}
	}

	namespace
	{
		constexpr int32 InsideGridSubCells = 4;
		constexpr int32 InsideGridNumRefs = 8;
		// In FindInside, a point the grid alone cannot tell.
		constexpr uint8 Undecided = 0xFF;
		// Reference points, as offsets from a cell's centre in cells: off the centre, so that a mesh with
		// faces on round coordinates does not pass through them.
		constexpr double InsideGridRefOffsets[InsideGridNumRefs][3] = {
		    {0.0123, -0.0217, 0.0311},
		    {0.2113, 0.1371, -0.1789},
		    {-0.1931, 0.2237, 0.1173},
		    {0.1457, -0.2349, -0.0917},
		    {-0.2411, -0.1553, 0.2029},
		    {0.0719, 0.2473, -0.2263},
		    {-0.1187, -0.0663, -0.2417},
		    {0.2291, -0.1117, 0.1597},
		};
		// The grid's origin sits this share of a cell below the bounds (plus one cell), for the same reason.
		constexpr double InsideGridJitter[3] = {0.0731, 0.0419, 0.0587};

		// Sub-cell bit masks (bit x + 4y + 16z): the sub-cells at x == 0, x == 3, y == 0, y == 3, z == 0, z == 3.
		constexpr uint64 SubCellsAtX0 = 0x1111111111111111ull;
		constexpr uint64 SubCellsAtX3 = 0x8888888888888888ull;
		constexpr uint64 SubCellsAtY0 = 0x000F000F000F000Full;
		constexpr uint64 SubCellsAtY3 = 0xF000F000F000F000ull;
		constexpr uint64 SubCellsAtZ0 = 0x000000000000FFFFull;
		constexpr uint64 SubCellsAtZ3 = 0xFFFF000000000000ull;

		// The sub-cells of Within that Seed's face-connected component reaches.
		uint64 GrowSubCells(uint64 Seed, uint64 Within)
		{
			uint64 Component = Seed & Within;
			for (;;)
			{
				const uint64 Grown = Component | ((Component << 1) & ~SubCellsAtX0) | ((Component >> 1) & ~SubCellsAtX3) | ((Component << 4) & ~SubCellsAtY0) |
				                     ((Component >> 4) & ~SubCellsAtY3) | (Component << 16) | (Component >> 16);
				const uint64 Next = Grown & Within;
				if (Next == Component)
				{
					return Component;
				}
				Component = Next;
			}
		}

		// The whole number at or below Value, clamped to [Low, High]; truncation after the clamp, as floor() is
		// a library call where the instruction set lacks a rounding instruction.
		int32 ClampedFloor(double Value, int32 Low, int32 High)
		{
			const double Clamped = FMath::Clamp(Value, static_cast<double>(Low), static_cast<double>(High) + 0.5);
			return FMath::Min(static_cast<int32>(Clamped - Low) + Low, High);
		}

		// The sub-cell (bit x + 4y + 16z) of a point at (FX, FY, FZ) cells from its cell's low corner.
		FORCEINLINE int32 SubCellIndex(double FX, double FY, double FZ)
		{
			const int32 SX = FMath::Min(static_cast<int32>(FX * InsideGridSubCells), InsideGridSubCells - 1);
			const int32 SY = FMath::Min(static_cast<int32>(FY * InsideGridSubCells), InsideGridSubCells - 1);
			const int32 SZ = FMath::Min(static_cast<int32>(FZ * InsideGridSubCells), InsideGridSubCells - 1);
			return SX + 4 * SY + 16 * SZ;
		}

		// Per axis and run of sub-cells along it (bit i for the i-th of four), the sub-cells of a cell in the
		// run.
		struct FSubCellRuns
		{
			uint64 Values[3][16] = {};

			constexpr FSubCellRuns()
			{
				for (int32 Axis = 0; Axis < 3; ++Axis)
				{
					for (uint32 Run = 0; Run < 16; ++Run)
					{
						for (int32 Bit = 0; Bit < 64; ++Bit)
						{
							const int32 Along = Axis == 0 ? Bit % 4 : (Axis == 1 ? (Bit / 4) % 4 : Bit / 16);
							Values[Axis][Run] |= ((Run >> Along) & 1u) ? uint64(1) << Bit : 0;
						}
					}
				}
			}
		};
		constexpr FSubCellRuns SubCellRuns;

		// The sub-cells whose Axis coordinate, in sub-cells from the cell's low corner, lies in [From, To],
		// a millionth of a sub-cell wider against rounding.
		uint64 SubCellRun(int32 Axis, double From, double To)
		{
			const int32 Low = ClampedFloor(From - 1e-6, 0, 3);
			const int32 High = ClampedFloor(To + 1e-6, 0, 3);
			return SubCellRuns.Values[Axis][(0xFu >> (3 - High)) & (0xFu << Low)];
		}

		// The sub-cells of a cell that the box between reference point RefIndex and (FX, FY, FZ), in cells from
		// the cell's low corner, overlaps; a millionth of a sub-cell wider against rounding. A triangle that
		// touches none of them cannot cross a segment between the two.
		uint64 SubCellsBetween(int32 RefIndex, double FX, double FY, double FZ)
		{
			const double To[3] = {FX, FY, FZ};
			uint64 SubCells = ~uint64(0);
			for (int32 Axis = 0; Axis < 3; ++Axis)
			{
				const double Ref = 0.5 + InsideGridRefOffsets[RefIndex][Axis];
				SubCells &= SubCellRun(Axis, InsideGridSubCells * FMath::Min(Ref, To[Axis]), InsideGridSubCells * FMath::Max(Ref, To[Axis]));
			}
			return SubCells;
		}

		// Whether the triangle (corners relative to the box's centre) may meet the cube of half size Half, on
		// the nine axes made by its edges and the box's axes. The box's own axes and the triangle's plane
		// are the caller's.
		bool EdgeAxesOverlap(const FVector (&V)[3], double Half)
		{
			// Each axis is the edge crossed with a box axis, so one of its components is zero: the products
			// with it are left out, which changes no bit of the projections.
			for (int32 Edge = 0; Edge < 3; ++Edge)
			{
				const FVector E = V[(Edge + 1) % 3] - V[Edge];
				for (int32 Box = 0; Box < 3; ++Box)
				{
					// The axis E x (box axis Box) has components E[J] and -E[I] at I and J.
					const int32 I = (Box + 1) % 3, J = (Box + 2) % 3;
					const double AI = E[J], AJ = -E[I];
					const double P0 = AI * V[0][I] + AJ * V[0][J], P1 = AI * V[1][I] + AJ * V[1][J], P2 = AI * V[2][I] + AJ * V[2][J];
					const double Radius = Half * (std::abs(AI) + std::abs(AJ));
					if (FMath::Min(P0, FMath::Min(P1, P2)) > Radius || FMath::Max(P0, FMath::Max(P1, P2)) < -Radius)
					{
						return false;
					}
				}
			}
			return true;
		}

		// How much larger than a box a triangle is taken to be when asking whether it touches the box: a
		// part in a billion of the grid's scale, or of the triangle's own coordinates where they are larger,
		// which covers the rounding of every test below.
		double TriangleSlack(double GridSlack, const FVector& A, const FVector& B, const FVector& C)
		{
			double Largest = 0.0;
			for (const FVector* Corner : {&A, &B, &C})
			{
				Largest = FMath::Max(Largest, FMath::Max(std::abs(Corner->X), FMath::Max(std::abs(Corner->Y), std::abs(Corner->Z))));
			}
			return FMath::Max(GridSlack, 1e-9 * Largest);
		}
	}

	class FMeshInsideGrid::FBuilder
	{
	public:
		FBuilder(FMeshInsideGrid& InGrid, const FInsideGridInput& Input)
		    : Grid(InGrid), Corners(*Input.Corners)
		{
			Grid.Corners = Input.Corners;
			NumTriangles = Input.NumTriangles;
		}

		// What needs no winding tree: the cells, their lists and references, and the winding numbers the
		// walk from the border reaches.
		void RunCells()
		{
			if (NumTriangles == 0)
			{
				return;
			}
			ChooseCells();
			FillLists();
			ChooseReferences();
			SpreadWinding();
		}

		void RunWinding(const UE::Geometry::TFastWindingTree<UE::Geometry::FDynamicMesh3>* InWinding)
		{
			Grid.Winding = InWinding;
			if (NumTriangles == 0)
			{
				return;
			}
			FinishWinding();
			SettleSubCells();
			FillKinds();
		}

	private:
		FMeshInsideGrid& Grid;
		const std::vector<FVector>& Corners;
		int64 NumTriangles = 0;

		FVector Lo, Hi;
		// A part in a billion of the grid's scale: see TriangleSlack.
		double GridSlack = 0.0;
		int64 NumCells = 0;
		int64 WorkLimit = 0;
		// Per cell, the number of triangles touching it while lists are filled, then its winding number.
		std::vector<int32> CellValues;
		// Per near cell, its cell.
		std::vector<int64> NearCellIndex;
		// Each cell a triangle touches and the triangle, (cell << 32) | triangle, until the lists are filled.
		std::vector<uint64> Pairs;
		static constexpr int32 UnknownWinding = std::numeric_limits<int32>::min();
		// Cells whose winding number is known and whose neighbours the walk has still to try, from WalkHead on.
		std::vector<int64> WalkQueue;
		size_t WalkHead = 0;

		int64 CellIndex(int32 X, int32 Y, int32 Z) const
		{
			return (static_cast<int64>(Z) * Grid.Dims[1] + Y) * Grid.Dims[0] + X;
		}
		// Cells number fewer than 2^32 (see ChooseCells), where division is the quicker.
		void CellCoordinates(int64 Cell, int32& X, int32& Y, int32& Z) const
		{
			const uint32 Index = static_cast<uint32>(Cell), Row = static_cast<uint32>(Grid.Dims[0]);
			const uint32 Column = Index / Row;
			X = static_cast<int32>(Index - Column * Row);
			Y = static_cast<int32>(Column % static_cast<uint32>(Grid.Dims[1]));
			Z = static_cast<int32>(Column / static_cast<uint32>(Grid.Dims[1]));
		}
		FVector CellRef(int64 Cell) const
		{
			int32 X, Y, Z;
			CellCoordinates(Cell, X, Y, Z);
			const int32 Code = Grid.Codes[static_cast<size_t>(Cell)];
			return Grid.RefPoint(X, Y, Z, Code >= 0 ? Grid.NearCells[static_cast<size_t>(Code)].RefIndex : 0);
		}
		// A cell with a reference point whose segments to its neighbours can be followed.
		bool IsTraversable(int64 Cell) const
		{
			return Grid.Codes[static_cast<size_t>(Cell)] != CodeUnsettled;
		}
		int32 AxisCell(double Value, int32 Axis) const
		{
			return ClampedFloor((Value - Grid.Origin[Axis]) * Grid.InvCellSize, 0, Grid.Dims[Axis] - 1);
		}

		// Sets the cell size and counts; a grid of cubes at most 2 per triangle (and 2^22) over the bounds,
		// one empty cell beyond them on every side, coarser where the triangles would touch too many cells.
		void ChooseCells()
		{
			ChooseRegion();
			const FVector Extent = Hi - Lo;
			const double MaxExtent = Extent.GetMax();
			double Scale = MaxExtent;
			for (int32 Axis = 0; Axis < 3; ++Axis)
			{
				Scale = FMath::Max(Scale, FMath::Max(std::abs(Lo[Axis]), std::abs(Hi[Axis])));
			}
			GridSlack = 1e-9 * Scale;

			const int64 TargetCells = FMath::Clamp<int64>(2 * NumTriangles, 4096, int64(1) << 22);
			const int64 EntryBudget = 32 * NumTriangles + 4 * TargetCells;
			WorkLimit = 4 * EntryBudget;
			double Volume = 1.0;
			for (int32 Axis = 0; Axis < 3; ++Axis)
			{
				Volume *= FMath::Max(Extent[Axis], 1e-3 * MaxExtent);
			}
			double Size = FMath::Max(std::cbrt(Volume / static_cast<double>(TargetCells)), MaxExtent / 1000.0);
			while (SetCellSize(Size) > TargetCells)
			{
				Size *= 1.05;
			}
			// Coarser until the triangles' cells fit the budget: at a cell as large as the bounds each
			// triangle touches at most eight.
			for (;;)
			{
				CellValues.assign(static_cast<size_t>(NumCells), 0);
				Pairs.clear();
				int64 Work = 0;
				bool bFits = true;
				for (int64 Triangle = 0; Triangle < NumTriangles && bFits; ++Triangle)
				{
					bFits = ForEachCell(Triangle, Work, [&](int64 Cell)
					                    {
						                    ++CellValues[static_cast<size_t>(Cell)];
						                    Pairs.push_back((static_cast<uint64>(Cell) << 32) | static_cast<uint64>(Triangle)); });
					bFits = bFits && static_cast<int64>(Pairs.size()) <= EntryBudget;
				}
				if (bFits)
				{
					return;
				}
				Size *= 2.0;
				SetCellSize(Size);
			}
		}

		// The bounds, or where most triangles are when a few lie far from the rest: from the 1st to the 99th
		// percentile of their centres along each axis, and a quarter of that again each way.
		void ChooseRegion()
		{
			FVector Min = Corners[0], Max = Corners[0];
			for (int64 Corner = 0; Corner < 3 * NumTriangles; ++Corner)
			{
				Min = Min.ComponentMin(Corners[static_cast<size_t>(Corner)]);
				Max = Max.ComponentMax(Corners[static_cast<size_t>(Corner)]);
			}
			Grid.BoundsMin = Lo = Min;
			Grid.BoundsMax = Hi = Max;
			Grid.bCoversBounds = true;
			if (NumTriangles < 100)
			{
				return;
			}
			std::vector<double> Centres(static_cast<size_t>(NumTriangles));
			for (int32 Axis = 0; Axis < 3; ++Axis)
			{
				for (int64 Triangle = 0; Triangle < NumTriangles; ++Triangle)
				{
					const size_t First = static_cast<size_t>(3 * Triangle);
					Centres[static_cast<size_t>(Triangle)] = (Corners[First][Axis] + Corners[First + 1][Axis] + Corners[First + 2][Axis]) / 3.0;
				}
				const auto Low = Centres.begin() + NumTriangles / 100;
				const auto High = Centres.begin() + (NumTriangles - 1 - NumTriangles / 100);
				std::nth_element(Centres.begin(), Low, Centres.end());
				const double LowValue = *Low;
				std::nth_element(Centres.begin(), High, Centres.end());
				const double HighValue = *High;
				const double Margin = 0.25 * (HighValue - LowValue);
				// Worth it only when it cuts the grid's span by half or more.
				if (HighValue - LowValue + 2.0 * Margin < 0.5 * (Max[Axis] - Min[Axis]))
				{
					Lo[Axis] = FMath::Max(Min[Axis], LowValue - Margin);
					Hi[Axis] = FMath::Min(Max[Axis], HighValue + Margin);
					Grid.bCoversBounds = false;
				}
			}
		}

		int64 SetCellSize(double Size)
		{
			Grid.CellSize = Size;
			Grid.InvCellSize = 1.0 / Size;
			NumCells = 1;
			for (int32 Axis = 0; Axis < 3; ++Axis)
			{
				Grid.Origin[Axis] = Lo[Axis] - Size * (1.0 + InsideGridJitter[Axis]);
				const double Cells = std::floor((Hi[Axis] - Grid.Origin[Axis]) / Size) + 2.0;
				Grid.Dims[Axis] = static_cast<int32>(FMath::Min(Cells, 1.0e6));
				NumCells *= Grid.Dims[Axis];
			}
			return NumCells;
		}

		// Calls Visit with every cell the triangle may touch; false when the work limit is reached first.
		template<typename FVisit>
		bool ForEachCell(int64 Triangle, int64& Work, FVisit&& Visit) const
		{
			const FVector& A = Corners[static_cast<size_t>(3 * Triangle)];
			const FVector& B = Corners[static_cast<size_t>(3 * Triangle + 1)];
			const FVector& C = Corners[static_cast<size_t>(3 * Triangle + 2)];
			const FVector Normal = (B - A) ^ (C - A);
			const double Size = Grid.CellSize;
			const double Slack = TriangleSlack(GridSlack, A, B, C);
			int32 First[3], Last[3];
			for (int32 Axis = 0; Axis < 3; ++Axis)
			{
				const double Min = FMath::Min(A[Axis], FMath::Min(B[Axis], C[Axis])) - Slack;
				const double Max = FMath::Max(A[Axis], FMath::Max(B[Axis], C[Axis])) + Slack;
				if (Max < Grid.Origin[Axis] || Min > Grid.Origin[Axis] + Grid.Dims[Axis] * Size)
				{
					return true;
				}
				First[Axis] = AxisCell(Min, Axis);
				Last[Axis] = AxisCell(Max, Axis);
			}
			// Columns along the axis the triangle faces most; in each, the cells its plane passes through.
			const int32 D = std::abs(Normal.X) >= std::abs(Normal.Y) && std::abs(Normal.X) >= std::abs(Normal.Z) ? 0 : (std::abs(Normal.Y) >= std::abs(Normal.Z) ? 1 : 2);
			const int32 U = (D + 1) % 3, V = (D + 2) % 3;
			// How the plane rises along D per step along U and V; D is the axis the normal leans on most, so
			// neither slope exceeds one, and their rounding is far within Slack.
			const double SlopeU = Normal[U] / Normal[D], SlopeV = Normal[V] / Normal[D];
			const double Half = 0.5 * Size + Slack;
			for (int32 CV = First[V]; CV <= Last[V]; ++CV)
			{
				for (int32 CU = First[U]; CU <= Last[U]; ++CU)
				{
					if (++Work > WorkLimit)
					{
						return false;
					}
					const double U0 = Grid.Origin[U] + CU * Size - Slack, U1 = U0 + Size + 2.0 * Slack;
					const double V0 = Grid.Origin[V] + CV * Size - Slack, V1 = V0 + Size + 2.0 * Slack;
					double DMin = std::numeric_limits<double>::max(), DMax = std::numeric_limits<double>::lowest();
					for (const double PU : {U0, U1})
					{
						for (const double PV : {V0, V1})
						{
							const double PD = A[D] - (SlopeU * (PU - A[U]) + SlopeV * (PV - A[V]));
							DMin = FMath::Min(DMin, PD);
							DMax = FMath::Max(DMax, PD);
						}
					}
					const int32 DFirst = FMath::Max(First[D], AxisCell(DMin - Slack, D));
					const int32 DLast = FMath::Min(Last[D], AxisCell(DMax + Slack, D));
					Work += FMath::Max(DLast - DFirst + 1, 0);
					for (int32 CD = DFirst; CD <= DLast; ++CD)
					{
						int32 Cell[3];
						Cell[D] = CD;
						Cell[U] = CU;
						Cell[V] = CV;
						const FVector Centre = Grid.Origin + (FVector(Cell[0], Cell[1], Cell[2]) + FVector(0.5)) * Size;
						const FVector Relative[3] = {A - Centre, B - Centre, C - Centre};
						if (EdgeAxesOverlap(Relative, Half))
						{
							Visit(CellIndex(Cell[0], Cell[1], Cell[2]));
						}
					}
				}
			}
			return true;
		}

		// Cells with a few triangles get a list; cells with none are far; the rest fall back on the trees.
		void FillLists()
		{
			Grid.Codes.assign(static_cast<size_t>(NumCells), CodeOutside);
			std::vector<uint32> Fill;
			uint32 NextEntry = 0;
			for (int64 Cell = 0; Cell < NumCells; ++Cell)
			{
				const int32 Count = CellValues[static_cast<size_t>(Cell)];
				if (Count > FMeshInsideGrid::MaxCellEntries)
				{
					Grid.Codes[static_cast<size_t>(Cell)] = CodeUnsettled;
				}
				else if (Count > 0)
				{
					Grid.Codes[static_cast<size_t>(Cell)] = static_cast<int32>(Grid.NearCells.size());
					FNearCell Near;
					Near.FirstEntry = NextEntry;
					Near.NumEntries = static_cast<uint16>(Count);
					Grid.NearCells.push_back(Near);
					NearCellIndex.push_back(Cell);
					Fill.push_back(NextEntry);
					NextEntry += static_cast<uint32>(Count);
				}
			}
			// The pairs come in the order of the triangles, so each list ascends.
			Grid.Entries.assign(NextEntry, 0);
			// Until the sub-cells are settled, every triangle may touch every sub-cell.
			Grid.EntrySubCells.assign(NextEntry, ~uint64(0));
			for (const uint64 Pair : Pairs)
			{
				const int32 Code = Grid.Codes[static_cast<size_t>(Pair >> 32)];
				if (Code >= 0)
				{
					const uint32 Triangle = static_cast<uint32>(Pair & 0xFFFFFFFFu);
					Grid.Entries[Fill[static_cast<size_t>(Code)]++] = Triangle << 1;
				}
			}
			Pairs = std::vector<uint64>();
		}

		// Each near cell's reference point: the first of the candidates on no triangle's plane.
		void ChooseReferences()
		{
			ParallelFor(TEXT("MeshInsideGridReferences"), static_cast<int32>(Grid.NearCells.size()), 256, [this](int32 CellIndex)
			            { ChooseReference(static_cast<size_t>(CellIndex)); });
		}

		void ChooseReference(size_t Index)
		{
			FNearCell& Near = Grid.NearCells[Index];
			int32 X, Y, Z;
			CellCoordinates(NearCellIndex[Index], X, Y, Z);
			bool bChosen = false;
			for (int32 Ref = 0; Ref < InsideGridNumRefs && !bChosen; ++Ref)
			{
				const FVector Point = Grid.RefPoint(X, Y, Z, Ref);
				bChosen = true;
				for (uint32 Entry = Near.FirstEntry; Entry < Near.FirstEntry + Near.NumEntries && bChosen; ++Entry)
				{
					const size_t Triangle = Grid.Entries[Entry] >> 1;
					const int32 Side = MeshGeometry::PlaneSide(Corners[3 * Triangle], Corners[3 * Triangle + 1], Corners[3 * Triangle + 2], Point);
					Grid.Entries[Entry] = (Grid.Entries[Entry] & ~1u) | (Side > 0 ? 1u : 0u);
					bChosen = Side != 0;
				}
				Near.RefIndex = static_cast<uint8>(Ref);
			}
			if (!bChosen)
			{
				Grid.Codes[static_cast<size_t>(NearCellIndex[Index])] = CodeUnsettled;
			}
		}

		// The change of the winding number from the reference of cell From to that of its neighbour To: the
		// segment stays in the two cells, so their lists hold every triangle it can cross. False when a
		// crossing is unsure. A reference's side of a triangle in its own cell's list is known already.
		bool CountStep(int64 From, int64 To, int32& OutDelta) const
		{
			const FVector R = CellRef(From), Q = CellRef(To);
			const int32 CodeFrom = Grid.Codes[static_cast<size_t>(From)], CodeTo = Grid.Codes[static_cast<size_t>(To)];
			const uint32* ListA = CodeFrom >= 0 ? &Grid.Entries[Grid.NearCells[static_cast<size_t>(CodeFrom)].FirstEntry] : nullptr;
			const uint32* ListB = CodeTo >= 0 ? &Grid.Entries[Grid.NearCells[static_cast<size_t>(CodeTo)].FirstEntry] : nullptr;
			const int32 NumA = CodeFrom >= 0 ? Grid.NearCells[static_cast<size_t>(CodeFrom)].NumEntries : 0;
			const int32 NumB = CodeTo >= 0 ? Grid.NearCells[static_cast<size_t>(CodeTo)].NumEntries : 0;
			OutDelta = 0;
			// Both lists ascend; a triangle in both counts once.
			int32 IndexA = 0, IndexB = 0;
			while (IndexA < NumA || IndexB < NumB)
			{
				const uint32 TriangleA = IndexA < NumA ? ListA[IndexA] >> 1 : std::numeric_limits<uint32>::max();
				const uint32 TriangleB = IndexB < NumB ? ListB[IndexB] >> 1 : std::numeric_limits<uint32>::max();
				const uint32 Triangle = FMath::Min(TriangleA, TriangleB);
				const FVector* Corner = &Corners[3 * size_t(Triangle)];
				int32 FromSide, ToSide;
				if (TriangleA == Triangle)
				{
					FromSide = (ListA[IndexA++] & 1u) ? 1 : -1;
				}
				else if ((FromSide = MeshGeometry::PlaneSide(Corner[0], Corner[1], Corner[2], R)) == 0)
				{
					return false;
				}
				if (TriangleB == Triangle)
				{
					ToSide = (ListB[IndexB++] & 1u) ? 1 : -1;
				}
				else
				{
					ToSide = MeshGeometry::PlaneSide(Corner[0], Corner[1], Corner[2], Q);
				}
				switch (MeshGeometry::SegmentCrossingSides(Corner[0], Corner[1], Corner[2], R, FromSide, Q, ToSide))
				{
					case MeshGeometry::ECrossing::Miss:
						break;
					case MeshGeometry::ECrossing::Enter:
						++OutDelta;
						break;
					case MeshGeometry::ECrossing::Leave:
						--OutDelta;
						break;
					case MeshGeometry::ECrossing::Unsure:
						return false;
				}
			}
			return true;
		}

		// The face neighbours of a cell in the grid, as cell indices; returns how many.
		int32 Neighbours(int64 Cell, int64 (&Out)[6]) const
		{
			int32 X, Y, Z;
			CellCoordinates(Cell, X, Y, Z);
			int32 Num = 0;
			const int64 Row = Grid.Dims[0], Slice = static_cast<int64>(Grid.Dims[0]) * Grid.Dims[1];
			if (X > 0)
			{
				Out[Num++] = Cell - 1;
			}
			if (X + 1 < Grid.Dims[0])
			{
				Out[Num++] = Cell + 1;
			}
			if (Y > 0)
			{
				Out[Num++] = Cell - Row;
			}
			if (Y + 1 < Grid.Dims[1])
			{
				Out[Num++] = Cell + Row;
			}
			if (Z > 0)
			{
				Out[Num++] = Cell - Slice;
			}
			if (Z + 1 < Grid.Dims[2])
			{
				Out[Num++] = Cell + Slice;
			}
			return Num;
		}

		// A cell no triangle touches, before the winding numbers settle its code.
		bool IsFar(int64 Cell) const
		{
			return Grid.Codes[static_cast<size_t>(Cell)] == CodeOutside;
		}

		// Carries winding numbers on from the cells queued, across every step that is sure.
		void Walk()
		{
			std::vector<int32>& CellWinding = CellValues;
			std::vector<int64>& Queue = WalkQueue;
			std::vector<int64> Flood;
			for (; WalkHead < Queue.size(); ++WalkHead)
			{
				const int64 Cell = Queue[WalkHead];
				int64 Near[6];
				const int32 NumNear = Neighbours(Cell, Near);
				for (int32 Index = 0; Index < NumNear; ++Index)
				{
					const int64 Next = Near[Index];
					int32 Delta = 0;
					if (CellWinding[static_cast<size_t>(Next)] != UnknownWinding || !IsTraversable(Next) || !CountStep(Cell, Next, Delta))
					{
						continue;
					}
					CellWinding[static_cast<size_t>(Next)] = CellWinding[static_cast<size_t>(Cell)] + Delta;
					Queue.push_back(Next);
					// Between two cells without triangles nothing is crossed: the region of such cells
					// reached here takes the same number at once, rather than a count from each cell beside it.
					Flood.assign(IsFar(Next) ? 1 : 0, Next);
					while (!Flood.empty())
					{
						const int64 Far = Flood.back();
						Flood.pop_back();
						int64 Beside[6];
						const int32 NumBeside = Neighbours(Far, Beside);
						for (int32 Side = 0; Side < NumBeside; ++Side)
						{
							if (IsFar(Beside[Side]) && CellWinding[static_cast<size_t>(Beside[Side])] == UnknownWinding)
							{
								CellWinding[static_cast<size_t>(Beside[Side])] = CellWinding[static_cast<size_t>(Far)];
								Queue.push_back(Beside[Side]);
								Flood.push_back(Beside[Side]);
							}
						}
					}
				}
			}
		}

		// Winding numbers are exact, so any way to a cell gives the same. Cells without triangles reached from
		// the grid's border through such cells are outside (nothing is crossed); each cell with triangles beside
		// one of them counts the crossings on its own list, on every core; a walk from those covers the rest.
		// Regions the walk cannot reach (walled off by cells without lists, or when the grid covers less than
		// the bounds) start from the winding tree where it is clearly a whole number.
		void SpreadWinding()
		{
			std::vector<int32>& CellWinding = CellValues;
			CellWinding.assign(static_cast<size_t>(NumCells), UnknownWinding);
			std::vector<int64>& Queue = WalkQueue;
			for (int32 Z = 0; Z < Grid.Dims[2] && Grid.bCoversBounds; ++Z)
			{
				for (int32 Y = 0; Y < Grid.Dims[1]; ++Y)
				{
					const bool bSide = Z == 0 || Y == 0 || Z == Grid.Dims[2] - 1 || Y == Grid.Dims[1] - 1;
					for (int32 X = 0; X < Grid.Dims[0]; X += bSide || X == Grid.Dims[0] - 1 ? 1 : FMath::Max(Grid.Dims[0] - 1, 1))
					{
						const int64 Cell = CellIndex(X, Y, Z);
						if (IsFar(Cell))
						{
							CellWinding[static_cast<size_t>(Cell)] = 0;
							Queue.push_back(Cell);
						}
					}
				}
			}
			for (size_t Head = 0; Head < Queue.size(); ++Head)
			{
				int64 Near[6];
				const int32 NumNear = Neighbours(Queue[Head], Near);
				for (int32 Index = 0; Index < NumNear; ++Index)
				{
					if (IsFar(Near[Index]) && CellWinding[static_cast<size_t>(Near[Index])] == UnknownWinding)
					{
						CellWinding[static_cast<size_t>(Near[Index])] = 0;
						Queue.push_back(Near[Index]);
					}
				}
			}
			ParallelFor(TEXT("MeshInsideGridWinding"), static_cast<int32>(Grid.NearCells.size()), 256, [&](int32 NearIndex)
			            {
				            const int64 Cell = NearCellIndex[static_cast<size_t>(NearIndex)];
				            if (!IsTraversable(Cell))
				            {
					            return;
				            }
				            int64 Near[6];
				            const int32 NumNear = Neighbours(Cell, Near);
				            for (int32 Index = 0; Index < NumNear; ++Index)
				            {
					            int32 Delta = 0;
					            const int32 Known = IsFar(Near[Index]) ? CellWinding[static_cast<size_t>(Near[Index])] : UnknownWinding;
					            if (Known != UnknownWinding && CountStep(Near[Index], Cell, Delta))
					            {
						            CellWinding[static_cast<size_t>(Cell)] = Known + Delta;
						            return;
					            }
				            } });

			Queue.clear();
			for (const int64 Cell : NearCellIndex)
			{
				if (CellWinding[static_cast<size_t>(Cell)] != UnknownWinding)
				{
					Queue.push_back(Cell);
				}
			}
			WalkHead = 0;
			Walk();
		}

		// Cells the walk could not reach start from the winding tree; then each cell's code and state.
		void FinishWinding()
		{
			std::vector<int32>& CellWinding = CellValues;
			// Each start costs a winding number, which on a mesh of crowded large triangles costs them all:
			// a bounded number of them, and cells still unknown fall back on the tree when asked.
			int32 StartsLeft = 4096;
			for (int64 Cell = 0; Cell < NumCells && Grid.Winding && StartsLeft > 0; ++Cell)
			{
				if (CellWinding[static_cast<size_t>(Cell)] != UnknownWinding || !IsTraversable(Cell))
				{
					continue;
				}
				--StartsLeft;
				const double Number = Grid.Winding->FastWindingNumber(CellRef(Cell));
				const double Rounded = std::round(Number);
				if (std::abs(Number - Rounded) < 0.25 && std::abs(Rounded) < 1e6)
				{
					CellWinding[static_cast<size_t>(Cell)] = static_cast<int32>(Rounded);
					WalkQueue.push_back(Cell);
					Walk();
				}
			}

			for (int64 Cell = 0; Cell < NumCells; ++Cell)
			{
				int32& Code = Grid.Codes[static_cast<size_t>(Cell)];
				const int32 Number = CellWinding[static_cast<size_t>(Cell)];
				if (Code >= 0)
				{
					Grid.NearCells[static_cast<size_t>(Code)].Winding = Number;
					Grid.NearCells[static_cast<size_t>(Code)].bWindingKnown = Number != UnknownWinding;
				}
				else if (Code == CodeOutside)
				{
					Code = Number == UnknownWinding ? CodeUnsettled : (Number >= 1 ? CodeInside : CodeOutside);
				}
			}
		}

		void FillKinds()
		{
			Grid.Kinds.assign(static_cast<size_t>((NumCells + 31) / 32), 0);
			for (int64 Cell = 0; Cell < NumCells; ++Cell)
			{
				const int32 Code = Grid.Codes[static_cast<size_t>(Cell)];
				const uint64 Kind = Code >= 0 ? 2 : (Code == CodeInside ? 1 : (Code == CodeOutside ? 0 : 3));
				Grid.Kinds[static_cast<size_t>(Cell >> 5)] |= Kind << (2 * (Cell & 31));
			}
		}

		void SettleSubCells()
		{
			ParallelFor(TEXT("MeshInsideGridSubCells"), static_cast<int32>(Grid.NearCells.size()), 256, [this](int32 CellIndex)
			            { SettleSubCellsOf(static_cast<size_t>(CellIndex)); });
		}

		void SettleSubCellsOf(size_t Index)
		{
			const double SubSize = Grid.CellSize / InsideGridSubCells;
			const double InvSubSize = InsideGridSubCells * Grid.InvCellSize;
			const int64 Cell = NearCellIndex[Index];
			if (Grid.Codes[static_cast<size_t>(Cell)] < 0)
			{
				return;
			}
			FNearCell& Near = Grid.NearCells[Index];
			int32 X, Y, Z;
			CellCoordinates(Cell, X, Y, Z);
			const FVector CellMin = Grid.Origin + FVector(X, Y, Z) * Grid.CellSize;
			uint64 Exact = 0;
			for (uint32 Entry = Near.FirstEntry; Entry < Near.FirstEntry + Near.NumEntries; ++Entry)
			{
				const size_t Triangle = Grid.Entries[Entry] >> 1;
				const FVector& A = Corners[3 * Triangle];
				const FVector& B = Corners[3 * Triangle + 1];
				const FVector& C = Corners[3 * Triangle + 2];
				const FVector Normal = ((B - A) ^ (C - A)).GetSafeNormal(0.0);
				const double Slack = TriangleSlack(GridSlack, A, B, C);
				const double Half = 0.5 * SubSize + Slack;
				int32 First[3], Last[3];
				for (int32 Axis = 0; Axis < 3; ++Axis)
				{
					const double Min = FMath::Min(A[Axis], FMath::Min(B[Axis], C[Axis])) - Slack;
					const double Max = FMath::Max(A[Axis], FMath::Max(B[Axis], C[Axis])) + Slack;
					First[Axis] = ClampedFloor((Min - CellMin[Axis]) * InvSubSize, 0, 3);
					Last[Axis] = ClampedFloor((Max - CellMin[Axis]) * InvSubSize, 0, 3);
				}
				// The sub-cells of the box the plane passes within reach of; the distance of the plane from
				// their centres steps by a constant along each axis.
				const double Reach = Half * (std::abs(Normal.X) + std::abs(Normal.Y) + std::abs(Normal.Z)) + 2.0 * Slack;
				const double Base = Normal | (CellMin + FVector(0.5 * SubSize) - A);
				const FVector Step = Normal * SubSize;
				uint64 Touched = 0;
				// Along each row the sub-cells within reach are a run, from where Row + SX * Step.X meets -Reach
				// to where it meets Reach, widened by a millionth of a sub-cell against rounding.
				const bool bFlat = std::abs(Step.X) < 1e-300;
				const double InvStep = bFlat ? 0.0 : 1.0 / Step.X;
				for (int32 SZ = First[2]; SZ <= Last[2]; ++SZ)
				{
					for (int32 SY = First[1]; SY <= Last[1]; ++SY)
					{
						const double Row = Base + SY * Step.Y + SZ * Step.Z;
						int32 Low = First[0], High = Last[0];
						if (bFlat)
						{
							High = std::abs(Row) <= Reach ? High : Low - 1;
						}
						else
						{
							const double EndA = (-Reach - Row) * InvStep, EndB = (Reach - Row) * InvStep;
							Low = FMath::Max(Low, -ClampedFloor(1e-6 - FMath::Min(EndA, EndB), -4, 1));
							High = FMath::Min(High, ClampedFloor(FMath::Max(EndA, EndB) + 1e-6, -1, 4));
						}
						if (Low <= High)
						{
							Touched |= static_cast<uint64>((0xFu >> (3 - High)) & (0xFu << Low)) << (4 * SY + 16 * SZ);
						}
					}
				}
				Grid.EntrySubCells[Entry] = Touched;
				Exact |= Touched;
			}

			const FVector Ref = Grid.RefPoint(X, Y, Z, Near.RefIndex);
			// A part of the cell no triangle touches that reaches a face with a cell without triangles beyond
			// it is as inside as that cell: nothing lies between them.
			const int64 Row = Grid.Dims[0], Slice = static_cast<int64>(Grid.Dims[0]) * Grid.Dims[1];
			const struct
			{
				uint64 Face;
				bool bExists;
				int64 Beyond;
			} Faces[6] = {
			    {SubCellsAtX0, X > 0, Cell - 1},
			    {SubCellsAtX3, X + 1 < Grid.Dims[0], Cell + 1},
			    {SubCellsAtY0, Y > 0, Cell - Row},
			    {SubCellsAtY3, Y + 1 < Grid.Dims[1], Cell + Row},
			    {SubCellsAtZ0, Z > 0, Cell - Slice},
			    {SubCellsAtZ3, Z + 1 < Grid.Dims[2], Cell + Slice},
			};
			uint64 Inside = 0;
			uint64 Left = ~Exact;
			while (Left)
			{
				const uint64 Component = GrowSubCells(Left & (~Left + 1), Left);
				Left &= ~Component;
				int32 State = -1;
				for (const auto& Face : Faces)
				{
					const int32 BeyondCode = Face.bExists && (Component & Face.Face) ? Grid.Codes[static_cast<size_t>(Face.Beyond)] : CodeUnsettled;
					if (BeyondCode == CodeInside || BeyondCode == CodeOutside)
					{
						State = BeyondCode == CodeInside ? 1 : 0;
						break;
					}
				}
				// Otherwise up to three of its sub-cells' centres, in case one lies where a crossing is unsure.
				uint64 Candidates = Component;
				for (int32 Try = 0; Try < 3 && Candidates && State < 0; ++Try)
				{
					const int32 Bit = std::countr_zero(Candidates);
					Candidates &= Candidates - 1;
					const FVector Centre = CellMin + FVector(Bit % 4 + 0.5, (Bit / 4) % 4 + 0.5, Bit / 16 + 0.5) * SubSize;
					int32 Crossings = 0;
					const uint64 Between = SubCellsBetween(Near.RefIndex, (Bit % 4 + 0.5) / InsideGridSubCells, ((Bit / 4) % 4 + 0.5) / InsideGridSubCells,
					                                       (Bit / 16 + 0.5) / InsideGridSubCells);
					if (Near.bWindingKnown && Grid.CountCrossings(Near, Ref, Centre, Between, Crossings))
					{
						State = Near.Winding + Crossings >= 1 ? 1 : 0;
					}
				}
				if (State == 1)
				{
					Inside |= Component;
				}
				else if (State != 0)
				{
					Exact |= Component;
				}
			}
			Near.ExactMask = Exact;
			Near.InsideMask = Inside;
		}
	};

	void FMeshInsideGrid::Build(const FInsideGridInput& Input, TFunctionRef<void()> Alongside)
	{
		*this = FMeshInsideGrid();
		FBuilder Builder(*this, Input);
		ParallelFor(TEXT("MeshInsideGridAlongside"), 2, 1, [&](int32 Job)
		            {
			            if (Job == 0)
			            {
				            Alongside();
			            }
			            else
			            {
				            Builder.RunCells();
			            } });
		Builder.RunWinding(Input.Winding);
	}

	FVector FMeshInsideGrid::RefPoint(int32 X, int32 Y, int32 Z, int32 RefIndex) const
	{
		const double* Offset = InsideGridRefOffsets[RefIndex];
		return Origin + FVector(X + 0.5 + Offset[0], Y + 0.5 + Offset[1], Z + 0.5 + Offset[2]) * CellSize;
	}

	bool FMeshInsideGrid::CountCrossings(const FNearCell& Cell, const FVector& Ref, const FVector& Point, uint64 SubCells, int32& OutCrossings) const
	{
		OutCrossings = 0;
		const FVector* Triangles = Corners->data();
		for (uint32 Index = Cell.FirstEntry; Index < Cell.FirstEntry + Cell.NumEntries; ++Index)
		{
			if (!(EntrySubCells[Index] & SubCells))
			{
				continue;
			}
			const uint32 Entry = Entries[Index];
			const FVector* Corner = Triangles + 3 * size_t(Entry >> 1);
			switch (MeshGeometry::SegmentCrossing(Corner[0], Corner[1], Corner[2], Ref, (Entry & 1u) ? 1 : -1, Point))
			{
				case MeshGeometry::ECrossing::Miss:
					break;
				case MeshGeometry::ECrossing::Enter:
					++OutCrossings;
					break;
				case MeshGeometry::ECrossing::Leave:
					--OutCrossings;
					break;
				case MeshGeometry::ECrossing::Unsure:
					return false;
			}
		}
		return true;
	}

	bool FMeshInsideGrid::IsInBounds(const FVector& Point) const
	{
		return Point.X >= BoundsMin.X && Point.Y >= BoundsMin.Y && Point.Z >= BoundsMin.Z && Point.X <= BoundsMax.X && Point.Y <= BoundsMax.Y &&
		       Point.Z <= BoundsMax.Z;
	}

	int32 FMeshInsideGrid::Lookup(const FVector& Point) const
	{
		const double X = (Point.X - Origin.X) * InvCellSize;
		const double Y = (Point.Y - Origin.Y) * InvCellSize;
		const double Z = (Point.Z - Origin.Z) * InvCellSize;
		// A point that is not finite fails every comparison; beyond the bounds nothing is inside.
		if (!(X >= 0.0 && Y >= 0.0 && Z >= 0.0 && X < Dims[0] && Y < Dims[1] && Z < Dims[2]))
		{
			return bCoversBounds || !IsInBounds(Point) ? 0 : -1;
		}
		const int32 IX = static_cast<int32>(X), IY = static_cast<int32>(Y), IZ = static_cast<int32>(Z);
		const size_t Index = (static_cast<size_t>(IZ) * Dims[1] + IY) * Dims[0] + IX;
		const int32 State = SettledState(X, Y, Z, IX, IY, IZ, Index);
		if (State != -2)
		{
			return State;
		}
		const FNearCell& Cell = NearCells[static_cast<size_t>(Codes[Index])];
		int32 Crossings = 0;
		if (!Cell.bWindingKnown ||
		    !CountCrossings(Cell, RefPoint(IX, IY, IZ, Cell.RefIndex), Point, SubCellsBetween(Cell.RefIndex, X - IX, Y - IY, Z - IZ), Crossings))
		{
			return -1;
		}
		return Cell.Winding + Crossings >= 1 ? 1 : 0;
	}

	FORCEINLINE int32 FMeshInsideGrid::SettledState(double X, double Y, double Z, int32 IX, int32 IY, int32 IZ, size_t Cell) const
	{
		const int32 Kind = static_cast<int32>((Kinds[Cell >> 5] >> (2 * (Cell & 31))) & 3);
		if (Kind != 2)
		{
			return Kind == 3 ? -1 : Kind;
		}
		const FNearCell& Near = NearCells[static_cast<size_t>(Codes[Cell])];
		const uint64 Bit = uint64(1) << SubCellIndex(X - IX, Y - IY, Z - IZ);
		return (Near.ExactMask & Bit) ? -2 : ((Near.InsideMask & Bit) ? 1 : 0);
	}

	bool FMeshInsideGrid::IsInsideWithoutFallback(const FVector& Point, bool& bOutDecided) const
	{
		const int32 State = Lookup(Point);
		bOutDecided = State >= 0;
		return State == 1;
	}

	int32 FMeshInsideGrid::FindInside(const float* Points, int32 Count, const FVector& Placement, uint8* OutInside) const
	{
		// Each point's cell worked out as Lookup does, to the last bit. The grid's figures are read once: the
		// stores through OutInside may alias them, and the compiler would read them again for every point.
		const double PlaceX = Placement.X, PlaceY = Placement.Y, PlaceZ = Placement.Z;
		const double OriginX = Origin.X, OriginY = Origin.Y, OriginZ = Origin.Z;
		const double Inv = InvCellSize;
		const double SizeX = Dims[0], SizeY = Dims[1], SizeZ = Dims[2];
		const size_t Row = static_cast<size_t>(Dims[0]), Slice = Row * static_cast<size_t>(Dims[1]);
		// Beyond the grid (or not finite), where it covers the bounds.
		const uint8 Beyond = bCoversBounds ? 0 : Undecided;
		int32 NumInside = 0;
		for (int32 Index = 0; Index < Count; ++Index, Points += 3)
		{
			const double X = ((PlaceX + Points[0]) - OriginX) * Inv;
			const double Y = ((PlaceY + Points[1]) - OriginY) * Inv;
			const double Z = ((PlaceZ + Points[2]) - OriginZ) * Inv;
			uint8 State = Beyond;
			if (X >= 0.0 && Y >= 0.0 && Z >= 0.0 && X < SizeX && Y < SizeY && Z < SizeZ)
			{
				const int32 IX = static_cast<int32>(X), IY = static_cast<int32>(Y), IZ = static_cast<int32>(Z);
				const int32 Settled = SettledState(X, Y, Z, IX, IY, IZ, static_cast<size_t>(IZ) * Slice + static_cast<size_t>(IY) * Row + static_cast<size_t>(IX));
				State = Settled < 0 ? Undecided : static_cast<uint8>(Settled);
			}
			if (State == Undecided)
			{
				// Unsettled, or left to the exact count: as IsInside, which works the cell out again.
				State = IsInside(FVector(PlaceX + Points[0], PlaceY + Points[1], PlaceZ + Points[2])) ? 1 : 0;
			}
			OutInside[Index] = State;
			NumInside += State;
		}
		return NumInside;
	}

	bool FMeshInsideGrid::IsInside(const FVector& Point) const
	{
		const int32 State = Lookup(Point);
		return State < 0 ? FallbackInside(Point) : State == 1;
	}

	bool FMeshInsideGrid::FallbackInside(const FVector& Point) const
	{
		return Winding && Winding->FastWindingNumber(Point) > 0.5;
	}

	SIZE_T FMeshInsideGrid::GetAllocatedSize() const
	{
		return Codes.capacity() * sizeof(int32) + Kinds.capacity() * sizeof(uint64) + NearCells.capacity() * sizeof(FNearCell) + Entries.capacity() * sizeof(uint32) +
		       EntrySubCells.capacity() * sizeof(uint64);
	}
}
