#include "CheckedGroomWrites.h"
#include "GroomTestUtils.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <limits>
#include <sys/stat.h>
#include <sys/wait.h>

namespace
{
	struct FRunResult
	{
		int ExitCode = -1;
		std::string Stdout;
		std::string Stderr;
	};

	// The groom files a successful run writes in WorkingDir must import cleanly into the engine, but for
	// the model's ExpectedUnmodelled lines.
	FRunResult RunCli(const std::string& Arguments, const std::filesystem::path& WorkingDir, const std::vector<std::string>& ExpectedUnmodelled = {})
	{
		const CheckedGroom::FGroomFolderOutputs Outputs(WorkingDir);
		const std::filesystem::path StderrFile = VelmoraTest::MakeTempDir("cli-stderr") / "stderr.txt";
		const std::string Command = "cd '" + WorkingDir.string() + "' && '" VELMORA_CLI_PATH "' " + Arguments + " 2>'" + StderrFile.string() + "'";
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
		Result.Stderr = GroomTest::ReadText(StderrFile);
		if (Result.ExitCode == 0)
		{
			Outputs.ExpectImportsCleanlyIfWritten(ExpectedUnmodelled);
		}
		return Result;
	}

	std::vector<uint32_t> BitsOf(const std::vector<float>& Values)
	{
		std::vector<uint32_t> Bits;
		for (const float Value : Values)
		{
			Bits.push_back(std::bit_cast<uint32_t>(Value));
		}
		return Bits;
	}

	// The record inspect prints, without the keys it adds after it (the file's objects, then what the
	// engine's import makes of it): each key's line and its value up to the next top-level key or the end.
	// Empty when a key is missing.
	std::string RecordOnly(std::string Json)
	{
		for (const std::string Key : {"objects", "engineImport", "error"})
		{
			const size_t Start = Json.find(",\n  \"" + Key + "\": ");
			if (Start == std::string::npos)
			{
				// Only a record read with trouble carries the reason.
				if (Key == "error")
				{
					continue;
				}
				return std::string();
			}
			const size_t End = std::min(Json.find(",\n  \"", Start + 1), Json.find("\n}", Start));
			if (End == std::string::npos)
			{
				return std::string();
			}
			Json = Json.substr(0, Start) + Json.substr(End);
		}
		return Json;
	}
}

TEST(InspectCommand, JsonMatchesTheFixturesExpectedRecords)
{
	VELMORA_REQUIRE_FIXTURES(Dir);
	for (const char* Name : {"writer_basic", "two_curves", "missing_attrs", "indexed_widths", "malformed/corpus_03", "malformed/writer_basic_flip_count"})
	{
		SCOPED_TRACE(Name);
		const FRunResult Result = RunCli(std::string("inspect --json ") + Name + ".abc", Dir);
		// The file's objects and the engine import's verdict follow the record, which stays byte for byte
		// as the fixture has it.
		EXPECT_EQ(RecordOnly(Result.Stdout), GroomTest::ReadText(Dir / (std::string(Name) + ".expected.json"))) << Result.Stdout;
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
	// Nothing to project without strands.
	EXPECT_EQ(Missing.Stdout.find("fit projection"), std::string::npos) << Missing.Stdout;
}

TEST(PackCommand, WritesTheRecordItIsGiven)
{
	VELMORA_REQUIRE_FIXTURES(Dir);
	const std::filesystem::path Out = VelmoraTest::MakeTempDir("pack") / "basic.abc";
	const CheckedGroom::FGroomOutput Packed(Out.string());
	EXPECT_EQ(RunCli("pack writer_basic.record.json '" + Out.string() + "'", Dir).ExitCode, 0);
	Packed.ExpectImportsCleanlyIfWritten();
	GroomTest::ExpectSameRecord(ReadGroom(Out.string()), VelmoraCli::GroomFromJson(GroomTest::ReadText(Dir / "writer_basic.record.json")));
}

TEST(PackCommand, KeepsEveryNumberOfTheRecordBitForBit)
{
	const std::filesystem::path Dir = VelmoraTest::MakeTempDir("pack-exact");
	// Zeros written as integers keep their sign; integers a float cannot hold become the nearest float;
	// denormals, the float extremes (also spelled as a 39-digit integer) and underflow to a signed zero.
	std::ofstream(Dir / "exact.json") << R"({"positions": [-0, 16777217, 1e-45, 1.17549435e-38, -3.40282347e+38,
	    340282346638528859811704183484516925440, -0.0, 1, -7e-46],
	  "vertexCounts": [2, 1, 0], "widths": [4.2e-45],
	  "groomColors": [0, -0, 3.4028235e38], "surfaceNormals": [1e-40, -1e-40, 123456789, -0, -0, -0],
	  "log": ["ignored"], "stderr": []})";
	// The last strand holds no points, so the writer's per-point uv has no value at its first point.
	const FRunResult Result = RunCli("pack exact.json exact.abc", Dir,
	                                 {"uv: strand 2 holds no points; whether the import reads a root UV for it at point 3, past the sample of 3, is not known"});
	ASSERT_EQ(Result.ExitCode, 0) << Result.Stderr;

	bool bReadFailed = true;
	const GroomData Back = ReadGroom((Dir / "exact.abc").string(), bReadFailed);
	EXPECT_FALSE(bReadFailed);
	const float Max = std::numeric_limits<float>::max();
	const float Tiny = std::numeric_limits<float>::denorm_min();
	EXPECT_EQ(BitsOf(Back.positions), BitsOf({-0.0f, 16777216.0f, Tiny, std::numeric_limits<float>::min(), -Max, Max, -0.0f, 1.0f, -0.0f}));
	EXPECT_EQ(Back.vertexCounts, (std::vector<int32_t>{2, 1, 0}));
	EXPECT_EQ(BitsOf(Back.widths), BitsOf({3 * Tiny}));
	EXPECT_EQ(BitsOf(Back.groomColors), BitsOf({0.0f, -0.0f, Max}));
	EXPECT_EQ(BitsOf(Back.surfaceNormals), BitsOf({1e-40f, -1e-40f, 123456792.0f, -0.0f, -0.0f, -0.0f}));
}

TEST(PackCommand, ReadsTheArraysAndSkipsEveryOtherMember)
{
	// Members of every kind around and between the arrays, a key spelled with an escape, and the
	// names of the arrays used again inside skipped members.
	const GroomData Groom = VelmoraCli::GroomFromJson(R"( {"log": ["a\"b", "\ud83d\ude00"], "flag": true, "none": null,
	    "nested": {"positions": [9], "deep": [[{"widths": "x"}], -1.5e3]},
	    "\u0070ositions": [1.5, -0, 2], "vertexCounts": [-0, 1],
	    "widths": [], "groomColors": [ 0.25 ,1e-1 ], "extra": {}} )"
	                                                  "\n");
	EXPECT_EQ(BitsOf(Groom.positions), BitsOf({1.5f, -0.0f, 2.0f}));
	EXPECT_EQ(Groom.vertexCounts, (std::vector<int32_t>{0, 1}));
	EXPECT_TRUE(Groom.widths.empty());
	EXPECT_EQ(Groom.groomColors, (std::vector<float>{0.25f, 0.1f}));
	EXPECT_TRUE(Groom.surfaceNormals.empty());
}

TEST(PackCommand, RefusesRecordsItCannotStoreFaithfullyBeforeWritingAnything)
{
	const std::filesystem::path Dir = VelmoraTest::MakeTempDir("pack-bad");
	const std::vector<std::pair<std::string, std::string>> Cases = {
	    // 49 bytes claiming 2147483647 points: refused at once, never 17 GB written.
	    {R"({"positions":[0,0,0],"vertexCounts":[2147483647]})", "add up to 2147483647 points, but positions holds 1"},
	    {R"({"positions":[0,0,0,1,1,1],"vertexCounts":[3,-1]})", "strand 1 has a negative point count (-1)"},
	    {R"({"positions":[0,0,0],"vertexCounts":[]})", "add up to 0 points, but positions holds 1"},
	    {R"({"positions":[0,0,0,1],"vertexCounts":[1]})", "\"positions\" holds 4 values, not whole x, y, z triples"},
	    {R"({"positions":[0,0,0],"vertexCounts":[1],"surfaceNormals":[1,2]})", "\"surfaceNormals\" holds 2 values"},
	    {R"({"positions":[0,0,0,1,1,1,2,2,2],"vertexCounts":[3],"widths":[1,2]})", "\"widths\" holds 2 values"},
	    {R"({"positions":[1e39,0,0],"vertexCounts":[1]})", "1e39, which is beyond the range of a 32-bit float"},
	    {R"({"positions":[-340282356779733661637539395458142568448,0,0],"vertexCounts":[1]})", "beyond the range of a 32-bit float"},
	    {R"({"positions":[0,0,0],"vertexCounts":[1.0]})", "1.0, which is not a whole number"},
	    {R"({"positions":[0,0,0],"vertexCounts":[4294967296]})", "4294967296, which does not fit 32 bits"},
	    {R"({"positions":[0,0,0],"vertexCounts":[1],"positions":[0,0,0]})", "\"positions\" appears twice"},
	    {R"({"positions": [1, 2, "x"]})", "\"positions\" holds a value that is not a number"},
	    {R"({"positions": {"x": 1}})", "\"positions\" is not an array"},
	    {R"({"positions": 7})", "\"positions\" is not an array"},
	    {R"({"vertexCounts": [1, null]})", "\"vertexCounts\" holds a value that is not a whole number"},
	    {R"({"positions": [01]})", "not valid JSON: missing a comma or ']' after an array element at line 1, column 17"},
	    {"{\"positions\": [1, 2", "not valid JSON: the text ends early"},
	    {"{\"vertexCounts\": [],\n \"notes\": [true, nul]}", "not valid JSON: invalid value at line 2, column 21"},
	    {"{\"notes\": \"a\tb\"}", "not valid JSON: invalid escape character in string at line 1, column 13"},
	    {R"({"positions":[0,0,0],"vertexCounts":[1]} {})", "not valid JSON: unexpected text after the record at line 1, column 42"},
	    {std::string(R"({"positions":[0,0,0],"vertexCounts":[1]})") + '\0' + "{}", "unexpected text after the record at line 1, column 41"},
	    {R"({"positions":[1e400,0,0],"vertexCounts":[1]})", "a number too large to read at line 1, column 15"},
	    {"{\"notes\": " + std::string(100000, '[') + std::string(100000, ']') + "}", "nested more than"},
	    {"[1, 2]", "the record is not a JSON object"},
	    {"", "the record is not a JSON object"},
	};
	for (const auto& [Record, Reason] : Cases)
	{
		SCOPED_TRACE(Record.substr(0, 80));
		std::ofstream(Dir / "bad.json") << Record;
		const FRunResult Result = RunCli("pack bad.json out.abc", Dir);
		EXPECT_EQ(Result.ExitCode, 1);
		EXPECT_TRUE(Result.Stderr.starts_with("velmora pack: cannot read record 'bad.json': ")) << Result.Stderr;
		EXPECT_NE(Result.Stderr.find(Reason), std::string::npos) << Result.Stderr;
		EXPECT_EQ(std::count(Result.Stderr.begin(), Result.Stderr.end(), '\n'), 1) << Result.Stderr;
		EXPECT_EQ(Result.Stdout, "");
		EXPECT_EQ(VelmoraTest::Listing(Dir), std::vector<std::string>{"bad.json"});
	}
}

TEST(PackCommand, RefusesARecordThatIsNotARegularFile)
{
	const std::filesystem::path Dir = VelmoraTest::MakeTempDir("pack-fifo");
	ASSERT_EQ(mkfifo((Dir / "fifo.json").c_str(), 0600), 0);
	std::filesystem::create_directory(Dir / "folder.json");
	for (const char* Record : {"fifo.json", "folder.json"})
	{
		SCOPED_TRACE(Record);
		const FRunResult Result = RunCli(std::string("pack ") + Record + " out.abc", Dir);
		EXPECT_EQ(Result.ExitCode, 1);
		EXPECT_EQ(Result.Stderr, std::string("velmora pack: cannot read record '") + Record + "': not a regular file\n");
		EXPECT_FALSE(std::filesystem::exists(Dir / "out.abc"));
	}
}

TEST(PackCommand, AcceptsEveryWriterFixtureRecord)
{
	VELMORA_REQUIRE_FIXTURES(Dir);
	for (const char* Name : {"writer_basic", "writer_empty", "writer_onepoint", "writer_widths_single", "big_groom"})
	{
		SCOPED_TRACE(Name);
		EXPECT_NO_THROW(VelmoraCli::CheckGroomRecord(VelmoraCli::GroomFromJson(GroomTest::ReadText(Dir / (std::string(Name) + ".record.json")))));
	}
}
