#pragma once

#include "CoreMinimal.h"
#include "UObject/Class.h"
#include "UObject/ObjectMacros.h"

class UPackage;
class UWorld;

// Engine classes take it in their constructors. In the host it carries only where the object is to be
// built: null for fresh memory, or the storage of an object of the same class being rebuilt in place.
class FObjectInitializer
{
public:
	FObjectInitializer() = default;
	explicit FObjectInitializer(void* InPlacement)
	    : Placement(InPlacement) {}

	void* GetPlacement() const { return Placement; }

private:
	void* Placement = nullptr;
};

// Name, outer, flags and class of an object. Objects belong to the engine: the host keeps every object
// alive until the process ends. A new object under the name of one of the same class rebuilds that one
// in place, at the same address, as the engine does.
class UObjectBase
{
public:
	virtual ~UObjectBase() = default;

	UClass* GetClass() const { return ClassPrivate; }
	UObject* GetOuter() const { return OuterPrivate; }
	FName GetFName() const { return NamePrivate; }
	EObjectFlags GetFlags() const { return FlagsPrivate; }

protected:
	UObjectBase() = default;

private:
	friend class UObjectRegistry;
	UClass* ClassPrivate = nullptr;
	UObject* OuterPrivate = nullptr;
	FName NamePrivate;
	EObjectFlags FlagsPrivate = RF_NoFlags;
	bool bGarbage = false;

	friend class UObjectBaseUtility;
};

class UObjectBaseUtility : public UObjectBase
{
public:
	FString GetName() const { return GetFName().ToString(); }
	// "/Game/Generated/MyStaticMesh.MyStaticMesh" for an asset, the package name for a package.
	FString GetPathName() const;
	FString GetFullName() const;
	UPackage* GetPackage() const;
	UPackage* GetOutermost() const { return GetPackage(); }

	bool HasAnyFlags(EObjectFlags Flags) const { return (GetFlags() & Flags) != RF_NoFlags; }
	bool HasAllFlags(EObjectFlags Flags) const { return (GetFlags() & Flags) == Flags; }
	void SetFlags(EObjectFlags Flags) { FlagsPrivate |= Flags; }
	void ClearFlags(EObjectFlags Flags) { FlagsPrivate = FlagsPrivate & ~Flags; }

	void MarkAsGarbage() { bGarbage = true; }
	bool IsGarbage() const { return bGarbage; }
	bool IsA(const UClass* SomeBase) const { return GetClass() && GetClass()->IsChildOf(SomeBase); }
	template<typename T>
	bool IsA() const
	{
		return IsA(T::StaticClass());
	}

	// Marks the object's package dirty; false when the package may not be dirtied (the transient package).
	bool MarkPackageDirty() const;
};

class UObject : public UObjectBaseUtility
{
public:
	using Super = UObject;
	using ThisClass = UObject;
	static UClass* StaticClass();

	UObject() = default;
	explicit UObject(const FObjectInitializer&) {}

	virtual UWorld* GetWorld() const { return nullptr; }
#if WITH_EDITOR
	virtual void PostEditChange()
	{
	}
#endif
};

FORCEINLINE bool IsValid(const UObject* Test)
{
	return Test != nullptr && !Test->IsGarbage();
}
