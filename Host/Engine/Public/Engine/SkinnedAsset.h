#pragma once

#include "CoreMinimal.h"
#include "UObject/Object.h"

class FSkeletalMeshRenderData;

// An asset drawn with skinning.
class USkinnedAsset : public UObject
{
	DECLARE_HOST_CLASS(USkinnedAsset, UObject)

public:
	// What the asset is rendered from; null while there is none (in the engine, also while it compiles).
	virtual FSkeletalMeshRenderData* GetResourceForRendering() const { return nullptr; }
};
