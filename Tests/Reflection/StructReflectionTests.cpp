// Reflected structs and struct pins, checked on the probe library so they are independent of the plugin.
#include "ReflectionTestHelpers.h"

#include "Host/ScriptCall.h"
#include "ProbeLibrary.h"

#include <gtest/gtest.h>

#include <cstddef>

using namespace VelmoraTests;

namespace
{
	std::vector<std::string> Members(const UScriptStruct* Struct)
	{
		std::vector<std::string> Result;
		for (TFieldIterator<FProperty> It(Struct); It; ++It)
		{
			Result.push_back(Utf8(It->GetName()) + ": " + Utf8(It->GetCPPType()));
		}
		return Result;
	}

	// An input pin of a node: not the result, and either not an out parameter or passed by reference.
	bool IsInputPin(const FProperty* Pin)
	{
		return !Pin->HasAnyPropertyFlags(CPF_ReturnParm) && (!Pin->HasAnyPropertyFlags(CPF_OutParm) || Pin->HasAnyPropertyFlags(CPF_ReferenceParm));
	}
}

TEST(StructReflection, MembersAreRecordedInOrderAtTheirOffsetsWithTheirSpecifiers)
{
	UScriptStruct* const Struct = FProbeValues::StaticStruct();
	ASSERT_NE(Struct, nullptr);
	EXPECT_EQ(Struct, StaticStruct<FProbeValues>());
	EXPECT_EQ(Utf8(Struct->GetPathName()), "/Script/ProbeModule.ProbeValues");
	EXPECT_EQ(Utf8(Struct->GetStructCPPName()), "FProbeValues");
	EXPECT_EQ(Struct->GetStructureSize(), static_cast<int32>(sizeof(FProbeValues)));
	EXPECT_EQ(Utf8(Struct->GetMetaData(TEXT("BlueprintType"))), "true");
	EXPECT_EQ(Utf8(Struct->GetMetaData(TEXT("ModuleRelativePath"))), "Public/ProbeLibrary.h");

	EXPECT_EQ(Members(Struct), (std::vector<std::string>{"bFlag: bool", "Count: int32", "Big: int64", "Ratio: float", "Amount: double", "Where: FVector",
	                                                     "Text: FString", "Names: TArray<FString>"}));
	EXPECT_EQ(Utf8(CastField<FArrayProperty>(Struct->FindPropertyByName(TEXT("Names")))->Inner->GetCPPType()), "FString");
	EXPECT_EQ(Struct->FindPropertyByName(TEXT("Names"))->GetOffset_ForInternal(), static_cast<int32>(offsetof(FProbeValues, Names)));
	EXPECT_EQ(Struct->FindPropertyByName(TEXT("Hidden")), nullptr);
	EXPECT_EQ(Struct->FindPropertyByName(TEXT("Big"))->GetOffset_ForInternal(), static_cast<int32>(offsetof(FProbeValues, Big)));
	EXPECT_EQ(Struct->FindPropertyByName(TEXT("Text"))->GetOffset_ForInternal(), static_cast<int32>(offsetof(FProbeValues, Text)));
	for (TFieldIterator<FProperty> It(Struct); It; ++It)
	{
		SCOPED_TRACE(Utf8(It->GetName()));
		EXPECT_TRUE(It->HasAllPropertyFlags(CPF_Edit | CPF_BlueprintVisible | CPF_NativeAccessSpecifierPublic));
		EXPECT_FALSE(It->HasAnyPropertyFlags(CPF_Parm));
		EXPECT_EQ(It->HasAnyPropertyFlags(CPF_BlueprintReadOnly), It->GetFName() == FName(TEXT("Ratio")));
		EXPECT_EQ(Utf8(It->GetMetaData(TEXT("Category"))), "probe");
	}
	EXPECT_EQ(Utf8(Struct->FindPropertyByName(TEXT("Amount"))->GetMetaData(TEXT("ToolTip"))), "How much, in world units.");
	EXPECT_FALSE(Struct->FindPropertyByName(TEXT("Count"))->HasMetaData(TEXT("ToolTip")));

	// A value made through the record is the C++ default.
	std::vector<uint8> Storage(Struct->GetStructureSize() + 16);
	void* const Value = Storage.data() + (16 - reinterpret_cast<uintptr_t>(Storage.data()) % 16) % 16;
	Struct->InitializeStruct(Value);
	EXPECT_EQ(*Struct->FindPropertyByName(TEXT("Ratio"))->ContainerPtrToValuePtr<float>(Value), 0.5f);
	Struct->DestroyStruct(Value);
}

TEST(StructReflection, ConstReferenceIsAnInputPinAndTheStructResultAnOutput)
{
	UFunction* const Twice = UProbeLibrary::StaticClass()->FindFunctionByName(TEXT("Twice"));
	ASSERT_NE(Twice, nullptr);
	EXPECT_EQ(Pins(Twice), (std::vector<std::string>{"Values: FProbeValues", "Copy: FProbeValues", "ReturnValue: FProbeValues"}));
	EXPECT_TRUE(Twice->HasAllFunctionFlags(FUNC_HasOutParms | FUNC_HasDefaults | FUNC_BlueprintCallable));

	const FProperty* const Values = FindPin(Twice, TEXT("Values"));
	EXPECT_EQ(Values->PropertyFlags & ~CPF_NativeAccessSpecifierPublic, static_cast<EPropertyFlags>(0x08000182));
	EXPECT_TRUE(IsInputPin(Values));
	EXPECT_EQ(FindPin(Twice, TEXT("Copy"))->PropertyFlags & ~CPF_NativeAccessSpecifierPublic, CPF_Parm);
	EXPECT_TRUE(IsInputPin(FindPin(Twice, TEXT("Copy"))));
	const FProperty* const Result = Twice->GetReturnProperty();
	EXPECT_EQ(Result->PropertyFlags & ~CPF_NativeAccessSpecifierPublic, static_cast<EPropertyFlags>(0x580));
	EXPECT_FALSE(IsInputPin(Result));
	EXPECT_EQ(CastField<FStructProperty>(Values)->Struct, FProbeValues::StaticStruct());
	EXPECT_EQ(Twice->ReturnValueOffset, Result->GetOffset_ForInternal());
}

TEST(StructReflection, NodeReadsConstReferencesInPlaceCopiesValuesAndReturnsTheWholeStruct)
{
	UFunction* const Twice = UProbeLibrary::StaticClass()->FindFunctionByName(TEXT("Twice"));
	FProbeValues In;
	In.bFlag = true;
	In.Count = 21;
	In.Big = int64(1) << 40;
	In.Ratio = 1.25f;
	In.Amount = -3.5;
	In.Where = FVector(1, 2, 3);
	In.Text = TEXT("ab");
	In.Names = {TEXT("x"), TEXT("y")};
	FProbeValues Copy;
	Copy.Count = 7;

	Host::FScriptCallParams Params(Twice);
	Params.Set(TEXT("Values"), In);
	Params.Set(TEXT("Copy"), Copy);
	GProbeRecord = FProbeRecord();
	Host::CallFunction(nullptr, Twice, Params);

	// The reference names the caller's value in the parameter record; the by-value argument is a copy.
	EXPECT_EQ(GProbeRecord.TwiceValues, FindPin(Twice, TEXT("Values"))->ContainerPtrToValuePtr<FProbeValues>(Params.GetData()));
	EXPECT_NE(GProbeRecord.TwiceCopy, FindPin(Twice, TEXT("Copy"))->ContainerPtrToValuePtr<FProbeValues>(Params.GetData()));

	const FProbeValues Out = Params.GetReturnValue<FProbeValues>();
	EXPECT_FALSE(Out.bFlag);
	EXPECT_EQ(Out.Count, 42);
	EXPECT_EQ(Out.Big, int64(1) << 41);
	EXPECT_EQ(Out.Ratio, 2.5f);
	EXPECT_EQ(Out.Amount, -7.0);
	EXPECT_EQ(Out.Where, FVector(2, 4, 6));
	EXPECT_EQ(Utf8(Out.Text), "abab");
	ASSERT_EQ(Out.Names.Num(), 4);
	EXPECT_EQ(Utf8(Out.Names[3]), "y");
	EXPECT_EQ(Out.Hidden, 7);
}
