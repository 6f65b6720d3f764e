#pragma once

#include "CoreMinimal.h"

// One triangle of collision data: three indices into the vertices.
struct FTriIndices
{
	int32 v0 = 0;
	int32 v1 = 0;
	int32 v2 = 0;

	FTriIndices() = default;
	FTriIndices(int32 In0, int32 In1, int32 In2)
	    : v0(In0), v1(In1), v2(In2) {}
};

// The triangles an asset gives its complex collision: what the cook reads. A trace that hits reports the
// hit triangle's index in Indices as its face index.
struct FTriMeshCollisionData
{
	TArray<FVector3f> Vertices;
	TArray<FTriIndices> Indices;
	// The material index of each triangle.
	TArray<uint16> MaterialIndices;
	// The asset's triangles face the engine's way; the cook swaps two corners of each for the physics.
	uint32 bFlipNormals : 1;
	uint32 bDeformableMesh : 1;
	uint32 bFastCook : 1;
	uint32 bDisableActiveEdgePrecompute : 1;

	// Bit-fields take default member initializers only from C++20 on.
	FTriMeshCollisionData()
	    : bFlipNormals(false), bDeformableMesh(false), bFastCook(false), bDisableActiveEdgePrecompute(false) {}
};
