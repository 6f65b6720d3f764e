#include "UObject/Class.h"
#include "UObject/Package.h"
#include "UObject/UnrealType.h"

#include "Containers/StringConv.h"

const FString* UE::Host::FMetaData::Find(const TCHAR* Key) const
{
	const FName KeyName(Key, FNAME_Find);
	for (const std::pair<FName, FString>& Entry : Entries)
	{
		if (Entry.first == KeyName)
		{
			return &Entry.second;
		}
	}
	return nullptr;
}

const FString& UE::Host::FMetaData::Get(const TCHAR* Key) const
{
	static const FString Empty;
	const FString* Found = Find(Key);
	return Found ? *Found : Empty;
}

void UE::Host::FMetaData::Set(const TCHAR* Key, FString&& Value)
{
	const FName KeyName(Key);
	for (std::pair<FName, FString>& Entry : Entries)
	{
		if (Entry.first == KeyName)
		{
			Entry.second = MoveTemp(Value);
			return;
		}
	}
	Entries.emplace_back(KeyName, MoveTemp(Value));
}

void UClass::AddNativeFunction(const ANSICHAR* InName, FNativeFuncPtr InPointer)
{
	const FName Name(InName);
	for (int32 Index = 0; Index < NativeFunctionLookupTable.Num(); ++Index)
	{
		if (NativeFunctionLookupTable[Index].Name == Name)
		{
			NativeFunctionLookupTable[Index].Pointer = InPointer;
			return;
		}
	}
	NativeFunctionLookupTable.Add({Name, InPointer});
}

void UClass::AddFunctionToFunctionMap(UFunction* Function, FName FuncName)
{
	check(Function != nullptr && Function->GetOuterUClass() == this && Function->GetFName() == FuncName);
	check(FindFunctionByName(FuncName) == nullptr);
	UFunction** Link = &Children;
	while (*Link)
	{
		Link = &(*Link)->Next;
	}
	*Link = Function;
}

UFunction* UClass::FindFunctionByName(FName InName) const
{
	for (UFunction* Function = Children; Function; Function = Function->Next)
	{
		if (Function->GetFName() == InName)
		{
			return Function;
		}
	}
	return SuperClass ? SuperClass->FindFunctionByName(InName) : nullptr;
}

FString UClass::GetPathName() const
{
	return GetOuterUPackage() ? GetOuterUPackage()->GetName() + TEXT(".") + GetName() : GetName();
}

UScriptStruct::UScriptStruct(const TCHAR* InCPPName, int32 InSize, int32 InAlignment, void (*InInitialize)(void*), void (*InDestroy)(void*),
                             void (*InCopy)(void*, const void*))
    : CPPName(InCPPName), Size(InSize), Alignment(InAlignment), Initialize(InInitialize), Destroy(InDestroy), Copy(InCopy)
{
	// Reflected struct names drop the F prefix, as class names drop theirs.
	Name = FName(*(CPPName.StartsWith(TEXT("F"), ESearchCase::CaseSensitive) ? CPPName.Mid(1) : CPPName));
}

void UScriptStruct::AddProperty(FProperty* Property)
{
	check(Property != nullptr && Property->Next == nullptr);
	check(Property->GetOffset_ForInternal() >= 0 && Property->GetOffset_ForInternal() + Property->GetSize() <= Size);
	FField** Link = &ChildProperties;
	while (*Link)
	{
		Link = &(*Link)->Next;
	}
	*Link = Property;
}

FProperty* UScriptStruct::FindPropertyByName(FName InName) const
{
	for (FField* Field = ChildProperties; Field; Field = Field->Next)
	{
		if (Field->GetFName() == InName)
		{
			return CastField<FProperty>(Field);
		}
	}
	return nullptr;
}

FString UScriptStruct::GetPathName() const
{
	return GetOuterUPackage() ? GetOuterUPackage()->GetName() + TEXT(".") + GetName() : GetName();
}

UScriptStruct* TBaseStructure<FVector>::Get()
{
	static UScriptStruct* const Struct = UScriptStruct::Make<FVector>(TEXT("FVector"));
	return Struct;
}

UFunction::UFunction(UClass* InOuter, FName InName, EFunctionFlags InFunctionFlags)
    : FunctionFlags(InFunctionFlags), Outer(InOuter), Name(InName)
{
}

UFunction::~UFunction()
{
	while (ChildProperties)
	{
		FField* Field = ChildProperties;
		ChildProperties = Field->Next;
		delete Field;
	}
}

void UFunction::AddParameter(FProperty* Parameter)
{
	check(Parameter != nullptr && Parameter->Next == nullptr);
	FField** Link = &ChildProperties;
	while (*Link)
	{
		Link = &(*Link)->Next;
	}
	*Link = Parameter;
}

void UFunction::StaticLink()
{
	int32 Offset = 0;
	int32 Count = 0;
	ReturnValueOffset = 0xFFFF;
	for (FField* Field = ChildProperties; Field; Field = Field->Next)
	{
		FProperty* Property = CastField<FProperty>(Field);
		const int32 Alignment = Property->GetMinAlignment();
		Offset = (Offset + Alignment - 1) / Alignment * Alignment;
		Property->SetOffset_Internal(Offset);
		if (Property->HasAnyPropertyFlags(CPF_ReturnParm))
		{
			ReturnValueOffset = static_cast<uint16>(Offset);
		}
		Offset += Property->GetSize();
		++Count;
	}
	check(Count <= 255 && Offset <= 0xFFFF);
	NumParms = static_cast<uint8>(Count);
	ParmsSize = static_cast<uint16>(Offset);
}

FProperty* UFunction::GetReturnProperty() const
{
	for (FField* Field = ChildProperties; Field; Field = Field->Next)
	{
		FProperty* Property = CastField<FProperty>(Field);
		if (Property && Property->HasAnyPropertyFlags(CPF_ReturnParm))
		{
			return Property;
		}
	}
	return nullptr;
}

void UFunction::Bind()
{
	Func = nullptr;
	const TArray<FNativeFunctionLookup>& Table = Outer->NativeFunctionLookupTable;
	for (int32 Index = 0; Index < Table.Num(); ++Index)
	{
		if (Table[Index].Name == Name)
		{
			Func = Table[Index].Pointer;
			return;
		}
	}
}

void UFunction::Invoke(UObject* Obj, FFrame& Stack, RESULT_DECL)
{
	checkf(Func != nullptr, TEXT("Function has no native entry point"));
	Func(Obj, Stack, RESULT_PARAM);
}

void FNativeFunctionRegistrar::RegisterFunction(UClass* Class, const ANSICHAR* InName, FNativeFuncPtr InPointer)
{
	Class->AddNativeFunction(InName, InPointer);
}

void FNativeFunctionRegistrar::RegisterFunctions(UClass* Class, const FNameNativePtrPair* InArray, int32 NumFunctions)
{
	for (int32 Index = 0; Index < NumFunctions; ++Index)
	{
		Class->AddNativeFunction(InArray[Index].NameUTF8, InArray[Index].Pointer);
	}
}
