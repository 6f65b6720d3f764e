#pragma once

#include "CoreMinimal.h"
#include "UObject/Object.h"

class AActor;
class UWorld;

// A component of an actor. Its owner is the actor it was created in (its outer); its world is the one it
// was registered with, else the owner's.
class UActorComponent : public UObject
{
	DECLARE_HOST_CLASS(UActorComponent, UObject)

public:
	UActorComponent() = default;
	explicit UActorComponent(const FObjectInitializer&) {}

	AActor* GetOwner() const;
	virtual UWorld* GetWorld() const override final { return WorldPrivate ? WorldPrivate : GetWorld_Uncached(); }

	void RegisterComponent();
	void RegisterComponentWithWorld(UWorld* InWorld);
	void UnregisterComponent() { WorldPrivate = nullptr; }
	bool IsRegistered() const { return WorldPrivate != nullptr; }

protected:
	// The world found through the owner or the outer chain, when none is cached.
	UWorld* GetWorld_Uncached() const;

private:
	UWorld* WorldPrivate = nullptr;
};
