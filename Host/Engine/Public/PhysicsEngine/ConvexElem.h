#pragma once

#include "CoreMinimal.h"
#include "PhysicsEngine/ShapeElem.h"

// A convex shape of simple collision: the convex hull of VertexData, placed by its transform in the
// body's space. The hull is worked out when the body setup's physics meshes are made; points that span
// no volume make no shape.
struct FKConvexElem : public FKShapeElem
{
	TArray<FVector> VertexData;
	// The hull's triangles over VertexData; the host's cook works the hull out from the points alone.
	TArray<int32> IndexData;

	const FTransform& GetTransform() const { return Transform; }
	void SetTransform(const FTransform& InTransform) { Transform = InTransform; }

private:
	FTransform Transform = FTransform::Identity;
};
