#pragma once

#include "UObject/Object.h"

// A package: the outermost object that assets live in, named by its long package name.
class UPackage : public UObject
{
	DECLARE_HOST_CLASS(UPackage, UObject)

public:
	UPackage() = default;
	explicit UPackage(const FObjectInitializer&) {}

	// Loads what the package holds on disk, once; the host keeps nothing on disk, so only the state changes.
	void FullyLoad() { bFullyLoaded = true; }
	bool IsFullyLoaded() const { return bFullyLoaded; }

	bool SetDirtyFlag(bool bIsDirty)
	{
		bDirty = bIsDirty;
		return true;
	}
	bool IsDirty() const { return bDirty; }

private:
	bool bFullyLoaded = false;
	bool bDirty = false;
};
