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
	};

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
		std::ifstream ErrorStream(ErrorFile);
		Run.Errors.assign(std::istreambuf_iterator<char>(ErrorStream), std::istreambuf_iterator<char>());
		return Run;
	}

	std::string Library(const std::string& Members)
	{
		return "#pragma once\n"
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

TEST(HeaderTool, RejectsWhatItDoesNotHandleNamingTheLine)
{
	const struct
	{
		const char* Members;
		const char* Message;
	} Cases[] = {
	    {"\tUFUNCTION(BlueprintCallable)\n\tstatic void F(const FString& Path);\n", "Broken.h:6: error: unsupported parameter"},
	    {"\tUFUNCTION(BlueprintCallable)\n\tstatic void F(int32 Count);\n", "Broken.h:6: error: unsupported type 'int32'"},
	    {"\tUFUNCTION(BlueprintCallable)\n\tvoid F();\n", "Broken.h:6: error: expected 'static"},
	    {"\tUFUNCTION(Exec)\n\tstatic void F();\n", "Broken.h:6: error: unsupported UFUNCTION specifier 'Exec'"},
	    {"\tUPROPERTY()\n\tint32 Count;\n", "Broken.h:6: error: unsupported declaration UPROPERTY("},
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
	EXPECT_NE(Run.Errors.find("no UCLASS"), std::string::npos) << Run.Errors;
}
