#pragma once

#include "CoreMinimal.h"
#include "WidgetBlueprint.h"

// A widget Blueprint that runs in the editor, in a tab of its own.
class UEditorUtilityWidgetBlueprint : public UWidgetBlueprint
{
	DECLARE_HOST_CLASS(UEditorUtilityWidgetBlueprint, UWidgetBlueprint)

public:
	UEditorUtilityWidgetBlueprint() = default;
	explicit UEditorUtilityWidgetBlueprint(const FObjectInitializer& ObjectInitializer)
	    : UWidgetBlueprint(ObjectInitializer) {}
};
