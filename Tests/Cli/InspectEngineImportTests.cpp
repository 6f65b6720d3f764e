// 'velmora inspect' saying what the editor's groom import keeps and drops of a file, and naming a file it
// would crash on.
#include "../Prepare/PrepareTestHelpers.h"
#include "CliTestUtils.h"

#include <nlohmann/json.hpp>

using namespace CliTest;
using namespace PrepareTest;

namespace
{
	// The engine import block, from its first line to the end of what inspect printed.
	std::string EngineBlock(const FRun& Run)
	{
		EXPECT_EQ(Run.ExitCode, 0) << Run.Stderr;
		const size_t Start = Run.Stdout.find("engine import");
		return Start == std::string::npos ? std::string() : Run.Stdout.substr(Start);
	}

	nlohmann::json EngineJson(const FRun& Run)
	{
		EXPECT_EQ(Run.ExitCode, 0) << Run.Stderr;
		nlohmann::json Json;
		EXPECT_NO_THROW(Json = nlohmann::json::parse(Run.Stdout)) << Run.Stdout.substr(0, 400);
		return Json["engineImport"];
	}

	// Two strands, of three points and of two.
	GroomData TwoStrands()
	{
		GroomData Groom;
		Groom.vertexCounts = {3, 2};
		Groom.positions = {0, 0, 0, 0, 0, 1, 0, 0, 2, 1, 0, 0, 1, 0, 1};
		return Groom;
	}
}

TEST(InspectEngineImport, SaysPerStrandColoursAreDroppedAndPerPointWidthsKept)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("inspect-engine");
	WriteGroomQuietly(Dir / "groom.abc", SphereGroom(4, 3, 10.f, 1.f));
	EXPECT_EQ(EngineBlock(RunVelmora("inspect groom.abc", Dir)), "engine import   what the editor's groom import (UE 5.5) makes of /groom\n"
	                                                             "  colours       dropped: read per strand, and the engine colours only per point\n"
	                                                             "  widths        kept, one per point\n"
	                                                             "  root UVs      from uv, each strand's first point\n"
	                                                             "  guides        none: the engine makes its own\n");
	const nlohmann::json Json = EngineJson(RunVelmora("inspect --json groom.abc", Dir));
	EXPECT_EQ(Json["groom"], true);
	EXPECT_EQ(Json["crashes"], false);
	ASSERT_EQ(Json["objects"].size(), 1u);
	EXPECT_EQ(Json["objects"][0]["colours"], "dropped");
	EXPECT_EQ(Json["objects"][0]["widths"], "per point");
	EXPECT_EQ(Json["objects"][0]["rootUVs"], "uv");
}

TEST(InspectEngineImport, SaysPerPointColoursAreKeptAndTheDefaultWidthWithoutWidths)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("inspect-engine");
	GroomData Groom = TwoStrands();
	Groom.groomColors.assign(15, 0.5f);
	WriteGroomQuietly(Dir / "groom.abc", Groom);
	EXPECT_EQ(EngineBlock(RunVelmora("inspect groom.abc", Dir)), "engine import   what the editor's groom import (UE 5.5) makes of /groom\n"
	                                                             "  colours       kept, one per point\n"
	                                                             "  widths        none: the engine gives every point 0.01\n"
	                                                             "  root UVs      from uv, each strand's first point\n"
	                                                             "  guides        none: the engine makes its own\n");
	const nlohmann::json Json = EngineJson(RunVelmora("inspect --json groom.abc", Dir));
	EXPECT_EQ(Json["objects"][0]["colours"], "kept");
	EXPECT_EQ(Json["objects"][0]["widths"], "default");
	EXPECT_EQ(Json["objects"][0]["readsPast"], nlohmann::json::array());
}

// Widths labelled per point but holding one per strand, and an empty per-point colour: the import reads
// past both.
TEST(InspectEngineImport, NamesAFileTheEditorWouldCrashImporting)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("inspect-engine");
	WriteAbc(Dir / "crash.abc", [](OObject Top, OArchive&)
	         {
		         FCurvesRecipe Recipe = Lines({{0, 0, 0, 0, 0, 1, 0, 0, 2}, {1, 0, 0, 1, 0, 1}});
		         Recipe.Widths = {0.1f, 0.2f};
		         Recipe.WidthScope = kVertexScope;
		         Recipe.ColourName = "groom_color";
		         Recipe.ColourScope = kVertexScope;
		         AddCurves(Top, "groom", Recipe); });
	const std::string Block = EngineBlock(RunVelmora("inspect crash.abc", Dir));
	EXPECT_NE(Block.find("  reads past    width: 2 values at vertex scope, read as one per point for 2 strands of 5 points\n"
	                     "  reads past    groom_color: 0 values at vertex scope, read as one per point for 2 strands of 5 points\n"
	                     "  crash         the editor would crash importing this file\n"),
	          std::string::npos)
	    << Block;
	const nlohmann::json Json = EngineJson(RunVelmora("inspect --json crash.abc", Dir));
	EXPECT_EQ(Json["crashes"], true);
	EXPECT_EQ(Json["objects"][0]["readsPast"].size(), 2u);
}

TEST(InspectEngineImport, SaysAFileWithAPolymeshIsNoGroomToTheEditor)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("inspect-engine");
	WriteAbc(Dir / "head.abc", [](OObject Top, OArchive&)
	         {
		         AddCurves(Top, "hair", Lines({{0, 0, 0, 0, 0, 1}}));
		         MetaData Mesh;
		         Mesh.set("schema", "AbcGeom_PolyMesh_v1");
		         Mesh.set("schemaObjTitle", "AbcGeom_PolyMesh_v1:.geom");
		         OObject(Top, "scalp", Mesh); });
	EXPECT_EQ(EngineBlock(RunVelmora("inspect head.abc", Dir)),
	          "engine import   not a groom to the editor's import (UE 5.5): the file holds a polymesh (/scalp); velmora prepare writes its curves alone\n");
	const nlohmann::json Json = EngineJson(RunVelmora("inspect --json head.abc", Dir));
	EXPECT_EQ(Json["groom"], false);
	EXPECT_EQ(Json["polyMesh"], "/scalp");
}
