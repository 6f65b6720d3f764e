#pragma once

#include "CoreMinimal.h"
#include "Components/SceneComponent.h"
#include "Engine/EngineTypes.h"

class UBodySetup;
struct FCollisionQueryParams;
struct FCollisionResponseParams;
struct FCollisionObjectQueryParams;

// A scene component with geometry that can be rendered and collided with. A plain primitive has no
// collision of its own: its traces never hit. Its body takes part in queries and physics unless its
// collision, or its owner's, is turned off.
class UPrimitiveComponent : public USceneComponent
{
	DECLARE_HOST_CLASS(UPrimitiveComponent, USceneComponent)

public:
	UPrimitiveComponent() = default;
	explicit UPrimitiveComponent(const FObjectInitializer&) {}

	virtual void SetCollisionEnabled(ECollisionEnabled::Type NewType) { CollisionEnabled = NewType; }
	// NoCollision when the owning actor has collision disabled, else the body's own setting.
	virtual ECollisionEnabled::Type GetCollisionEnabled() const override;

	// The collision settings and geometry of the body; none for a plain primitive.
	virtual UBodySetup* GetBodySetup() { return nullptr; }

	// Traces the segment against this component's body only: no hit without a body that answers queries.
	// True on a blocking hit, with OutHit filled.
	virtual bool LineTraceComponent(FHitResult& OutHit, const FVector Start, const FVector End, const FCollisionQueryParams& Params);
	virtual bool LineTraceComponent(FHitResult& OutHit, const FVector Start, const FVector End, ECollisionChannel TraceChannel,
	                                const struct FCollisionQueryParams& Params, const struct FCollisionResponseParams& ResponseParams,
	                                const struct FCollisionObjectQueryParams& ObjectParams);

private:
	ECollisionEnabled::Type CollisionEnabled = ECollisionEnabled::QueryAndPhysics;
};
