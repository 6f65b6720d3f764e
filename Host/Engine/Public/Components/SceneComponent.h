#pragma once

#include "CoreMinimal.h"
#include "Components/ActorComponent.h"
#include "Engine/EngineTypes.h"

// A component with a place in the world. The host has no attachment: each scene component's transform
// is its world transform, and relative and world setters are the same.
class USceneComponent : public UActorComponent
{
	DECLARE_HOST_CLASS(USceneComponent, UActorComponent)

public:
	USceneComponent() = default;
	explicit USceneComponent(const FObjectInitializer&) {}

	const FTransform& GetComponentTransform() const { return ComponentToWorld; }
	FVector GetComponentLocation() const { return ComponentToWorld.GetLocation(); }
	FRotator GetComponentRotation() const { return ComponentToWorld.Rotator(); }
	FQuat GetComponentQuat() const { return ComponentToWorld.GetRotation(); }
	FVector GetComponentScale() const { return ComponentToWorld.GetScale3D(); }

	void SetWorldLocation(FVector NewLocation, bool bSweep = false, FHitResult* OutSweepHitResult = nullptr, ETeleportType Teleport = ETeleportType::None);
	void SetWorldRotation(FRotator NewRotation, bool bSweep = false, FHitResult* OutSweepHitResult = nullptr, ETeleportType Teleport = ETeleportType::None);
	void SetWorldRotation(const FQuat& NewRotation, bool bSweep = false, FHitResult* OutSweepHitResult = nullptr, ETeleportType Teleport = ETeleportType::None);
	void SetWorldScale3D(FVector NewScale);
	void SetWorldTransform(const FTransform& NewTransform, bool bSweep = false, FHitResult* OutSweepHitResult = nullptr, ETeleportType Teleport = ETeleportType::None);
	void SetWorldLocationAndRotation(FVector NewLocation, FRotator NewRotation, bool bSweep = false, FHitResult* OutSweepHitResult = nullptr, ETeleportType Teleport = ETeleportType::None);
	void SetRelativeLocation(FVector NewLocation, bool bSweep = false, FHitResult* OutSweepHitResult = nullptr, ETeleportType Teleport = ETeleportType::None)
	{
		SetWorldLocation(NewLocation, bSweep, OutSweepHitResult, Teleport);
	}
	void SetRelativeRotation(FRotator NewRotation, bool bSweep = false, FHitResult* OutSweepHitResult = nullptr, ETeleportType Teleport = ETeleportType::None)
	{
		SetWorldRotation(NewRotation, bSweep, OutSweepHitResult, Teleport);
	}
	void SetRelativeScale3D(FVector NewScale3D) { SetWorldScale3D(NewScale3D); }

	// A plain scene component has no body: nothing collides with it.
	virtual ECollisionEnabled::Type GetCollisionEnabled() const { return ECollisionEnabled::NoCollision; }

protected:
	// Called after every change of the transform.
	virtual void OnTransformChanged() {}

private:
	FTransform ComponentToWorld;
};
