#pragma once

#include "CoreMinimal.h"
#include "Kismet/BlueprintFunctionLibrary.h"

// Asset operations for editor scripts.
class UEditorAssetLibrary : public UBlueprintFunctionLibrary
{
	DECLARE_HOST_CLASS(UEditorAssetLibrary, UBlueprintFunctionLibrary)

public:
	// Loads the asset at an object path ("/velmora/Widget.Widget") or a package path ("/velmora/Widget");
	// when nothing can be loaded from there, logs "LoadAsset failed: <reason>" as an Error on
	// LogEditorAssetSubsystem and returns null.
	static UObject* LoadAsset(const FString& AssetPath);
};
