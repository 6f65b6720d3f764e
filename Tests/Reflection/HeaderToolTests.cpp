#include "TestPaths.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace
{
	struct FToolRun
	{
		int ExitCode = -1;
		std::string Errors;
		std::string GeneratedHeader;
		std::string GenCpp;
	};

	std::string ReadFile(const std::filesystem::path& Path)
	{
		std::ifstream Stream(Path);
		return std::string(std::istreambuf_iterator<char>(Stream), std::istreambuf_iterator<char>());
	}

	// Runs the header tool on a header holding Body; returns its exit code and what it printed.
	FToolRun RunHeaderTool(const std::string& Body)
	{
		// A folder of this process's own: the tests run side by side.
		const std::filesystem::path Dir = VelmoraTest::MakeTempDir("header_tool");
		std::filesystem::create_directories(Dir / "Public");
		const std::filesystem::path Header = Dir / "Public" / "Broken.h";
		std::ofstream(Header) << Body;

		const std::filesystem::path ErrorFile = Dir / "errors.txt";
		const std::string Command = std::string("\"") + VELMORA_HEADER_TOOL + "\" \"" + Header.string() + "\" broken Public/Broken.h \"" +
		                            Dir.string() + "\" 2> \"" + ErrorFile.string() + "\"";
		FToolRun Run;
		Run.ExitCode = std::system(Command.c_str());
		Run.Errors = ReadFile(ErrorFile);
		Run.GeneratedHeader = ReadFile(Dir / "Broken.generated.h");
		Run.GenCpp = ReadFile(Dir / "Broken.gen.cpp");
		return Run;
	}

	// Runs the header tool's module step (the package registration); returns the file it wrote.
	std::string RunHeaderToolInit(const std::string& Module, const std::string& Extra = "")
	{
		const std::filesystem::path Dir = VelmoraTest::MakeTempDir("header_tool_init");
		const std::string Command = std::string("\"") + VELMORA_HEADER_TOOL + "\" --init " + Module + " \"" + Dir.string() + "\" " + Extra;
		EXPECT_EQ(std::system(Command.c_str()), 0);
		return ReadFile(Dir / (Module + ".init.gen.cpp"));
	}

	// A header of Structs followed by a library class of Members; the class starts on line 3 when
	// Structs is empty.
	std::string Library(const std::string& Members, const std::string& Structs = "")
	{
		return "#pragma once\n"
		       "#include \"Broken.generated.h\"\n" +
		       Structs +
		       "UCLASS()\n"
		       "class UBroken : public UBlueprintFunctionLibrary\n"
		       "{\n"
		       "\tGENERATED_UCLASS_BODY()\n" +
		       Members + "};\n";
	}
}

TEST(HeaderTool, AcceptsTheLibraryForms)
{
	const FToolRun Run = RunHeaderTool(Library(
	    "\tUFUNCTION(BlueprintCallable, Category = \"x\", meta = (DisplayName = \"A, b\"))\n"
	    "\tstatic UStaticMesh* Convert(USkeletalMesh* head, FVector at, FString path);\n"));
	EXPECT_EQ(Run.ExitCode, 0) << Run.Errors;
}

TEST(HeaderTool, RegistersTheModulesPackageOnceInItsInitFile)
{
	// Each header's reflection only declares the package; two definitions would not link, and the
	// engine's unity build would not even compile them.
	const FToolRun Run = RunHeaderTool(Library("\tUFUNCTION(BlueprintCallable)\n\tstatic FString Name();\n"));
	ASSERT_EQ(Run.ExitCode, 0) << Run.Errors;
	EXPECT_NE(Run.GenCpp.find("UPackage* Z_Construct_UPackage__Script_broken();"), std::string::npos) << Run.GenCpp;
	EXPECT_EQ(Run.GenCpp.find("Z_Construct_UPackage__Script_broken()\n{"), std::string::npos) << Run.GenCpp;
	EXPECT_EQ(Run.GenCpp.find("CreatePackage"), std::string::npos) << Run.GenCpp;

	const std::string EditorInit = RunHeaderToolInit("broken");
	EXPECT_NE(EditorInit.find("UPackage* Z_Construct_UPackage__Script_broken()\n{"), std::string::npos) << EditorInit;
	EXPECT_NE(EditorInit.find("CreatePackage(TEXT(\"/Script/broken\"))"), std::string::npos) << EditorInit;
	EXPECT_NE(EditorInit.find("PKG_CompiledIn | PKG_EditorOnly"), std::string::npos) << EditorInit;
	const std::string RuntimeInit = RunHeaderToolInit("broken", "--runtime");
	EXPECT_NE(RuntimeInit.find("SetPackageFlags(PKG_CompiledIn);"), std::string::npos) << RuntimeInit;
}

TEST(HeaderTool, RejectsWhatItDoesNotHandleNamingTheLine)
{
	const struct
	{
		const char* Members;
		const char* Message;
	} Cases[] = {
	    {"\tUFUNCTION(BlueprintCallable)\n\tstatic void F(const FString& Path);\n", "Broken.h:7: error: unsupported parameter"},
	    {"\tUFUNCTION(BlueprintCallable)\n\tstatic void F(int32 Count);\n", "Broken.h:7: error: unsupported type 'int32'"},
	    {"\tUFUNCTION(BlueprintCallable)\n\tvoid F();\n", "Broken.h:7: error: expected 'static"},
	    {"\tUFUNCTION(Exec)\n\tstatic void F();\n", "Broken.h:7: error: unsupported UFUNCTION specifier 'Exec'"},
	    {"\tUPROPERTY()\n\tint32 Count;\n", "Broken.h:7: error: unsupported declaration UPROPERTY("},
	    {"\tUFUNCTION(BlueprintCallable)\n\tstatic void F(FVector& At);\n", "Broken.h:7: error: unsupported parameter"},
	};
	for (const auto& Case : Cases)
	{
		SCOPED_TRACE(Case.Members);
		const FToolRun Run = RunHeaderTool(Library(Case.Members));
		EXPECT_NE(Run.ExitCode, 0);
		EXPECT_NE(Run.Errors.find(Case.Message), std::string::npos) << Run.Errors;
	}
}

TEST(HeaderTool, RejectsAHeaderWithoutAClass)
{
	const FToolRun Run = RunHeaderTool("#pragma once\nstruct FNothing {};\n");
	EXPECT_NE(Run.ExitCode, 0);
	EXPECT_NE(Run.Errors.find("no UCLASS or USTRUCT"), std::string::npos) << Run.Errors;
}

namespace
{
	const char* const Options = "USTRUCT(BlueprintType)\n"
	                            "struct FOptions\n"
	                            "{\n"
	                            "\tGENERATED_BODY()\n"
	                            "\tUPROPERTY(EditAnywhere, BlueprintReadWrite, Category = \"x\")\n"
	                            "\tdouble Offset = 0.1;\n"
	                            "};\n";
}

TEST(HeaderTool, WritesStructRecordsConstReferenceInputsAndStructResults)
{
	const FToolRun Run = RunHeaderTool(Library("\tUFUNCTION(BlueprintCallable, Category = \"x\")\n"
	                                           "\tstatic FOptions Fit(const FOptions& In, FOptions Copy, const FVector& At);\n",
	                                           Options));
	ASSERT_EQ(Run.ExitCode, 0) << Run.Errors;
	// GENERATED_BODY on line 6 of the struct declares StaticStruct, and the header stops a second include.
	EXPECT_NE(Run.GeneratedHeader.find("FID_Broken_h_6_GENERATED_BODY \\\n\tfriend struct Z_Construct_UScriptStruct_FOptions_Statics; \\\n\tstatic class UScriptStruct* StaticStruct();"),
	          std::string::npos)
	    << Run.GeneratedHeader;
	EXPECT_NE(Run.GeneratedHeader.find("#ifdef BROKEN_Broken_generated_h\n#error \"Broken.generated.h already included, missing '#pragma once' in Broken.h\""), std::string::npos)
	    << Run.GeneratedHeader;
	EXPECT_EQ(Run.GeneratedHeader.find("\n#pragma once"), std::string::npos);
	// Const references are read in place, by-value structs copied.
	EXPECT_NE(Run.GenCpp.find("P_GET_STRUCT_REF(FOptions, Z_Param_Out_In);\n\tP_GET_STRUCT(FOptions, Z_Param_Copy);\n\tP_GET_STRUCT_REF(FVector, Z_Param_Out_At);"),
	          std::string::npos)
	    << Run.GenCpp;
	EXPECT_NE(Run.GenCpp.find("*(FOptions*)Z_Param__Result = UBroken::Fit(Z_Param_Out_In, Z_Param_Copy, Z_Param_Out_At);"), std::string::npos) << Run.GenCpp;
	EXPECT_NE(Run.GenCpp.find("SetOffset_Internal(STRUCT_OFFSET(FOptions, Offset))"), std::string::npos) << Run.GenCpp;
}

TEST(HeaderTool, EnforcesTheEngineToolsRulesForStructsAndIncludes)
{
	const std::string Fit = "\tUFUNCTION(BlueprintCallable)\n\tstatic void Fit(const FOptions& In);\n";
	std::string Hidden = Options;
	Hidden.replace(Hidden.find("(BlueprintType)"), 15, "()");
	std::string NoBody = Options;
	NoBody.erase(NoBody.find("\tGENERATED_BODY()\n"), 18);
	std::string Private = Options;
	Private.insert(Private.find("\tUPROPERTY"), "private:\n");
	std::string Unsigned = Options;
	Unsigned.replace(Unsigned.find("double"), 6, "uint16");
	std::string Named = Options;
	Named.replace(Named.find("struct FOptions"), 15, "struct Options");
	std::string Twice = Options;
	Twice.insert(Twice.find("\tUPROPERTY"), "\tGENERATED_BODY()\n");

	const struct
	{
		std::string Header;
		const char* Message;
	} Cases[] = {
	    {Library(Fit, Hidden), "Broken.h:14: error: Type 'FOptions' is not supported by blueprint"},
	    {Library(Fit, NoBody), "Broken.h:3: error: Expected a GENERATED_BODY() at the start of the struct"},
	    {Library(Fit, Twice), "Broken.h:7: error: struct FOptions has more than one GENERATED_BODY()"},
	    {Library(Fit, Private), "Broken.h:8: error: BlueprintReadWrite should not be used on private members"},
	    {Library(Fit, Unsigned), "Broken.h:7: error: unsupported member type 'uint16'"},
	    {Library("", Named), "Broken.h:3: error: reflected struct names begin with F, not 'Options'"},
	    {"#pragma once\n#include \"Broken.generated.h\"\n#include \"Late.h\"\n" + std::string(Options),
	     "Broken.h:3: error: #include found after .generated.h file - the .generated.h file should always be the last #include in a header"},
	    {"#pragma once\n" + std::string(Options), "Broken.h:2: error: Expected an include at the top of the header: '#include \"Broken.generated.h\"'"},
	};
	for (const auto& Case : Cases)
	{
		SCOPED_TRACE(Case.Header);
		const FToolRun Run = RunHeaderTool(Case.Header);
		EXPECT_NE(Run.ExitCode, 0);
		EXPECT_NE(Run.Errors.find(Case.Message), std::string::npos) << Run.Errors;
	}
	// A struct no function passes needs no BlueprintType.
	EXPECT_EQ(RunHeaderTool(Library("", Hidden)).ExitCode, 0);
}
