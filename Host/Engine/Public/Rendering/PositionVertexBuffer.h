#pragma once

#include "CoreMinimal.h"

// Vertex positions of a render mesh, in the mesh's own space, as float vectors.
class FPositionVertexBuffer
{
public:
	void Init(uint32 NumVertices)
	{
		Positions.SetNum(static_cast<int32>(NumVertices));
	}
	void Init(const TArray<FVector3f>& InPositions)
	{
		Positions = InPositions;
	}

	uint32 GetNumVertices() const { return static_cast<uint32>(Positions.Num()); }
	uint32 GetStride() const { return sizeof(FVector3f); }

	FVector3f& VertexPosition(uint32 VertexIndex) { return Positions[static_cast<int32>(VertexIndex)]; }
	const FVector3f& VertexPosition(uint32 VertexIndex) const { return Positions[static_cast<int32>(VertexIndex)]; }

private:
	TArray<FVector3f> Positions;
};
