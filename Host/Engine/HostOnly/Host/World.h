#pragma once

#include "CoreMinimal.h"
#include "Engine/World.h"

class AActor;
class UStaticMesh;
class UStaticMeshComponent;

namespace UE::Host
{
	// The one door to a world's debug lines, for DrawDebugLine and the host-only API below.
	class FWorldDebugLines
	{
	public:
		static void Add(const UWorld& World, const FDebugLine& Line) { Mutable(World).DebugLines.Add(Line); }
		static const TArray<FDebugLine>& Get(const UWorld& World) { return World.DebugLines; }
		static void Clear(const UWorld& World) { Mutable(World).DebugLines.Reset(); }
		static void RemovePersistent(const UWorld& World)
		{
			TArray<FDebugLine> Kept;
			for (const FDebugLine& Line : World.DebugLines)
			{
				if (!Line.bPersistentLines)
				{
					Kept.Add(Line);
				}
			}
			Mutable(World).DebugLines = MoveTemp(Kept);
		}

	private:
		// Drawing into a const world is what the engine's DrawDebugLine does too: lines are not world state.
		static UWorld& Mutable(const UWorld& World) { return const_cast<UWorld&>(World); }
	};
}

// Host-only: a world with actors and static mesh components, for tests, benchmarks and the command.
namespace Host
{
	using FDebugLine = UE::Host::FDebugLine;

	// A fresh, empty world in the transient package.
	UWorld* NewWorld();

	// An actor in World whose root is a scene component at Location.
	AActor* SpawnActor(UWorld* World, const FVector& Location = FVector::ZeroVector);
	// An actor in World without a root component: its location is the origin.
	AActor* SpawnActorWithoutRoot(UWorld* World);

	// A static mesh component of Owner showing Mesh at Placement, registered with the owner's world. It
	// becomes the owner's root when the owner has none.
	UStaticMeshComponent* AddStaticMeshComponent(AActor* Owner, UStaticMesh* Mesh, const FTransform& Placement = FTransform::Identity);

	// The debug lines drawn into World so far, oldest first.
	const TArray<FDebugLine>& GetDebugLines(const UWorld* World);
	void ClearDebugLines(UWorld* World);
}
