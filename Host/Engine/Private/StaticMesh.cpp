#include "Engine/StaticMesh.h"
#include "Interface_CollisionDataProviderCore.h"

#include "Host/StaticMeshFaults.h"
#include "StaticMeshCompiler.h"
#include "MeshDescription.h"
#include "PhysicsEngine/BodySetup.h"
#include "StaticMeshAttributes.h"
#include "UObject/UObjectGlobals.h"

#include <atomic>

DEFINE_LOG_CATEGORY_STATIC(LogStaticMesh, Log, All);

namespace
{
	std::atomic<int> FailCreateMeshDescription{0};
	std::atomic<int> NoBodySetup{0};

	// Corners closer than this are the same point, so their triangle has no area.
	constexpr float PointsAreSameThreshold = 0.00002f;

	bool IsDegenerate(const FVector3f& A, const FVector3f& B, const FVector3f& C)
	{
		return A.Equals(B, PointsAreSameThreshold) || B.Equals(C, PointsAreSameThreshold) || C.Equals(A, PointsAreSameThreshold);
	}

	// One render vertex per mesh vertex, in ID order; the polygons, fanned into triangles, in polygon
	// group order. Corners keep their order, so the winding is the description's.
	void BuildLODResources(const FMeshDescription& MeshDescription, const FMeshBuildSettings& BuildSettings, FStaticMeshLODResources& OutLOD)
	{
		const TVertexAttributesConstRef<FVector3f> Positions = FStaticMeshConstAttributes(MeshDescription).GetVertexPositions();
		TArray<FVector3f> RenderPositions;
		RenderPositions.SetNum(MeshDescription.Vertices().Num());
		for (const FVertexID VertexID : MeshDescription.Vertices().GetElementIDs())
		{
			RenderPositions[VertexID.GetValue()] = Positions.IsValid() ? Positions[VertexID] : FVector3f::ZeroVector;
		}

		TArray<uint32> Indices;
		Indices.Reserve(MeshDescription.VertexInstances().Num());
		for (const FPolygonGroupID PolygonGroupID : MeshDescription.PolygonGroups().GetElementIDs())
		{
			for (const FPolygonID PolygonID : MeshDescription.GetPolygonGroupPolygonIDs(PolygonGroupID))
			{
				const TArrayView<const FVertexInstanceID> Corners = MeshDescription.GetPolygonVertexInstanceIDs(PolygonID);
				for (int32 Corner = 2; Corner < Corners.Num(); ++Corner)
				{
					const uint32 Triangle[3] = {
					    static_cast<uint32>(MeshDescription.GetVertexInstanceVertex(Corners[0]).GetValue()),
					    static_cast<uint32>(MeshDescription.GetVertexInstanceVertex(Corners[Corner - 1]).GetValue()),
					    static_cast<uint32>(MeshDescription.GetVertexInstanceVertex(Corners[Corner]).GetValue())};
					if (BuildSettings.bRemoveDegenerates &&
					    IsDegenerate(RenderPositions[Triangle[0]], RenderPositions[Triangle[1]], RenderPositions[Triangle[2]]))
					{
						continue;
					}
					Indices.Append(Triangle, 3);
				}
			}
		}

		OutLOD.VertexBuffers.PositionVertexBuffer.Init(RenderPositions);
		OutLOD.IndexBuffer.SetIndices(Indices);
	}
}

namespace Host
{
	FScopedFailCreateMeshDescription::FScopedFailCreateMeshDescription()
	{
		++FailCreateMeshDescription;
	}
	FScopedFailCreateMeshDescription::~FScopedFailCreateMeshDescription()
	{
		--FailCreateMeshDescription;
	}
	FScopedNoBodySetup::FScopedNoBodySetup()
	{
		++NoBodySetup;
	}
	FScopedNoBodySetup::~FScopedNoBodySetup()
	{
		--NoBodySetup;
	}
}

FStaticMeshSourceModel::FStaticMeshSourceModel() = default;
FStaticMeshSourceModel::~FStaticMeshSourceModel() = default;
FStaticMeshSourceModel::FStaticMeshSourceModel(FStaticMeshSourceModel&&) noexcept = default;
FStaticMeshSourceModel& FStaticMeshSourceModel::operator=(FStaticMeshSourceModel&&) noexcept = default;

// A build's outcome, made when the build starts from the descriptions committed then.
struct UStaticMesh::FBuildResult
{
	std::unique_ptr<FStaticMeshRenderData> RenderData;
	// Why LOD 0 could not be built; logged when the build finishes unless it was silent.
	FString Error;
	bool bSilent = false;
};

UStaticMesh::UStaticMesh() = default;

UStaticMesh::~UStaticMesh()
{
	if (PendingBuild)
	{
		FStaticMeshCompilingManager::Get().Forget(this);
	}
}

FStaticMeshRenderData* UStaticMesh::GetRenderData()
{
	WaitForBuild();
	return RenderData.get();
}

const FStaticMeshRenderData* UStaticMesh::GetRenderData() const
{
	WaitForBuild();
	return RenderData.get();
}

void UStaticMesh::SetRenderData(std::unique_ptr<FStaticMeshRenderData>&& InRenderData)
{
	WaitForBuild();
	RenderData = std::move(InRenderData);
	++RenderDataRevision;
}

bool UStaticMesh::GetPhysicsTriMeshData(FTriMeshCollisionData* CollisionData, bool /*InUseAllTriData*/)
{
	const FStaticMeshRenderData* Data = GetRenderData();
	if (!CollisionData || !Data || Data->LODResources.Num() == 0)
	{
		return false;
	}
	const FStaticMeshLODResources& LOD = Data->LODResources[0];
	const FPositionVertexBuffer& Positions = LOD.VertexBuffers.PositionVertexBuffer;
	CollisionData->Vertices.Reset(static_cast<int32>(Positions.GetNumVertices()));
	for (uint32 Vertex = 0; Vertex < Positions.GetNumVertices(); ++Vertex)
	{
		CollisionData->Vertices.Add(Positions.VertexPosition(Vertex));
	}
	const int32 NumTriangles = LOD.GetNumTriangles();
	CollisionData->Indices.Reset(NumTriangles);
	CollisionData->MaterialIndices.Reset(NumTriangles);
	for (int32 Triangle = 0; Triangle < NumTriangles; ++Triangle)
	{
		FTriIndices Corners;
		Corners.v0 = static_cast<int32>(LOD.IndexBuffer.GetIndex(static_cast<uint32>(3 * Triangle)));
		Corners.v1 = static_cast<int32>(LOD.IndexBuffer.GetIndex(static_cast<uint32>(3 * Triangle + 1)));
		Corners.v2 = static_cast<int32>(LOD.IndexBuffer.GetIndex(static_cast<uint32>(3 * Triangle + 2)));
		CollisionData->Indices.Add(Corners);
		CollisionData->MaterialIndices.Add(0);
	}
	CollisionData->bFlipNormals = true;
	return true;
}

UBodySetup* UStaticMesh::GetBodySetup() const
{
	WaitForBuild();
	return BodySetup;
}

void UStaticMesh::WaitForBuild() const
{
	if (PendingBuild)
	{
		UStaticMesh* const Self = const_cast<UStaticMesh*>(this);
		FStaticMeshCompilingManager::Get().FinishCompilation(TArrayView<UStaticMesh* const>(&Self, 1));
	}
}

void UStaticMesh::SetNumSourceModels(const int32 Num)
{
	check(Num >= 0);
	SourceModels.SetNum(Num);
}

FMeshDescription* UStaticMesh::CreateMeshDescription(int32 LodIndex)
{
	FMeshDescription MeshDescription;
	FStaticMeshAttributes(MeshDescription).Register();
	return CreateMeshDescription(LodIndex, MoveTemp(MeshDescription));
}

FMeshDescription* UStaticMesh::CreateMeshDescription(int32 LodIndex, FMeshDescription MeshDescription)
{
	if (FailCreateMeshDescription > 0 || !IsSourceModelValid(LodIndex))
	{
		return nullptr;
	}
	FStaticMeshSourceModel& SourceModel = SourceModels[LodIndex];
	SourceModel.MeshDescription = std::make_unique<FMeshDescription>(MoveTemp(MeshDescription));
	return SourceModel.MeshDescription.get();
}

FMeshDescription* UStaticMesh::GetMeshDescription(int32 LodIndex) const
{
	WaitForBuild();
	if (!IsSourceModelValid(LodIndex))
	{
		return nullptr;
	}
	// Loading the committed description into the editable slot changes no observable state of the asset.
	FStaticMeshSourceModel& SourceModel = const_cast<FStaticMeshSourceModel&>(SourceModels[LodIndex]);
	if (!SourceModel.MeshDescription && SourceModel.CommittedMeshDescription)
	{
		SourceModel.MeshDescription = std::make_unique<FMeshDescription>(*SourceModel.CommittedMeshDescription);
	}
	return SourceModel.MeshDescription.get();
}

void UStaticMesh::ClearMeshDescription(int32 LodIndex)
{
	if (IsSourceModelValid(LodIndex))
	{
		SourceModels[LodIndex].MeshDescription.reset();
	}
}

void UStaticMesh::CommitMeshDescription(int32 LodIndex, const FCommitMeshDescriptionParams& Params)
{
	if (!IsSourceModelValid(LodIndex))
	{
		return;
	}
	FStaticMeshSourceModel& SourceModel = SourceModels[LodIndex];
	if (SourceModel.MeshDescription)
	{
		SourceModel.CommittedMeshDescription = std::make_unique<FMeshDescription>(*SourceModel.MeshDescription);
	}
	else
	{
		SourceModel.CommittedMeshDescription.reset();
	}
	if (Params.bMarkPackageDirty)
	{
		MarkPackageDirty();
	}
}

void UStaticMesh::CreateBodySetup()
{
	if (!BodySetup && NoBodySetup == 0)
	{
		BodySetup = NewObject<UBodySetup>(this, NAME_None, RF_Transactional);
	}
}

void UStaticMesh::Build(bool bInSilent, TArray<FText>* OutErrors)
{
	// The build works from the descriptions committed now, whenever it finishes.
	auto Result = std::make_unique<FBuildResult>();
	Result->RenderData = std::make_unique<FStaticMeshRenderData>();
	Result->bSilent = bInSilent;
	for (const FStaticMeshSourceModel& SourceModel : SourceModels)
	{
		if (!SourceModel.CommittedMeshDescription)
		{
			break;
		}
		BuildLODResources(*SourceModel.CommittedMeshDescription, SourceModel.BuildSettings, Result->RenderData->LODResources.Emplace_GetRef());
	}
	if (Result->RenderData->LODResources.IsEmpty())
	{
		Result->Error = FString::Printf(TEXT("Static mesh %s has no mesh description to build LOD 0 from."), *GetPathName());
	}

	// A build still running finishes before the next one starts.
	WaitForBuild();
	if (OutErrors)
	{
		// An error list asks for the build to finish before Build returns.
		if (!Result->Error.IsEmpty())
		{
			OutErrors->Add(FText::FromString(Result->Error));
			Result->Error.Reset();
		}
		FinishBuild(MoveTemp(*Result));
		return;
	}
	PendingBuild = std::move(Result);
	FStaticMeshCompilingManager::Get().Add(this);
}

void UStaticMesh::FinishBuild(FBuildResult&& Result)
{
	if (!Result.Error.IsEmpty() && !Result.bSilent)
	{
		UE_LOG(LogStaticMesh, Error, TEXT("%s"), *Result.Error);
	}
	RenderData = std::move(Result.RenderData);
	++RenderDataRevision;

	// The collision is cooked from the render data just replaced.
	if (BodySetup)
	{
		BodySetup->InvalidatePhysicsData();
		BodySetup->CreatePhysicsMeshes();
	}
}

void UStaticMesh::FinishPendingBuild()
{
	if (PendingBuild)
	{
		FStaticMeshCompilingManager::Get().Forget(this);
		const std::unique_ptr<FBuildResult> Result = std::move(PendingBuild);
		FinishBuild(MoveTemp(*Result));
	}
}

#if WITH_EDITOR
void UStaticMesh::PostEditChange()
{
	Super::PostEditChange();
	Build(true);
}
#endif
