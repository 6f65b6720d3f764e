#include "Engine/StaticMesh.h"
#include "Interface_CollisionDataProviderCore.h"

#include "Host/StaticMeshFaults.h"
#include "Math/NumericLimits.h"
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

	// One render vertex per mesh vertex, in ID order, scaled by the build scale; the description's
	// triangles, one section per polygon group that has any, in polygon group order. Corners keep their
	// order, so the winding is the description's.
	void BuildLODResources(const FMeshDescription& MeshDescription, const FMeshBuildSettings& BuildSettings, const int32 LODIndex,
	                       const FMeshSectionInfoMap& SectionInfoMap, FStaticMeshLODResources& OutLOD)
	{
		const TVertexAttributesConstRef<FVector3f> Positions = FStaticMeshConstAttributes(MeshDescription).GetVertexPositions();
		const FVector3f BuildScale(BuildSettings.BuildScale3D);
		TArray<FVector3f> RenderPositions;
		RenderPositions.SetNum(MeshDescription.Vertices().Num());
		for (const FVertexID VertexID : MeshDescription.Vertices().GetElementIDs())
		{
			RenderPositions[VertexID.GetValue()] = (Positions.IsValid() ? Positions[VertexID] : FVector3f::ZeroVector) * BuildScale;
		}

		TArray<uint32> Indices;
		Indices.Reserve(3 * MeshDescription.Triangles().Num());
		for (const FPolygonGroupID PolygonGroupID : MeshDescription.PolygonGroups().GetElementIDs())
		{
			const int32 FirstIndex = Indices.Num();
			uint32 MinVertex = TNumericLimits<uint32>::Max(), MaxVertex = 0;
			for (const FPolygonID PolygonID : MeshDescription.GetPolygonGroupPolygonIDs(PolygonGroupID))
			{
				for (const FTriangleID TriangleID : MeshDescription.GetPolygonTriangles(PolygonID))
				{
					const TArrayView<const FVertexID> Vertices = MeshDescription.GetTriangleVertices(TriangleID);
					const uint32 Triangle[3] = {static_cast<uint32>(Vertices[0].GetValue()), static_cast<uint32>(Vertices[1].GetValue()),
					                            static_cast<uint32>(Vertices[2].GetValue())};
					if (BuildSettings.bRemoveDegenerates &&
					    IsDegenerate(RenderPositions[Triangle[0]], RenderPositions[Triangle[1]], RenderPositions[Triangle[2]]))
					{
						continue;
					}
					Indices.Append(Triangle, 3);
					for (const uint32 Vertex : Triangle)
					{
						MinVertex = FMath::Min(MinVertex, Vertex);
						MaxVertex = FMath::Max(MaxVertex, Vertex);
					}
				}
			}
			if (Indices.Num() == FirstIndex)
			{
				continue;
			}
			const int32 SectionIndex = OutLOD.Sections.Num();
			const FMeshSectionInfo Info = SectionInfoMap.Get(LODIndex, SectionIndex);
			FStaticMeshSection& Section = OutLOD.Sections.Emplace_GetRef();
			Section.MaterialIndex = Info.MaterialIndex;
			Section.FirstIndex = static_cast<uint32>(FirstIndex);
			Section.NumTriangles = static_cast<uint32>((Indices.Num() - FirstIndex) / 3);
			Section.MinVertexIndex = MinVertex;
			Section.MaxVertexIndex = MaxVertex;
			Section.bEnableCollision = Info.bEnableCollision;
			Section.bCastShadow = Info.bCastShadow;
			Section.bVisibleInRayTracing = Info.bVisibleInRayTracing;
			Section.bAffectDistanceFieldLighting = Info.bAffectDistanceFieldLighting;
			Section.bForceOpaque = Info.bForceOpaque;
		}

		OutLOD.VertexBuffers.PositionVertexBuffer.Init(RenderPositions);
		OutLOD.IndexBuffer.SetIndices(Indices);
	}

	// The key of a section in the section info map.
	uint32 SectionKey(int32 LODIndex, int32 SectionIndex)
	{
		return (static_cast<uint32>(LODIndex) << 16) | static_cast<uint32>(SectionIndex & 0xFFFF);
	}

	// The triangles of the LOD's sections with collision (all of them when bAllSections), appended in
	// index order; stops at the end of a damaged index buffer.
	template<typename FVisitTriangle>
	void ForEachCollisionTriangle(const FStaticMeshLODResources& LOD, bool bAllSections, FVisitTriangle Visit)
	{
		const uint32 NumIndices = static_cast<uint32>(LOD.IndexBuffer.GetNumIndices());
		for (const FStaticMeshSection& Section : LOD.Sections)
		{
			if (!bAllSections && !Section.bEnableCollision)
			{
				continue;
			}
			for (uint32 Triangle = 0; Triangle < Section.NumTriangles; ++Triangle)
			{
				const uint64 First = Section.FirstIndex + 3ull * Triangle;
				if (First + 2 >= NumIndices)
				{
					break;
				}
				const uint32 At = static_cast<uint32>(First);
				if (!Visit(Section, LOD.IndexBuffer.GetIndex(At), LOD.IndexBuffer.GetIndex(At + 1), LOD.IndexBuffer.GetIndex(At + 2)))
				{
					return;
				}
			}
		}
	}
}

FMeshSectionInfo FMeshSectionInfoMap::Get(int32 LODIndex, int32 SectionIndex) const
{
	if (const FMeshSectionInfo* Info = Map.Find(SectionKey(LODIndex, SectionIndex)))
	{
		return *Info;
	}
	if (const FMeshSectionInfo* Info = Map.Find(SectionKey(0, SectionIndex)))
	{
		return *Info;
	}
	return FMeshSectionInfo(SectionIndex);
}

void FMeshSectionInfoMap::Set(int32 LODIndex, int32 SectionIndex, FMeshSectionInfo Info)
{
	Map.Add(SectionKey(LODIndex, SectionIndex), Info);
}

void FMeshSectionInfoMap::Remove(int32 LODIndex, int32 SectionIndex)
{
	Map.Remove(SectionKey(LODIndex, SectionIndex));
}

bool FMeshSectionInfoMap::IsValidSection(int32 LODIndex, int32 SectionIndex) const
{
	return Map.Contains(SectionKey(LODIndex, SectionIndex));
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
		const int32 LODIndex = Result->RenderData->LODResources.Num();
		BuildLODResources(*SourceModel.CommittedMeshDescription, SourceModel.BuildSettings, LODIndex, SectionInfoMap,
		                  Result->RenderData->LODResources.Emplace_GetRef());
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

const UStaticMesh* UStaticMesh::GetCollisionTriangleSource() const
{
	// The engine follows the chain as far as it leads; one that comes back to a mesh already seen would
	// never end.
	TArray<const UStaticMesh*> Seen;
	const UStaticMesh* Source = this;
	while (Source->ComplexCollisionMesh && Source->ComplexCollisionMesh != Source)
	{
		Seen.Add(Source);
		Source = Source->ComplexCollisionMesh;
		if (Seen.Contains(Source))
		{
			UE_LOG(LogStaticMesh, Error, TEXT("The complex collision meshes of %s lead back to %s; it has no complex collision."), *GetPathName(),
			       *Source->GetPathName());
			return nullptr;
		}
	}
	return Source;
}

bool UStaticMesh::GetPhysicsTriMeshData(FTriMeshCollisionData* CollisionData, bool bInUseAllTriData)
{
	check(CollisionData != nullptr);
	const UStaticMesh* Source = GetCollisionTriangleSource();
	if (!Source)
	{
		return false;
	}
	check(Source->HasValidRenderData());
	const FStaticMeshRenderData* Data = Source->GetRenderData();
	const int32 LODIndex = bInUseAllTriData ? 0 : FMath::Clamp(Source->LODForCollision, 0, Data->LODResources.Num() - 1);
	const FStaticMeshLODResources& LOD = Data->LODResources[LODIndex];
	const FPositionVertexBuffer& Positions = LOD.VertexBuffers.PositionVertexBuffer;
	CollisionData->Vertices.Reserve(static_cast<int32>(Positions.GetNumVertices()));
	for (uint32 Vertex = 0; Vertex < Positions.GetNumVertices(); ++Vertex)
	{
		CollisionData->Vertices.Add(Positions.VertexPosition(Vertex));
	}
	ForEachCollisionTriangle(LOD, bInUseAllTriData, [CollisionData](const FStaticMeshSection& Section, uint32 A, uint32 B, uint32 C)
	                         {
		CollisionData->Indices.Emplace(static_cast<int32>(A), static_cast<int32>(B), static_cast<int32>(C));
		CollisionData->MaterialIndices.Add(static_cast<uint16>(Section.MaterialIndex));
		return true; });
	CollisionData->bFlipNormals = true;
	return !CollisionData->Indices.IsEmpty();
}

bool UStaticMesh::HasValidRenderData(bool bCheckLODForVerts, int32 LODIndexToCheck) const
{
	const FStaticMeshRenderData* Data = GetRenderData();
	if (!Data || Data->LODResources.IsEmpty())
	{
		return false;
	}
	if (!bCheckLODForVerts)
	{
		return true;
	}
	const int32 LODIndex = LODIndexToCheck == INDEX_NONE ? 0 : FMath::Clamp(LODIndexToCheck, 0, Data->LODResources.Num() - 1);
	return Data->LODResources[LODIndex].VertexBuffers.PositionVertexBuffer.GetNumVertices() > 0;
}

bool UStaticMesh::ContainsPhysicsTriMeshData(bool bInUseAllTriData) const
{
	const UStaticMesh* Source = GetCollisionTriangleSource();
	const FStaticMeshRenderData* Data = Source ? Source->GetRenderData() : nullptr;
	if (!Data || Data->LODResources.IsEmpty())
	{
		return false;
	}
	const int32 LODIndex = bInUseAllTriData ? 0 : FMath::Clamp(Source->LODForCollision, 0, Data->LODResources.Num() - 1);
	bool bAny = false;
	ForEachCollisionTriangle(Data->LODResources[LODIndex], bInUseAllTriData, [&bAny](const FStaticMeshSection&, uint32, uint32, uint32)
	                         {
		bAny = true;
		return false; });
	return bAny;
}
