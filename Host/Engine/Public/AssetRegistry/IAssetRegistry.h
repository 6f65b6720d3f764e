#pragma once

#include "CoreMinimal.h"

class UObject;

// The editor's index of assets. The Content Browser learns of assets made in memory through it.
class IAssetRegistry
{
public:
	virtual ~IAssetRegistry() = default;

	static IAssetRegistry* Get();
	static IAssetRegistry& GetChecked();

	// Announces an asset just created in memory.
	virtual void AssetCreated(UObject* NewAsset) = 0;
};
