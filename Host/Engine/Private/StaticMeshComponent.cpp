#include "Components/StaticMeshComponent.h"

#include "CollisionQueryParams.h"
#include "BodyCollision.h"
#include "Engine/StaticMesh.h"
#include "GameFramework/Actor.h"
#include "PhysicsEngine/BodySetup.h"

#include <cmath>

namespace
{
	bool IsFinite(const FVector& V)
	{
		return std::isfinite(V.X) && std::isfinite(V.Y) && std::isfinite(V.Z);
	}
}

UStaticMeshComponent::UStaticMeshComponent() = default;

UStaticMeshComponent::UStaticMeshComponent(const FObjectInitializer&)
{
}

UStaticMeshComponent::~UStaticMeshComponent() = default;

bool UStaticMeshComponent::SetStaticMesh(UStaticMesh* NewMesh)
{
	if (NewMesh == StaticMesh)
	{
		return false;
	}
	StaticMesh = NewMesh;
	return true;
}

UBodySetup* UStaticMeshComponent::GetBodySetup()
{
	return StaticMesh ? StaticMesh->GetBodySetup() : nullptr;
}

bool UStaticMeshComponent::LineTraceComponent(FHitResult& OutHit, const FVector Start, const FVector End, const FCollisionQueryParams& Params)
{
	OutHit = FHitResult(Start, End);
	// The trace goes through the component's body, which exists only while the component is registered
	// and its mesh is built with collision; the query's ignored actors play no part.
	if (!IsRegistered() || GetCollisionEnabled() == ECollisionEnabled::NoCollision || !StaticMesh)
	{
		return false;
	}
	const UBodySetup* BodySetup = StaticMesh->GetBodySetupIfBuilt();
	if (!BodySetup || !BodySetup->bCreatedPhysicsMeshes || !BodySetup->CookedCollision)
	{
		return false;
	}
	if (!IsFinite(Start) || !IsFinite(End) || (End - Start).Size() <= UE_KINDA_SMALL_NUMBER)
	{
		return false;
	}
	UE::Host::FBodyHit Hit;
	if (!BodySetup->CookedCollision->Trace(GetComponentTransform(), Start, End, Params.bTraceComplex, Hit))
	{
		return false;
	}

	OutHit.bBlockingHit = true;
	OutHit.bStartPenetrating = Hit.bStartPenetrating;
	OutHit.Time = static_cast<float>(Hit.Time);
	OutHit.Distance = static_cast<float>((End - Start).Size() * Hit.Time);
	OutHit.Location = Hit.Point;
	OutHit.ImpactPoint = Hit.Point;
	OutHit.Normal = Hit.Normal;
	OutHit.ImpactNormal = Hit.Normal;
	OutHit.FaceIndex = Params.bReturnFaceIndex ? Hit.FaceIndex : INDEX_NONE;
	OutHit.SetComponent(this);
	OutHit.SetActor(GetOwner());
	return true;
}

bool UStaticMeshComponent::LineTraceComponent(FHitResult& OutHit, const FVector Start, const FVector End, ECollisionChannel TraceChannel,
                                              const FCollisionQueryParams& Params, const FCollisionResponseParams& ResponseParams, const FCollisionObjectQueryParams& ObjectParams)
{
	return LineTraceComponent(OutHit, Start, End, Params);
}
