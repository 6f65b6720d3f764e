#pragma once

#include "CoreMinimal.h"
#include "RawIndexBuffer.h"
#include "Rendering/PositionVertexBuffer.h"

struct FStaticMeshVertexBuffers
{
	FPositionVertexBuffer PositionVertexBuffer;
};

// A run of a LOD's index buffer drawn with one material: NumTriangles triangles from FirstIndex. Only
// sections with collision enabled give triangles to the mesh's complex collision.
struct FStaticMeshSection
{
	int32 MaterialIndex = 0;
	uint32 FirstIndex = 0;
	uint32 NumTriangles = 0;
	uint32 MinVertexIndex = 0;
	uint32 MaxVertexIndex = 0;
	bool bEnableCollision = false;
	bool bCastShadow = true;
	bool bVisibleInRayTracing = true;
	bool bAffectDistanceFieldLighting = true;
	bool bForceOpaque = false;
};

// One level of detail of a static mesh as the renderer sees it; the complex collision is cooked from it.
struct FStaticMeshLODResources
{
	TArray<FStaticMeshSection> Sections;
	FStaticMeshVertexBuffers VertexBuffers;
	FRawStaticIndexBuffer IndexBuffer;

	int32 GetNumVertices() const { return static_cast<int32>(VertexBuffers.PositionVertexBuffer.GetNumVertices()); }
	int32 GetNumTriangles() const { return IndexBuffer.GetNumIndices() / 3; }
};

class FStaticMeshRenderData
{
public:
	TArray<FStaticMeshLODResources> LODResources;
};
