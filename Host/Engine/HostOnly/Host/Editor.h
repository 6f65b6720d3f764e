#pragma once

#include "CoreMinimal.h"

#include <vector>

class UClass;
class UObject;
class UEditorUtilityWidget;
class UEditorUtilityWidgetBlueprint;

// Host-only control of the editor's content and a record of the tabs it opened.
namespace Host
{
	// Puts an asset of Class at a package path such as "/velmora/EUW_velmora_import_tool", named after
	// the path's last part, where UEditorAssetLibrary::LoadAsset finds it. Replaces what was there.
	UObject* AddContentAsset(const FString& PackagePath, const UClass* Class);
	// Deletes the asset at that path: it no longer loads.
	void DeleteContentAsset(const FString& PackagePath);

	struct FSpawnedTab
	{
		UEditorUtilityWidgetBlueprint* Blueprint = nullptr;
		UEditorUtilityWidget* Widget = nullptr;
	};

	// Every SpawnAndRegisterTab request since the last clear, in order.
	const std::vector<FSpawnedTab>& GetSpawnedTabs();
	void ClearSpawnedTabs();
}
