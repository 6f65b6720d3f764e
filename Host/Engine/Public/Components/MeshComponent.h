#pragma once

#include "CoreMinimal.h"
#include "Components/PrimitiveComponent.h"

// A primitive whose geometry comes from a mesh asset.
class UMeshComponent : public UPrimitiveComponent
{
	DECLARE_HOST_CLASS(UMeshComponent, UPrimitiveComponent)

public:
	UMeshComponent() = default;
	explicit UMeshComponent(const FObjectInitializer&) {}
};
