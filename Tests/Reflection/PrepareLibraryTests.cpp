// The preparation node's reflected surface, and the node behaving as the direct call does.
#include "CheckedGroomWrites.h"
#include "ReflectionTestHelpers.h"

#include "Host/ScriptCall.h"
#include "TestPaths.h"
#include "alembicIO.h"
#include "velmoraFitBPLibrary.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace VelmoraTests;

namespace
{
	std::vector<std::string> PrepareMembers(const UScriptStruct* Struct)
	{
		std::vector<std::string> Result;
		for (TFieldIterator<FProperty> It(Struct); It; ++It)
		{
			Result.push_back(Utf8(It->GetName()) + ": " + Utf8(It->GetCPPType()));
		}
		return Result;
	}

	std::vector<std::string> Texts(const TArray<FString>& Lines)
	{
		std::vector<std::string> Result;
		for (const FString& Line : Lines)
		{
			Result.push_back(Utf8(Line));
		}
		return Result;
	}

	std::string Bytes(const std::filesystem::path& Path)
	{
		std::ifstream File(Path, std::ios::binary);
		return std::string(std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>());
	}
}

TEST(PrepareLibrarySurface, PrepareGroomTakesTwoPathsAndOptionsByConstReference)
{
	const UFunction* const Node = UvelmoraFitBPLibrary::StaticClass()->FindFunctionByName(TEXT("PrepareGroom"));
	ASSERT_NE(Node, nullptr);
	EXPECT_EQ(Pins(Node), (std::vector<std::string>{"sourceAlembicPath: FString", "targetAlembicPath: FString", "Options: FvelmoraPrepareOptions",
	                                                "ReturnValue: FvelmoraPrepareReport"}));
	EXPECT_TRUE(FindPin(Node, TEXT("Options"))->HasAllPropertyFlags(CPF_Parm | CPF_OutParm | CPF_ReferenceParm | CPF_ConstParm));
	EXPECT_EQ(Utf8(Node->GetMetaData(TEXT("Category"))), "velmora");
	EXPECT_NE(Utf8(Node->GetMetaData(TEXT("Keywords"))).find("velmora groom"), std::string::npos);
	EXPECT_TRUE(Node->HasAllFunctionFlags(FUNC_Static | FUNC_Native | FUNC_BlueprintCallable));

	EXPECT_EQ(PrepareMembers(FvelmoraPrepareOptions::StaticStruct()),
	          (std::vector<std::string>{"ObjectPaths: TArray<FString>", "Frame: int32", "bYUp: bool", "Scale: double", "bCenter: bool", "Translation: FVector"}));
	EXPECT_EQ(PrepareMembers(FvelmoraPrepareReport::StaticStruct()),
	          (std::vector<std::string>{"bSucceeded: bool", "Strands: int64", "Points: int64", "Colours: int64", "Normals: int64", "Widths: int64", "RootUVs: int64",
	                                    "ObjectsMerged: TArray<FString>", "Time: double", "BoundsMin: FVector", "BoundsMax: FVector", "Moved: FVector", "Done: TArray<FString>",
	                                    "Dropped: TArray<FString>", "Error: FString"}));
	for (UScriptStruct* Struct : {FvelmoraPrepareOptions::StaticStruct(), FvelmoraPrepareReport::StaticStruct()})
	{
		EXPECT_EQ(Utf8(Struct->GetMetaData(TEXT("BlueprintType"))), "true");
		for (TFieldIterator<FProperty> It(Struct); It; ++It)
		{
			EXPECT_TRUE(It->HasAllPropertyFlags(CPF_Edit | CPF_BlueprintVisible)) << Utf8(It->GetName());
		}
	}
	// A fresh options pin prepares every object at the first sample, as stored.
	const FvelmoraPrepareOptions Defaults;
	EXPECT_EQ(Defaults.ObjectPaths.Num(), 0);
	EXPECT_EQ(Defaults.Frame, 0);
	EXPECT_FALSE(Defaults.bYUp);
	EXPECT_EQ(Defaults.Scale, 1.0);
}

TEST(PrepareLibraryParity, PrepareNodeWritesAndReportsAsTheDirectCall)
{
	const std::filesystem::path Dir = VelmoraTest::MakeTempDir("prepare-node");
	GroomData Source;
	Source.positions = {0, 0, 0, 0, 0, 1, 1, 0, 0, 1, 0, 2};
	Source.vertexCounts = {2, 2};
	Source.groomColors = {1, 0, 0, 0, 1, 0};
	Source.surfaceNormals = {0, 0, 1, 0, 1, 0};
	CheckedGroom::WriteGroom((Dir / "source.abc").string(), Source);

	FvelmoraPrepareOptions Options;
	Options.ObjectPaths = {TEXT("/groom")};
	Options.bYUp = true;
	Options.Scale = 2.0;
	const FString SourcePath = UTF8_TO_TCHAR((Dir / "source.abc").string().c_str());
	FvelmoraPrepareReport ByNode;
	{
		UFunction* const Node = UvelmoraFitBPLibrary::StaticClass()->FindFunctionByName(TEXT("PrepareGroom"));
		Host::FScriptCallParams Params(Node);
		Params.Set(TEXT("sourceAlembicPath"), SourcePath);
		Params.Set(TEXT("targetAlembicPath"), FString(UTF8_TO_TCHAR((Dir / "node.abc").string().c_str())));
		Params.Set(TEXT("Options"), Options);
		const CheckedGroom::FGroomOutput Output((Dir / "node.abc").string());
		Host::CallFunction(nullptr, Node, Params);
		Output.ExpectImportsCleanlyIfWritten();
		ByNode = Params.GetReturnValue<FvelmoraPrepareReport>();
	}
	const FvelmoraPrepareReport Direct = CheckedGroom::PrepareGroom(SourcePath, UTF8_TO_TCHAR((Dir / "direct.abc").string().c_str()), Options);
	EXPECT_TRUE(ByNode.bSucceeded) << Utf8(ByNode.Error);
	EXPECT_EQ(ByNode.Strands, 2);
	// Each point gets its strand's colour.
	EXPECT_EQ(ByNode.Colours, 4);
	EXPECT_EQ(ByNode.Normals, 2);
	EXPECT_EQ(Texts(ByNode.ObjectsMerged), (std::vector<std::string>{"/groom"}));
	EXPECT_EQ(ByNode.BoundsMax, FVector(2, 0, 0));
	EXPECT_EQ(ByNode.BoundsMin, FVector(0, -4, 0));
	EXPECT_EQ(Texts(ByNode.Dropped), Texts(Direct.Dropped));
	EXPECT_EQ(ByNode.Done.Num(), Direct.Done.Num());
	EXPECT_EQ(Bytes(Dir / "node.abc"), Bytes(Dir / "direct.abc"));
	const GroomData Read = ReadGroom((Dir / "node.abc").string());
	EXPECT_EQ(Read.positions, (std::vector<float>{0, 0, 0, 0, -2, 0, 2, 0, 0, 2, -4, 0}));
	EXPECT_EQ(Read.surfaceNormals, (std::vector<float>{0, -1, 0, 0, 0, 1}));
}
