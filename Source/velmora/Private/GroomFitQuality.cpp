#include "GroomFitQuality.h"

#include "Components/StaticMeshComponent.h"
#include "Distance/DistPoint3Triangle3.h"
#include "DynamicMesh/DynamicMesh3.h"
#include "DynamicMesh/DynamicMeshAABBTree3.h"
#include "Engine/StaticMesh.h"
#include "GameFramework/Actor.h"
#include "GroomFitting.h"
#include "MeshDescriptionToDynamicMesh.h"
#include "Spatial/FastWinding.h"
#include "StaticMeshResources.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace GroomFitQuality
{
	namespace
	{
		using UE::Geometry::FDistPoint3Triangle3d;
		using UE::Geometry::FDynamicMesh3;
		using UE::Geometry::FDynamicMeshAABBTree3;
		using UE::Geometry::FIndex3i;
		using UE::Geometry::TFastWindingTree;

		bool IsFinite(const FVector& V)
		{
			return std::isfinite(V.X) && std::isfinite(V.Y) && std::isfinite(V.Z);
		}

		FVector ReadPoint(const GroomData& Groom, int64 Index)
		{
			const size_t First = 3 * static_cast<size_t>(Index);
			return FVector(Groom.positions[First], Groom.positions[First + 1], Groom.positions[First + 2]);
		}

		void WritePoint(GroomData& Groom, int64 Index, const FVector& Point)
		{
			const size_t First = 3 * static_cast<size_t>(Index);
			Groom.positions[First] = static_cast<float>(Point.X);
			Groom.positions[First + 1] = static_cast<float>(Point.Y);
			Groom.positions[First + 2] = static_cast<float>(Point.Z);
		}

		std::string ToUtf8(const FString& Text)
		{
			const FTCHARToUTF8 Converted(*Text);
			return std::string(Converted.Get(), Converted.Length());
		}

		FDistanceSummary Summarise(std::vector<double>& Values)
		{
			FDistanceSummary Summary;
			Summary.Count = static_cast<int64>(Values.size());
			if (Values.empty())
			{
				return Summary;
			}
			const auto [Min, Max] = std::minmax_element(Values.begin(), Values.end());
			Summary.Min = *Min;
			Summary.Max = *Max;
			// The lower middle for an even count, so the median is always one of the values.
			const auto Middle = Values.begin() + static_cast<std::ptrdiff_t>((Values.size() - 1) / 2);
			std::nth_element(Values.begin(), Middle, Values.end());
			Summary.Median = *Middle;
			return Summary;
		}

		// Whether the curves' counts fit the points: the number of points they cover, or -1 with the reason.
		int64 CoveredPoints(const GroomData& Groom, FString& OutError)
		{
			const int64 NumPoints = static_cast<int64>(Groom.positions.size() / 3);
			int64 Covered = 0;
			for (size_t Curve = 0; Curve < Groom.vertexCounts.size(); ++Curve)
			{
				if (Groom.vertexCounts[Curve] < 0)
				{
					OutError = FString::Printf(TEXT("curve %lld has a negative point count (%d)"), static_cast<long long>(Curve), Groom.vertexCounts[Curve]);
					return -1;
				}
				Covered += Groom.vertexCounts[Curve];
			}
			if (Covered > NumPoints)
			{
				OutError = FString::Printf(TEXT("the curves' point counts add up to %lld points but the groom holds %lld"), static_cast<long long>(Covered),
				                           static_cast<long long>(NumPoints));
				return -1;
			}
			return Covered;
		}

		// The world-space mesh and what answers questions about it. Points that are plainly outside (beyond
		// the bounds) or plainly on one side (in a cell of a coarse grid that no triangle comes near, whose
		// region of empty cells lies wholly on that side) skip the winding evaluation.
		class FMeshQueryImpl final : public FMeshQuery
		{
		public:
			FMeshQueryImpl()
			    : Winding(&Tree, false)
			{
			}

			bool Init(FString& OutError);

			virtual bool NearestPoint(const FVector& Point, FVector& OutNearest, FVector& OutNormal) const override
			{
				if (!IsFinite(Point))
				{
					return false;
				}
				double DistSqr = 0.0;
				const int TriangleID = Tree.FindNearestTriangle(Point, DistSqr);
				if (TriangleID == FDynamicMesh3::InvalidID)
				{
					return false;
				}
				FVector V0, V1, V2;
				Mesh.GetTriVertices(TriangleID, V0, V1, V2);
				FDistPoint3Triangle3d Distance(Point, UE::Geometry::FTriangle3d(V0, V1, V2));
				Distance.GetSquared();
				OutNearest = Distance.ClosestTrianglePoint;
				OutNormal = Mesh.GetTriNormal(TriangleID) * Orientation;
				return true;
			}

			virtual bool SurfaceNormal(const FVector& SurfacePoint, double Tolerance, FVector& OutNormal) const override
			{
				if (!IsFinite(SurfacePoint))
				{
					return false;
				}
				double DistSqr = 0.0;
				const int TriangleID = Tree.FindNearestTriangle(SurfacePoint, DistSqr, UE::Geometry::IMeshSpatial::FQueryOptions(Tolerance));
				if (TriangleID == FDynamicMesh3::InvalidID)
				{
					FVector Nearest;
					return NearestPoint(SurfacePoint, Nearest, OutNormal);
				}
				OutNormal = Mesh.GetTriNormal(TriangleID) * Orientation;
				return true;
			}

			virtual bool IsInside(const FVector& Point) const override
			{
				if (!IsFinite(Point))
				{
					return false;
				}
				if (CellStates.empty())
				{
					// Made on first use, so fits that never ask pay nothing for it. The query is always made
					// by Create, never const, so this is sound.
					const_cast<FMeshQueryImpl*>(this)->BuildGrid();
				}
				if (Point.X < GridMin.X || Point.Y < GridMin.Y || Point.Z < GridMin.Z || Point.X >= GridMax.X || Point.Y >= GridMax.Y || Point.Z >= GridMax.Z)
				{
					return false;
				}
				const int32 X = FMath::Min(static_cast<int32>((Point.X - GridMin.X) * InvCellSize), Cells[0] - 1);
				const int32 Y = FMath::Min(static_cast<int32>((Point.Y - GridMin.Y) * InvCellSize), Cells[1] - 1);
				const int32 Z = FMath::Min(static_cast<int32>((Point.Z - GridMin.Z) * InvCellSize), Cells[2] - 1);
				const size_t Cell = CellIndex(X, Y, Z);
				if (CellStates[Cell] != ECell::Exact)
				{
					return CellStates[Cell] == ECell::Inside;
				}
				// Near the surface, the cell's finer block decides most points.
				const ECell* Block = FineBlock(Cell, X, Y, Z);
				const FVector InBlock = (Point - GridMin) * InvCellSize - FVector(X, Y, Z);
				const auto Fine = [](double Value)
				{
					return FMath::Clamp(static_cast<int32>(Value * FineCells), 0, FineCells - 1);
				};
				const ECell State = Block[FineIndex(Fine(InBlock.X), Fine(InBlock.Y), Fine(InBlock.Z))];
				if (State != ECell::Exact)
				{
					return State == ECell::Inside;
				}
				return WindingNumber(Point) > 0.5;
			}

			virtual double WindingNumber(const FVector& Point) const override
			{
				if (!IsFinite(Point))
				{
					return 0.0;
				}
				if (!Winding.IsBuilt())
				{
					const_cast<FMeshQueryImpl*>(this)->Winding.Build(true);
				}
				return Winding.FastWindingNumber(Point) * Orientation;
			}

			FDynamicMesh3 Mesh;

		private:
			enum class ECell : uint8
			{
				Exact,
				Inside,
				Outside,
			};
			size_t CellIndex(int32 X, int32 Y, int32 Z) const
			{
				return (static_cast<size_t>(Z) * Cells[1] + Y) * Cells[0] + X;
			}
			static size_t FineIndex(int32 X, int32 Y, int32 Z)
			{
				return (static_cast<size_t>(Z) * FineCells + Y) * FineCells + X;
			}
			void BuildGrid();
			// The fine states of a cell near the surface, made on first use.
			const ECell* FineBlock(size_t Cell, int32 X, int32 Y, int32 Z) const;
			// Splits the free cells of a block (Near marks the others) into regions of connected cells and
			// decides each region whose sampled winding numbers agree well clear of one half. Free cells of
			// a region touch no triangle, so for a closed mesh the winding number is one constant there; a
			// region reaching through a hole shows mixed samples and stays exact.
			// A region with a cell whose KnownState is not Exact (a side of the cell borders a decided region of
			// the coarse grid, with nothing between them) takes that state without a sample, if all such agree.
			template<typename FCentreFunction, typename FKnownFunction>
			void DecideRegions(const int32 Size[3], const std::vector<uint8>& Near, ECell* OutStates, size_t MaxSamples, FCentreFunction CentreOf,
			                   FKnownFunction KnownState) const;

			static constexpr int32 FineCells = 8;

			FDynamicMeshAABBTree3 Tree;
			TFastWindingTree<FDynamicMesh3> Winding;
			// +1 when the triangles face outward (the engine's convention), -1 for a mesh turned inside out.
			double Orientation = 1.0;
			FVector GridMin;
			FVector GridMax;
			double InvCellSize = 1.0;
			int32 Cells[3] = {1, 1, 1};
			// The triangles with an area, the only ones the queries see.
			std::vector<int32> AreaTriangles;
			// Empty until the first inside test.
			std::vector<ECell> CellStates;
			// Per cell, the triangles whose boxes overlap it (offsets into CellTriangles).
			std::vector<int32> CellTriangleStart;
			std::vector<int32> CellTriangles;
			// Per cell, its block in FineStates, or -1 until made. Made lazily, so a query is not for
			// concurrent use.
			mutable std::vector<int32> FineBlocks;
			mutable std::vector<ECell> FineStates;
		};

		bool FMeshQueryImpl::Init(FString& OutError)
		{
			std::vector<int32> Triangles;
			double SignedVolume = 0.0;
			for (const int TriangleID : Mesh.TriangleIndicesItr())
			{
				FVector V0, V1, V2;
				Mesh.GetTriVertices(TriangleID, V0, V1, V2);
				if (!IsFinite(V0) || !IsFinite(V1) || !IsFinite(V2))
				{
					OutError = FString::Printf(TEXT("triangle %d of the mesh has a corner that is not finite"), TriangleID);
					return false;
				}
				// Triangles without area have no side and no normal.
				const FVector Normal = (V2 - V0) ^ (V1 - V0);
				if (Normal.IsZero())
				{
					continue;
				}
				SignedVolume += V0 | Normal;
				Triangles.push_back(TriangleID);
			}
			if (Triangles.empty())
			{
				OutError = Mesh.TriangleCount() == 0 ? FString(TEXT("the mesh has no triangles")) : FString(TEXT("the mesh has no triangle with an area"));
				return false;
			}
			Orientation = SignedVolume < 0.0 ? -1.0 : 1.0;

			TArray<int32> TriangleList(Triangles.data(), static_cast<int32>(Triangles.size()));
			Tree.SetMesh(&Mesh, false);
			Tree.Build(TriangleList);
			AreaTriangles = MoveTemp(Triangles);
			return true;
		}

		void FMeshQueryImpl::BuildGrid()
		{
			const std::vector<int32>& Triangles = AreaTriangles;
			FVector Min(std::numeric_limits<double>::max()), Max(std::numeric_limits<double>::lowest());
			for (const int32 TriangleID : Triangles)
			{
				const FIndex3i Corners = Mesh.GetTriangle(TriangleID);
				for (int32 Corner = 0; Corner < 3; ++Corner)
				{
					Min = Min.ComponentMin(Mesh.GetVertex(Corners[Corner]));
					Max = Max.ComponentMax(Mesh.GetVertex(Corners[Corner]));
				}
			}
			// Padded, so that points on the outermost triangles are in the grid.
			constexpr int32 MaxCells = 64;
			const FVector Extent = Max - Min;
			const double Pad = 1e-3 * Extent.GetMax() + 1e-6 * (FMath::Max(Max.GetMax(), -Min.GetMin()) + 1.0);
			Min -= FVector(Pad);
			Max += FVector(Pad);
			const double CellSize = (Max - Min).GetMax() / MaxCells;
			InvCellSize = 1.0 / CellSize;
			for (int32 Axis = 0; Axis < 3; ++Axis)
			{
				Cells[Axis] = FMath::Clamp(static_cast<int32>(std::ceil((Max[Axis] - Min[Axis]) * InvCellSize)), 1, MaxCells);
			}
			GridMin = Min;
			GridMax = Min + FVector(Cells[0], Cells[1], Cells[2]) * CellSize;
			const size_t NumCells = static_cast<size_t>(Cells[0]) * Cells[1] * Cells[2];
			CellStates.assign(NumCells, ECell::Exact);

			// Cells any triangle's box comes within a cell of are decided point by point, or by their block.
			std::vector<uint8> Near(NumCells, 0);
			std::vector<int32> Counts(NumCells + 1, 0);
			const auto CellOf = [this](double Value, int32 Axis)
			{
				return FMath::Clamp(static_cast<int32>(std::floor((Value - GridMin[Axis]) * InvCellSize)), 0, Cells[Axis] - 1);
			};
			const auto ForCellsOf = [&](int32 TriangleID, int32 Dilation, double TrianglePad, auto&& Visit)
			{
				FVector V0, V1, V2;
				Mesh.GetTriVertices(TriangleID, V0, V1, V2);
				const FVector TriMin = V0.ComponentMin(V1).ComponentMin(V2) - FVector(TrianglePad);
				const FVector TriMax = V0.ComponentMax(V1).ComponentMax(V2) + FVector(TrianglePad);
				int32 Lo[3], Hi[3];
				for (int32 Axis = 0; Axis < 3; ++Axis)
				{
					Lo[Axis] = FMath::Max(CellOf(TriMin[Axis], Axis) - Dilation, 0);
					Hi[Axis] = FMath::Min(CellOf(TriMax[Axis], Axis) + Dilation, Cells[Axis] - 1);
				}
				for (int32 Z = Lo[2]; Z <= Hi[2]; ++Z)
				{
					for (int32 Y = Lo[1]; Y <= Hi[1]; ++Y)
					{
						for (int32 X = Lo[0]; X <= Hi[0]; ++X)
						{
							Visit(CellIndex(X, Y, Z));
						}
					}
				}
			};
			// A cell's list also holds the triangles within one of its fine cells, all its block needs.
			const double FinePad = CellSize / FineCells;
			for (const int32 TriangleID : Triangles)
			{
				// Of the cells in the box, only those the triangle's plane passes within a cell of.
				FVector V0, V1, V2;
				Mesh.GetTriVertices(TriangleID, V0, V1, V2);
				const FVector PlaneNormal = ((V1 - V0) ^ (V2 - V0)).GetSafeNormal();
				const FVector PlaneCorner = (V0 - GridMin) * InvCellSize;
				ForCellsOf(TriangleID, 1, 0.0,
				           [&](size_t Cell)
				           {
					           const FVector Centre(static_cast<double>(Cell % Cells[0]) + 0.5, static_cast<double>((Cell / Cells[0]) % Cells[1]) + 0.5,
					                                static_cast<double>(Cell / (static_cast<size_t>(Cells[0]) * Cells[1])) + 0.5);
					           if (PlaneNormal.IsZero() || FMath::Abs((Centre - PlaneCorner) | PlaneNormal) <= 0.8660254037844386 + 1.0)
					           {
						           Near[Cell] = 1;
					           }
				           });
				ForCellsOf(TriangleID, 0, FinePad, [&Counts](size_t Cell)
				           { ++Counts[Cell + 1]; });
			}
			for (size_t Cell = 0; Cell < NumCells; ++Cell)
			{
				Counts[Cell + 1] += Counts[Cell];
			}
			CellTriangleStart = Counts;
			CellTriangles.assign(static_cast<size_t>(Counts[NumCells]), 0);
			for (const int32 TriangleID : Triangles)
			{
				ForCellsOf(TriangleID, 0, FinePad, [&](size_t Cell)
				           { CellTriangles[static_cast<size_t>(Counts[Cell]++)] = TriangleID; });
			}
			FineBlocks.assign(NumCells, -1);

			DecideRegions(
			    Cells, Near, CellStates.data(), 64, [this](int32 X, int32 Y, int32 Z)
			    { return GridMin + FVector(X + 0.5, Y + 0.5, Z + 0.5) / InvCellSize; },
			    [](int32, int32, int32)
			    { return ECell::Exact; });
		}

		template<typename FCentreFunction, typename FKnownFunction>
		void FMeshQueryImpl::DecideRegions(const int32 Size[3], const std::vector<uint8>& Near, ECell* OutStates, size_t MaxSamples,
		                                   FCentreFunction CentreOf, FKnownFunction KnownState) const
		{
			const size_t NumCells = static_cast<size_t>(Size[0]) * Size[1] * Size[2];
			const auto Coordinates = [Size](size_t Cell, int32& X, int32& Y, int32& Z)
			{
				X = static_cast<int32>(Cell % Size[0]);
				Y = static_cast<int32>((Cell / Size[0]) % Size[1]);
				Z = static_cast<int32>(Cell / (static_cast<size_t>(Size[0]) * Size[1]));
			};
			std::vector<uint8> Visited(NumCells, 0);
			std::vector<size_t> Region;
			for (size_t Seed = 0; Seed < NumCells; ++Seed)
			{
				if (Near[Seed] || Visited[Seed])
				{
					continue;
				}
				Region.clear();
				Region.push_back(Seed);
				Visited[Seed] = 1;
				for (size_t Next = 0; Next < Region.size(); ++Next)
				{
					int32 X, Y, Z;
					Coordinates(Region[Next], X, Y, Z);
					const int32 Neighbours[6][3] = {{X - 1, Y, Z}, {X + 1, Y, Z}, {X, Y - 1, Z}, {X, Y + 1, Z}, {X, Y, Z - 1}, {X, Y, Z + 1}};
					for (const auto& N : Neighbours)
					{
						if (N[0] < 0 || N[1] < 0 || N[2] < 0 || N[0] >= Size[0] || N[1] >= Size[1] || N[2] >= Size[2])
						{
							continue;
						}
						const size_t NeighbourCell = (static_cast<size_t>(N[2]) * Size[1] + N[1]) * Size[0] + N[0];
						if (!Near[NeighbourCell] && !Visited[NeighbourCell])
						{
							Visited[NeighbourCell] = 1;
							Region.push_back(NeighbourCell);
						}
					}
				}

				ECell Known = ECell::Exact;
				bool bConflict = false;
				for (const size_t Cell : Region)
				{
					int32 X, Y, Z;
					Coordinates(Cell, X, Y, Z);
					const ECell State = KnownState(X, Y, Z);
					if (State != ECell::Exact)
					{
						bConflict = bConflict || (Known != ECell::Exact && Known != State);
						Known = State;
					}
				}
				if (Known != ECell::Exact && !bConflict)
				{
					for (const size_t Cell : Region)
					{
						OutStates[Cell] = Known;
					}
					continue;
				}

				// Samples spread over the region in the order its cells were found, first and last included.
				const size_t NumSamples = FMath::Min(MaxSamples, Region.size());
				bool bAllInside = true, bAllOutside = true;
				for (size_t Index = 0; Index < NumSamples && (bAllInside || bAllOutside); ++Index)
				{
					const size_t Sample = NumSamples == 1 ? 0 : Index * (Region.size() - 1) / (NumSamples - 1);
					int32 X, Y, Z;
					Coordinates(Region[Sample], X, Y, Z);
					const double Value = WindingNumber(CentreOf(X, Y, Z));
					bAllInside = bAllInside && Value > 0.9;
					bAllOutside = bAllOutside && Value < 0.1;
				}
				if (bAllInside || bAllOutside)
				{
					for (const size_t Cell : Region)
					{
						OutStates[Cell] = bAllInside ? ECell::Inside : ECell::Outside;
					}
				}
			}
		}

		const FMeshQueryImpl::ECell* FMeshQueryImpl::FineBlock(size_t Cell, int32 X, int32 Y, int32 Z) const
		{
			if (FineBlocks[Cell] >= 0)
			{
				return &FineStates[static_cast<size_t>(FineBlocks[Cell])];
			}
			constexpr size_t BlockCells = static_cast<size_t>(FineCells) * FineCells * FineCells;
			// Blocks stop at some 32 MB; points in cells beyond are decided one by one.
			constexpr size_t MaxBlocks = 65536;
			if (FineStates.size() >= MaxBlocks * BlockCells)
			{
				static const std::vector<ECell> Undecided(BlockCells, ECell::Exact);
				return Undecided.data();
			}
			const double FineSize = 1.0 / (InvCellSize * FineCells);
			const FVector BlockMin = GridMin + FVector(X, Y, Z) / InvCellSize;
			std::vector<uint8> Near(BlockCells, 0);
			// The cell's list holds every triangle within one fine cell of it; one fine cell around each is near.
			for (int32 Index = CellTriangleStart[Cell]; Index < CellTriangleStart[Cell + 1]; ++Index)
			{
				FVector V0, V1, V2;
				Mesh.GetTriVertices(CellTriangles[static_cast<size_t>(Index)], V0, V1, V2);
				const FVector TriMin = (V0.ComponentMin(V1).ComponentMin(V2) - BlockMin) / FineSize;
				const FVector TriMax = (V0.ComponentMax(V1).ComponentMax(V2) - BlockMin) / FineSize;
				int32 Lo[3], Hi[3];
				for (int32 Axis = 0; Axis < 3; ++Axis)
				{
					Lo[Axis] = FMath::Max(static_cast<int32>(std::floor(FMath::Max(TriMin[Axis], -2.0))) - 1, 0);
					Hi[Axis] = FMath::Min(static_cast<int32>(std::floor(FMath::Min(TriMax[Axis], FineCells + 1.0))) + 1, FineCells - 1);
				}
				// Of the cells in the box, only those the triangle's plane passes near: a slanted triangle's box
				// is far thicker than the triangle.
				const FVector PlaneNormal = ((V1 - V0) ^ (V2 - V0)).GetSafeNormal();
				const FVector PlaneCorner = (V0 - BlockMin) / FineSize;
				constexpr double NearPlane = 0.8660254037844386 + 1.0;
				// Along the axis the plane faces most, the near cells of each column form one run, found
				// from the plane's equation rather than cell by cell.
				const int32 Axis = FMath::Abs(PlaneNormal.X) >= FMath::Abs(PlaneNormal.Y) && FMath::Abs(PlaneNormal.X) >= FMath::Abs(PlaneNormal.Z)
				                       ? 0
				                       : (FMath::Abs(PlaneNormal.Y) >= FMath::Abs(PlaneNormal.Z) ? 1 : 2);
				const int32 U = (Axis + 1) % 3, V = (Axis + 2) % 3;
				for (int32 CV = Lo[V]; CV <= Hi[V]; ++CV)
				{
					for (int32 CU = Lo[U]; CU <= Hi[U]; ++CU)
					{
						int32 RunLo = Lo[Axis], RunHi = Hi[Axis];
						if (!PlaneNormal.IsZero())
						{
							// |N.(C - P)| <= NearPlane, with C[Axis] = c + 0.5 the only unknown.
							const double Rest = PlaneNormal[U] * (CU + 0.5 - PlaneCorner[U]) + PlaneNormal[V] * (CV + 0.5 - PlaneCorner[V]) -
							                    PlaneNormal[Axis] * PlaneCorner[Axis];
							const double A = (-NearPlane - Rest) / PlaneNormal[Axis] - 0.5;
							const double B = (NearPlane - Rest) / PlaneNormal[Axis] - 0.5;
							RunLo = FMath::Max(RunLo, static_cast<int32>(std::floor(FMath::Max(FMath::Min(A, B), -2.0))));
							RunHi = FMath::Min(RunHi, static_cast<int32>(std::ceil(FMath::Min(FMath::Max(A, B), FineCells + 1.0))));
						}
						for (int32 C = RunLo; C <= RunHi; ++C)
						{
							int32 Coordinates[3];
							Coordinates[Axis] = C;
							Coordinates[U] = CU;
							Coordinates[V] = CV;
							Near[FineIndex(Coordinates[0], Coordinates[1], Coordinates[2])] = 1;
						}
					}
				}
			}
			const size_t First = FineStates.size();
			FineStates.resize(First + BlockCells, ECell::Exact);
			const int32 Size[3] = {FineCells, FineCells, FineCells};
			// What lies beyond each face: a decided cell, or the block of a cell near the surface if made.
			struct FFace
			{
				ECell State = ECell::Exact;
				const ECell* Block = nullptr;
			};
			const auto FaceBeyond = [this, X, Y, Z](int32 DX, int32 DY, int32 DZ)
			{
				FFace Face;
				const int32 NX = X + DX, NY = Y + DY, NZ = Z + DZ;
				if (NX < 0 || NY < 0 || NZ < 0 || NX >= Cells[0] || NY >= Cells[1] || NZ >= Cells[2])
				{
					// Beyond the grid is beyond the mesh's bounds.
					Face.State = ECell::Outside;
					return Face;
				}
				const size_t Neighbour = CellIndex(NX, NY, NZ);
				Face.State = CellStates[Neighbour];
				if (Face.State == ECell::Exact && FineBlocks[Neighbour] >= 0)
				{
					Face.Block = &FineStates[static_cast<size_t>(FineBlocks[Neighbour])];
				}
				return Face;
			};
			const FFace Faces[6] = {FaceBeyond(-1, 0, 0), FaceBeyond(1, 0, 0), FaceBeyond(0, -1, 0), FaceBeyond(0, 1, 0), FaceBeyond(0, 0, -1), FaceBeyond(0, 0, 1)};
			const auto KnownState = [&Faces](int32 FX, int32 FY, int32 FZ)
			{
				constexpr int32 Last = FineCells - 1;
				if (FX > 0 && FX < Last && FY > 0 && FY < Last && FZ > 0 && FZ < Last)
				{
					return ECell::Exact;
				}
				const bool bOnFace[6] = {FX == 0, FX == Last, FY == 0, FY == Last, FZ == 0, FZ == Last};
				// The cell across each face, in the neighbour's block.
				const size_t Across[6] = {FineIndex(Last, FY, FZ), FineIndex(0, FY, FZ), FineIndex(FX, Last, FZ), FineIndex(FX, 0, FZ), FineIndex(FX, FY, Last), FineIndex(FX, FY, 0)};
				ECell Known = ECell::Exact;
				for (int32 Face = 0; Face < 6; ++Face)
				{
					if (!bOnFace[Face])
					{
						continue;
					}
					const ECell State = Faces[Face].Block ? Faces[Face].Block[Across[Face]] : Faces[Face].State;
					if (State != ECell::Exact)
					{
						if (Known != ECell::Exact && Known != State)
						{
							return ECell::Exact;
						}
						Known = State;
					}
				}
				return Known;
			};
			DecideRegions(
			    Size, Near, &FineStates[First], 2, [&BlockMin, FineSize](int32 FX, int32 FY, int32 FZ)
			    { return BlockMin + FVector(FX + 0.5, FY + 0.5, FZ + 0.5) * FineSize; },
			    KnownState);
			FineBlocks[Cell] = static_cast<int32>(First);
			return &FineStates[First];
		}

		// Appends LOD 0 of the render data; the build has already scaled it.
		bool AppendRenderData(const UStaticMesh& StaticMesh, FDynamicMesh3& OutMesh)
		{
			const FStaticMeshRenderData* RenderData = StaticMesh.GetRenderData();
			if (!RenderData || RenderData->LODResources.Num() == 0)
			{
				return false;
			}
			const FStaticMeshLODResources& LOD = RenderData->LODResources[0];
			const FPositionVertexBuffer& Positions = LOD.VertexBuffers.PositionVertexBuffer;
			const uint32 NumVertices = Positions.GetNumVertices();
			for (uint32 Vertex = 0; Vertex < NumVertices; ++Vertex)
			{
				OutMesh.AppendVertex(FVector(Positions.VertexPosition(Vertex)));
			}
			TArray<uint32> Indices;
			LOD.IndexBuffer.GetCopy(Indices);
			for (int32 First = 0; First + 2 < Indices.Num(); First += 3)
			{
				if (Indices[First] >= NumVertices || Indices[First + 1] >= NumVertices || Indices[First + 2] >= NumVertices)
				{
					continue;
				}
				FIndex3i Triangle(static_cast<int>(Indices[First]), static_cast<int>(Indices[First + 1]), static_cast<int>(Indices[First + 2]));
				if (OutMesh.AppendTriangle(Triangle) == FDynamicMesh3::NonManifoldID)
				{
					for (int32 Corner = 0; Corner < 3; ++Corner)
					{
						Triangle[Corner] = OutMesh.AppendVertex(OutMesh.GetVertex(Triangle[Corner]));
					}
					OutMesh.AppendTriangle(Triangle);
				}
			}
			return true;
		}
	}

	std::unique_ptr<FMeshQuery> FMeshQuery::Create(const UStaticMeshComponent* Component, FString& OutError)
	{
		if (!Component)
		{
			OutError = TEXT("there is no mesh component");
			return nullptr;
		}
		const UStaticMesh* StaticMesh = Component->GetStaticMesh();
		if (!StaticMesh)
		{
			OutError = TEXT("the component has no static mesh");
			return nullptr;
		}

		auto Query = std::make_unique<FMeshQueryImpl>();
		FDynamicMesh3& Mesh = Query->Mesh;
		// The source description of LOD 0, as the asset holds it before the build scales it; a mesh made
		// without one (at run time, or cooked) still has its render data.
		if (const FMeshDescription* Description = StaticMesh->GetMeshDescription(0))
		{
			FMeshDescriptionToDynamicMesh Converter;
			Converter.bDisableAttributes = true;
			Converter.Convert(Description, Mesh);
			const FVector BuildScale = StaticMesh->GetSourceModel(0).BuildSettings.BuildScale3D;
			if (BuildScale != FVector::OneVector)
			{
				for (const int VertexID : Mesh.VertexIndicesItr())
				{
					Mesh.SetVertex(VertexID, Mesh.GetVertex(VertexID) * BuildScale);
				}
			}
		}
		else if (!AppendRenderData(*StaticMesh, Mesh))
		{
			OutError = FString::Printf(TEXT("the static mesh %s has no geometry for LOD 0"), *StaticMesh->GetName());
			return nullptr;
		}

		const FTransform& ToWorld = Component->GetComponentTransform();
		for (const int VertexID : Mesh.VertexIndicesItr())
		{
			const FVector Local = Mesh.GetVertex(VertexID);
			// SetVertex would keep the old position of a point that is not finite; Init reports it.
			const FVector World = IsFinite(Local) ? ToWorld.TransformPosition(Local) : Local;
			Mesh.SetVertex(VertexID, World);
		}
		if (!Query->Init(OutError))
		{
			OutError = FString::Printf(TEXT("%s: %s"), *StaticMesh->GetName(), *OutError);
			return nullptr;
		}
		return Query;
	}

	bool MeasureGroom(const GroomData& Groom, const FMeshQuery& Mesh, const FVector& Placement, double SurfaceTolerance, FFitReport& OutReport,
	                  FString& OutError)
	{
		const int64 Covered = CoveredPoints(Groom, OutError);
		if (Covered < 0)
		{
			return false;
		}
		if (!IsFinite(Placement) || !std::isfinite(SurfaceTolerance) || SurfaceTolerance < 0.0)
		{
			OutError = TEXT("the placement or the surface tolerance is not a finite number");
			return false;
		}
		for (int64 Index = 0; Index < Covered; ++Index)
		{
			if (!IsFinite(ReadPoint(Groom, Index)))
			{
				OutError = FString::Printf(TEXT("point %lld of the groom is not finite"), static_cast<long long>(Index));
				return false;
			}
		}

		FFitReport Report;
		Report.Strands = static_cast<int64>(Groom.vertexCounts.size());
		Report.Points = Covered;
		Report.SurfaceTolerance = SurfaceTolerance;
		std::vector<double> RootDistances;
		RootDistances.reserve(Groom.vertexCounts.size());
		int64 First = 0;
		for (const int32 Count : Groom.vertexCounts)
		{
			if (Count == 0)
			{
				continue;
			}
			FVector Nearest, Normal;
			const FVector Root = Placement + ReadPoint(Groom, First);
			if (!Mesh.NearestPoint(Root, Nearest, Normal))
			{
				OutError = TEXT("the mesh gave no nearest point");
				return false;
			}
			const double Distance = (Root - Nearest).Size();
			RootDistances.push_back(Distance);
			++(Distance <= SurfaceTolerance ? Report.RootsOnSurface : Report.RootsOffSurface);

			bool bStrandInside = false;
			for (int64 Index = First; Index < First + Count; ++Index)
			{
				// A point on the surface is on it, not in it, whichever way rounding tips its winding.
				if (Index == First && Distance <= SurfaceTolerance)
				{
					continue;
				}
				const FVector Point = Placement + ReadPoint(Groom, Index);
				if (!Mesh.IsInside(Point))
				{
					continue;
				}
				if (Index != First && Mesh.NearestPoint(Point, Nearest, Normal) && (Point - Nearest).Size() <= SurfaceTolerance)
				{
					continue;
				}
				++Report.PointsInside;
				bStrandInside = true;
			}
			Report.StrandsInside += bStrandInside ? 1 : 0;
			First += Count;
		}
		Report.RootDistance = Summarise(RootDistances);
		OutReport = Report;
		return true;
	}

	bool FitGroomFile(AActor* Source, UStaticMeshComponent* TheComp, const FVector& Origin, const FString& SourcePath, const FString& TargetPath,
	                  const FFitOptions& Options, FFitReport& OutReport)
	{
		if (!Source || !TheComp)
		{
			UE_LOG(LogTemp, Error, TEXT("FitGroomToStaticMesh: %s is null; no groom was read or written"), Source ? TEXT("TheComp") : TEXT("source"));
			return false;
		}
		FString Error;
		const std::unique_ptr<FMeshQuery> Query = FMeshQuery::Create(TheComp, Error);
		if (!Query)
		{
			UE_LOG(LogTemp, Error, TEXT("FitGroomToStaticMesh: the mesh cannot be measured (%s); %s was not written"), *Error, *TargetPath);
			return false;
		}
		bool bReadFailed = false;
		GroomData Groom = ReadGroom(ToUtf8(SourcePath), bReadFailed);
		if (bReadFailed)
		{
			UE_LOG(LogTemp, Error, TEXT("FitGroomToStaticMesh: could not read %s; %s was not written"), *SourcePath, *TargetPath);
			return false;
		}
		FFitReport Report;
		const FVector ActorLocation = Source->GetActorLocation();
		if (!GroomFitting::FitRecord(Groom, TheComp, Origin, ActorLocation, Options, Query.get(), &Report))
		{
			return false;
		}
		if (!GroomFitting::WriteRecordReplacing(ToUtf8(TargetPath), Groom))
		{
			return false;
		}
		FFitReport Measured;
		if (!MeasureGroom(Groom, *Query, ActorLocation, DefaultSurfaceTolerance, Measured, Error))
		{
			UE_LOG(LogTemp, Error, TEXT("FitGroomToStaticMesh: %s was written but cannot be measured: %s"), *TargetPath, *Error);
			return false;
		}
		Measured.bAfterFit = true;
		Measured.Displacement = Report.Displacement;
		Measured.Hits = Report.Hits;
		Measured.Misses = Report.Misses;
		Measured.MissesSnapped = Report.MissesSnapped;
		Measured.StrandsOriented = Report.StrandsOriented;
		Measured.PointsResolved = Report.PointsResolved;
		OutReport = Measured;
		return true;
	}

	bool ReportGroomFile(const UStaticMeshComponent* TheComp, const FVector& Placement, const FString& GroomPath, FFitReport& OutReport)
	{
		FString Error;
		const std::unique_ptr<FMeshQuery> Query = FMeshQuery::Create(TheComp, Error);
		if (!Query)
		{
			UE_LOG(LogTemp, Error, TEXT("ReportGroomFile: the mesh cannot be measured: %s"), *Error);
			return false;
		}
		bool bReadFailed = false;
		const GroomData Groom = ReadGroom(ToUtf8(GroomPath), bReadFailed);
		if (bReadFailed)
		{
			UE_LOG(LogTemp, Error, TEXT("ReportGroomFile: could not read %s"), *GroomPath);
			return false;
		}
		if (!MeasureGroom(Groom, *Query, Placement, DefaultSurfaceTolerance, OutReport, Error))
		{
			UE_LOG(LogTemp, Error, TEXT("ReportGroomFile: %s cannot be measured: %s"), *GroomPath, *Error);
			return false;
		}
		return true;
	}
}

namespace GroomFitting
{
	void OrientStrand(GroomData& Groom, int32 RootIndex, int32 PointCount, const FVector& GroomNormal, const FVector& SurfaceNormal)
	{
		const FQuat Rotation = FQuat::FindBetweenNormals(GroomNormal, SurfaceNormal);
		const FVector Root = GroomFitQuality::ReadPoint(Groom, RootIndex);
		for (int32 Point = RootIndex + 1; Point < RootIndex + PointCount; ++Point)
		{
			GroomFitQuality::WritePoint(Groom, Point, Root + Rotation.RotateVector(GroomFitQuality::ReadPoint(Groom, Point) - Root));
		}
	}

	bool ResolvePenetration(const GroomFitQuality::FMeshQuery& Query, const FVector& Point, double Offset, FVector& OutPoint)
	{
		if (!Query.IsInside(Point))
		{
			return false;
		}
		FVector Current = Point;
		// Where the surface folds within Offset of the nearest point, once more from where the point landed.
		for (int32 Attempt = 0; Attempt < 4; ++Attempt)
		{
			FVector Nearest, Normal;
			if (!Query.NearestPoint(Current, Nearest, Normal))
			{
				break;
			}
			Current = Nearest + Normal * Offset;
			if (!Query.IsInside(Current))
			{
				break;
			}
		}
		OutPoint = Current;
		return true;
	}
}
