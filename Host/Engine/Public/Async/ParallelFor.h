#pragma once

#include "CoreTypes.h"
#include "Misc/EnumClassFlags.h"
#include "Templates/Function.h"

enum class EParallelForFlags
{
	None = 0,
	ForceSingleThread = 1,
	Unbalanced = 2,
	PumpRenderingThread = 4,
	BackgroundPriority = 8,
};
ENUM_CLASS_FLAGS(EParallelForFlags)

// Runs Body(0) .. Body(Num - 1) on the calling thread and worker threads, and returns when every call
// has returned. The order of the calls is not defined; bodies must not depend on one another.
void ParallelFor(int32 Num, TFunctionRef<void(int32)> Body, EParallelForFlags Flags = EParallelForFlags::None);
void ParallelFor(int32 Num, TFunctionRef<void(int32)> Body, bool bForceSingleThread, bool bPumpRenderingThread = false);
void ParallelFor(const TCHAR* DebugName, int32 Num, int32 MinBatchSize, TFunctionRef<void(int32)> Body,
                 EParallelForFlags Flags = EParallelForFlags::None);
