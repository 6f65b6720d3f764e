#pragma once

#include "CoreMinimal.h"

#include <vector>

// Host-only control of the plugins the engine's plugin manager knows about.
namespace Host
{
	struct FPluginState
	{
		FString Name;
		bool bEnabled = true;
	};

	// Replaces the known plugins. Until a test sets them, the manager knows only "velmora", enabled.
	void SetPlugins(const std::vector<FPluginState>& Plugins);
}
