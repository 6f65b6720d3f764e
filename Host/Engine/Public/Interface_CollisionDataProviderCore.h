#pragma once

#include "CoreMinimal.h"

// The corners of one collision triangle.
struct FTriIndices
{
	int32 v0 = 0;
	int32 v1 = 0;
	int32 v2 = 0;
};

// The triangles an asset hands the physics cook: what a complex trace hits. The engine cooks them with
// the first two corners of each triangle swapped when bFlipNormals is set, and remaps the hit face back
// to this list's order.
struct FTriMeshCollisionData
{
	TArray<FVector3f> Vertices;
	TArray<FTriIndices> Indices;
	TArray<uint16> MaterialIndices;
	uint32 bFlipNormals : 1;
	uint32 bDeformableMesh : 1;
	uint32 bFastCook : 1;
	uint32 bDisableActiveEdgePrecompute : 1;

	FTriMeshCollisionData()
	    : bFlipNormals(false), bDeformableMesh(false), bFastCook(false), bDisableActiveEdgePrecompute(false)
	{
	}
};
