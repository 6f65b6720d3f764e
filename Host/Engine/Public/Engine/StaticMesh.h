#pragma once

#include "CoreMinimal.h"
#include "Containers/Map.h"
#include "Engine/StaticMeshSourceData.h"
#include "Interface_CollisionDataProviderCore.h"
#include "StaticMeshResources.h"
#include "UObject/Object.h"
#include "UObject/ObjectPtr.h"

#include <memory>

class UBodySetup;
struct FMeshDescription;
struct FTriMeshCollisionData;

// What the editor sets per section of a LOD: its material and whether it takes part in collision.
struct FMeshSectionInfo
{
	int32 MaterialIndex = 0;
	bool bEnableCollision = true;
	bool bCastShadow = true;
	bool bVisibleInRayTracing = true;
	bool bAffectDistanceFieldLighting = true;
	bool bForceOpaque = false;

	FMeshSectionInfo() = default;
	explicit FMeshSectionInfo(int32 InMaterialIndex)
	    : MaterialIndex(InMaterialIndex) {}
};

// The section infos of every LOD. A build copies them into the sections of the render data.
struct FMeshSectionInfoMap
{
	// The info set for the section, else LOD 0's info for that section, else the defaults with the
	// section's own index as its material.
	FMeshSectionInfo Get(int32 LODIndex, int32 SectionIndex) const;
	void Set(int32 LODIndex, int32 SectionIndex, FMeshSectionInfo Info);
	void Remove(int32 LODIndex, int32 SectionIndex);
	void Clear() { Map.Empty(); }
	bool IsValidSection(int32 LODIndex, int32 SectionIndex) const;

	TMap<uint32, FMeshSectionInfo> Map;
};

/*
 * A static mesh asset. Its source models hold a mesh description per LOD; Build turns the committed
 * descriptions into render data: each LOD's triangles, scaled by its BuildScale3D, one section per
 * polygon group (with the section info map's collision setting). The mesh descriptions keep their
 * unscaled positions.
 *
 * Its complex collision is what GetPhysicsTriMeshData gives: the triangles of ComplexCollisionMesh when
 * one is set, else those of the LOD LODForCollision of the render data, sections with collision only.
 *
 * As in the editor, Build (without an error list) and PostEditChange start an asynchronous build: the
 * mesh is compiling until FStaticMeshCompilingManager finishes it, and meanwhile it has no render data
 * or collision that a trace could see. The host runs no background work, so a build finishes only when
 * something waits for it: the compiling manager, or an accessor that waits as the engine's does on the
 * game thread (GetRenderData, GetBodySetup, GetMeshDescription, SetRenderData).
 */
class UStaticMesh : public UObject
{
	DECLARE_HOST_CLASS(UStaticMesh, UObject)

public:
	struct FCommitMeshDescriptionParams
	{
		FCommitMeshDescriptionParams()
		    : bMarkPackageDirty(true), bUseHashAsGuid(false) {}

		// Dirty the mesh's package. Without it the commit may run off the game thread, and the caller
		// dirties the package.
		bool bMarkPackageDirty;
		// Key the derived data by the description's hash instead of a new GUID.
		bool bUseHashAsGuid;
	};

	UStaticMesh();
	virtual ~UStaticMesh() override;

	// A mesh whose triangles stand in for this one's in its complex collision.
	TObjectPtr<UStaticMesh> ComplexCollisionMesh;

	// The LOD whose triangles make the complex collision (clamped to the LODs built).
	int32 GetLODForCollision() const { return LODForCollision; }
	void SetLODForCollision(int32 InLODForCollision) { LODForCollision = InLODForCollision; }

	FMeshSectionInfoMap& GetSectionInfoMap() { return SectionInfoMap; }
	const FMeshSectionInfoMap& GetSectionInfoMap() const { return SectionInfoMap; }

	// The triangles of the complex collision (see above), in the render data's index order over the
	// sections with collision, or with bInUseAllTriData LOD 0's sections all. False when there is nothing
	// to give. Waits for a build in progress first. The mesh that gives the triangles must have valid render
	// data: a failed check otherwise, as in the engine; ask ContainsPhysicsTriMeshData first.
	bool GetPhysicsTriMeshData(FTriMeshCollisionData* CollisionData, bool bInUseAllTriData);
	// Whether GetPhysicsTriMeshData would give any triangle; false, safely, without render data.
	bool ContainsPhysicsTriMeshData(bool bInUseAllTriData) const;

	// Render data with at least one LOD, and with vertices in the LOD checked (the first, by default).
	// Waits for a build in progress first.
	bool HasValidRenderData(bool bCheckLODForVerts = true, int32 LODIndexToCheck = INDEX_NONE) const;

	// Wait for a build in progress first.
	FStaticMeshRenderData* GetRenderData();
	const FStaticMeshRenderData* GetRenderData() const;
	void SetRenderData(std::unique_ptr<FStaticMeshRenderData>&& InRenderData);
	// Host only. Changes whenever the render data is replaced, so derived data (collision) knows to
	// rebuild. Does not wait.
	uint64 GetRenderDataRevision() const { return RenderDataRevision; }

	// Hands the render data to the renderer. The host has no renderer, so there is nothing to do.
	void InitResources() {}

	// Source models: one per LOD.
	void SetNumSourceModels(const int32 Num);
	int32 GetNumSourceModels() const { return SourceModels.Num(); }
	bool IsSourceModelValid(int32 Index) const { return SourceModels.IsValidIndex(Index); }
	FStaticMeshSourceModel& GetSourceModel(int32 Index) { return SourceModels[Index]; }
	const FStaticMeshSourceModel& GetSourceModel(int32 Index) const { return SourceModels[Index]; }

	// A new, empty description for the LOD, with the static-mesh attributes registered; null when the
	// LOD has no source model.
	FMeshDescription* CreateMeshDescription(int32 LodIndex);
	FMeshDescription* CreateMeshDescription(int32 LodIndex, FMeshDescription MeshDescription);
	// The LOD's description being edited, loaded from the committed one if needed; null if it has none.
	// Waits for a build in progress first.
	FMeshDescription* GetMeshDescription(int32 LodIndex) const;
	// Drops the description being edited; the committed one stays.
	void ClearMeshDescription(int32 LodIndex);
	// Stores the LOD's edited description as its committed source. It does not build.
	void CommitMeshDescription(int32 LodIndex, const FCommitMeshDescriptionParams& Params = FCommitMeshDescriptionParams());

	// Makes the body setup if the mesh has none.
	void CreateBodySetup();
	// Waits for a build in progress first.
	UBodySetup* GetBodySetup() const;

	// Builds the render data of every LOD from its committed description, then refreshes the collision.
	// A LOD 0 without a committed description is an error: reported in OutErrors, or logged unless silent.
	// With OutErrors the build is synchronous; without, it is asynchronous and the mesh is compiling.
	void Build(bool bInSilent = false, TArray<FText>* OutErrors = nullptr);
	// Whether an asynchronous build has not finished yet.
	bool IsCompiling() const { return PendingBuild != nullptr; }

#if WITH_EDITOR
	// An edited mesh rebuilds itself, asynchronously.
	virtual void PostEditChange() override;
#endif

private:
	friend class FStaticMeshCompilingManager;
	friend class UStaticMeshComponent;

	struct FBuildResult;

	// Waits for the build in progress, if any.
	void WaitForBuild() const;
	// Installs a build's render data and cooks the collision from it.
	void FinishBuild(FBuildResult&& Result);
	// Finishes the asynchronous build in progress, for the compiling manager.
	void FinishPendingBuild();
	// What the mesh holds now, without waiting: a mesh that is compiling has neither.
	const FStaticMeshRenderData* GetRenderDataIfBuilt() const
	{
		return IsCompiling() ? nullptr : RenderData.get();
	}
	const UBodySetup* GetBodySetupIfBuilt() const
	{
		return IsCompiling() ? nullptr : BodySetup;
	}

	// The mesh whose render data gives the collision triangles, following ComplexCollisionMesh; null
	// when the chain of complex collision meshes runs in a circle.
	const UStaticMesh* GetCollisionTriangleSource() const;

	TArray<FStaticMeshSourceModel> SourceModels;
	FMeshSectionInfoMap SectionInfoMap;
	int32 LODForCollision = 0;
	UBodySetup* BodySetup = nullptr;
	std::unique_ptr<FStaticMeshRenderData> RenderData;
	uint64 RenderDataRevision = 0;
	std::unique_ptr<FBuildResult> PendingBuild;
};
