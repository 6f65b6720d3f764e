#include "DrawDebugHelpers.h"

#include "Engine/World.h"
#include "Host/World.h"

void DrawDebugLine(const UWorld* InWorld, FVector const& LineStart, FVector const& LineEnd, FColor const& Color,
                   bool bPersistentLines, float LifeTime, uint8 DepthPriority, float Thickness)
{
	// As in the engine, a line for no world is dropped.
	if (!InWorld)
	{
		return;
	}
	UE::Host::FWorldDebugLines::Add(*InWorld, UE::Host::FDebugLine{LineStart, LineEnd, Color, bPersistentLines, LifeTime, DepthPriority, Thickness});
}

void FlushPersistentDebugLines(const UWorld* InWorld)
{
	if (InWorld)
	{
		UE::Host::FWorldDebugLines::RemovePersistent(*InWorld);
	}
}
