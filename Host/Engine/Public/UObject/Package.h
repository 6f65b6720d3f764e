#pragma once

#include "UObject/Object.h"

// Flags of a package.
enum EPackageFlags : uint32
{
	PKG_None = 0x00000000,
	PKG_NewlyCreated = 0x00000001,
	PKG_CompiledIn = 0x00000010,
	PKG_EditorOnly = 0x00000040,
	PKG_Developer = 0x00000080,
	PKG_ContainsScript = 0x00200000,
};

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

	void SetPackageFlags(uint32 NewFlags) { PackageFlags |= NewFlags; }
	bool HasAnyPackageFlags(uint32 FlagsToCheck) const { return (PackageFlags & FlagsToCheck) != 0; }
	bool HasAllPackageFlags(uint32 FlagsToCheck) const { return (PackageFlags & FlagsToCheck) == FlagsToCheck; }
	uint32 GetPackageFlags() const { return PackageFlags; }

private:
	uint32 PackageFlags = PKG_None;
	bool bFullyLoaded = false;
	bool bDirty = false;
};
