#include "Components/ActorComponent.h"
#include "Components/PrimitiveComponent.h"
#include "Components/SceneComponent.h"
#include "CollisionQueryParams.h"
#include "Engine/World.h"
#include "GameFramework/Actor.h"
#include "Templates/Casts.h"

namespace
{
	UWorld* FindOuterWorld(const UObject* Object)
	{
		for (UObject* Outer = Object->GetOuter(); Outer; Outer = Outer->GetOuter())
		{
			if (UWorld* World = Cast<UWorld>(Outer))
			{
				return World;
			}
		}
		return nullptr;
	}
}

UWorld* AActor::GetWorld() const
{
	return FindOuterWorld(this);
}

AActor* UActorComponent::GetOwner() const
{
	for (UObject* Outer = GetOuter(); Outer; Outer = Outer->GetOuter())
	{
		if (AActor* Actor = Cast<AActor>(Outer))
		{
			return Actor;
		}
	}
	return nullptr;
}

UWorld* UActorComponent::GetWorld_Uncached() const
{
	if (const AActor* Owner = GetOwner())
	{
		return Owner->GetWorld();
	}
	return FindOuterWorld(this);
}

void UActorComponent::RegisterComponent()
{
	RegisterComponentWithWorld(GetWorld_Uncached());
}

void UActorComponent::RegisterComponentWithWorld(UWorld* InWorld)
{
	WorldPrivate = InWorld;
}

void USceneComponent::SetWorldLocation(FVector NewLocation, bool, FHitResult*, ETeleportType)
{
	ComponentToWorld.SetTranslation(NewLocation);
	OnTransformChanged();
}

void USceneComponent::SetWorldRotation(FRotator NewRotation, bool bSweep, FHitResult* OutSweepHitResult, ETeleportType Teleport)
{
	SetWorldRotation(NewRotation.Quaternion(), bSweep, OutSweepHitResult, Teleport);
}

void USceneComponent::SetWorldRotation(const FQuat& NewRotation, bool, FHitResult*, ETeleportType)
{
	ComponentToWorld.SetRotation(NewRotation.GetNormalized());
	OnTransformChanged();
}

void USceneComponent::SetWorldScale3D(FVector NewScale)
{
	ComponentToWorld.SetScale3D(NewScale);
	OnTransformChanged();
}

void USceneComponent::SetWorldTransform(const FTransform& NewTransform, bool, FHitResult*, ETeleportType)
{
	ComponentToWorld = FTransform(NewTransform.GetRotation().GetNormalized(), NewTransform.GetTranslation(), NewTransform.GetScale3D());
	OnTransformChanged();
}

void USceneComponent::SetWorldLocationAndRotation(FVector NewLocation, FRotator NewRotation, bool bSweep, FHitResult* OutSweepHitResult, ETeleportType Teleport)
{
	SetWorldLocation(NewLocation, bSweep, OutSweepHitResult, Teleport);
	SetWorldRotation(NewRotation, bSweep, OutSweepHitResult, Teleport);
}

ECollisionEnabled::Type UPrimitiveComponent::GetCollisionEnabled() const
{
	const AActor* Owner = GetOwner();
	if (Owner && !Owner->GetActorEnableCollision())
	{
		return ECollisionEnabled::NoCollision;
	}
	return CollisionEnabled;
}

bool UPrimitiveComponent::LineTraceComponent(FHitResult& OutHit, const FVector Start, const FVector End, const FCollisionQueryParams& Params)
{
	OutHit = FHitResult(Start, End);
	return false;
}

bool UPrimitiveComponent::LineTraceComponent(FHitResult& OutHit, const FVector Start, const FVector End, ECollisionChannel TraceChannel,
                                             const FCollisionQueryParams& Params, const FCollisionResponseParams& ResponseParams, const FCollisionObjectQueryParams& ObjectParams)
{
	// Every channel blocks in the host, so the channel form traces as the plain one does.
	return LineTraceComponent(OutHit, Start, End, Params);
}

FCollisionQueryParams FCollisionQueryParams::DefaultQueryParam(NAME_None, false, nullptr);
FCollisionResponseParams FCollisionResponseParams::DefaultResponseParam;
FCollisionObjectQueryParams FCollisionObjectQueryParams::DefaultObjectQueryParam;
