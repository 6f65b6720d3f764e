#pragma once

#include "CoreMinimal.h"
#include "PhysicsEngine/ShapeElem.h"

// A box of simple collision: X, Y and Z are its full extents along its own axes, turned by Rotation
// about Center, in the body's space.
struct FKBoxElem : public FKShapeElem
{
	FVector Center = FVector::ZeroVector;
	FRotator Rotation = FRotator::ZeroRotator;
	float X = 1.f;
	float Y = 1.f;
	float Z = 1.f;

	FKBoxElem() = default;
	explicit FKBoxElem(float Size)
	    : X(Size), Y(Size), Z(Size) {}
	FKBoxElem(float InX, float InY, float InZ)
	    : X(InX), Y(InY), Z(InZ) {}
};
