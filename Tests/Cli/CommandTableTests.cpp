// Every command through the behaviours they share: odd bytes in paths, strict JSON, outputs that name
// inputs, option values, interrupts. Each command is one row; each behaviour runs over every row.
#include "CliPath.h"
#include "CliTestUtils.h"
#include "GroomJson.h"
#include "JsonWriter.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <limits>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace CliTest;

namespace
{
	struct FChildOutcome
	{
		int ExitCode = -1;
		int Signal = 0;
		std::string Stdout;
		std::string Stderr;
	};

	// What a run writes: grooms the engine must import cleanly, or a damaged file made on purpose.
	enum class EWrites
	{
		Grooms,
		DamagedFile,
	};

	// Starts velmora in Dir with Args as they are (no shell, so any byte may appear); SignalAfter, when
	// set, is sent that long after the start. The groom files a run that ends well writes in Dir must
	// import cleanly into the engine.
	FChildOutcome RunInChild(const std::vector<std::string>& Args, const fs::path& Dir, int Signal = 0,
	                         std::chrono::milliseconds SignalAfter = std::chrono::milliseconds(0), EWrites Writes = EWrites::Grooms)
	{
		const CheckedGroom::FGroomFolderOutputs Outputs(Dir);
		const fs::path Streams = VelmoraTest::MakeTempDir("table-streams");
		const std::string Out = (Streams / "out").string(), Err = (Streams / "err").string();
		std::vector<char*> Argv = {const_cast<char*>(VELMORA_CLI_PATH)};
		for (const std::string& Arg : Args)
		{
			Argv.push_back(const_cast<char*>(Arg.c_str()));
		}
		Argv.push_back(nullptr);
		const pid_t Pid = fork();
		if (Pid == 0)
		{
			const int OutFile = open(Out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
			const int ErrFile = open(Err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
			if (chdir(Dir.c_str()) != 0 || OutFile < 0 || ErrFile < 0 || dup2(OutFile, 1) < 0 || dup2(ErrFile, 2) < 0)
			{
				_exit(126);
			}
			execv(Argv[0], Argv.data());
			_exit(127);
		}
		if (Signal != 0)
		{
			std::this_thread::sleep_for(SignalAfter);
			kill(Pid, Signal);
		}
		int Status = 0;
		const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
		while (waitpid(Pid, &Status, WNOHANG) == 0)
		{
			if (std::chrono::steady_clock::now() > Deadline)
			{
				kill(Pid, SIGKILL);
				waitpid(Pid, &Status, 0);
				ADD_FAILURE() << "velmora hung";
				break;
			}
			std::this_thread::sleep_for(std::chrono::milliseconds(2));
		}
		FChildOutcome Outcome;
		Outcome.ExitCode = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
		Outcome.Signal = WIFSIGNALED(Status) ? WTERMSIG(Status) : 0;
		Outcome.Stdout = ReadText(Streams / "out");
		Outcome.Stderr = ReadText(Streams / "err");
		fs::remove_all(Streams);
		if (Outcome.ExitCode == 0 && Outcome.Signal == 0 && Writes == EWrites::Grooms)
		{
			Outputs.ExpectImportsCleanlyIfWritten();
		}
		return Outcome;
	}

	// The files a command reads and the one it writes, by the names a case gives them.
	struct FNames
	{
		std::string Groom = "groom.abc";
		std::string Mesh = "sphere.obj";
		std::string Record = "record.json";
		std::string Output;
	};

	struct FCommandRow
	{
		std::string Name;
		// The default name of what the command writes ("" when it writes nothing).
		std::string Output;
		// Whether the output is a directory (the demo's).
		bool bOutputIsDirectory = false;
		std::function<std::vector<std::string>(const FNames&)> Args;
		// The inputs the output must never be: name in FNames, by a getter.
		std::vector<std::string FNames::*> Inputs;
		bool bJson = false;
		// Option values each command must refuse as a bad command line.
		std::vector<std::vector<std::string>> BadValues;
	};

	std::vector<FCommandRow> Rows()
	{
		return {
		    {"fit", "out.abc", false, [](const FNames& N)
		     { return std::vector<std::string>{"fit", N.Groom, N.Mesh, N.Output, "--no-progress"}; },
		     {&FNames::Groom, &FNames::Mesh},
		     true,
		     {{"--report", "--json"}, {"--report", ""}, {"--report="}, {"--resolve-penetration", "nan"}, {"--resolve-penetration", "0x10"}, {"--resolve-penetration", "1e400"}, {"--orient-falloff", "-1"}, {"--orient-falloff", "inf"}, {"--orient-falloff"}, {"--origin", "0x10,0,0"}, {"--origin", "nan", "0", "0"}, {"--mesh-scale", ""}, {"--on-miss", "--orient"}, {"--mesh-time-limit", "0x10"}, {"--mesh-memory-limit", "1e9999"}, {"--json=yes"}, {"--picture", "--json"}, {"--picture="}, {"--mesh-part", ""}, {"--mesh-part"}}},
		    {"check", "", false, [](const FNames& N)
		     { return std::vector<std::string>{"check", N.Groom, N.Mesh}; },
		     {},
		     true,
		     {{"--origin", "1,2,inf"}, {"--actor-location", "--json"}, {"--mesh-rotation", "0x1,0,0"}, {"--mesh-time-limit", ""}, {"--mesh-time-limit", "-5"}}},
		    {"convert", "out.obj", false, [](const FNames& N)
		     { return std::vector<std::string>{"convert", N.Mesh, N.Output, "-q"}; },
		     {&FNames::Mesh},
		     true,
		     {{"-o", "--json"}, {"--output="}, {"--mesh-memory-limit", "nan"}, {"--mesh-time-limit", "0x10"}}},
		    {"inspect", "", false, [](const FNames& N)
		     { return std::vector<std::string>{"inspect", N.Groom}; },
		     {},
		     true,
		     {{"--json=1"}, {"--frobnicate"}}},
		    {"prepare", "out.abc", false, [](const FNames& N)
		     { return std::vector<std::string>{"prepare", N.Groom, N.Output, "-q"}; },
		     {&FNames::Groom},
		     true,
		     {{"--frame", "-1"}, {"--frame", "0x10"}, {"--frame", "3e9"}, {"--up", "x"}, {"--scale", "0"}, {"--scale", "nan"}, {"--scale", "-2"}, {"--object", ""}, {"--object", "--json"}}},
		    {"pack", "out.abc", false, [](const FNames& N)
		     { return std::vector<std::string>{"pack", N.Record, N.Output, "-q"}; },
		     {&FNames::Record},
		     false,
		     {{"-o", "--quiet"}, {"-o", ""}, {"--as-is=1"}}},
		    {"demo", "demo", true, [](const FNames& N)
		     { return std::vector<std::string>{"demo", "-o", N.Output, "--strands", "300", "-q"}; },
		     {},
		     false,
		     {{"--strands", "0x10"}, {"--strands", ""}, {"--strands", "nan"}, {"--strands", "1e7"}, {"--seed", "-1"}, {"-o", "--quiet"}}},
		};
	}

	// A sphere, a groom above it and the groom's record, each under the names given.
	void MakeInputs(const fs::path& Dir, const FNames& Names)
	{
		SaveMesh(Dir / Names.Mesh, Host::BuildSphere(10.f, 16, 32));
		const GroomData Groom = SphereGroom(40, 4, 10.f, 2.f);
		WriteGroomQuietly(Dir / Names.Groom, Groom);
		std::ofstream(Dir / Names.Record, std::ios::binary) << VelmoraCli::GroomToJson(Groom, {});
	}

	// What Dir holds, every file with its bytes: whatever a command wrote shows here.
	std::map<std::string, std::string> Snapshot(const fs::path& Dir)
	{
		std::map<std::string, std::string> Files;
		for (const fs::directory_entry& Entry : fs::recursive_directory_iterator(Dir))
		{
			Files[fs::relative(Entry.path(), Dir).string()] = Entry.is_regular_file() ? ReadText(Entry.path()) : std::string("<dir>");
		}
		return Files;
	}

	void ExpectUsageError(const FChildOutcome& Outcome, const std::string& Command)
	{
		EXPECT_EQ(Outcome.ExitCode, 2) << Outcome.Stderr;
		EXPECT_EQ(std::count(Outcome.Stderr.begin(), Outcome.Stderr.end(), '\n'), 1) << Outcome.Stderr;
		EXPECT_EQ(Outcome.Stderr.rfind("velmora " + Command + ": ", 0), 0u) << Outcome.Stderr;
		EXPECT_NE(Outcome.Stderr.find("(see velmora " + Command + " --help)"), std::string::npos) << Outcome.Stderr;
	}
}

TEST(CommandTable, EveryCommandTakesPathsOfAnyBytes)
{
	FNames Odd;
	Odd.Groom = "g\xff \xe9\x01.abc";
	Odd.Mesh = "m\xfe \xc3.obj";
	Odd.Record = "r\xff\x80 .json";
	for (const FCommandRow& Row : Rows())
	{
		SCOPED_TRACE(Row.Name);
		const fs::path Dir = VelmoraTest::MakeTempDir("odd-bytes-" + Row.Name);
		MakeInputs(Dir, Odd);
		FNames Names = Odd;
		Names.Output = Row.Output.empty() ? std::string() : "o\xff\xfe " + Row.Output;
		const FChildOutcome Run = RunInChild(Row.Args(Names), Dir);
		EXPECT_EQ(Run.ExitCode, 0) << Run.Stderr;
		if (!Row.Output.empty())
		{
			EXPECT_TRUE(Row.bOutputIsDirectory ? fs::is_regular_file(Dir / Names.Output / "demo.png") : fs::is_regular_file(Dir / Names.Output));
		}
	}
}

TEST(CommandTable, JsonIsStrictWhateverThePathsAndNumbers)
{
	FNames Odd;
	Odd.Groom = "g\xff.abc";
	Odd.Mesh = "m\xfe.obj";
	for (const FCommandRow& Row : Rows())
	{
		if (!Row.bJson)
		{
			continue;
		}
		SCOPED_TRACE(Row.Name);
		const fs::path Dir = VelmoraTest::MakeTempDir("json-" + Row.Name);
		MakeInputs(Dir, Odd);
		FNames Names = Odd;
		Names.Output = Row.Output.empty() ? std::string() : "o\xff" + Row.Output;
		std::vector<std::string> Args = Row.Args(Names);
		Args.push_back("--json");
		const FChildOutcome Run = RunInChild(Args, Dir);
		ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
		// The parser refuses bytes that are not UTF-8, bare nan and anything after the value.
		nlohmann::json Json;
		ASSERT_NO_THROW(Json = nlohmann::json::parse(Run.Stdout)) << Run.Stdout.substr(0, 400);
		EXPECT_TRUE(Json.is_object());
	}

	// Numbers that are not finite are null, and counted.
	const fs::path Dir = VelmoraTest::MakeTempDir("json-nan");
	GroomData Groom;
	Groom.vertexCounts = {2};
	Groom.positions = {1, 2, 3, std::numeric_limits<float>::quiet_NaN(), 0, -std::numeric_limits<float>::infinity()};
	Groom.surfaceNormals = {std::numeric_limits<float>::quiet_NaN(), 0, 1};
	WriteGroomQuietly(Dir / "nan.abc", Groom);
	const FChildOutcome Inspect = RunInChild({"inspect", "--json", "nan.abc"}, Dir);
	ASSERT_EQ(Inspect.ExitCode, 0) << Inspect.Stderr;
	const nlohmann::json Json = nlohmann::json::parse(Inspect.Stdout);
	EXPECT_TRUE(Json["positions"][3].is_null());
	EXPECT_TRUE(Json["positions"][5].is_null());
	EXPECT_TRUE(Json["surfaceNormals"][0].is_null());
	EXPECT_EQ(Json["nonFiniteNumbers"], 3);
}

// A batch keeping each run's JSON gets one object for every run: a failure or a bad command line prints
// the command and its reason, and a command that prints its record anyway (inspect) carries the reason in it.
TEST(CommandTable, JsonIsPrintedForFailuresToo)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("json-failures");
	MakeInputs(Dir, FNames());
	std::ofstream(Dir / "broken.abc") << "not an archive";
	FNames Missing;
	Missing.Groom = "missing.abc";
	Missing.Mesh = "missing.obj";
	Missing.Output = "out.abc";
	for (const FCommandRow& Row : Rows())
	{
		if (!Row.bJson)
		{
			continue;
		}
		SCOPED_TRACE(Row.Name);
		for (const auto& [Extra, ExitCode] : {std::pair<std::string, int>{"--json", 1}, {"--frobnicate", 2}})
		{
			std::vector<std::string> Args = Row.Args(Missing);
			Args.push_back(Extra);
			Args.push_back("--json");
			const FChildOutcome Run = RunInChild(Args, Dir);
			EXPECT_EQ(Run.ExitCode, ExitCode) << Run.Stderr;
			nlohmann::json Json;
			ASSERT_NO_THROW(Json = nlohmann::json::parse(Run.Stdout)) << Run.Stdout;
			// Inspect prints the record it read, with the reason in it.
			EXPECT_EQ(Json.value("command", Row.Name), Row.Name);
			EXPECT_FALSE(Json.value("error", "").empty()) << Run.Stdout;
		}
	}
	const FChildOutcome Broken = RunInChild({"inspect", "broken.abc", "--json"}, Dir);
	EXPECT_EQ(Broken.ExitCode, 1);
	nlohmann::json Json;
	ASSERT_NO_THROW(Json = nlohmann::json::parse(Broken.Stdout)) << Broken.Stdout;
	EXPECT_NE(Json.value("error", "").find("broken.abc"), std::string::npos) << Broken.Stdout;
}

TEST(CommandTable, JsonWriterRepairsTextAndNullsWhatIsNotFinite)
{
	const nlohmann::json Value = {{"path", std::string("a\xff\xc3(b\xe2\x82")}, {"n", std::numeric_limits<double>::infinity()}, {"list", {1.5, 2}}};
	const std::string Text = VelmoraCli::ToStrictJson(Value);
	const nlohmann::json Parsed = nlohmann::json::parse(Text);
	EXPECT_EQ(Parsed["path"], "a\xEF\xBF\xBD\xEF\xBF\xBD(b\xEF\xBF\xBD\xEF\xBF\xBD");
	EXPECT_TRUE(Parsed["n"].is_null());
	EXPECT_EQ(Parsed["nonFiniteNumbers"], 1);
	EXPECT_EQ(Parsed["list"][0], 1.5);
	EXPECT_TRUE(VelmoraCli::IsValidUtf8("caf\xc3\xa9 \xf0\x9f\x98\x80"));
	EXPECT_FALSE(VelmoraCli::IsValidUtf8("\xc0\xaf")) << "an overlong slash";
	EXPECT_FALSE(VelmoraCli::IsValidUtf8("\xed\xa0\x80")) << "a UTF-16 surrogate";
}

TEST(CommandTable, NoOutputMayNameAnInputOrAnotherOutput)
{
	for (const FCommandRow& Row : Rows())
	{
		for (std::string FNames::*Input : Row.Inputs)
		{
			const fs::path Dir = VelmoraTest::MakeTempDir("names-input-" + Row.Name);
			const FNames Plain;
			MakeInputs(Dir, Plain);
			FNames Names = Plain;
			Names.Output = "./" + Plain.*Input;
			SCOPED_TRACE(Row.Name + " writing " + Names.Output);
			const auto Before = Snapshot(Dir);
			const FChildOutcome Run = RunInChild(Row.Args(Names), Dir);
			EXPECT_EQ(Run.ExitCode, 1) << Run.Stderr;
			EXPECT_NE(Run.Stderr.find("it is the same file as the"), std::string::npos) << Run.Stderr;
			EXPECT_EQ(Snapshot(Dir), Before);
		}
	}

	// A report or a picture named as the output, as an input or as each other, before either exists:
	// refused, nothing written.
	const fs::path Dir = VelmoraTest::MakeTempDir("names-report");
	MakeInputs(Dir, FNames());
	fs::create_directory(Dir / "sub");
	const auto Before = Snapshot(Dir);
	for (const std::vector<std::string>& Args : std::vector<std::vector<std::string>>{
	         {"fit", "groom.abc", "sphere.obj", "out.abc", "--report", "out.abc"},
	         {"fit", "groom.abc", "sphere.obj", "out.abc", "--report", "./out.abc"},
	         {"fit", "groom.abc", "sphere.obj", "-o", "sub/../out.abc", "--report=out.abc"},
	         {"fit", "groom.abc", "sphere.obj", "out.abc", "--report", "sphere.obj"},
	         {"fit", "groom.abc", "sphere.obj", "out.abc", "--picture", "./out.abc"},
	         {"fit", "groom.abc", "sphere.obj", "out.abc", "--picture", "groom.abc"},
	         {"fit", "groom.abc", "sphere.obj", "out.abc", "--report", "r.json", "--picture", "sub/../r.json"}})
	{
		SCOPED_TRACE(::testing::PrintToString(Args));
		const FChildOutcome Run = RunInChild(Args, Dir);
		EXPECT_EQ(Run.ExitCode, 1) << Run.Stderr;
		EXPECT_NE(Run.Stderr.find("it is the same file as the"), std::string::npos) << Run.Stderr;
		EXPECT_EQ(Snapshot(Dir), Before);
	}
}

TEST(CommandTable, FilesTheImporterReadCountAsInputs)
{
	// The importer's list of files, as the mesh loader hands it back: a material library not there yet
	// counts by its directory and name.
	const fs::path Dir = VelmoraTest::MakeTempDir("importer-inputs");
	std::ofstream(Dir / "head.obj") << "mtllib head.mtl\n";
	const std::string Mesh = (Dir / "head.obj").string(), Library = (Dir / "head.mtl").string();
	const std::vector<VelmoraCli::FInputFile> Inputs = {{Mesh, "mesh"}, {Library, "file the mesh importer read"}};
	std::string Error;
	EXPECT_FALSE(VelmoraCli::CheckOutputsAgainstInputs({{(Dir / "." / "head.mtl").string(), "output"}}, Inputs, Error));
	EXPECT_EQ(Error, "cannot write '" + (Dir / "." / "head.mtl").string() + "': it is the same file as the file the mesh importer read '" + Library + "'");
	// Through a folder that is not there, the name cannot be written at all, and is nobody's file.
	EXPECT_TRUE(VelmoraCli::CheckOutputsAgainstInputs({{(Dir / "a.abc").string(), "output"}, {(Dir / "x" / ".." / "a.abc").string(), "report"}}, {}, Error));
	fs::create_directory(Dir / "x");
	EXPECT_FALSE(VelmoraCli::CheckOutputsAgainstInputs({{(Dir / "a.abc").string(), "output"}, {(Dir / "x" / ".." / "a.abc").string(), "report"}}, {}, Error));
	EXPECT_TRUE(VelmoraCli::CheckOutputsAgainstInputs({{(Dir / "a.abc").string(), "output"}, {(Dir / "x" / "a.abc").string(), "report"}}, Inputs, Error)) << Error;
}

TEST(CommandTable, BadOptionValuesAreRefusedInOneLine)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("bad-values");
	MakeInputs(Dir, FNames());
	const auto Before = Snapshot(Dir);
	for (const FCommandRow& Row : Rows())
	{
		for (const std::vector<std::string>& Bad : Row.BadValues)
		{
			FNames Names;
			Names.Output = Row.Output;
			std::vector<std::string> Args = Row.Args(Names);
			Args.insert(Args.end(), Bad.begin(), Bad.end());
			SCOPED_TRACE(::testing::PrintToString(Args));
			ExpectUsageError(RunInChild(Args, Dir), Row.Name);
			EXPECT_EQ(Snapshot(Dir), Before);
		}
	}
	// The value is named, not mistaken for a file.
	const FChildOutcome Nan = RunInChild({"fit", "groom.abc", "sphere.obj", "out.abc", "--resolve-penetration", "nan"}, Dir);
	EXPECT_EQ(Nan.Stderr, "velmora fit: --resolve-penetration expects a finite distance of 0 or more, not 'nan' (see velmora fit --help)\n");
	const FChildOutcome Report = RunInChild({"fit", "groom.abc", "sphere.obj", "out.abc", "--report", "--json"}, Dir);
	EXPECT_EQ(Report.Stderr, "velmora fit: --report expects a file name, not the option '--json' (see velmora fit --help)\n");
}

TEST(CommandTable, AnInterruptEndsTheCommandByTheSignalAndLeavesNoPartialTarget)
{
	for (const FCommandRow& Row : Rows())
	{
		SCOPED_TRACE(Row.Name);
		// What an uninterrupted run leaves: the only files an interrupted one may leave besides its inputs.
		const fs::path Whole = VelmoraTest::MakeTempDir("interrupt-whole-" + Row.Name);
		MakeInputs(Whole, FNames());
		FNames Names;
		Names.Output = Row.Output;
		ASSERT_EQ(RunInChild(Row.Args(Names), Whole).ExitCode, 0);
		const auto Finished = Snapshot(Whole);
		bool bInterrupted = false;
		for (const int Delay : {0, 20, 60, 150, 400})
		{
			const fs::path Dir = VelmoraTest::MakeTempDir("interrupt-" + Row.Name);
			MakeInputs(Dir, FNames());
			const FChildOutcome Run = RunInChild(Row.Args(Names), Dir, SIGTERM, std::chrono::milliseconds(Delay));
			if (Run.Signal == 0)
			{
				EXPECT_EQ(Run.ExitCode, 0) << Run.Stderr;
				continue;
			}
			bInterrupted = true;
			EXPECT_EQ(Run.Signal, SIGTERM);
			for (const auto& [Name, Bytes] : Snapshot(Dir))
			{
				const auto Found = Finished.find(Name);
				EXPECT_TRUE(Found != Finished.end() && Found->second == Bytes) << Name << " left after the signal at " << Delay << " ms";
			}
		}
		EXPECT_TRUE(bInterrupted) << "no run was interrupted";
	}
}

TEST(CommandTable, PackAsIsWritesWhatTheWriterWouldAndPlainPackRefuses)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("pack-as-is");
	GroomData Groom;
	Groom.vertexCounts = {3, -2, 7};
	Groom.positions = {0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3};
	Groom.widths = {0.5f, 0.25f};
	Groom.surfaceNormals = {0, 0, 1, 0};
	std::ofstream(Dir / "odd.json", std::ios::binary) << VelmoraCli::GroomToJson(Groom, {});
	// A damaged record, written as the writer writes it: a file for readers to survive, not for the engine.
	testing::internal::CaptureStdout();
	WriteGroom((Dir / "writer.abc").string(), Groom);
	testing::internal::GetCapturedStdout();

	const FChildOutcome Refused = RunInChild({"pack", "odd.json", "refused.abc"}, Dir);
	EXPECT_EQ(Refused.ExitCode, 1);
	EXPECT_FALSE(fs::exists(Dir / "refused.abc"));

	const FChildOutcome AsIs = RunInChild({"pack", "--as-is", "odd.json", "as-is.abc", "-q"}, Dir, 0, std::chrono::milliseconds(0), EWrites::DamagedFile);
	ASSERT_EQ(AsIs.ExitCode, 0) << AsIs.Stderr;
	EXPECT_EQ(ReadText(Dir / "as-is.abc"), ReadText(Dir / "writer.abc"));

	// Counts that would make the writer allocate far past the record are still refused.
	std::ofstream(Dir / "huge.json") << R"({"positions": [0,0,0], "vertexCounts": [2147483647, 2147483647]})";
	const FChildOutcome Huge = RunInChild({"pack", "--as-is", "huge.json", "huge.abc"}, Dir);
	EXPECT_EQ(Huge.ExitCode, 1);
	EXPECT_NE(Huge.Stderr.find("more than 16777216 beyond"), std::string::npos) << Huge.Stderr;
	EXPECT_FALSE(fs::exists(Dir / "huge.abc"));
}
