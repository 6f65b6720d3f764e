#pragma once

#include "CoreTypes.h"

// Identifies a profiler stat; the host keeps no stats.
struct TStatId
{
};

#define GET_STATID(Stat) (TStatId())
