#pragma once

#include "CoreMinimal.h"
#include "PhysicsEngine/ShapeElem.h"

// A sphere of simple collision, in the body's space. A scaled body scales it by its smallest scale.
struct FKSphereElem : public FKShapeElem
{
	FVector Center = FVector::ZeroVector;
	float Radius = 1.f;

	FKSphereElem() = default;
	explicit FKSphereElem(float InRadius)
	    : Radius(InRadius) {}
};
