#pragma once

#include "CoreMinimal.h"
#include "Engine/Blueprint.h"

// A Blueprint that defines a user-interface widget.
class UWidgetBlueprint : public UBlueprint
{
	DECLARE_HOST_CLASS(UWidgetBlueprint, UBlueprint)

public:
	UWidgetBlueprint() = default;
	explicit UWidgetBlueprint(const FObjectInitializer& ObjectInitializer)
	    : UBlueprint(ObjectInitializer) {}
};
