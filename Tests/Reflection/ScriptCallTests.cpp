#include "CheckedGroomWrites.h"
#include "ReflectionTestHelpers.h"

#include "Engine/Blueprint.h"
#include "Engine/StaticMesh.h"
#include "Host/Log.h"
#include "Host/ScriptCall.h"
#include "ProbeLibrary.h"
#include "UObject/UObjectGlobals.h"
#include "velmoraBPLibrary.h"
#include "TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace VelmoraTests;

namespace
{
	UFunction* Reflected(UClass* Class, const TCHAR* Name)
	{
		UFunction* Found = Class->FindFunctionByName(Name);
		EXPECT_NE(Found, nullptr);
		return Found;
	}

	FString CallGetCallstack()
	{
		UFunction* const Function = Reflected(UvelmoraBPLibrary::StaticClass(), TEXT("GetCallstack"));
		Host::FScriptCallParams Params(Function);
		Host::CallFunction(nullptr, Function, Params);
		return Params.GetReturnValue<FString>();
	}

	const char* const Placeholder = "\t[Empty] (FFrame::GetScriptCallstack() called from native code)";
}

TEST(ScriptCall, ArgumentsArriveUnchangedAndStayTheCallers)
{
	UBlueprint* const Owner = NewObject<UBlueprint>(GetTransientPackage());
	UStaticMesh* const Mesh = NewObject<UStaticMesh>(GetTransientPackage());
	const FVector Where(1.5, -2.25, 1e300);
	const FString First = UTF8_TO_TCHAR("/tmp/gro\xC3\xB6m source.abc");
	const FString Second;

	UFunction* const Record = Reflected(UProbeLibrary::StaticClass(), TEXT("Record"));
	Host::FScriptCallParams Params(Record);
	Params.Set(TEXT("Owner"), Owner);
	Params.Set(TEXT("Mesh"), Mesh);
	Params.Set(TEXT("Where"), Where);
	Params.Set(TEXT("First"), First);
	Params.Set(TEXT("Second"), Second);
	GProbeRecord = FProbeRecord();
	Host::CallFunction(nullptr, Record, Params);

	ASSERT_EQ(GProbeRecord.Calls, 1);
	EXPECT_EQ(GProbeRecord.Owner, Owner);
	EXPECT_EQ(GProbeRecord.Mesh, Mesh);
	EXPECT_EQ(GProbeRecord.Where, Where);
	EXPECT_TRUE(GProbeRecord.First.Equals(First));
	EXPECT_TRUE(GProbeRecord.Second.IsEmpty());

	// The callee changed its copies only.
	const FProperty* const FirstPin = FindPin(Record, TEXT("First"));
	EXPECT_TRUE(FirstPin->ContainerPtrToValuePtr<FString>(Params.GetData())->Equals(First));
	EXPECT_EQ(*FindPin(Record, TEXT("Where"))->ContainerPtrToValuePtr<FVector>(Params.GetData()), Where);
}

TEST(ScriptCall, ResultsLandInTheResultSlot)
{
	UFunction* const Join = Reflected(UProbeLibrary::StaticClass(), TEXT("Join"));
	EXPECT_TRUE(Join->HasAnyFunctionFlags(FUNC_BlueprintPure));
	EXPECT_EQ(Utf8(Join->GetMetaData(TEXT("DisplayName"))), "Join Texts");
	Host::FScriptCallParams JoinParams(Join);
	JoinParams.Set(TEXT("Left"), FString(TEXT("a")));
	JoinParams.Set(TEXT("Right"), FString(TEXT("b")));
	Host::CallFunction(nullptr, Join, JoinParams);
	EXPECT_EQ(Utf8(JoinParams.GetReturnValue<FString>()), "a|b");

	UStaticMesh* const Mesh = NewObject<UStaticMesh>(GetTransientPackage());
	UFunction* const Echo = Reflected(UProbeLibrary::StaticClass(), TEXT("Echo"));
	Host::FScriptCallParams EchoParams(Echo);
	EchoParams.Set(TEXT("Mesh"), Mesh);
	Host::CallFunction(nullptr, Echo, EchoParams);
	EXPECT_EQ(EchoParams.GetReturnValue<UStaticMesh*>(), Mesh);
}

TEST(ScriptCall, GetCallstackFromNativeCodeGivesThePlaceholder)
{
	EXPECT_EQ(Utf8(UvelmoraBPLibrary::GetCallstack()), Placeholder);
	// A node call outside any graph has no script frame either.
	EXPECT_EQ(Utf8(CallGetCallstack()), Placeholder);
	EXPECT_TRUE(FFrame::GetScriptCallstack(true).IsEmpty());
}

TEST(ScriptCall, GetCallstackListsTheGraphsLeadingToTheNode)
{
	Host::FScopedBlueprintGraph Outer(TEXT("BP_GroomTools_C"), TEXT("ExecuteUbergraph_BP_GroomTools"));
	{
		Host::FScopedBlueprintGraph Inner(TEXT("BP_GroomTools_C"), TEXT("FitAll"));
		const std::string Expected = "\tBP_GroomTools_C.FitAll <---\n\tBP_GroomTools_C.ExecuteUbergraph_BP_GroomTools\n";
		EXPECT_EQ(Utf8(CallGetCallstack()), Expected);
		EXPECT_EQ(Utf8(UvelmoraBPLibrary::GetCallstack()), Expected);
		EXPECT_EQ(Utf8(FFrame::GetScriptCallstack(false, true)), "\tBP_GroomTools_C.FitAll\n");
	}
	EXPECT_EQ(Utf8(CallGetCallstack()), "\tBP_GroomTools_C.ExecuteUbergraph_BP_GroomTools\n");
}

TEST(ScriptCall, ConversionOfNoMeshGivesTheSameResultBothWays)
{
	UFunction* const Convert = Reflected(UvelmoraBPLibrary::StaticClass(), TEXT("SkeletalMeshToStaticMesh"));
	Host::FScopedLogCapture ScriptLog;
	Host::FScriptCallParams Params(Convert);
	Params.Set(TEXT("head"), nullptr);
	Host::CallFunction(nullptr, Convert, Params);
	const std::vector<std::string> ScriptLines = ScriptLog.Formatted();
	ScriptLog.Clear();

	UStaticMesh* const Direct = UvelmoraBPLibrary::SkeletalMeshToStaticMesh(nullptr);
	EXPECT_EQ(Params.GetReturnValue<UStaticMesh*>(), Direct);
	EXPECT_EQ(Direct, nullptr);
	EXPECT_EQ(ScriptLog.Formatted(), ScriptLines);
}

TEST(ScriptCall, FitWithoutASourceActorLogsTheSameBothWays)
{
	const std::filesystem::path Dir = VelmoraTest::MakeTempDir("script_call");
	const FString Source = UTF8_TO_TCHAR((Dir / "missing.abc").string().c_str());
	const FString Target = UTF8_TO_TCHAR((Dir / "fitted.abc").string().c_str());

	UFunction* const Fit = Reflected(UvelmoraBPLibrary::StaticClass(), TEXT("FitGroomToStaticMesh"));
	Host::FScopedLogCapture Log;
	{
		Host::FScriptCallParams Params(Fit);
		Params.Set(TEXT("source"), nullptr);
		Params.Set(TEXT("TheComp"), nullptr);
		Params.Set(TEXT("origin"), FVector(0, 0, 0));
		Params.Set(TEXT("sourceAlmbicPath"), Source);
		Params.Set(TEXT("targetAlembicPath"), Target);
		Host::CallFunction(nullptr, Fit, Params);
	}
	const std::vector<std::string> ScriptLines = Log.Formatted();
	Log.Clear();

	CheckedGroom::FitGroomToStaticMesh(nullptr, nullptr, FVector(0, 0, 0), Source, Target);
	EXPECT_EQ(Log.Formatted(), ScriptLines);
	std::filesystem::remove_all(Dir);
}
