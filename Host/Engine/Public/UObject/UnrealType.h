#pragma once

#include "CoreMinimal.h"
#include "UObject/Class.h"
#include "UObject/ObjectMacros.h"
#include "Templates/Requires.h"

#include <new>
#include <type_traits>
#include <utility>
#include <vector>

// The class of a reflected field: its name and the class it derives from. Casts between fields walk
// this chain, not C++ RTTI, which the engine is built without.
class FFieldClass
{
public:
	FFieldClass(const TCHAR* InName, const FFieldClass* InSuperClass)
	    : Name(InName), SuperClass(InSuperClass) {}
	FFieldClass(const FFieldClass&) = delete;
	FFieldClass& operator=(const FFieldClass&) = delete;

	FName GetFName() const { return Name; }
	const FFieldClass* GetSuperClass() const { return SuperClass; }
	bool IsChildOf(const FFieldClass* Other) const
	{
		for (const FFieldClass* Class = this; Class; Class = Class->SuperClass)
		{
			if (Class == Other)
			{
				return true;
			}
		}
		return false;
	}

private:
	FName Name;
	const FFieldClass* SuperClass;
};

// Declares a field type's class record and its place in the hierarchy.
#define DECLARE_FIELD(TClass, TSuperClass)                             \
public:                                                                \
	using Super = TSuperClass;                                         \
	static FFieldClass* StaticClass()                                  \
	{                                                                  \
		static FFieldClass Class(TEXT(#TClass), Super::StaticClass()); \
		return &Class;                                                 \
	}                                                                  \
	virtual FFieldClass* GetClass() const override                     \
	{                                                                  \
		return StaticClass();                                          \
	}

// A reflected field that is not an object: in the host, the parameters of reflected functions.
class FField
{
public:
	explicit FField(FName InName)
	    : NamePrivate(InName) {}
	virtual ~FField() {}
	FField(const FField&) = delete;
	FField& operator=(const FField&) = delete;

	static FFieldClass* StaticClass()
	{
		static FFieldClass Class(TEXT("FField"), nullptr);
		return &Class;
	}
	virtual FFieldClass* GetClass() const { return StaticClass(); }
	template<typename FieldType>
	bool IsA() const
	{
		return GetClass()->IsChildOf(FieldType::StaticClass());
	}

	FName GetFName() const { return NamePrivate; }
	FString GetName() const { return NamePrivate.ToString(); }

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

	// The next field of the same owner.
	FField* Next = nullptr;

private:
	FName NamePrivate;
	UE::Host::FMetaData MetaData;
};

// A typed value slot: a parameter of a function, at an offset within the function's parameter record.
class FProperty : public FField
{
	DECLARE_FIELD(FProperty, FField)

public:
	FProperty(FName InName, EPropertyFlags InFlags, int32 InElementSize, int32 InAlignment)
	    : FField(InName), PropertyFlags(InFlags), ElementSize(InElementSize), Alignment(InAlignment)
	{
	}

	EPropertyFlags PropertyFlags;

	bool HasAnyPropertyFlags(EPropertyFlags Flags) const { return (PropertyFlags & Flags) != CPF_None; }
	bool HasAllPropertyFlags(EPropertyFlags Flags) const { return (PropertyFlags & Flags) == Flags; }
	int32 GetSize() const { return ElementSize; }
	int32 GetMinAlignment() const { return Alignment; }
	int32 GetOffset_ForInternal() const { return Offset_Internal; }
	void SetOffset_Internal(int32 NewOffset) { Offset_Internal = NewOffset; }

	template<typename ValueType>
	ValueType* ContainerPtrToValuePtr(void* ContainerPtr) const
	{
		return reinterpret_cast<ValueType*>(static_cast<uint8*>(ContainerPtr) + Offset_Internal);
	}

	// The C++ type as declared: "AActor*", "FVector", "FString".
	virtual FString GetCPPType() const = 0;

	virtual void InitializeValue(void* Dest) const = 0;
	virtual void DestroyValue(void* Dest) const = 0;
	virtual void CopyCompleteValue(void* Dest, const void* Src) const = 0;
	// Copies a parameter from a parameter record into a native entry point's local.
	void CopyCompleteValueToScriptVM(void* Dest, const void* Src) const { CopyCompleteValue(Dest, Src); }

private:
	int32 ElementSize;
	int32 Alignment;
	int32 Offset_Internal = 0;
};

// A property whose value is a C++ type T, constructed, copied and destroyed as T.
template<typename T>
class TPropertyValueOps : public FProperty
{
public:
	using TCppType = T;

	TPropertyValueOps(FName InName, EPropertyFlags InFlags)
	    : FProperty(InName, InFlags, sizeof(T), alignof(T)) {}

	static T GetDefaultPropertyValue() { return T(); }

	virtual void InitializeValue(void* Dest) const override { new (Dest) T(); }
	virtual void DestroyValue(void* Dest) const override { static_cast<T*>(Dest)->~T(); }
	virtual void CopyCompleteValue(void* Dest, const void* Src) const override { *static_cast<T*>(Dest) = *static_cast<const T*>(Src); }
};

// A pointer to an object of a reflected class, named by its C++ class name.
class FObjectProperty : public TPropertyValueOps<UObject*>
{
	DECLARE_FIELD(FObjectProperty, FProperty)

public:
	FObjectProperty(FName InName, EPropertyFlags InFlags, const TCHAR* InPropertyClassName)
	    : TPropertyValueOps(InName, InFlags), PropertyClassName(InPropertyClassName)
	{
	}

	virtual FString GetCPPType() const override { return PropertyClassName + TEXT("*"); }

	// "AActor" for a parameter of type AActor*.
	FString PropertyClassName;
};

// A reflected struct held by value.
class FStructProperty : public FProperty
{
	DECLARE_FIELD(FStructProperty, FProperty)

public:
	FStructProperty(FName InName, EPropertyFlags InFlags, UScriptStruct* InStruct)
	    : FProperty(InName, InFlags, InStruct->GetStructureSize(), InStruct->GetMinAlignment()), Struct(InStruct)
	{
	}

	virtual FString GetCPPType() const override { return Struct->GetStructCPPName(); }
	virtual void InitializeValue(void* Dest) const override { Struct->InitializeStruct(Dest); }
	virtual void DestroyValue(void* Dest) const override { Struct->DestroyStruct(Dest); }
	virtual void CopyCompleteValue(void* Dest, const void* Src) const override { Struct->CopyScriptStruct(Dest, Src); }

	UScriptStruct* Struct;
};

// An engine string.
class FStrProperty : public TPropertyValueOps<FString>
{
	DECLARE_FIELD(FStrProperty, FProperty)

public:
	using TPropertyValueOps::TPropertyValueOps;

	virtual FString GetCPPType() const override { return TEXT("FString"); }
};

// A native bool (not a bitfield).
class FBoolProperty : public TPropertyValueOps<bool>
{
	DECLARE_FIELD(FBoolProperty, FProperty)

public:
	using TPropertyValueOps::TPropertyValueOps;

	virtual FString GetCPPType() const override { return TEXT("bool"); }
};

class FIntProperty : public TPropertyValueOps<int32>
{
	DECLARE_FIELD(FIntProperty, FProperty)

public:
	using TPropertyValueOps::TPropertyValueOps;

	virtual FString GetCPPType() const override { return TEXT("int32"); }
};

class FInt64Property : public TPropertyValueOps<int64>
{
	DECLARE_FIELD(FInt64Property, FProperty)

public:
	using TPropertyValueOps::TPropertyValueOps;

	virtual FString GetCPPType() const override { return TEXT("int64"); }
};

class FFloatProperty : public TPropertyValueOps<float>
{
	DECLARE_FIELD(FFloatProperty, FProperty)

public:
	using TPropertyValueOps::TPropertyValueOps;

	virtual FString GetCPPType() const override { return TEXT("float"); }
};

class FDoubleProperty : public TPropertyValueOps<double>
{
	DECLARE_FIELD(FDoubleProperty, FProperty)

public:
	using TPropertyValueOps::TPropertyValueOps;

	virtual FString GetCPPType() const override { return TEXT("double"); }
};

// An array whose elements the inner property describes. The host's header tool records arrays of strings only.
class FArrayProperty : public TPropertyValueOps<TArray<FString>>
{
	DECLARE_FIELD(FArrayProperty, FProperty)

public:
	FArrayProperty(FName InName, EPropertyFlags InFlags, FProperty* InInner)
	    : TPropertyValueOps(InName, InFlags), Inner(InInner)
	{
	}

	virtual FString GetCPPType() const override { return TEXT("TArray<") + Inner->GetCPPType() + TEXT(">"); }

	FProperty* Inner;
};

// Null for a null field or one of another class.
template<typename FieldType>
FieldType* CastField(FField* Src)
{
	return Src && Src->IsA<std::remove_cv_t<FieldType>>() ? static_cast<FieldType*>(Src) : nullptr;
}

template<typename FieldType>
const FieldType* CastField(const FField* Src)
{
	return Src && Src->IsA<std::remove_cv_t<FieldType>>() ? static_cast<const FieldType*>(Src) : nullptr;
}

// Walks the fields of a reflected type in order: the functions of a class, the parameters of a function.
template<typename FieldType>
class TFieldIterator
{
public:
	template<typename IteratedType = FieldType UE_REQUIRES(std::is_same_v<IteratedType, UFunction>)>
	explicit TFieldIterator(const UClass* Class)
	{
		for (UFunction* Function = Class ? Class->Children : nullptr; Function; Function = Function->Next)
		{
			Fields.push_back(Function);
		}
	}

	template<typename IteratedType = FieldType UE_REQUIRES(std::is_base_of_v<FField, IteratedType>)>
	explicit TFieldIterator(const UFunction* Function)
	{
		AddFields(Function ? Function->ChildProperties : nullptr);
	}

	template<typename IteratedType = FieldType UE_REQUIRES(std::is_base_of_v<FField, IteratedType>)>
	explicit TFieldIterator(const UScriptStruct* Struct)
	{
		AddFields(Struct ? Struct->ChildProperties : nullptr);
	}

	explicit operator bool() const { return Index < Fields.size(); }
	TFieldIterator& operator++()
	{
		++Index;
		return *this;
	}
	FieldType* operator*() const { return Fields[Index]; }
	FieldType* operator->() const { return Fields[Index]; }

private:
	void AddFields(FField* First)
	{
		for (FField* Field = First; Field; Field = Field->Next)
		{
			if (FieldType* Typed = CastField<FieldType>(Field))
			{
				Fields.push_back(Typed);
			}
		}
	}

	std::vector<FieldType*> Fields;
	size_t Index = 0;
};
