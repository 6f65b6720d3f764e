#pragma once

#include "UObject/Object.h"

// Base of classes whose static functions become Blueprint nodes.
class UBlueprintFunctionLibrary : public UObject
{
	DECLARE_HOST_CLASS(UBlueprintFunctionLibrary, UObject)

public:
	UBlueprintFunctionLibrary() = default;
	explicit UBlueprintFunctionLibrary(const FObjectInitializer& ObjectInitializer)
	    : UObject(ObjectInitializer) {}
};
