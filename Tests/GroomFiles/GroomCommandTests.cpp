#include "GroomTestUtils.h"

#include <array>
#include <cstdio>
#include <sys/wait.h>

namespace
{
	struct FRunResult
	{
		int ExitCode = -1;
		std::string Stdout;
	};

	FRunResult RunCli(const std::string& Arguments, const std::filesystem::path& WorkingDir)
	{
		const std::string Command = "cd '" + WorkingDir.string() + "' && '" VELMORA_CLI_PATH "' " + Arguments + " 2>/dev/null";
		FRunResult Result;
		FILE* Pipe = popen(Command.c_str(), "r");
		if (!Pipe)
		{
			return Result;
		}
		std::array<char, 4096> Buffer;
		for (size_t Read; (Read = fread(Buffer.data(), 1, Buffer.size(), Pipe)) > 0;)
		{
			Result.Stdout.append(Buffer.data(), Read);
		}
		const int Status = pclose(Pipe);
		Result.ExitCode = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
		return Result;
	}
}

TEST(InspectCommand, JsonMatchesTheFixturesExpectedRecords)
{
	VELMORA_REQUIRE_FIXTURES(Dir);
	for (const char* Name : {"writer_basic", "two_curves", "missing_attrs", "indexed_widths", "malformed/corpus_03", "malformed/writer_basic_flip_count"})
	{
		SCOPED_TRACE(Name);
		const FRunResult Result = RunCli(std::string("inspect --json ") + Name + ".abc", Dir);
		EXPECT_EQ(Result.Stdout, GroomTest::ReadText(Dir / (std::string(Name) + ".expected.json")));
	}
}

TEST(InspectCommand, SummarySaysWhatTheGroomHolds)
{
	VELMORA_REQUIRE_FIXTURES(Dir);
	const FRunResult Result = RunCli("inspect writer_basic.abc", Dir);
	EXPECT_EQ(Result.ExitCode, 0);
	EXPECT_NE(Result.Stdout.find("strands         2"), std::string::npos) << Result.Stdout;
	EXPECT_NE(Result.Stdout.find("min 2, max 3"), std::string::npos);
	EXPECT_NE(Result.Stdout.find("widths          5 (per point)"), std::string::npos);
	EXPECT_NE(Result.Stdout.find("surface_normal  2 (per strand)"), std::string::npos);
	EXPECT_NE(Result.Stdout.find("surface normal (one normal per strand)"), std::string::npos);

	const FRunResult Missing = RunCli("inspect malformed/corpus_03.abc", Dir);
	EXPECT_EQ(Missing.ExitCode, 1);
	EXPECT_NE(Missing.Stdout.find("LogTemp: Warning: Error reading Alembic file: "), std::string::npos);
}

TEST(PackCommand, WritesTheRecordItIsGiven)
{
	VELMORA_REQUIRE_FIXTURES(Dir);
	const std::filesystem::path Out = VelmoraTest::MakeTempDir("pack") / "basic.abc";
	EXPECT_EQ(RunCli("pack writer_basic.record.json '" + Out.string() + "'", Dir).ExitCode, 0);
	GroomTest::ExpectSameRecord(ReadGroom(Out.string()), VelmoraCli::GroomFromJson(GroomTest::ReadText(Dir / "writer_basic.record.json")));
}

TEST(PackCommand, RejectsBadRecordsWithoutWriting)
{
	const std::filesystem::path Dir = VelmoraTest::MakeTempDir("pack-bad");
	const std::filesystem::path Out = Dir / "out.abc";
	for (const char* Record : {"{\"positions\": [1, 2, \"x\"]}", "{\"vertexCounts\": [4294967296]}", "[1, 2]", "{\"positions\": [1, 2"})
	{
		SCOPED_TRACE(Record);
		std::ofstream(Dir / "bad.json") << Record;
		EXPECT_EQ(RunCli("pack bad.json out.abc", Dir).ExitCode, 1);
		EXPECT_FALSE(std::filesystem::exists(Out));
	}
}
