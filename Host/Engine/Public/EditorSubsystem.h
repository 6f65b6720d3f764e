#pragma once

#include "CoreMinimal.h"
#include "UObject/Object.h"

// A subsystem that lives as long as the editor; the editor object creates one of each kind on demand.
class UEditorSubsystem : public UObject
{
	DECLARE_HOST_CLASS(UEditorSubsystem, UObject)

public:
	UEditorSubsystem() = default;
	explicit UEditorSubsystem(const FObjectInitializer& ObjectInitializer)
	    : UObject(ObjectInitializer) {}
};
