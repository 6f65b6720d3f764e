#pragma once

#include "UObject/Object.h"
#include "UObject/Package.h"

class FObjectInstancingGraph;

namespace UE::Host
{
	// Creates an object of Class in Outer; an existing object of that name there is marked garbage and
	// replaced, as the engine reuses the name. NAME_None makes a unique name from the class name.
	UObject* StaticConstructObject(const UClass* Class, UObject* Outer, FName Name, EObjectFlags Flags);
	UObject* StaticFindObject(const UClass* Class, UObject* Outer, FStringView Name);
}

UPackage* GetTransientPackage();
inline UObject* GetTransientPackageAsObject()
{
	return GetTransientPackage();
}

// Finds the package of that long name, or creates it.
UPackage* CreatePackage(const TCHAR* PackageName);
UPackage* FindPackage(UObject* InOuter, const TCHAR* PackageName);

template<class T>
T* NewObject(UObject* Outer = GetTransientPackageAsObject())
{
	return static_cast<T*>(UE::Host::StaticConstructObject(T::StaticClass(), Outer, NAME_None, RF_NoFlags));
}

template<class T>
T* NewObject(UObject* Outer, FName Name, EObjectFlags Flags = RF_NoFlags, UObject* Template = nullptr,
             bool bCopyTransientsFromClassDefaults = false, FObjectInstancingGraph* InInstanceGraph = nullptr,
             UPackage* InExternalPackage = nullptr)
{
	return static_cast<T*>(UE::Host::StaticConstructObject(T::StaticClass(), Outer, Name, Flags));
}

template<class T>
T* NewObject(UObject* Outer, const UClass* Class, FName Name = NAME_None, EObjectFlags Flags = RF_NoFlags,
             UObject* Template = nullptr, bool bCopyTransientsFromClassDefaults = false,
             FObjectInstancingGraph* InInstanceGraph = nullptr, UPackage* ExternalPackage = nullptr)
{
	check(Class && Class->IsChildOf(T::StaticClass()));
	return static_cast<T*>(UE::Host::StaticConstructObject(Class, Outer, Name, Flags));
}

template<class T>
T* FindObject(UObject* Outer, const TCHAR* Name)
{
	return static_cast<T*>(UE::Host::StaticFindObject(T::StaticClass(), Outer, Name));
}
