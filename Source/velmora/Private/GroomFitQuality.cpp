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

			virtual bool IsInside(const FVector& Point) const override
			{
				if (!IsFinite(Point))
				{
					return false;
				}
				if (Point.X < GridMin.X || Point.Y < GridMin.Y || Point.Z < GridMin.Z || Point.X >= GridMax.X || Point.Y >= GridMax.Y || Point.Z >= GridMax.Z)
				{
					return false;
				}
				const int32 X = FMath::Min(static_cast<int32>((Point.X - GridMin.X) * InvCellSize), Cells[0] - 1);
				const int32 Y = FMath::Min(static_cast<int32>((Point.Y - GridMin.Y) * InvCellSize), Cells[1] - 1);
				const int32 Z = FMath::Min(static_cast<int32>((Point.Z - GridMin.Z) * InvCellSize), Cells[2] - 1);
				const ECell State = CellStates[CellIndex(X, Y, Z)];
				if (State != ECell::Exact)
				{
					return State == ECell::Inside;
				}
				return WindingNumber(Point) > 0.5;
			}

			virtual double WindingNumber(const FVector& Point) const override
			{
				return IsFinite(Point) ? Winding.FastWindingNumber(Point) * Orientation : 0.0;
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
			void BuildGrid(const std::vector<int32>& Triangles);

			FDynamicMeshAABBTree3 Tree;
			TFastWindingTree<FDynamicMesh3> Winding;
			// +1 when the triangles face outward (the engine's convention), -1 for a mesh turned inside out.
			double Orientation = 1.0;
			FVector GridMin;
			FVector GridMax;
			double InvCellSize = 1.0;
			int32 Cells[3] = {1, 1, 1};
			std::vector<ECell> CellStates;
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
			Winding.Build(true);
			BuildGrid(Triangles);
			return true;
		}

		void FMeshQueryImpl::BuildGrid(const std::vector<int32>& Triangles)
		{
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

			// Cells any triangle's box comes within a cell of are decided point by point.
			std::vector<uint8> Near(NumCells, 0);
			const auto CellOf = [this](double Value, int32 Axis)
			{
				return FMath::Clamp(static_cast<int32>(std::floor((Value - GridMin[Axis]) * InvCellSize)), 0, Cells[Axis] - 1);
			};
			for (const int32 TriangleID : Triangles)
			{
				FVector V0, V1, V2;
				Mesh.GetTriVertices(TriangleID, V0, V1, V2);
				const FVector TriMin = V0.ComponentMin(V1).ComponentMin(V2);
				const FVector TriMax = V0.ComponentMax(V1).ComponentMax(V2);
				int32 Lo[3], Hi[3];
				for (int32 Axis = 0; Axis < 3; ++Axis)
				{
					Lo[Axis] = FMath::Max(CellOf(TriMin[Axis], Axis) - 1, 0);
					Hi[Axis] = FMath::Min(CellOf(TriMax[Axis], Axis) + 1, Cells[Axis] - 1);
				}
				for (int32 Z = Lo[2]; Z <= Hi[2]; ++Z)
				{
					for (int32 Y = Lo[1]; Y <= Hi[1]; ++Y)
					{
						for (int32 X = Lo[0]; X <= Hi[0]; ++X)
						{
							Near[CellIndex(X, Y, Z)] = 1;
						}
					}
				}
			}

			// Every region of connected empty cells is crossed by no triangle: for a closed mesh its winding
			// number is one constant. Sampled across the region, it is decided once when the samples agree
			// well clear of one half; a region that reaches through a hole shows mixed samples and stays exact.
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
					const size_t Cell = Region[Next];
					const int32 X = static_cast<int32>(Cell % Cells[0]);
					const int32 Y = static_cast<int32>((Cell / Cells[0]) % Cells[1]);
					const int32 Z = static_cast<int32>(Cell / (static_cast<size_t>(Cells[0]) * Cells[1]));
					const int32 Neighbours[6][3] = {{X - 1, Y, Z}, {X + 1, Y, Z}, {X, Y - 1, Z}, {X, Y + 1, Z}, {X, Y, Z - 1}, {X, Y, Z + 1}};
					for (const auto& N : Neighbours)
					{
						if (N[0] < 0 || N[1] < 0 || N[2] < 0 || N[0] >= Cells[0] || N[1] >= Cells[1] || N[2] >= Cells[2])
						{
							continue;
						}
						const size_t NeighbourCell = CellIndex(N[0], N[1], N[2]);
						if (!Near[NeighbourCell] && !Visited[NeighbourCell])
						{
							Visited[NeighbourCell] = 1;
							Region.push_back(NeighbourCell);
						}
					}
				}

				constexpr size_t MaxSamples = 64;
				const size_t Stride = FMath::Max<size_t>(1, Region.size() / MaxSamples);
				bool bAllInside = true, bAllOutside = true;
				for (size_t Sample = 0; Sample < Region.size() && (bAllInside || bAllOutside); Sample += Stride)
				{
					const size_t Cell = Region[Sample];
					const FVector Centre = GridMin + FVector(static_cast<double>(Cell % Cells[0]) + 0.5, static_cast<double>((Cell / Cells[0]) % Cells[1]) + 0.5,
					                                         static_cast<double>(Cell / (static_cast<size_t>(Cells[0]) * Cells[1])) + 0.5) /
					                                     InvCellSize;
					const double Value = WindingNumber(Centre);
					bAllInside = bAllInside && Value > 0.9;
					bAllOutside = bAllOutside && Value < 0.1;
				}
				if (bAllInside || bAllOutside)
				{
					for (const size_t Cell : Region)
					{
						CellStates[Cell] = bAllInside ? ECell::Inside : ECell::Outside;
					}
				}
			}
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
				const FVector Point = Placement + ReadPoint(Groom, Index);
				if (!Mesh.IsInside(Point))
				{
					continue;
				}
				// A point on the surface is on it, not in it, whichever way rounding tips its winding.
				if (Index == First ? Distance <= SurfaceTolerance : Mesh.NearestPoint(Point, Nearest, Normal) && (Point - Nearest).Size() <= SurfaceTolerance)
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
	namespace
	{
		FVector ReadStrandPoint(const GroomData& Groom, int64 Index)
		{
			const size_t First = 3 * static_cast<size_t>(Index);
			return FVector(Groom.positions[First], Groom.positions[First + 1], Groom.positions[First + 2]);
		}

		void WriteStrandPoint(GroomData& Groom, int64 Index, const FVector& Point)
		{
			const size_t First = 3 * static_cast<size_t>(Index);
			Groom.positions[First] = static_cast<float>(Point.X);
			Groom.positions[First + 1] = static_cast<float>(Point.Y);
			Groom.positions[First + 2] = static_cast<float>(Point.Z);
		}
	}

	void OrientStrand(GroomData& Groom, int32 RootIndex, int32 PointCount, const FVector& GroomNormal, const FVector& SurfaceNormal)
	{
		const FQuat Rotation = FQuat::FindBetweenNormals(GroomNormal, SurfaceNormal);
		const FVector Root = ReadStrandPoint(Groom, RootIndex);
		for (int32 Point = RootIndex + 1; Point < RootIndex + PointCount; ++Point)
		{
			WriteStrandPoint(Groom, Point, Root + Rotation.RotateVector(ReadStrandPoint(Groom, Point) - Root));
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
