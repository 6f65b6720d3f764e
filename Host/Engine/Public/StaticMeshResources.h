#pragma once

#include "CoreMinimal.h"
#include "RawIndexBuffer.h"
#include "Rendering/PositionVertexBuffer.h"

struct FStaticMeshVertexBuffers
{
	FPositionVertexBuffer PositionVertexBuffer;
};

// One level of detail of a static mesh as the renderer (and, in the host, the complex collision) sees it.
struct FStaticMeshLODResources
{
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
