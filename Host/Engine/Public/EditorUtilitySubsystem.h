#pragma once

#include "CoreMinimal.h"
#include "EditorSubsystem.h"

class UEditorUtilityWidget;
class UEditorUtilityWidgetBlueprint;

// Runs editor utility widgets in editor tabs.
class UEditorUtilitySubsystem : public UEditorSubsystem
{
	DECLARE_HOST_CLASS(UEditorUtilitySubsystem, UEditorSubsystem)

public:
	UEditorUtilitySubsystem() = default;
	explicit UEditorUtilitySubsystem(const FObjectInitializer& ObjectInitializer)
	    : UEditorSubsystem(ObjectInitializer) {}

	// Opens the widget in a new editor tab and registers the tab; returns the spawned widget, or null
	// when there is no blueprint to spawn.
	UEditorUtilityWidget* SpawnAndRegisterTab(class UEditorUtilityWidgetBlueprint* InBlueprint);
};
