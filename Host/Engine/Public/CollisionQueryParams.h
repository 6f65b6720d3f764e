#pragma once

#include "CoreMinimal.h"
#include "Stats/Stats.h"

class AActor;

// Names the query for the profiler and picks the (FName, TStatId, ...) constructor.
#define SCENE_QUERY_STAT(QueryName) FName(TEXT(#QueryName)), TStatId()

// How a trace or sweep runs: against simple or complex collision, which actors it ignores, what it returns.
struct FCollisionQueryParams
{
	FName TraceTag;
	FName OwnerTag;
	bool bTraceComplex = false;
	bool bFindInitialOverlaps = true;
	bool bReturnFaceIndex = false;
	bool bReturnPhysicalMaterial = false;
	bool bIgnoreBlocks = false;
	bool bIgnoreTouches = false;

	static FCollisionQueryParams DefaultQueryParam;

	FCollisionQueryParams() = default;
	FCollisionQueryParams(FName InTraceTag, bool bInTraceComplex = false, const AActor* InIgnoreActor = NULL)
	    : TraceTag(InTraceTag), bTraceComplex(bInTraceComplex)
	{
		AddIgnoredActor(InIgnoreActor);
	}
	FCollisionQueryParams(FName InTraceTag, const TStatId& InStatId, bool bInTraceComplex = false, const AActor* InIgnoreActor = NULL)
	    : FCollisionQueryParams(InTraceTag, bInTraceComplex, InIgnoreActor)
	{
	}

	void AddIgnoredActor(const AActor* InIgnoreActor)
	{
		if (InIgnoreActor)
		{
			IgnoredActors.AddUnique(InIgnoreActor);
		}
	}
	void AddIgnoredActors(const TArray<const AActor*>& InIgnoreActors)
	{
		for (const AActor* Actor : InIgnoreActors)
		{
			AddIgnoredActor(Actor);
		}
	}
	void ClearIgnoredActors() { IgnoredActors.Reset(); }
	const TArray<const AActor*>& GetIgnoredActors() const { return IgnoredActors; }

private:
	TArray<const AActor*> IgnoredActors;
};

// Per-channel responses of a query; the host has no profiles, so every channel blocks.
struct FCollisionResponseParams
{
	static FCollisionResponseParams DefaultResponseParam;

	FCollisionResponseParams() = default;
};

// Which object types a query considers; the host has no object types of its own to filter.
struct FCollisionObjectQueryParams
{
	static FCollisionObjectQueryParams DefaultObjectQueryParam;

	FCollisionObjectQueryParams() = default;
};
