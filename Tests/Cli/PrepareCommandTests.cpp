// 'velmora inspect' listing every object of a DCC groom, and 'velmora prepare' turning it into a groom
// the fit reads: on small files made here, and on the real files of ../shared/realworld where it exists.
#include "../Prepare/PrepareTestHelpers.h"
#include "CliTestUtils.h"
#include "GroomJson.h"

#include <nlohmann/json.hpp>

#include <fstream>

using namespace CliTest;
using namespace PrepareTest;

namespace
{
	const std::string Hdf5Line = "an HDF5 Alembic archive; re-export it as Ogawa";

	// Under /moved (a move of 10 along Z): /moved/first, two strands with N and Cd per strand; then
	// /second at the top, one strand of two points with neither.
	fs::path WriteTwoGrooms(const fs::path& Dir)
	{
		const fs::path Path = Dir / "dcc.abc";
		WriteAbc(Path, [](OObject Top, OArchive&)
		         {
			         FCurvesRecipe First = Lines({{0, 0, 0, 0, 0, 1}, {1, 0, 0, 1, 0, 2}});
			         First.Normals = {0, 1, 0, 0, 1, 0};
			         First.ColourName = "Cd";
			         First.Colours = {1, 0, 0, 0, 1, 0};
			         AddCurves(AddXform(Top, "moved", Translate(0, 0, 10)), "first", First);
			         AddCurves(Top, "second", Lines({{5, 5, 5, 5, 5, 6}})); });
		return Path;
	}

	void WriteHdf5Bytes(const fs::path& Path)
	{
		std::ofstream(Path, std::ios::binary) << std::string("\x89HDF\r\n\x1a\n", 8) << std::string(600, '\0');
	}

	nlohmann::json ParseJson(const FRun& Run)
	{
		nlohmann::json Json;
		EXPECT_NO_THROW(Json = nlohmann::json::parse(Run.Stdout)) << Run.Stdout.substr(0, 400) << Run.Stderr;
		return Json;
	}

	// Lines of Text, for counting what a command printed.
	size_t LineCount(const std::string& Text)
	{
		return static_cast<size_t>(std::count(Text.begin(), Text.end(), '\n'));
	}

	std::vector<std::string> Names(const fs::path& Dir)
	{
		std::vector<std::string> Found;
		for (const fs::directory_entry& Entry : fs::directory_iterator(Dir))
		{
			Found.push_back(Entry.path().filename().string());
		}
		std::sort(Found.begin(), Found.end());
		return Found;
	}

	void ExpectBounds(const nlohmann::json& Bounds, const std::array<double, 3>& Min, const std::array<double, 3>& Max, double Tolerance)
	{
		ASSERT_TRUE(Bounds.is_array() && Bounds.size() == 2) << Bounds.dump();
		for (int Axis = 0; Axis < 3; ++Axis)
		{
			EXPECT_NEAR(Bounds[0][Axis].get<double>(), Min[Axis], Tolerance) << "min, axis " << Axis;
			EXPECT_NEAR(Bounds[1][Axis].get<double>(), Max[Axis], Tolerance) << "max, axis " << Axis;
		}
	}
}

TEST(InspectObjects, JsonListsEveryObjectBesideTheRecord)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("inspect-objects");
	WriteTwoGrooms(Dir);
	const FRun Run = RunVelmora("inspect --json dcc.abc", Dir);
	ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
	const nlohmann::json Json = ParseJson(Run);
	// The record is still the fit's: the first curves object as stored, without N or Cd.
	EXPECT_EQ(Json["vertexCounts"], nlohmann::json({2, 2}));
	EXPECT_EQ(Json["positions"][2], 0);
	EXPECT_TRUE(Json["surfaceNormals"].empty());
	const nlohmann::json& Objects = Json["objects"];
	ASSERT_EQ(Objects.size(), 3u) << Objects.dump(1);
	EXPECT_EQ(Objects[0]["path"], "/moved");
	EXPECT_EQ(Objects[0]["kind"], "Xform");
	const nlohmann::json& First = Objects[1];
	EXPECT_EQ(First["path"], "/moved/first");
	EXPECT_EQ(First["fitReads"], true);
	EXPECT_EQ(First["strands"], 2);
	EXPECT_EQ(First["points"], 4);
	EXPECT_EQ(First["curveType"], "linear");
	EXPECT_EQ(First["wrap"], "non-periodic");
	EXPECT_EQ(First["samples"], 1);
	EXPECT_EQ(First["transforms"], nlohmann::json({"/moved"}));
	EXPECT_EQ(First["identityTransform"], false);
	ExpectBounds(First["worldBounds"], {0, 0, 10}, {1, 0, 12}, 0);
	ASSERT_EQ(First["attributes"].size(), 2u) << First["attributes"].dump(1);
	EXPECT_EQ(First["attributes"][0], nlohmann::json({{"name", "N"}, {"role", "normals"}, {"type", "float32_t"}, {"extent", 3}, {"interpretation", "normal"}, {"scope", "uniform"}, {"indexed", false}, {"scalar", false}, {"count", 2}}));
	EXPECT_EQ(First["attributes"][1]["name"], "Cd");
	EXPECT_EQ(First["attributes"][1]["role"], "arbitrary");
	EXPECT_EQ(First["attributes"][1]["interpretation"], "rgb");
	EXPECT_EQ(Objects[2]["path"], "/second");
	EXPECT_EQ(Objects[2]["fitReads"], false);
	EXPECT_EQ(Objects[2]["transformCount"], 0);
	ExpectBounds(Objects[2]["worldBounds"], {5, 5, 5}, {5, 5, 6}, 0);
}

TEST(InspectObjects, SaysWhatTheFitLeavesOutAndThePrepareLineThatBringsItIn)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("inspect-text");
	WriteTwoGrooms(Dir);
	const FRun Run = RunVelmora("inspect dcc.abc", Dir);
	ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
	// Today's summary first, then the objects.
	EXPECT_NE(Run.Stdout.find("strands         2"), std::string::npos) << Run.Stdout;
	EXPECT_NE(Run.Stdout.find("/moved/first  Curve, 1 sample  <- the fit reads this one"), std::string::npos) << Run.Stdout;
	EXPECT_NE(Run.Stdout.find("world bounds    (0, 0, 10) to (1, 0, 12)"), std::string::npos) << Run.Stdout;
	EXPECT_NE(Run.Stdout.find("N               normals, float32_t x3 (normal), uniform scope, 2 values"), std::string::npos) << Run.Stdout;
	EXPECT_NE(Run.Stdout.find("fit ignores     the curves object /second; the transforms above it (/moved); its N and Cd\n"), std::string::npos) << Run.Stdout;
	EXPECT_NE(Run.Stdout.find("to bring it in  velmora prepare dcc.abc PREPARED.abc\n"
	                          "                would merge the 2 curves objects, apply the transforms, take N as surface_normal and take the colour as groom_color"),
	          std::string::npos)
	    << Run.Stdout;

	// A groom the plugin wrote needs nothing.
	WriteGroomQuietly(Dir / "own.abc", SphereGroom(3, 4, 10.f, 1.f));
	const FRun Own = RunVelmora("inspect own.abc", Dir);
	ASSERT_EQ(Own.ExitCode, 0) << Own.Stderr;
	// Its uvs, which the plugin's writer stores and the fit passes over, are all it leaves out.
	EXPECT_NE(Own.Stdout.find("fit ignores     its uv\n"), std::string::npos) << Own.Stdout;
	EXPECT_EQ(Own.Stdout.find("velmora prepare"), std::string::npos) << Own.Stdout;
}

TEST(InspectObjects, TheRecordIsTheSameWithTheObjectsBesideIt)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("inspect-record");
	WriteGroomQuietly(Dir / "own.abc", SphereGroom(5, 3, 10.f, 1.f));
	const FRun Run = RunVelmora("inspect --json own.abc", Dir);
	ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
	nlohmann::json Json = ParseJson(Run);
	ASSERT_TRUE(Json.contains("objects"));
	ASSERT_TRUE(Json.contains("engineImport"));
	Json.erase("objects");
	Json.erase("engineImport");
	bool bFailed = false;
	testing::internal::CaptureStdout();
	const GroomData Groom = ReadGroom((Dir / "own.abc").string(), bFailed);
	testing::internal::GetCapturedStdout();
	EXPECT_EQ(Json, nlohmann::json::parse(VelmoraCli::GroomToJson(Groom, {})));
}

TEST(PrepareCommand, MergesEveryObjectWithItsTransformAndTheDccAttributes)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("prepare-merge");
	WriteTwoGrooms(Dir);
	const FRun Run = RunVelmora("prepare dcc.abc out.abc --json", Dir);
	ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
	EXPECT_EQ(Run.Stderr, "");
	const nlohmann::json Json = ParseJson(Run);
	EXPECT_EQ(Json["strands"], 3);
	EXPECT_EQ(Json["points"], 6);
	EXPECT_EQ(Json["objects"], nlohmann::json({"/moved/first", "/second"}));
	// The lowest point after the move is /second's.
	ExpectBounds(Json["bounds"], {0, 0, 5}, {5, 5, 12}, 0);
	const std::string Done = Json["done"].dump();
	EXPECT_NE(Done.find("wrote out.abc"), std::string::npos) << Done;
	EXPECT_EQ(Done.find(".velmora-"), std::string::npos) << "the staging path leaked: " << Done;

	const GroomData Groom = ReadGroomQuietly(Dir / "out.abc");
	EXPECT_EQ(Groom.vertexCounts, (std::vector<int32_t>{2, 2, 2}));
	EXPECT_EQ(Groom.positions, (std::vector<float>{0, 0, 10, 0, 0, 11, 1, 0, 10, 1, 0, 12, 5, 5, 5, 5, 5, 6}));
	EXPECT_EQ(Json["normals"].get<int64_t>() * 3, static_cast<int64_t>(Groom.surfaceNormals.size()));
	EXPECT_EQ(Json["colours"].get<int64_t>() * 3, static_cast<int64_t>(Groom.groomColors.size()));
	// Nothing but the output is left beside it.
	EXPECT_EQ(Names(Dir), (std::vector<std::string>{"dcc.abc", "out.abc"}));

	const FRun Text = RunVelmora("prepare dcc.abc -o text.abc", Dir);
	ASSERT_EQ(Text.ExitCode, 0) << Text.Stderr;
	EXPECT_NE(Text.Stdout.find("prepared dcc.abc -> text.abc"), std::string::npos) << Text.Stdout;
	EXPECT_NE(Text.Stdout.find("merged /second"), std::string::npos) << Text.Stdout;
	EXPECT_NE(Text.Stdout.find("bounds   (0, 0, 5) to (5, 5, 12)"), std::string::npos) << Text.Stdout;
	// The writer's own line is the plugin's log: shown with -v only.
	EXPECT_EQ(Text.Stdout.find("writing to file"), std::string::npos) << Text.Stdout;
	EXPECT_NE(RunVelmora("prepare dcc.abc -o verbose.abc -v", Dir).Stdout.find("writing to file"), std::string::npos);
	EXPECT_EQ(RunVelmora("prepare dcc.abc quiet.abc -q", Dir).Stdout, "");
}

TEST(PrepareCommand, ObjectUpAndScaleReachTheNode)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("prepare-options");
	WriteTwoGrooms(Dir);
	const FRun Run = RunVelmora("prepare dcc.abc out.abc --object /moved --up y --scale 100 --json", Dir);
	ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
	const nlohmann::json Json = ParseJson(Run);
	EXPECT_EQ(Json["objects"], nlohmann::json({"/moved/first"}));
	EXPECT_EQ(Json["strands"], 2);
	// (x, y, z) -> (x, -z, y), then centimetres: z of 10..12 becomes y of -1200..-1000.
	ExpectBounds(Json["bounds"], {0, -1200, 0}, {100, -1000, 0}, 1e-9);
	const GroomData Groom = ReadGroomQuietly(Dir / "out.abc");
	EXPECT_EQ(Groom.positions[1], -1000.f);

	// Then centred on the origin and stood where its head is.
	const FRun Placed = RunVelmora("prepare dcc.abc placed.abc --object /moved --up y --scale 100 --center --translate 0,0,165 --json", Dir);
	ASSERT_EQ(Placed.ExitCode, 0) << Placed.Stderr;
	const nlohmann::json PlacedJson = ParseJson(Placed);
	ExpectBounds(PlacedJson["bounds"], {-50, -100, 165}, {50, 100, 165}, 1e-9);
	EXPECT_EQ(PlacedJson["moved"], nlohmann::json({-50, 1100, 165}));
	EXPECT_NE(PlacedJson["done"].dump().find("centred and moved by (-50, 1100, 165)"), std::string::npos) << PlacedJson["done"].dump();
	EXPECT_EQ(ReadGroomQuietly(Dir / "placed.abc").positions[1], 100.f);
	const FRun Far = RunVelmora("prepare dcc.abc far.abc --translate 1e39,0,0", Dir);
	EXPECT_EQ(Far.ExitCode, 2) << Far.Stderr;
	EXPECT_FALSE(fs::exists(Dir / "far.abc"));
}

TEST(PrepareCommand, RefusesWhatTheNodeRefusesInOneLineAndWritesNothing)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("prepare-refusals");
	WriteTwoGrooms(Dir);
	WriteHdf5Bytes(Dir / "old.abc");
	const auto Before = Names(Dir);
	const std::vector<std::pair<std::string, std::string>> Cases = {
	    {"prepare dcc.abc out.abc --object /nowhere", "velmora prepare: dcc.abc: no object /nowhere in the file\n"},
	    {"prepare dcc.abc out.abc --frame 3", ""},
	    {"prepare old.abc out.abc", "velmora prepare: old.abc: " + Hdf5Line + "\n"},
	    {"prepare missing.abc out.abc", ""},
	};
	for (const auto& [Arguments, Expected] : Cases)
	{
		SCOPED_TRACE(Arguments);
		const FRun Run = RunVelmora(Arguments, Dir);
		EXPECT_EQ(Run.ExitCode, 1);
		EXPECT_EQ(Run.Stdout, "");
		// The node's own Error line ("PrepareGroom: ...; ... was not written") is not said twice.
		EXPECT_EQ(LineCount(Run.Stderr), 1u) << Run.Stderr;
		EXPECT_EQ(Run.Stderr.find("PrepareGroom:"), std::string::npos) << Run.Stderr;
		EXPECT_EQ(Run.Stderr.find("/proc/self"), std::string::npos) << Run.Stderr;
		if (!Expected.empty())
		{
			EXPECT_EQ(Run.Stderr, Expected);
		}
		EXPECT_EQ(Names(Dir), Before);
	}

	const FRun Inspect = RunVelmora("inspect old.abc", Dir);
	EXPECT_EQ(Inspect.ExitCode, 1);
	EXPECT_EQ(Inspect.Stdout, "");
	EXPECT_EQ(Inspect.Stderr, "velmora inspect: cannot read groom 'old.abc': " + Hdf5Line + "\n");
	EXPECT_EQ(RunVelmora("inspect --json old.abc", Dir).Stdout,
	          "{\n  \"command\": \"inspect\",\n  \"error\": \"cannot read groom 'old.abc': " + Hdf5Line + "\"\n}\n");

	// An earlier file at the target stays as it was.
	std::ofstream(Dir / "kept.abc") << "earlier";
	EXPECT_EQ(RunVelmora("prepare old.abc kept.abc", Dir).ExitCode, 1);
	EXPECT_EQ(ReadText(Dir / "kept.abc"), "earlier");
}

TEST(PrepareRealFiles, InspectListsCortexCurvesThreeObjectsAndTheBlenderWorldBounds)
{
	VELMORA_REQUIRE_REAL_FILE(Cortex, "cortex_curves.abc");
	VELMORA_REQUIRE_REAL_FILE(Blender, "unity_FHeadModel.abc");
	const fs::path Dir = VelmoraTest::MakeTempDir("inspect-real");
	nlohmann::json Json = ParseJson(RunVelmora("inspect --json '" + Cortex.string() + "'", Dir));
	std::vector<std::string> Curves;
	int64_t Points = 0;
	for (const nlohmann::json& Object : Json["objects"])
	{
		if (Object["kind"] == "Curve")
		{
			Curves.push_back(Object["path"]);
			Points += Object["points"].get<int64_t>();
		}
	}
	EXPECT_EQ(Curves, (std::vector<std::string>{"/nurbsCircle/object", "/curve/object", "/linearLine/object"}));
	EXPECT_EQ(Points, 17);

	const FRun Head = RunVelmora("inspect --json '" + Blender.string() + "'", Dir);
	EXPECT_EQ(Head.ExitCode, 0) << Head.Stderr;
	Json = ParseJson(Head);
	bool bFound = false;
	for (const nlohmann::json& Object : Json["objects"])
	{
		if (Object["path"] == "/Head/Curves")
		{
			bFound = true;
			EXPECT_EQ(Object["strands"], 4053);
			EXPECT_EQ(Object["points"], 36477);
			ExpectBounds(Object["worldBounds"], {-1.018, 2.192, -1.105}, {1.003, 5.006, 1.392}, 1e-3);
		}
	}
	EXPECT_TRUE(bFound) << Json["objects"].dump(1);
	const FRun Text = RunVelmora("inspect '" + Blender.string() + "'", Dir);
	EXPECT_NE(Text.Stdout.find("velmora prepare"), std::string::npos) << Text.Stdout;
}

TEST(PrepareRealFiles, PreparesTheBlenderGroomAtItsWorldBoundsAndInCentimetresZUp)
{
	VELMORA_REQUIRE_REAL_FILE(Blender, "unity_FHeadModel.abc");
	const fs::path Dir = VelmoraTest::MakeTempDir("prepare-blender");
	const FRun Run = RunVelmora("prepare --json '" + Blender.string() + "' head.abc", Dir);
	ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
	nlohmann::json Json = ParseJson(Run);
	EXPECT_EQ(Json["strands"], 4053);
	EXPECT_EQ(Json["points"], 36477);
	EXPECT_EQ(Json["normals"], 4053);
	ExpectBounds(Json["bounds"], {-1.018, 2.192, -1.105}, {1.003, 5.006, 1.392}, 1e-3);
	EXPECT_EQ(ReadGroomQuietly(Dir / "head.abc").surfaceNormals.size(), 3u * 4053u);

	const FRun Up = RunVelmora("prepare --json '" + Blender.string() + "' head_cm.abc --up y --scale 100", Dir);
	ASSERT_EQ(Up.ExitCode, 0) << Up.Stderr;
	Json = ParseJson(Up);
	ExpectBounds(Json["bounds"], {-101.8, -139.2, 219.2}, {100.3, 110.5, 500.6}, 0.1);
}

TEST(PrepareRealFiles, PreparesEveryHoudiniAndMayaCurvesObject)
{
	VELMORA_REQUIRE_REAL_FILE(Cortex, "cortex_curves.abc");
	VELMORA_REQUIRE_REAL_FILE(Width, "cortex_widthTest.abc");
	const fs::path Dir = VelmoraTest::MakeTempDir("prepare-cortex");
	FRun Run = RunVelmora("prepare --json '" + Cortex.string() + "' curves.abc", Dir);
	ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
	nlohmann::json Json = ParseJson(Run);
	EXPECT_EQ(Json["strands"], 3);
	EXPECT_EQ(Json["points"], 17);
	EXPECT_NE(Json["dropped"].dump().find("periodic"), std::string::npos) << Json["dropped"].dump(1);

	Run = RunVelmora("prepare --json '" + Width.string() + "' width.abc", Dir);
	ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
	Json = ParseJson(Run);
	EXPECT_EQ(Json["strands"], 2);
	EXPECT_EQ(Json["points"], 8);
	EXPECT_EQ(Json["colours"], 8);
	EXPECT_EQ(ReadGroomQuietly(Dir / "width.abc").groomColors.size(), 24u);
}

TEST(PrepareRealFiles, TheHdf5ArchiveIsRefusedByBothCommands)
{
	VELMORA_REQUIRE_REAL_FILE(Cube, "alembic_prman_cube.abc");
	const fs::path Dir = VelmoraTest::MakeTempDir("real-hdf5");
	for (const std::string& Command : {"inspect", "inspect --json", "prepare"})
	{
		SCOPED_TRACE(Command);
		const FRun Run = RunVelmora(Command + " '" + Cube.string() + "'" + (Command == "prepare" ? " out.abc" : ""), Dir);
		EXPECT_EQ(Run.ExitCode, 1);
		// With --json the reason is on stdout too, as JSON.
		EXPECT_EQ(Run.Stdout.empty(), Command != "inspect --json") << Run.Stdout;
		EXPECT_EQ(LineCount(Run.Stderr), 1u) << Run.Stderr;
		EXPECT_NE(Run.Stderr.find(Hdf5Line), std::string::npos) << Run.Stderr;
	}
	EXPECT_TRUE(fs::is_empty(Dir));
}
