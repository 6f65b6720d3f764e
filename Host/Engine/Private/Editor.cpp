#include "Editor.h"
#include "EditorAssetLibrary.h"
#include "EditorUtilitySubsystem.h"
#include "EditorUtilityWidget.h"
#include "EditorUtilityWidgetBlueprint.h"

#include "Host/Editor.h"
#include "Host/Objects.h"

#include "UObject/UObjectGlobals.h"

DEFINE_LOG_CATEGORY_STATIC(LogEditorAssetSubsystem, Log, All);

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

	// The asset at an object or package path, or null with the editor's reason.
	UObject* FindContentAsset(const FString& AssetPath, FString& OutReason)
	{
		FString PackageName;
		FString ObjectName;
		if (!SplitAssetPath(AssetPath, PackageName, ObjectName))
		{
			OutReason = FString::Printf(TEXT("Can't convert the path '%s' because the Root path need to be specified. ie /Game/"), *AssetPath);
			return nullptr;
		}
		UPackage* Package = FindPackage(nullptr, *PackageName);
		if (UObject* Asset = Package ? FindObject<UObject>(Package, *ObjectName) : nullptr)
		{
			return Asset;
		}
		OutReason = FString::Printf(TEXT("The AssetData '%s.%s' could not be found in the Asset Registry."), *PackageName, *ObjectName);
		return nullptr;
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
	FString Reason;
	if (UObject* Asset = FindContentAsset(AssetPath, Reason))
	{
		return Asset;
	}
	UE_LOG(LogEditorAssetSubsystem, Error, TEXT("LoadAsset failed: %s"), *Reason);
	return nullptr;
}

UObject* Host::AddContentAsset(const FString& PackagePath, const UClass* Class)
{
	FString PackageName;
	FString ObjectName;
	verify(SplitAssetPath(PackagePath, PackageName, ObjectName));
	UPackage* Package = CreatePackage(*PackageName);
	// Replacing an asset of another class is a delete and a new asset, not a rebuild of the old object.
	if (UObject* Old = FindObject<UObject>(Package, *ObjectName); Old && Old->GetClass() != Class)
	{
		Host::ForgetObject(Old);
	}
	return NewObject<UObject>(Package, Class, FName(*ObjectName), RF_Public | RF_Standalone);
}

void Host::DeleteContentAsset(const FString& PackagePath)
{
	FString Reason;
	Host::ForgetObject(FindContentAsset(PackagePath, Reason));
}

const std::vector<Host::FSpawnedTab>& Host::GetSpawnedTabs()
{
	return SpawnedTabs();
}

void Host::ClearSpawnedTabs()
{
	SpawnedTabs().clear();
}
