#pragma once

#include "CoreMinimal.h"
#include "UObject/Object.h"

// A Blueprint asset: a graph-defined class. The host keeps no graphs; only the asset's class matters.
class UBlueprint : public UObject
{
	DECLARE_HOST_CLASS(UBlueprint, UObject)

public:
	UBlueprint() = default;
	explicit UBlueprint(const FObjectInitializer& ObjectInitializer)
	    : UObject(ObjectInitializer) {}
};
