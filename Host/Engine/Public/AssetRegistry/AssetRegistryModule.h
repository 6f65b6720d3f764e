#pragma once

#include "CoreMinimal.h"
#include "AssetRegistry/IAssetRegistry.h"

// The module that owns the asset registry.
class FAssetRegistryModule
{
public:
	virtual ~FAssetRegistryModule() = default;

	virtual IAssetRegistry& Get() const { return IAssetRegistry::GetChecked(); }
	IAssetRegistry* TryGet() const { return IAssetRegistry::Get(); }

	static void AssetCreated(UObject* NewAsset) { IAssetRegistry::GetChecked().AssetCreated(NewAsset); }
};
