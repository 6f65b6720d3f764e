#pragma once

#include "CoreTypes.h"
#include "Containers/UnrealString.h"
#include "UObject/NameTypes.h"
#include "UObject/ObjectMacros.h"
#include "UObject/Script.h"
#include "Math/Vector.h"

#include <new>
#include <type_traits>
#include <utility>
#include <vector>

class UObject;
class UPackage;
class UFunction;
class FField;
class FProperty;
class FObjectInitializer;

namespace UE::Host
{
	// Key-value metadata of a reflected type, function or parameter (what the editor shows and searches).
	class FMetaData
	{
	public:
		const FString* Find(const TCHAR* Key) const;
		// The value, or an empty string when the key is absent.
		const FString& Get(const TCHAR* Key) const;
		void Set(const TCHAR* Key, FString&& Value);

	private:
		std::vector<std::pair<FName, FString>> Entries;
	};
}

// What every reflected type and function has: the metadata the editor shows and searches.
class UField
{
public:
#if WITH_EDITOR
	bool HasMetaData(const TCHAR* Key) const
	{
		return MetaData.Find(Key) != nullptr;
	}
	const FString& GetMetaData(const TCHAR* Key) const
	{
		return MetaData.Get(Key);
	}
	void SetMetaData(const TCHAR* Key, FString&& InValue)
	{
		MetaData.Set(Key, MoveTemp(InValue));
	}
#endif

private:
	UE::Host::FMetaData MetaData;
};

// A reflected type with members (a class, a struct or a function), and the package it belongs to.
class UStruct : public UField
{
public:
	UPackage* GetOuterUPackage() const { return Package; }
	void SetOuterUPackage(UPackage* InPackage) { Package = InPackage; }

private:
	UPackage* Package = nullptr;
};

// A native entry point registered by name, before the class's function records exist.
struct FNativeFunctionLookup
{
	FName Name;
	FNativeFuncPtr Pointer;
};

// A reflected class: its name (without the U/A prefix), its super class, and how to make an instance.
class UClass : public UStruct
{
public:
	using FConstructor = UObject* (*)(const FObjectInitializer&);

	UClass(const TCHAR* InPrefixedName, UClass* InSuperClass, FConstructor InConstructor);
	// With the reflected name given: the header tool knows it ("velmoraBPLibrary" for UvelmoraBPLibrary).
	UClass(const TCHAR* InPrefixedName, FName InName, UClass* InSuperClass, FConstructor InConstructor);

	FName GetFName() const { return Name; }
	FString GetName() const { return Name.ToString(); }
	// The C++ name, prefix included ("UStaticMesh").
	FString GetPrefixCPP() const { return PrefixedName.Left(1); }
	UClass* GetSuperClass() const { return SuperClass; }
	bool IsChildOf(const UClass* SomeBase) const;
	bool HasConstructor() const { return Constructor != nullptr; }
	UObject* Construct(const FObjectInitializer& Initializer) const { return Constructor(Initializer); }

	// Reflection, filled in by the class's generated registration.
	EClassFlags ClassFlags = CLASS_None;
	bool HasAnyClassFlags(EClassFlags Flags) const { return (ClassFlags & Flags) != CLASS_None; }
	// The class's functions, linked through UFunction::Next in the order they were added.
	UFunction* Children = nullptr;
	TArray<FNativeFunctionLookup> NativeFunctionLookupTable;

	void AddNativeFunction(const ANSICHAR* InName, FNativeFuncPtr InPointer);
	// Appends the function to the class's function list.
	void AddFunctionToFunctionMap(UFunction* Function, FName FuncName);
	UFunction* FindFunctionByName(FName InName) const;

	// "/Script/velmora.velmoraBPLibrary" for a class of the velmora module.
	FString GetPathName() const;

private:
	FString PrefixedName;
	FName Name;
	UClass* SuperClass;
	FConstructor Constructor;
};

namespace UE::Host
{
	// Where the initializer asks for the object to be built (null: fresh memory).
	void* GetPlacement(const FObjectInitializer& Initializer);

	template<typename T>
	UObject* ConstructObject(const FObjectInitializer& Initializer)
	{
		if constexpr (std::is_abstract_v<T>)
		{
			return nullptr;
		}
		else
		{
			// Rebuilding in place reuses the storage of a destroyed object of this very class.
			void* const Placement = GetPlacement(Initializer);
			if constexpr (std::is_constructible_v<T, const FObjectInitializer&>)
			{
				return Placement ? new (Placement) T(Initializer) : new T(Initializer);
			}
			else
			{
				return Placement ? new (Placement) T() : new T();
			}
		}
	}
}

// The class of T, as the header tool exports it for each reflected class.
template<class T>
UClass* StaticClass()
{
	return T::StaticClass();
}

// A reflected struct type: its name, size and how to construct, copy and destroy a value of it.
class UScriptStruct : public UStruct
{
public:
	template<typename T>
	static UScriptStruct* Make(const TCHAR* InCPPName)
	{
		return new UScriptStruct(
		    InCPPName, sizeof(T), alignof(T), [](void* Dest)
		    { new (Dest) T(); },
		    [](void* Dest)
		    { static_cast<T*>(Dest)->~T(); },
		    [](void* Dest, const void* Src)
		    { *static_cast<T*>(Dest) = *static_cast<const T*>(Src); });
	}

	UScriptStruct(const UScriptStruct&) = delete;
	UScriptStruct& operator=(const UScriptStruct&) = delete;

	// "Vector" for FVector.
	FName GetFName() const { return Name; }
	FString GetName() const { return Name.ToString(); }
	FString GetStructCPPName() const { return CPPName; }
	int32 GetStructureSize() const { return Size; }
	int32 GetMinAlignment() const { return Alignment; }
	void InitializeStruct(void* Dest) const { Initialize(Dest); }
	void DestroyStruct(void* Dest) const { Destroy(Dest); }
	void CopyScriptStruct(void* Dest, const void* Src) const { Copy(Dest, Src); }

	// The reflected members, linked through FField::Next in declaration order; filled in by the struct's
	// generated registration. Each sits at its C++ offset.
	FField* ChildProperties = nullptr;
	// Appends a member; the struct owns it.
	void AddProperty(FProperty* Property);
	FProperty* FindPropertyByName(FName InName) const;

	// "/Script/velmora.velmoraFitOptions" for a struct of the velmora module.
	FString GetPathName() const;

private:
	UScriptStruct(const TCHAR* InCPPName, int32 InSize, int32 InAlignment, void (*InInitialize)(void*), void (*InDestroy)(void*),
	              void (*InCopy)(void*, const void*));

	FString CPPName;
	FName Name;
	int32 Size;
	int32 Alignment;
	void (*Initialize)(void*);
	void (*Destroy)(void*);
	void (*Copy)(void*, const void*);
};

// The struct of T, as the header tool exports it for each reflected struct.
template<class T>
UScriptStruct* StaticStruct()
{
	return T::StaticStruct();
}

template<class T>
struct TBaseStructure;

template<>
struct TBaseStructure<FVector>
{
	static UScriptStruct* Get();
};

// A reflected function: flags, metadata, its parameters (linked through FField::Next, in declaration
// order, the return value last) and the native entry point that runs it.
class UFunction : public UStruct
{
public:
	UFunction(UClass* InOuter, FName InName, EFunctionFlags InFunctionFlags);
	~UFunction();
	UFunction(const UFunction&) = delete;
	UFunction& operator=(const UFunction&) = delete;

	FName GetFName() const { return Name; }
	FString GetName() const { return Name.ToString(); }
	UClass* GetOuterUClass() const { return Outer; }

	EFunctionFlags FunctionFlags;
	uint8 NumParms = 0;
	uint16 ParmsSize = 0;
	// MAX_uint16 when the function returns nothing.
	uint16 ReturnValueOffset = 0xFFFF;
	FField* ChildProperties = nullptr;
	// The next function of the same class.
	UFunction* Next = nullptr;

	bool HasAnyFunctionFlags(EFunctionFlags Flags) const { return (FunctionFlags & Flags) != FUNC_None; }
	bool HasAllFunctionFlags(EFunctionFlags Flags) const { return (FunctionFlags & Flags) == Flags; }

	// Appends a parameter; the function owns it.
	void AddParameter(FProperty* Parameter);
	// Lays the parameters out in one record, in order, each at its alignment.
	void StaticLink();
	FProperty* GetReturnProperty() const;

	// Finds the native entry point registered under this function's name in its class.
	void Bind();
	FNativeFuncPtr GetNativeFunc() const { return Func; }
	void SetNativeFunc(FNativeFuncPtr InFunc) { Func = InFunc; }
	// Runs the native entry point over Stack, writing any result to RESULT_PARAM.
	void Invoke(UObject* Obj, FFrame& Stack, RESULT_DECL);

private:
	UClass* Outer;
	FName Name;
	FNativeFuncPtr Func = nullptr;
};

// A name and a native entry point, as the header tool lists them per class.
struct FNameNativePtrPair
{
	const char* NameUTF8;
	FNativeFuncPtr Pointer;
};

struct FNativeFunctionRegistrar
{
	FNativeFunctionRegistrar(UClass* Class, const ANSICHAR* InName, FNativeFuncPtr InPointer) { RegisterFunction(Class, InName, InPointer); }

	static void RegisterFunction(UClass* Class, const ANSICHAR* InName, FNativeFuncPtr InPointer);
	// Registers the entry points in the order given.
	static void RegisterFunctions(UClass* Class, const FNameNativePtrPair* InArray, int32 NumFunctions);
};
