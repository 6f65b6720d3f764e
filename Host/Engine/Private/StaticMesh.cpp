#include "Engine/StaticMesh.h"

#include "Host/StaticMeshFaults.h"
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

UStaticMesh::UStaticMesh() = default;
UStaticMesh::~UStaticMesh() = default;

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
	auto NewRenderData = std::make_unique<FStaticMeshRenderData>();
	for (const FStaticMeshSourceModel& SourceModel : SourceModels)
	{
		if (!SourceModel.CommittedMeshDescription)
		{
			break;
		}
		BuildLODResources(*SourceModel.CommittedMeshDescription, SourceModel.BuildSettings, NewRenderData->LODResources.Emplace_GetRef());
	}

	if (NewRenderData->LODResources.IsEmpty())
	{
		const FString Error = FString::Printf(TEXT("Static mesh %s has no mesh description to build LOD 0 from."), *GetPathName());
		if (OutErrors)
		{
			OutErrors->Add(FText::FromString(Error));
		}
		else if (!bInSilent)
		{
			UE_LOG(LogStaticMesh, Error, TEXT("%s"), *Error);
		}
	}
	SetRenderData(MoveTemp(NewRenderData));

	// The collision is cooked from the render data just replaced.
	if (BodySetup)
	{
		BodySetup->InvalidatePhysicsData();
		BodySetup->CreatePhysicsMeshes();
	}
}
