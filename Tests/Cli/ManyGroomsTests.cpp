// The README's "Many grooms" example, run as a user would: a folder of grooms fitted onto one mesh by
// Docs/examples/fit-many.sh, one velmora process per groom.
#include "CliTestUtils.h"

#include <nlohmann/json.hpp>

using namespace CliTest;

namespace
{
	// Runs the example script in Dir with the velmora under test; its exit status and what it printed.
	// Each groom it fits is written whole by a run that succeeded, whatever the others did, and must
	// import cleanly into the engine.
	FRun RunFitMany(const fs::path& Dir, const std::string& Arguments)
	{
		const CheckedGroom::FGroomFolderOutputs Outputs(Dir);
		const fs::path Output = Dir / ".fit-many.txt";
		const std::string Command = "cd '" + Dir.string() + "' && VELMORA='" VELMORA_CLI_PATH "' sh '" VELMORA_EXAMPLES_DIR "/fit-many.sh' " + Arguments + " >'" +
		                            Output.string() + "' 2>&1";
		const int Status = std::system(Command.c_str());
		FRun Run;
		Run.ExitCode = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
		Run.Stdout = ReadText(Output);
		fs::remove(Output);
		Outputs.ExpectImportsCleanlyIfWritten();
		return Run;
	}

	struct FGroomFolder
	{
		fs::path Dir = VelmoraTest::MakeTempDir("fit-many");

		FGroomFolder()
		{
			fs::create_directory(Dir / "grooms");
			SaveMesh(Dir / "head.obj", Host::BuildSphere(10.f, 24, 48));
			WriteGroomQuietly(Dir / "grooms" / "short.abc", SphereGroom(20, 3, 10.f, 2.f));
			WriteGroomQuietly(Dir / "grooms" / "long hair.abc", SphereGroom(30, 6, 10.f, 1.f));
		}
	};
}

TEST(ManyGrooms, FitsEveryGroomOfAFolderWithASummaryEach)
{
	const FGroomFolder Folder;
	const FRun Run = RunFitMany(Folder.Dir, "grooms head.obj fitted --on-miss nearest");
	ASSERT_EQ(Run.ExitCode, 0) << Run.Stdout;

	EXPECT_EQ(ListDir(Folder.Dir / "fitted"), (std::vector<std::string>{"long hair.abc", "long hair.json", "short.abc", "short.json"}));
	for (const auto& [Name, Strands] : {std::pair<std::string, int>{"short", 20}, {"long hair", 30}})
	{
		const nlohmann::json Summary = nlohmann::json::parse(ReadText(Folder.Dir / "fitted" / (Name + ".json")));
		EXPECT_EQ(Summary["strands"], Strands) << Name;
		EXPECT_EQ(Summary["hits"], Strands) << Name;
		const GroomData Fitted = ReadGroomQuietly(Folder.Dir / "fitted" / (Name + ".abc"));
		ASSERT_EQ(Fitted.vertexCounts.size(), static_cast<size_t>(Strands));
		EXPECT_NEAR(Length(Root(Fitted, 0)), 10.0, 0.1) << Name;
	}
}

TEST(ManyGrooms, AFailedGroomLeavesItsReasonAndSparesTheOthers)
{
	const FGroomFolder Folder;
	{
		std::ofstream(Folder.Dir / "grooms" / "broken.abc") << "not an Alembic file";
	}
	const FRun Run = RunFitMany(Folder.Dir, "grooms head.obj fitted");
	EXPECT_EQ(Run.ExitCode, 1) << Run.Stdout;
	EXPECT_NE(Run.Stdout.find("broken.abc: failed"), std::string::npos) << Run.Stdout;

	const std::vector<std::string> Names = ListDir(Folder.Dir / "fitted");
	EXPECT_EQ(std::count(Names.begin(), Names.end(), "broken.abc"), 0);
	EXPECT_EQ(std::count(Names.begin(), Names.end(), "broken.log"), 1);
	EXPECT_EQ(std::count(Names.begin(), Names.end(), "short.abc"), 1);
	EXPECT_EQ(std::count(Names.begin(), Names.end(), "long hair.abc"), 1);
	EXPECT_FALSE(ReadText(Folder.Dir / "fitted" / "broken.log").empty());
}

TEST(ManyGrooms, RefusesToWriteAmongItsInputs)
{
	const FGroomFolder Folder;
	const FRun Run = RunFitMany(Folder.Dir, "grooms head.obj grooms");
	EXPECT_EQ(Run.ExitCode, 2) << Run.Stdout;
	EXPECT_EQ(ListDir(Folder.Dir / "grooms"), (std::vector<std::string>{"long hair.abc", "short.abc"}));
}
