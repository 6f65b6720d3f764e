#pragma once

#include "CoreMinimal.h"
#include "Engine/StaticMeshSourceData.h"
#include "StaticMeshResources.h"
#include "UObject/Object.h"

#include <memory>

class UBodySetup;
struct FMeshDescription;

/*
 * A static mesh asset. Its source models hold a mesh description per LOD; Build turns the committed
 * descriptions into render data, and the render data of LOD 0 is also what the host's complex
 * collision is cooked from.
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

	FStaticMeshRenderData* GetRenderData() { return RenderData.get(); }
	const FStaticMeshRenderData* GetRenderData() const { return RenderData.get(); }
	void SetRenderData(std::unique_ptr<FStaticMeshRenderData>&& InRenderData)
	{
		RenderData = std::move(InRenderData);
		++RenderDataRevision;
	}
	// Changes whenever the render data is replaced, so derived data (collision) knows to rebuild.
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
	FMeshDescription* GetMeshDescription(int32 LodIndex) const;
	// Drops the description being edited; the committed one stays.
	void ClearMeshDescription(int32 LodIndex);
	// Stores the LOD's edited description as its committed source. It does not build.
	void CommitMeshDescription(int32 LodIndex, const FCommitMeshDescriptionParams& Params = FCommitMeshDescriptionParams());

	// Makes the body setup if the mesh has none.
	void CreateBodySetup();
	UBodySetup* GetBodySetup() const { return BodySetup; }

	// Builds the render data of every LOD from its committed description, then refreshes the collision.
	// A LOD 0 without a committed description is an error: reported in OutErrors, or logged unless silent.
	void Build(bool bInSilent = false, TArray<FText>* OutErrors = nullptr);

private:
	TArray<FStaticMeshSourceModel> SourceModels;
	UBodySetup* BodySetup = nullptr;
	std::unique_ptr<FStaticMeshRenderData> RenderData;
	uint64 RenderDataRevision = 0;
};
