#include "Components/StaticMeshComponent.h"

#include "CollisionQueryParams.h"
#include "ComplexCollision.h"
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
	const std::lock_guard<std::mutex> Lock(ComplexCollisionLock);
	ComplexCollision.reset();
	return true;
}

UBodySetup* UStaticMeshComponent::GetBodySetup()
{
	return StaticMesh ? StaticMesh->GetBodySetup() : nullptr;
}

const UE::Host::FComplexCollision* UStaticMeshComponent::GetComplexCollision(const FStaticMeshRenderData* RenderData)
{
	// Cooked once per mesh and render data revision. Traces run in the mesh's own space, so moving the
	// component never needs a new cook.
	const uint64 Revision = StaticMesh->GetRenderDataRevision();
	const std::lock_guard<std::mutex> Lock(ComplexCollisionLock);
	if (!ComplexCollision || !ComplexCollision->IsFor(StaticMesh, Revision))
	{
		ComplexCollision = std::make_unique<UE::Host::FComplexCollision>(RenderData, StaticMesh, Revision);
	}
	return ComplexCollision.get();
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
	const FStaticMeshRenderData* RenderData = StaticMesh->GetRenderDataIfBuilt();
	const UBodySetup* BodySetup = StaticMesh->GetBodySetupIfBuilt();
	if (!RenderData || !BodySetup || !BodySetup->bCreatedPhysicsMeshes)
	{
		return false;
	}
	// The host's meshes have no simple shapes: the triangles answer complex queries, and simple ones too
	// when they stand in for the simple collision.
	const ECollisionTraceFlag TraceFlag = BodySetup->GetCollisionTraceFlag();
	if (Params.bTraceComplex ? TraceFlag == CTF_UseSimpleAsComplex : TraceFlag != CTF_UseComplexAsSimple)
	{
		return false;
	}
	if (!IsFinite(Start) || !IsFinite(End) || (End - Start).Size() <= UE_KINDA_SMALL_NUMBER)
	{
		return false;
	}
	const FTransform& ToWorld = GetComponentTransform();
	const FVector Scale = ToWorld.GetScale3D();
	if (Scale.X == 0.0 || Scale.Y == 0.0 || Scale.Z == 0.0)
	{
		// A mesh squashed flat along an axis has no surface to cross.
		return false;
	}
	const UE::Host::FComplexCollision* Collision = GetComplexCollision(RenderData);
	// Most components are only moved, not turned or scaled: then the mesh's space is the world shifted.
	const bool bTranslationOnly = ToWorld.GetRotation() == FQuat::Identity && Scale == FVector::OneVector;
	const bool bCullBackFaces = !BodySetup->bDoubleSidedGeometry;
	UE::Host::FComplexCollision::FCrossing Crossing;
	const bool bCrossed = bTranslationOnly
	                          ? Collision->Trace(Start - ToWorld.GetTranslation(), End - ToWorld.GetTranslation(), bCullBackFaces, Crossing)
	                          : Collision->Trace(ToWorld.InverseTransformPosition(Start), ToWorld.InverseTransformPosition(End), bCullBackFaces, Crossing);
	if (!bCrossed)
	{
		return false;
	}

	const FVector Delta = End - Start;
	const FVector Point = Crossing.bOnTriangle ? ToWorld.TransformPosition(Crossing.Point) : Start + Delta * Crossing.Time;
	// Normals transform with the inverse scale; the one reported faces back along the trace.
	const FVector MeshNormal = Crossing.Normal;
	FVector Normal = bTranslationOnly
	                     ? MeshNormal.GetSafeNormal()
	                     : ToWorld.TransformVectorNoScale(FVector(MeshNormal.X / Scale.X, MeshNormal.Y / Scale.Y, MeshNormal.Z / Scale.Z)).GetSafeNormal();
	if ((Normal | Delta) > 0.0)
	{
		Normal = -Normal;
	}

	OutHit.bBlockingHit = true;
	OutHit.Time = static_cast<float>(Crossing.Time);
	OutHit.Distance = static_cast<float>(Delta.Size() * Crossing.Time);
	OutHit.Location = Point;
	OutHit.ImpactPoint = Point;
	OutHit.Normal = Normal;
	OutHit.ImpactNormal = Normal;
	OutHit.FaceIndex = Params.bReturnFaceIndex ? Collision->GetFaceIndex(Crossing) : INDEX_NONE;
	OutHit.SetComponent(this);
	OutHit.SetActor(GetOwner());
	return true;
}

bool UStaticMeshComponent::LineTraceComponent(FHitResult& OutHit, const FVector Start, const FVector End, ECollisionChannel TraceChannel,
                                              const FCollisionQueryParams& Params, const FCollisionResponseParams& ResponseParams, const FCollisionObjectQueryParams& ObjectParams)
{
	return LineTraceComponent(OutHit, Start, End, Params);
}
