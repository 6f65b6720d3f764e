#pragma once

#include "CoreMinimal.h"

class UWorld;

// Draws a line in the world's viewport: for one frame when LifeTime is negative and the line is not
// persistent, else for LifeTime seconds. The host keeps the lines in the world for inspection.
void DrawDebugLine(const UWorld* InWorld, FVector const& LineStart, FVector const& LineEnd, FColor const& Color,
                   bool bPersistentLines = false, float LifeTime = -1.f, uint8 DepthPriority = 0, float Thickness = 0.f);

// Removes the persistent lines of the world.
void FlushPersistentDebugLines(const UWorld* InWorld);
