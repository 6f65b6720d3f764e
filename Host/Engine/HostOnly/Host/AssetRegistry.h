#pragma once

#include "CoreMinimal.h"

class UObject;

// Host-only view of the asset registry: the assets announced as created, in order.
namespace Host
{
	TArray<UObject*> GetCreatedAssets();
	void ClearCreatedAssets();
}
