#pragma once

#include "CoreMinimal.h"
#include "UObject/Object.h"

class UEditorUtilityWidgetBlueprint;

// The running instance of an editor utility widget, shown in an editor tab.
class UEditorUtilityWidget : public UObject
{
	DECLARE_HOST_CLASS(UEditorUtilityWidget, UObject)

public:
	UEditorUtilityWidget() = default;
	explicit UEditorUtilityWidget(const FObjectInitializer& ObjectInitializer)
	    : UObject(ObjectInitializer) {}

	// The blueprint this widget was spawned from.
	UEditorUtilityWidgetBlueprint* SourceBlueprint = nullptr;
};
