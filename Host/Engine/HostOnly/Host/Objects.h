#pragma once

#include "CoreMinimal.h"

// Host-only view of the object system.
namespace Host
{
	// How many objects have been created in the process (the host never frees one), so tests can see
	// that a call created none.
	int32 GetNumObjects();
	// Marks the object as garbage and frees its name, as the engine's garbage collection would.
	void ForgetObject(UObject* Object);
}
