#include "Editor.h"
#include "EditorAssetLibrary.h"
#include "EditorUtilitySubsystem.h"
#include "EditorUtilityWidget.h"
#include "EditorUtilityWidgetBlueprint.h"

#include "Host/Editor.h"

#include "UObject/UObjectGlobals.h"

namespace
{
	// The editor object is not created through NewObject, so GEditor is valid before any object exists.
	UEditorEngine HostEditorEngine;

	std::vector<Host::FSpawnedTab>& SpawnedTabs()
	{
		static std::vector<Host::FSpawnedTab> Tabs;
		return Tabs;
	}

	// "/velmora/Widget.Widget" or "/velmora/Widget" -> package "/velmora/Widget", object "Widget".
	bool SplitAssetPath(const FString& AssetPath, FString& OutPackage, FString& OutObject)
	{
		FString Package = AssetPath;
		FString Object;
		int32 Dot = INDEX_NONE;
		if (AssetPath.FindChar(TEXT('.'), Dot))
		{
			Package = AssetPath.Left(Dot);
			Object = AssetPath.Mid(Dot + 1);
		}
		int32 Slash = INDEX_NONE;
		if (!Package.StartsWith(TEXT("/")) || !Package.FindLastChar(TEXT('/'), Slash) || Slash + 1 >= Package.Len())
		{
			return false;
		}
		OutPackage = Package;
		OutObject = Object.IsEmpty() ? Package.Mid(Slash + 1) : Object;
		return true;
	}
}

UEditorEngine* GEditor = &HostEditorEngine;

UEditorSubsystem* UEditorEngine::GetEditorSubsystemBase(const UClass* SubsystemClass) const
{
	if (!SubsystemClass || !SubsystemClass->IsChildOf(UEditorSubsystem::StaticClass()))
	{
		return nullptr;
	}
	UEditorSubsystem*& Subsystem = Subsystems[SubsystemClass];
	if (!Subsystem)
	{
		Subsystem = NewObject<UEditorSubsystem>(GetTransientPackage(), SubsystemClass);
	}
	return Subsystem;
}

UEditorUtilityWidget* UEditorUtilitySubsystem::SpawnAndRegisterTab(UEditorUtilityWidgetBlueprint* InBlueprint)
{
	UEditorUtilityWidget* Widget = nullptr;
	if (InBlueprint)
	{
		Widget = NewObject<UEditorUtilityWidget>(GetTransientPackage());
		Widget->SourceBlueprint = InBlueprint;
	}
	SpawnedTabs().push_back({InBlueprint, Widget});
	return Widget;
}

UObject* UEditorAssetLibrary::LoadAsset(const FString& AssetPath)
{
	FString PackageName;
	FString ObjectName;
	if (!SplitAssetPath(AssetPath, PackageName, ObjectName))
	{
		return nullptr;
	}
	UPackage* Package = FindPackage(nullptr, *PackageName);
	return Package ? FindObject<UObject>(Package, *ObjectName) : nullptr;
}

UObject* Host::AddContentAsset(const FString& PackagePath, const UClass* Class)
{
	FString PackageName;
	FString ObjectName;
	verify(SplitAssetPath(PackagePath, PackageName, ObjectName));
	UPackage* Package = CreatePackage(*PackageName);
	return NewObject<UObject>(Package, Class, FName(*ObjectName), RF_Public | RF_Standalone);
}

void Host::DeleteContentAsset(const FString& PackagePath)
{
	if (UObject* Asset = UEditorAssetLibrary::LoadAsset(PackagePath))
	{
		Asset->MarkAsGarbage();
	}
}

const std::vector<Host::FSpawnedTab>& Host::GetSpawnedTabs()
{
	return SpawnedTabs();
}

void Host::ClearSpawnedTabs()
{
	SpawnedTabs().clear();
}
