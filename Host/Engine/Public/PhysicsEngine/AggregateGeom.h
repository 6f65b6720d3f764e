#pragma once

#include "CoreMinimal.h"
#include "PhysicsEngine/BoxElem.h"
#include "PhysicsEngine/ConvexElem.h"
#include "PhysicsEngine/SphereElem.h"

// A body's simple collision: the shapes that answer simple queries (and complex ones too when the body
// uses its simple collision as complex).
struct FKAggregateGeom
{
	TArray<FKSphereElem> SphereElems;
	TArray<FKBoxElem> BoxElems;
	TArray<FKConvexElem> ConvexElems;

	int32 GetElementCount() const { return SphereElems.Num() + BoxElems.Num() + ConvexElems.Num(); }
	void EmptyElements()
	{
		SphereElems.Empty();
		BoxElems.Empty();
		ConvexElems.Empty();
	}
};
