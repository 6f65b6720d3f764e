#include "UObject/UObjectGlobals.h"

#include "Templates/Casts.h"
#include "Host/Objects.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

UClass::UClass(const TCHAR* InPrefixedName, UClass* InSuperClass, FConstructor InConstructor)
    : PrefixedName(InPrefixedName), SuperClass(InSuperClass), Constructor(InConstructor)
{
	// Reflected names drop the C++ prefix: UStaticMesh is the class "StaticMesh".
	const bool bPrefixed = PrefixedName.Len() > 1 && (PrefixedName[0] == u'U' || PrefixedName[0] == u'A') &&
	                       PrefixedName[1] >= u'A' && PrefixedName[1] <= u'Z';
	Name = FName(*(bPrefixed ? PrefixedName.Mid(1) : PrefixedName));
}

UClass::UClass(const TCHAR* InPrefixedName, FName InName, UClass* InSuperClass, FConstructor InConstructor)
    : PrefixedName(InPrefixedName), Name(InName), SuperClass(InSuperClass), Constructor(InConstructor)
{
}

bool UClass::IsChildOf(const UClass* SomeBase) const
{
	for (const UClass* Class = this; Class; Class = Class->SuperClass)
	{
		if (Class == SomeBase)
		{
			return true;
		}
	}
	return false;
}

DEFINE_LOG_CATEGORY_STATIC(LogUObjectGlobals, Log, All);

void* UE::Host::GetPlacement(const FObjectInitializer& Initializer)
{
	return Initializer.GetPlacement();
}

UClass* UObject::StaticClass()
{
	static UClass Class(TEXT("UObject"), nullptr, &::UE::Host::ConstructObject<UObject>);
	return &Class;
}

// Owns every object for the life of the process and finds them by outer and name.
class UObjectRegistry
{
public:
	static UObjectRegistry& Get()
	{
		static UObjectRegistry Registry;
		return Registry;
	}

	UObject* Construct(const UClass* Class, UObject* Outer, FName Name, EObjectFlags Flags)
	{
		check(Class && Class->HasConstructor());
		std::lock_guard Lock(Mutex);
		if (Name.IsNone())
		{
			Name = MakeUniqueName(Class, Outer);
		}
		const FKey Key{Outer, Name};
		if (const auto Existing = ByName.find(Key); Existing != ByName.end())
		{
			UObject* const Old = Existing->second;
			if (Old->GetClass() == Class)
			{
				// The engine destroys the old object and builds the new one in its memory.
				Old->~UObject();
				UObject* const Rebuilt = Class->Construct(FObjectInitializer(Old));
				check(Rebuilt == Old);
				Stamp(Rebuilt, Class, Outer, Name, Flags);
				return Rebuilt;
			}
			// The host never collects garbage; a garbage object stands for one the engine has collected.
			if (!Old->IsGarbage())
			{
				const FString Message = FString::Printf(TEXT("Objects have the same fully qualified name but different paths.\n\tNew Object: %s %s.%s\n\tExisting Object: %s"),
				                                        *Class->GetName(), Outer ? *Outer->GetPathName() : TEXT(""), *Name.ToString(), *Old->GetFullName());
				UE_LOG(LogUObjectGlobals, Fatal, TEXT("%s"), *Message);
				checkf(false, "Objects have the same fully qualified name but different paths.");
			}
		}

		std::unique_ptr<UObject> Object(Class->Construct(FObjectInitializer()));
		check(Object != nullptr);
		Stamp(Object.get(), Class, Outer, Name, Flags);
		UObject* Raw = Object.get();
		Objects.push_back(std::move(Object));
		ByName[Key] = Raw;
		return Raw;
	}

	// Host-only: takes the object out of its name, as a deleted and collected asset is.
	void Forget(UObject* Object)
	{
		std::lock_guard Lock(Mutex);
		Object->MarkAsGarbage();
		const auto Found = ByName.find(FKey{Object->GetOuter(), Object->GetFName()});
		if (Found != ByName.end() && Found->second == Object)
		{
			ByName.erase(Found);
		}
	}

	int32 Num()
	{
		std::lock_guard Lock(Mutex);
		return static_cast<int32>(Objects.size());
	}

	UObject* Find(const UClass* Class, UObject* Outer, FName Name)
	{
		std::lock_guard Lock(Mutex);
		const auto Found = ByName.find(FKey{Outer, Name});
		if (Found == ByName.end() || Found->second->IsGarbage() || (Class && !Found->second->IsA(Class)))
		{
			return nullptr;
		}
		return Found->second;
	}

private:
	static void Stamp(UObject* Object, const UClass* Class, UObject* Outer, FName Name, EObjectFlags Flags)
	{
		Object->ClassPrivate = const_cast<UClass*>(Class);
		Object->OuterPrivate = Outer;
		Object->NamePrivate = Name;
		Object->FlagsPrivate = Flags;
	}

	struct FKey
	{
		UObject* Outer;
		FName Name;
		bool operator<(const FKey& Other) const
		{
			return Outer != Other.Outer ? Outer < Other.Outer : Name.GetComparisonIndex() < Other.Name.GetComparisonIndex();
		}
	};

	FName MakeUniqueName(const UClass* Class, UObject* Outer)
	{
		for (;;)
		{
			const FName Candidate(*FString::Printf(TEXT("%s_%d"), *Class->GetName(), NextSuffix++));
			if (!ByName.contains(FKey{Outer, Candidate}))
			{
				return Candidate;
			}
		}
	}

	std::mutex Mutex;
	std::vector<std::unique_ptr<UObject>> Objects;
	std::map<FKey, UObject*> ByName;
	int32 NextSuffix = 0;
};

FString UObjectBaseUtility::GetPathName() const
{
	const UObject* Outer = GetOuter();
	if (!Outer)
	{
		return GetName();
	}
	// Objects directly in a package are "Package.Object"; deeper ones are joined with ':' then '.'.
	const TCHAR* Separator = Outer->GetOuter() == nullptr ? TEXT(".") : TEXT(":");
	return Outer->GetPathName() + Separator + GetName();
}

FString UObjectBaseUtility::GetFullName() const
{
	return (GetClass() ? GetClass()->GetName() : FString(TEXT("None"))) + TEXT(" ") + GetPathName();
}

UPackage* UObjectBaseUtility::GetPackage() const
{
	const UObjectBaseUtility* Top = this;
	while (Top->GetOuter())
	{
		Top = Top->GetOuter();
	}
	return Cast<UPackage>(const_cast<UObject*>(static_cast<const UObject*>(Top)));
}

bool UObjectBaseUtility::MarkPackageDirty() const
{
	UPackage* Package = GetPackage();
	if (!Package || Package == GetTransientPackage() || HasAnyFlags(RF_Transient))
	{
		return false;
	}
	Package->SetDirtyFlag(true);
	return true;
}

namespace UE::Host
{
	UObject* StaticConstructObject(const UClass* Class, UObject* Outer, FName Name, EObjectFlags Flags)
	{
		return UObjectRegistry::Get().Construct(Class, Outer, Name, Flags);
	}

	UObject* StaticFindObject(const UClass* Class, UObject* Outer, FStringView Name)
	{
		return UObjectRegistry::Get().Find(Class, Outer, FName(Name, FNAME_Find));
	}
}

UPackage* GetTransientPackage()
{
	static UPackage* Transient = static_cast<UPackage*>(
	    UE::Host::StaticConstructObject(UPackage::StaticClass(), nullptr, FName(TEXT("/Engine/Transient")), RF_Transient));
	return Transient;
}

UPackage* FindPackage(UObject* InOuter, const TCHAR* PackageName)
{
	return static_cast<UPackage*>(UE::Host::StaticFindObject(UPackage::StaticClass(), InOuter, PackageName));
}

UPackage* CreatePackage(const TCHAR* PackageName)
{
	if (UPackage* Existing = FindPackage(nullptr, PackageName))
	{
		return Existing;
	}
	return static_cast<UPackage*>(UE::Host::StaticConstructObject(UPackage::StaticClass(), nullptr, FName(PackageName), RF_Public));
}

void Host::ForgetObject(UObject* Object)
{
	if (Object)
	{
		UObjectRegistry::Get().Forget(Object);
	}
}

int32 Host::GetNumObjects()
{
	return UObjectRegistry::Get().Num();
}
