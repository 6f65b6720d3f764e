#include "ReflectionTestHelpers.h"

#include "UObject/Package.h"
#include "UObject/UObjectGlobals.h"
#include "velmoraBPLibrary.h"

#include <gtest/gtest.h>

using namespace VelmoraTests;

UClass* Z_Construct_UClass_UvelmoraBPLibrary();
UClass* Z_Construct_UClass_UvelmoraBPLibrary_NoRegister();

namespace
{
	UFunction* Function(const TCHAR* Name)
	{
		UFunction* Found = UvelmoraBPLibrary::StaticClass()->FindFunctionByName(Name);
		EXPECT_NE(Found, nullptr) << Utf8(Name);
		return Found;
	}
}

TEST(BlueprintSurface, ClassIsRegisteredInTheEditorOnlyScriptPackage)
{
	UClass* const Class = UvelmoraBPLibrary::StaticClass();
	EXPECT_EQ(Class, Z_Construct_UClass_UvelmoraBPLibrary());
	EXPECT_EQ(Class, Z_Construct_UClass_UvelmoraBPLibrary_NoRegister());
	EXPECT_EQ(Class, StaticClass<UvelmoraBPLibrary>());

	EXPECT_EQ(Utf8(Class->GetName()), "velmoraBPLibrary");
	EXPECT_EQ(Class->GetSuperClass(), UBlueprintFunctionLibrary::StaticClass());
	ASSERT_NE(Class->GetOuterUPackage(), nullptr);
	EXPECT_EQ(Utf8(Class->GetPathName()), "/Script/velmora.velmoraBPLibrary");
	EXPECT_TRUE(Class->GetOuterUPackage()->HasAllPackageFlags(PKG_CompiledIn | PKG_EditorOnly));
	EXPECT_TRUE(Class->HasAnyClassFlags(CLASS_Native));
	EXPECT_FALSE(Class->HasAnyClassFlags(CLASS_Abstract));
	EXPECT_EQ(Utf8(Class->GetMetaData(TEXT("ModuleRelativePath"))), "Public/velmoraBPLibrary.h");
	EXPECT_EQ(Utf8(Class->GetMetaData(TEXT("IncludePath"))), "velmoraBPLibrary.h");
}

TEST(BlueprintSurface, ClassTooltipExplainsFunctionLibraries)
{
	const std::string ToolTip = Utf8(UvelmoraBPLibrary::StaticClass()->GetMetaData(TEXT("ToolTip")));
	for (const char* Word : {"static", "BlueprintPure", "BlueprintCallable", "DisplayName", "CompactNodeTitle", "Keywords", "Print String", "log", "Category"})
	{
		EXPECT_NE(ToolTip.find(Word), std::string::npos) << Word;
	}
	// The tooltip is the comment's text, without comment markers.
	EXPECT_EQ(ToolTip.find("/*"), std::string::npos);
	EXPECT_EQ(ToolTip.find("\n *"), std::string::npos);
}

TEST(BlueprintSurface, DefaultObjectIsALibrary)
{
	UObject* const Object = NewObject<UObject>(GetTransientPackage(), UvelmoraBPLibrary::StaticClass());
	ASSERT_NE(Object, nullptr);
	EXPECT_TRUE(Object->IsA(UBlueprintFunctionLibrary::StaticClass()));
}

TEST(BlueprintSurface, FunctionsAndNativesInAlphabeticalOrder)
{
	UClass* const Class = UvelmoraBPLibrary::StaticClass();
	const std::vector<std::string> Expected{"FitGroomToStaticMesh", "GetCallstack", "SkeletalMeshToStaticMesh"};
	EXPECT_EQ(FunctionNames(Class), Expected);

	ASSERT_EQ(Class->NativeFunctionLookupTable.Num(), 3);
	for (int32 Index = 0; Index < 3; ++Index)
	{
		const FNativeFunctionLookup& Native = Class->NativeFunctionLookupTable[Index];
		EXPECT_EQ(Utf8(Native.Name.ToString()), Expected[Index]);
		EXPECT_EQ(Function(*Native.Name.ToString())->GetNativeFunc(), Native.Pointer);
		EXPECT_NE(Native.Pointer, nullptr);
	}
}

TEST(BlueprintSurface, NodesCarryTheirNamesKeywordsAndCategory)
{
	const struct
	{
		const TCHAR* Name;
		const char* DisplayName;
		const char* Keywords;
	} Nodes[] = {
	    {TEXT("FitGroomToStaticMesh"), "FitGroomToStaticMesh", "velmora groom"},
	    {TEXT("GetCallstack"), "getCallstack", "velmora callstack"},
	    {TEXT("SkeletalMeshToStaticMesh"), "SkeletalMeshToStaticMesh", "velmora groom"},
	};
	for (const auto& Node : Nodes)
	{
		SCOPED_TRACE(Node.DisplayName);
		const UFunction* const Fn = Function(Node.Name);
		EXPECT_EQ(Utf8(Fn->GetMetaData(TEXT("DisplayName"))), Node.DisplayName);
		EXPECT_EQ(Utf8(Fn->GetMetaData(TEXT("Keywords"))), Node.Keywords);
		EXPECT_EQ(Utf8(Fn->GetMetaData(TEXT("Category"))), "velmora");
		EXPECT_EQ(Utf8(Fn->GetMetaData(TEXT("ModuleRelativePath"))), "Public/velmoraBPLibrary.h");
		EXPECT_FALSE(Fn->HasMetaData(TEXT("ToolTip")));
		EXPECT_FALSE(Fn->HasMetaData(TEXT("CompactNodeTitle")));

		EXPECT_TRUE(Fn->HasAllFunctionFlags(FUNC_Static | FUNC_Final | FUNC_Native | FUNC_Public | FUNC_BlueprintCallable));
		EXPECT_FALSE(Fn->HasAnyFunctionFlags(FUNC_BlueprintPure | FUNC_Private | FUNC_Protected | FUNC_Const | FUNC_Event));
		EXPECT_EQ(Fn->HasAnyFunctionFlags(FUNC_HasDefaults), Fn->GetFName() == FName(TEXT("FitGroomToStaticMesh")));
	}
}

TEST(BlueprintSurface, FitTakesFiveInputPinsInOrder)
{
	const UFunction* const Fit = Function(TEXT("FitGroomToStaticMesh"));
	EXPECT_EQ(Pins(Fit), (std::vector<std::string>{"source: AActor*", "TheComp: UStaticMeshComponent*", "origin: FVector",
	                                               "sourceAlmbicPath: FString", "targetAlembicPath: FString"}));
	EXPECT_EQ(Fit->GetReturnProperty(), nullptr);
	EXPECT_EQ(Fit->NumParms, 5);
	EXPECT_FALSE(Fit->HasAnyFunctionFlags(FUNC_HasOutParms));

	for (TFieldIterator<FProperty> It(Fit); It; ++It)
	{
		SCOPED_TRACE(Utf8(It->GetName()));
		EXPECT_TRUE(It->HasAllPropertyFlags(CPF_Parm | CPF_NativeAccessSpecifierPublic));
		EXPECT_FALSE(It->HasAnyPropertyFlags(CPF_OutParm | CPF_ReturnParm | CPF_ReferenceParm | CPF_ConstParm));
		const bool bIsComp = It->GetFName() == FName(TEXT("TheComp"));
		EXPECT_EQ(It->HasAnyPropertyFlags(CPF_InstancedReference), bIsComp);
		EXPECT_EQ(It->HasMetaData(TEXT("EditInline")), bIsComp);
	}
	EXPECT_EQ(Utf8(FindPin(Fit, TEXT("TheComp"))->GetMetaData(TEXT("EditInline"))), "true");

	const FStructProperty* const Origin = CastField<FStructProperty>(FindPin(Fit, TEXT("origin")));
	ASSERT_NE(Origin, nullptr);
	EXPECT_EQ(Origin->Struct, TBaseStructure<FVector>::Get());
	EXPECT_EQ(Origin->GetSize(), static_cast<int32>(3 * sizeof(double)));
	EXPECT_NE(CastField<FObjectProperty>(FindPin(Fit, TEXT("source"))), nullptr);
	EXPECT_NE(CastField<FStrProperty>(FindPin(Fit, TEXT("sourceAlmbicPath"))), nullptr);
}

TEST(BlueprintSurface, ResultsAreReturnValuePins)
{
	const UFunction* const GetCallstack = Function(TEXT("GetCallstack"));
	EXPECT_EQ(Pins(GetCallstack), std::vector<std::string>{"ReturnValue: FString"});

	const UFunction* const Convert = Function(TEXT("SkeletalMeshToStaticMesh"));
	EXPECT_EQ(Pins(Convert), (std::vector<std::string>{"head: USkeletalMesh*", "ReturnValue: UStaticMesh*"}));
	EXPECT_FALSE(FindPin(Convert, TEXT("head"))->HasAnyPropertyFlags(CPF_OutParm | CPF_InstancedReference));

	for (const UFunction* Fn : {GetCallstack, Convert})
	{
		const FProperty* const Return = Fn->GetReturnProperty();
		ASSERT_NE(Return, nullptr);
		EXPECT_EQ(Utf8(Return->GetName()), "ReturnValue");
		EXPECT_TRUE(Return->HasAllPropertyFlags(CPF_Parm | CPF_OutParm | CPF_ReturnParm));
		EXPECT_EQ(Fn->ReturnValueOffset, Return->GetOffset_ForInternal());
		EXPECT_TRUE(Fn->HasAnyFunctionFlags(FUNC_HasOutParms));
	}
}
