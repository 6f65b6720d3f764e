#pragma once

#include "CoreMinimal.h"
#include "Engine/StaticMesh.h"
#include "Host/SkeletalMeshes.h"
#include "MeshDescription.h"

#include <vector>

namespace ConversionTest
{
	// A skeletal mesh with one LOD of these render vertices and triangle list.
	inline USkeletalMesh* MakeMesh(TArray<FVector3f> Positions, TArray<uint32> Indices, uint8 IndexSize = sizeof(uint32))
	{
		return Host::MakeSkeletalMesh(Host::FSkeletalLOD{MoveTemp(Positions), MoveTemp(Indices), IndexSize});
	}

	// Four render vertices of a unit square in the XY plane.
	inline TArray<FVector3f> SquareCorners()
	{
		return {FVector3f(0, 0, 0), FVector3f(1, 0, 0), FVector3f(1, 1, 0), FVector3f(0, 1, 0)};
	}

	// The vertex of every polygon corner, polygon after polygon: what the index buffer should read back as.
	inline std::vector<uint32> CornerVertices(const FMeshDescription& MeshDescription)
	{
		std::vector<uint32> Vertices;
		for (const FPolygonID PolygonID : MeshDescription.Polygons().GetElementIDs())
		{
			for (const FVertexInstanceID Corner : MeshDescription.GetPolygonVertexInstanceIDs(PolygonID))
			{
				Vertices.push_back(static_cast<uint32>(MeshDescription.GetVertexInstanceVertex(Corner).GetValue()));
			}
		}
		return Vertices;
	}

	inline std::vector<uint32> ToStd(const TArray<uint32>& Array)
	{
		return std::vector<uint32>(Array.begin(), Array.end());
	}

	// LOD 0 of the mesh's render data as the trace sees it.
	inline std::vector<uint32> RenderIndices(const UStaticMesh* Mesh)
	{
		TArray<uint32> Indices;
		Mesh->GetRenderData()->LODResources[0].IndexBuffer.GetCopy(Indices);
		return ToStd(Indices);
	}

	inline std::vector<FVector3f> RenderPositions(const UStaticMesh* Mesh)
	{
		const FPositionVertexBuffer& Buffer = Mesh->GetRenderData()->LODResources[0].VertexBuffers.PositionVertexBuffer;
		std::vector<FVector3f> Positions;
		for (uint32 Vertex = 0; Vertex < Buffer.GetNumVertices(); ++Vertex)
		{
			Positions.push_back(Buffer.VertexPosition(Vertex));
		}
		return Positions;
	}
}
