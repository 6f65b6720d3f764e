#pragma once

#include "CoreTypes.h"
#include "Containers/UnrealString.h"
#include "UObject/NameTypes.h"

#include <type_traits>

class UObject;
class FObjectInitializer;

// A reflected class: its name (without the U/A prefix), its super class, and how to make an instance.
class UClass
{
public:
	using FConstructor = UObject* (*)(const FObjectInitializer&);

	UClass(const TCHAR* InPrefixedName, UClass* InSuperClass, FConstructor InConstructor);

	FName GetFName() const { return Name; }
	FString GetName() const { return Name.ToString(); }
	// The C++ name, prefix included ("UStaticMesh").
	FString GetPrefixCPP() const { return PrefixedName.Left(1); }
	UClass* GetSuperClass() const { return SuperClass; }
	bool IsChildOf(const UClass* SomeBase) const;
	bool HasConstructor() const { return Constructor != nullptr; }
	UObject* Construct(const FObjectInitializer& Initializer) const { return Constructor(Initializer); }

private:
	FString PrefixedName;
	FName Name;
	UClass* SuperClass;
	FConstructor Constructor;
};

namespace UE::Host
{
	template<typename T>
	UObject* ConstructObject(const FObjectInitializer& Initializer)
	{
		if constexpr (std::is_abstract_v<T>)
		{
			return nullptr;
		}
		else if constexpr (std::is_constructible_v<T, const FObjectInitializer&>)
		{
			return new T(Initializer);
		}
		else
		{
			return new T();
		}
	}
}
