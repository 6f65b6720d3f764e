#pragma once

#include "CoreMinimal.h"
#include "Components/SceneComponent.h"
#include "Engine/EngineTypes.h"

struct FCollisionQueryParams;
struct FCollisionResponseParams;
struct FCollisionObjectQueryParams;

// A scene component with geometry that can be rendered and collided with. A plain primitive has no
// collision of its own: its traces never hit.
class UPrimitiveComponent : public USceneComponent
{
	DECLARE_HOST_CLASS(UPrimitiveComponent, USceneComponent)

public:
	UPrimitiveComponent() = default;
	explicit UPrimitiveComponent(const FObjectInitializer&) {}

	// Traces the segment against this component only. True on a blocking hit, with OutHit filled.
	virtual bool LineTraceComponent(FHitResult& OutHit, const FVector Start, const FVector End, const FCollisionQueryParams& Params);
	virtual bool LineTraceComponent(FHitResult& OutHit, const FVector Start, const FVector End, ECollisionChannel TraceChannel,
	                                const struct FCollisionQueryParams& Params, const struct FCollisionResponseParams& ResponseParams,
	                                const struct FCollisionObjectQueryParams& ObjectParams);
};
