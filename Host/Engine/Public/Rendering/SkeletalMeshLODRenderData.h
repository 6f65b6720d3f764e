#pragma once

#include "CoreMinimal.h"
#include "Rendering/MultiSizeIndexContainer.h"
#include "StaticMeshResources.h"

// A run of triangles of one LOD drawn with one material.
struct FSkelMeshRenderSection
{
	uint16 MaterialIndex = 0;
	uint32 BaseIndex = 0;
	uint32 NumTriangles = 0;
	uint32 BaseVertexIndex = 0;
	uint32 NumVertices = 0;
};

// One level of detail of a skeletal mesh as the renderer draws it: render vertices (split at UV and
// normal seams) and a triangle list covering all sections.
class FSkeletalMeshLODRenderData
{
public:
	FStaticMeshVertexBuffers StaticVertexBuffers;
	FMultiSizeIndexContainer MultiSizeIndexContainer;
	TArray<FSkelMeshRenderSection> RenderSections;

	uint32 GetNumVertices() const { return StaticVertexBuffers.PositionVertexBuffer.GetNumVertices(); }
};
