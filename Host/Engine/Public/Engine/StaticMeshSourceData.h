#pragma once

#include "CoreMinimal.h"

#include <memory>

struct FMeshDescription;

// How a LOD's render data is built from its mesh description (the engine's defaults).
struct FMeshBuildSettings
{
	bool bRecomputeNormals = true;
	bool bRecomputeTangents = true;
	bool bUseMikkTSpace = true;
	// Triangles with two corners at the same place are left out of the render data.
	bool bRemoveDegenerates = true;
	bool bUseFullPrecisionUVs = false;
	bool bGenerateLightmapUVs = true;
	int32 MinLightmapResolution = 64;
	int32 SrcLightmapIndex = 0;
	int32 DstLightmapIndex = 1;
	FVector BuildScale3D = FVector(1.0, 1.0, 1.0);
};

// The source of one LOD of a static mesh: its build settings, the mesh description being edited, and
// the description last committed, which is what the build reads.
struct FStaticMeshSourceModel
{
	FStaticMeshSourceModel();
	~FStaticMeshSourceModel();
	FStaticMeshSourceModel(FStaticMeshSourceModel&&) noexcept;
	FStaticMeshSourceModel& operator=(FStaticMeshSourceModel&&) noexcept;

	FMeshBuildSettings BuildSettings;

private:
	friend class UStaticMesh;
	std::unique_ptr<FMeshDescription> MeshDescription;
	std::unique_ptr<FMeshDescription> CommittedMeshDescription;
};
