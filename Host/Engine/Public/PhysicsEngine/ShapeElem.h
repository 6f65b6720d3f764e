#pragma once

#include "CoreMinimal.h"

// What every simple collision shape of a body has.
struct FKShapeElem
{
	FName GetName() const { return Name; }
	void SetName(const FName& InName) { Name = InName; }

	// Whether the shape adds to the body's mass; traces do not look at it.
	bool bContributeToMass = true;

private:
	FName Name;
};
