#pragma once

#include "CoreMinimal.h"
#include "Engine/NetSerialization.h"

class AActor;
class UPrimitiveComponent;

// What a trace found: where it hit, on what, and how far along the segment.
struct FHitResult
{
	// Index of the triangle hit on a complex (per-triangle) trace, else INDEX_NONE.
	int32 FaceIndex = INDEX_NONE;
	// Fraction of the segment from TraceStart to TraceEnd at the hit (1 when nothing was hit).
	float Time = 1.f;
	float Distance = 0.f;
	// Zero, as the engine's constructors clear the whole record (all but the ENoInit one).
	FVector_NetQuantize Location = FVector_NetQuantize(ForceInit);
	FVector_NetQuantize ImpactPoint = FVector_NetQuantize(ForceInit);
	FVector_NetQuantizeNormal Normal = FVector_NetQuantizeNormal(ForceInit);
	FVector_NetQuantizeNormal ImpactNormal = FVector_NetQuantizeNormal(ForceInit);
	FVector_NetQuantize TraceStart = FVector_NetQuantize(ForceInit);
	FVector_NetQuantize TraceEnd = FVector_NetQuantize(ForceInit);
	float PenetrationDepth = 0.f;
	int32 MyItem = INDEX_NONE;
	int32 Item = INDEX_NONE;
	uint8 ElementIndex = 0;
	// Cleared by every constructor: bit-fields take default member initializers only from C++20 on.
	uint8 bBlockingHit : 1;
	uint8 bStartPenetrating : 1;
	FName BoneName;
	FName MyBoneName;

	FHitResult()
	    : bBlockingHit(false), bStartPenetrating(false) {}
	explicit FHitResult(float InTime)
	    : Time(InTime), bBlockingHit(false), bStartPenetrating(false) {}
	explicit FHitResult(EForceInit)
	    : bBlockingHit(false), bStartPenetrating(false) {}
	// The engine leaves the record unset here: the vectors are unset (NaN in the host), the rest zero.
	explicit FHitResult(ENoInit)
	    : Location(), ImpactPoint(), Normal(), ImpactNormal(), TraceStart(), TraceEnd(), bBlockingHit(false), bStartPenetrating(false) {}
	FHitResult(FVector Start, FVector End)
	    : TraceStart(Start), TraceEnd(End), bBlockingHit(false), bStartPenetrating(false) {}
	FHitResult(AActor* InActor, UPrimitiveComponent* InComponent, FVector const& HitLoc, FVector const& HitNorm)
	    : bBlockingHit(false), bStartPenetrating(false)
	{
		Actor = InActor;
		Component = InComponent;
		Location = HitLoc;
		ImpactPoint = HitLoc;
		Normal = HitNorm;
		ImpactNormal = HitNorm;
	}

	void Init()
	{
		*this = FHitResult();
	}
	void Init(FVector Start, FVector End)
	{
		Init();
		TraceStart = Start;
		TraceEnd = End;
	}
	void Reset(float InTime = 1.f, bool bPreserveTraceData = true)
	{
		const FVector_NetQuantize SavedStart = TraceStart;
		const FVector_NetQuantize SavedEnd = TraceEnd;
		Init();
		Time = InTime;
		if (bPreserveTraceData)
		{
			TraceStart = SavedStart;
			TraceEnd = SavedEnd;
		}
	}

	AActor* GetActor() const { return Actor; }
	UPrimitiveComponent* GetComponent() const { return Component; }
	void SetActor(AActor* InActor) { Actor = InActor; }
	void SetComponent(UPrimitiveComponent* InComponent) { Component = InComponent; }
	bool IsValidBlockingHit() const { return bBlockingHit && !bStartPenetrating; }

private:
	AActor* Actor = nullptr;
	UPrimitiveComponent* Component = nullptr;
};
