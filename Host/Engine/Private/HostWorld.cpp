#include "Host/World.h"

#include "Components/SceneComponent.h"
#include "Components/StaticMeshComponent.h"
#include "GameFramework/Actor.h"
#include "UObject/UObjectGlobals.h"

namespace Host
{
	UWorld* NewWorld()
	{
		return NewObject<UWorld>(GetTransientPackage());
	}

	AActor* SpawnActor(UWorld* World, const FVector& Location)
	{
		check(World != nullptr);
		AActor* Actor = NewObject<AActor>(World);
		USceneComponent* Root = NewObject<USceneComponent>(Actor);
		Root->SetWorldLocation(Location);
		Root->RegisterComponent();
		Actor->SetRootComponent(Root);
		return Actor;
	}

	AActor* SpawnActorWithoutRoot(UWorld* World)
	{
		check(World != nullptr);
		return NewObject<AActor>(World);
	}

	UStaticMeshComponent* AddStaticMeshComponent(AActor* Owner, UStaticMesh* Mesh, const FTransform& Placement)
	{
		check(Owner != nullptr);
		UStaticMeshComponent* Component = NewObject<UStaticMeshComponent>(Owner);
		Component->SetStaticMesh(Mesh);
		Component->SetWorldTransform(Placement);
		Component->RegisterComponent();
		if (!Owner->GetRootComponent())
		{
			Owner->SetRootComponent(Component);
		}
		return Component;
	}

	const TArray<FDebugLine>& GetDebugLines(const UWorld* World)
	{
		check(World != nullptr);
		return UE::Host::FWorldDebugLines::Get(*World);
	}

	void ClearDebugLines(UWorld* World)
	{
		check(World != nullptr);
		UE::Host::FWorldDebugLines::Clear(*World);
	}
}
