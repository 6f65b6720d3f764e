#pragma once

#include "CoreMinimal.h"
#include "Components/SceneComponent.h"
#include "UObject/Object.h"

class UWorld;

// An object placed in a level. Its transform is its root component's; without a root it sits at the origin.
class AActor : public UObject
{
	DECLARE_HOST_CLASS(AActor, UObject)

public:
	AActor() = default;
	explicit AActor(const FObjectInitializer&) {}

	USceneComponent* GetRootComponent() const { return RootComponent; }
	bool SetRootComponent(USceneComponent* NewRootComponent)
	{
		RootComponent = NewRootComponent;
		return true;
	}

	FVector GetActorLocation() const { return RootComponent ? RootComponent->GetComponentLocation() : FVector::ZeroVector; }
	FRotator GetActorRotation() const { return RootComponent ? RootComponent->GetComponentRotation() : FRotator::ZeroRotator; }
	bool SetActorLocation(const FVector& NewLocation, bool bSweep = false, FHitResult* OutSweepHitResult = nullptr, ETeleportType Teleport = ETeleportType::None)
	{
		if (!RootComponent)
		{
			return false;
		}
		RootComponent->SetWorldLocation(NewLocation, bSweep, OutSweepHitResult, Teleport);
		return true;
	}

	// Turns the collision of all the actor's components off or back on.
	void SetActorEnableCollision(bool bNewActorEnableCollision) { bActorEnableCollision = bNewActorEnableCollision; }
	bool GetActorEnableCollision() const { return bActorEnableCollision; }

	// The world the actor was spawned in: the first world among its outers.
	virtual UWorld* GetWorld() const override;

private:
	USceneComponent* RootComponent = nullptr;
	bool bActorEnableCollision = true;
};
