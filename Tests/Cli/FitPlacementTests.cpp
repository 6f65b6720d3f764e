#include "CliTestUtils.h"
#include "Picture.h"

#include <nlohmann/json.hpp>

using namespace CliTest;

namespace
{
	// A sphere of radius 10 about the origin as sphere.obj, and Groom as groom.abc.
	fs::path MakeScene(const std::string& Label, const GroomData& Groom)
	{
		const fs::path Dir = VelmoraTest::MakeTempDir(Label);
		SaveMesh(Dir / "sphere.obj", Host::BuildSphere(10.f, 24, 48));
		WriteGroomQuietly(Dir / "groom.abc", Groom);
		return Dir;
	}

	// Two groom records as one: the strands of A, then those of B.
	GroomData Joined(GroomData A, const GroomData& B)
	{
		A.vertexCounts.insert(A.vertexCounts.end(), B.vertexCounts.begin(), B.vertexCounts.end());
		A.positions.insert(A.positions.end(), B.positions.begin(), B.positions.end());
		A.widths.insert(A.widths.end(), B.widths.begin(), B.widths.end());
		A.groomColors.insert(A.groomColors.end(), B.groomColors.begin(), B.groomColors.end());
		A.surfaceNormals.insert(A.surfaceNormals.end(), B.surfaceNormals.begin(), B.surfaceNormals.end());
		return A;
	}

	// An OBJ of named objects, each a sphere of Radius about the origin, as a file with a head and a hat
	// over it holds them.
	void SaveObjParts(const fs::path& Path, const std::vector<std::pair<std::string, float>>& Parts)
	{
		std::ofstream File(Path);
		size_t Base = 1;
		for (const auto& [Name, Radius] : Parts)
		{
			const Host::FMeshData Sphere = Host::BuildSphere(Radius, 24, 48);
			File << "o " << Name << "\n";
			for (const FVector3f& P : Sphere.Positions)
			{
				File << "v " << P.X << " " << P.Y << " " << P.Z << "\n";
			}
			// The engine winds clockwise, OBJ counter-clockwise.
			for (int32 Corner = 0; Corner + 2 < Sphere.Indices.Num(); Corner += 3)
			{
				File << "f " << Base + Sphere.Indices[Corner] << " " << Base + Sphere.Indices[Corner + 2] << " " << Base + Sphere.Indices[Corner + 1] << "\n";
			}
			Base += static_cast<size_t>(Sphere.Positions.Num());
		}
	}

	size_t CountLines(const std::string& Text)
	{
		return static_cast<size_t>(std::count(Text.begin(), Text.end(), '\n'));
	}

	std::optional<fs::path> RealWorldFile(const std::string& Name)
	{
		const auto Dir = VelmoraTest::RealWorldDir();
		if (!Dir || !fs::exists(*Dir / Name))
		{
			return std::nullopt;
		}
		return *Dir / Name;
	}
}

TEST(FitPlacement, AGroomThatMeetsNothingFailsWithBothBoundsAndWritesNothing)
{
	// 100 units off along X: every trace misses.
	const fs::path Dir = MakeScene("fit-nothing-hit", SphereGroom(40, 4, 10.f, 1.f, FVector(100, 0, 0)));
	const std::vector<std::string> Inputs = ListDir(Dir);
	const FRun Run = RunVelmora("fit groom.abc sphere.obj out.abc --report r.json --no-progress -q", Dir);
	EXPECT_EQ(Run.ExitCode, 1) << Run.Stderr;
	EXPECT_EQ(CountLines(Run.Stderr), 1u) << Run.Stderr;
	EXPECT_NE(Run.Stderr.find("no strand's trace met the mesh (40 traced, 0 hits), nothing written"), std::string::npos) << Run.Stderr;
	// The groom's bounds as placed at the origin, and the mesh's.
	EXPECT_NE(Run.Stderr.find("groom at (8"), std::string::npos) << Run.Stderr;
	EXPECT_NE(Run.Stderr.find("as placed for the fit, mesh at (-10, -10, -10)-(10, 10, 10)\n"), std::string::npos) << Run.Stderr;
	EXPECT_EQ(ListDir(Dir), Inputs);

	// The origin that brings the groom to the mesh fits it.
	const FRun Placed = RunVelmora("fit groom.abc sphere.obj out.abc --origin -100,0,0 --no-progress --json", Dir);
	ASSERT_EQ(Placed.ExitCode, 0) << Placed.Stderr;
	EXPECT_EQ(nlohmann::json::parse(Placed.Stdout)["hits"], 40);
}

TEST(FitPlacement, MissesSnappedToTheSurfaceAreNoTotalMiss)
{
	const fs::path Dir = MakeScene("fit-nothing-hit-snapped", SphereGroom(12, 4, 10.f, 1.f, FVector(100, 0, 0)));
	const FRun Run = RunVelmora("fit groom.abc sphere.obj out.abc --on-miss nearest --no-progress --json", Dir);
	ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
	const nlohmann::json Summary = nlohmann::json::parse(Run.Stdout);
	EXPECT_EQ(Summary["hits"], 0);
	EXPECT_EQ(Summary["report"]["missesSnapped"], 12);
	EXPECT_TRUE(fs::exists(Dir / "out.abc"));
}

TEST(FitPlacement, SomeMissesStayASuccessThatCountsThem)
{
	const fs::path Dir = MakeScene("fit-some-misses", Joined(SphereGroom(30, 4, 10.f, 2.f), SphereGroom(3, 4, 10.f, 1.f, FVector(100, 0, 0))));
	const FRun Run = RunVelmora("fit groom.abc sphere.obj out.abc --no-progress", Dir);
	ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
	EXPECT_NE(Run.Stdout.find("hits     30\n"), std::string::npos) << Run.Stdout;
	EXPECT_NE(Run.Stdout.find("misses   3 (left where they were)"), std::string::npos) << Run.Stdout;
	EXPECT_NE(Run.Stdout.find("mesh at  (-10, -10, -10)-(10, 10, 10)"), std::string::npos) << Run.Stdout;
	// The strands missed are written back where they were.
	const GroomData Source = ReadGroomQuietly(Dir / "groom.abc");
	const GroomData Fitted = ReadGroomQuietly(Dir / "out.abc");
	ASSERT_EQ(Fitted.vertexCounts.size(), 33u);
	for (size_t Strand = 30; Strand < 33; ++Strand)
	{
		EXPECT_EQ(Root(Fitted, Strand), Root(Source, Strand)) << "strand " << Strand;
	}
}

TEST(FitPlacement, SummaryGivesTheGroomAsPlacedAndTheMeshAsItStands)
{
	const fs::path Dir = MakeScene("fit-bounds", SphereGroom(30, 4, 10.f, 2.f));
	const FRun Run = RunVelmora("fit groom.abc sphere.obj out.abc --origin 0,0,100 --mesh-location 0,0,100 --mesh-scale 1.2 --no-progress --json", Dir);
	ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
	const nlohmann::json Bounds = nlohmann::json::parse(Run.Stdout)["bounds"];
	EXPECT_NEAR(Bounds["mesh"]["min"][2].get<double>(), 88.0, 1e-3);
	EXPECT_NEAR(Bounds["mesh"]["max"][0].get<double>(), 12.0, 1e-3);
	// The groom's topmost point: lifted 2, three half-units up its strand, at the origin's height.
	EXPECT_GT(Bounds["groom"]["max"][2].get<double>(), 113.0);
	EXPECT_LT(Bounds["groom"]["max"][2].get<double>(), 113.6);
	EXPECT_GT(Bounds["groom"]["min"][2].get<double>(), 100.0);
}

// A placement the engine cannot trace, or an actor so far from the groom that the fitted points' floats
// would flatten its strands, is refused before any work, with or without repairs, and nothing is written.
TEST(FitPlacement, PlacementsNoFloatOrWorldCanHoldAreRefused)
{
	const fs::path Dir = MakeScene("fit-far", SphereGroom(30, 4, 10.f, 2.f));
	const struct
	{
		const char* Options;
		const char* Reason;
	} Cases[] = {
	    {"--actor-location 1e10,0,0", "the fitted groom would be stored 1e+10 from the actor location, where a float's step"},
	    {"--actor-location 1e10,0,0 --on-miss nearest", "its strands would lose their shape (see --actor-location)"},
	    {"--mesh-location 1e13,0,0", "the mesh as placed lies at"},
	    {"--origin 0,0,1e13 --actor-location 0,0,1e13", "the groom as placed lies at"},
	};
	for (const auto& Case : Cases)
	{
		SCOPED_TRACE(Case.Options);
		const FRun Run = RunVelmora(std::string("fit groom.abc sphere.obj out.abc -q ") + Case.Options, Dir);
		EXPECT_EQ(Run.ExitCode, 1);
		EXPECT_NE(Run.Stderr.find(Case.Reason), std::string::npos) << Run.Stderr;
		EXPECT_FALSE(fs::exists(Dir / "out.abc"));
	}
	// A world a few kilometres across keeps its strands.
	EXPECT_EQ(RunVelmora("fit groom.abc sphere.obj out.abc -q --origin 2e5,0,0 --mesh-location 2e5,0,0 --actor-location 2e5,0,0", Dir).ExitCode, 0);
}

// Given only --origin, the groom's actor stands there too: the fitted groom stays in the file's own frame,
// hits and misses alike, and the roots moved by the lift, not by the placement. Two places say so.
TEST(FitPlacement, TheOriginAlonePlacesTheActorToo)
{
	const fs::path Dir = MakeScene("fit-one-frame", SphereGroom(30, 4, 10.f, 2.f));
	const FRun Run = RunVelmora("fit groom.abc sphere.obj out.abc --origin 0,0,130 --mesh-location 0,0,130 --no-progress --json", Dir);
	ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
	const GroomData Fitted = ReadGroomQuietly(Dir / "out.abc");
	for (size_t Strand = 0; Strand < Fitted.vertexCounts.size(); ++Strand)
	{
		EXPECT_NEAR(Length(Root(Fitted, Strand)), 10.0, 0.05) << Strand;
	}
	EXPECT_TRUE(nlohmann::json::parse(Run.Stdout)["warnings"].empty());

	const FRun Apart = RunVelmora("fit groom.abc sphere.obj out.abc --origin 0,0,130 --mesh-location 0,0,130 --actor-location 0,0,100 --no-progress --json", Dir);
	ASSERT_EQ(Apart.ExitCode, 0) << Apart.Stderr;
	EXPECT_NE(nlohmann::json::parse(Apart.Stdout)["warnings"].dump().find("--actor-location differs from --origin"), std::string::npos) << Apart.Stdout;
}

TEST(FitPlacement, WarnsOfFarPlacementUnitsASmallMeshAndAnOriginOutsideTheMesh)
{
	{
		// Roots of one point on a ball of radius 0.4 beside a sphere of 10, 100 units off: far and in other units.
		const fs::path Dir = MakeScene("fit-warn-far", SphereGroom(10, 1, 0.3f, 0.1f, FVector(0, 0, 100)));
		const FRun Run = RunVelmora("fit groom.abc sphere.obj out.abc --no-progress --json", Dir);
		EXPECT_EQ(Run.ExitCode, 1);
		EXPECT_NE(Run.Stderr.find("velmora fit: warning: the groom lies far outside the mesh"), std::string::npos) << Run.Stderr;
		EXPECT_NE(Run.Stderr.find("times the size of the mesh: other units?"), std::string::npos) << Run.Stderr;
		const FRun Quiet = RunVelmora("fit groom.abc sphere.obj out.abc --no-progress -q", Dir);
		EXPECT_EQ(CountLines(Quiet.Stderr), 1u) << Quiet.Stderr;
	}
	{
		// Near and of one size: no warning; in --json, an empty list.
		const fs::path Dir = MakeScene("fit-warn-none", SphereGroom(10, 3, 10.f, 1.f));
		const FRun Run = RunVelmora("fit groom.abc sphere.obj out.abc --no-progress --json", Dir);
		ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
		EXPECT_EQ(Run.Stderr, "");
		EXPECT_EQ(nlohmann::json::parse(Run.Stdout)["warnings"], nlohmann::json::array());
	}
	{
		// A head 4 across, in units of which a trace reaches 5 either way: traces from its near side start
		// beyond its far side.
		const fs::path Dir = MakeScene("fit-warn-small", SphereGroom(10, 2, 2.f, 0.2f));
		const FRun Run = RunVelmora("fit groom.abc sphere.obj out.abc --mesh-scale 0.2 --no-progress --json", Dir);
		EXPECT_NE(Run.Stderr.find("the mesh is 4 units across, and each strand's trace reaches 5 units to either side of its root: roots may land on "
		                          "the far side of the head"),
		          std::string::npos)
		    << Run.Stderr;
	}
	{
		// Without normals the fit casts rays from the origin: from outside the head, they hit its far side.
		const fs::path Dir = MakeScene("fit-warn-origin", SphereGroom(10, 3, 10.f, 1.f, FVector::ZeroVector, false));
		const FRun Run = RunVelmora("fit groom.abc sphere.obj out.abc --origin 0,0,-30 --no-progress --json", Dir);
		const nlohmann::json Summary = nlohmann::json::parse(Run.Stdout.empty() ? "{}" : Run.Stdout);
		EXPECT_NE(Run.Stderr.find("the spherical fit's origin (0, 0, -30) is outside the mesh's bounds"), std::string::npos) << Run.Stderr;
		if (Run.ExitCode == 0)
		{
			ASSERT_TRUE(Summary["warnings"].is_array());
			EXPECT_NE(Summary["warnings"].dump().find("spherical fit's origin"), std::string::npos);
		}
	}
}

TEST(FitPlacement, MeshPartFitsOntoTheNamedPartOnly)
{
	// A head of radius 10 and a hat of 12 over it; roots at 13, traced from 8 to 18 along their normals.
	const fs::path Dir = VelmoraTest::MakeTempDir("fit-mesh-part");
	SaveObjParts(Dir / "parts.obj", {{"Head", 10.f}, {"Hat", 12.f}});
	WriteGroomQuietly(Dir / "groom.abc", SphereGroom(20, 3, 10.f, 3.f));
	const auto RootRadius = [&](const std::string& Output)
	{
		const GroomData Fitted = ReadGroomQuietly(Dir / Output);
		double Sum = 0;
		for (size_t Strand = 0; Strand < Fitted.vertexCounts.size(); ++Strand)
		{
			Sum += Length(Root(Fitted, Strand));
		}
		return Sum / static_cast<double>(std::max<size_t>(1, Fitted.vertexCounts.size()));
	};

	const FRun Both = RunVelmora("fit groom.abc parts.obj both.abc --no-progress --json", Dir);
	ASSERT_EQ(Both.ExitCode, 0) << Both.Stderr;
	EXPECT_EQ(nlohmann::json::parse(Both.Stdout)["meshTriangles"], 2 * Host::BuildSphere(10.f, 24, 48).NumTriangles());
	EXPECT_NEAR(RootRadius("both.abc"), 10.0, 0.1);

	const FRun Hat = RunVelmora("fit groom.abc parts.obj hat.abc --mesh-part Hat --no-progress --json", Dir);
	ASSERT_EQ(Hat.ExitCode, 0) << Hat.Stderr;
	const nlohmann::json Summary = nlohmann::json::parse(Hat.Stdout);
	EXPECT_EQ(Summary["meshTriangles"], Host::BuildSphere(10.f, 24, 48).NumTriangles());
	EXPECT_EQ(Summary["meshParts"], nlohmann::json::array({"Hat"}));
	EXPECT_NEAR(Summary["bounds"]["mesh"]["max"][2].get<double>(), 12.0, 1e-3);
	EXPECT_NEAR(RootRadius("hat.abc"), 12.0, 0.1);

	const FRun Head = RunVelmora("fit groom.abc parts.obj head.abc --mesh-part Head --mesh-part=Head --no-progress", Dir);
	ASSERT_EQ(Head.ExitCode, 0) << Head.Stderr;
	EXPECT_NEAR(RootRadius("head.abc"), 10.0, 0.1);

	// An unknown name: one line with the names there are, nothing written.
	const std::vector<std::string> Before = ListDir(Dir);
	const FRun Unknown = RunVelmora("fit groom.abc parts.obj nose.abc --mesh-part Hat --mesh-part Nose --no-progress", Dir);
	EXPECT_EQ(Unknown.ExitCode, 1);
	EXPECT_EQ(CountLines(Unknown.Stderr), 1u) << Unknown.Stderr;
	EXPECT_NE(Unknown.Stderr.find("has no part named 'Nose'"), std::string::npos) << Unknown.Stderr;
	EXPECT_NE(Unknown.Stderr.find("'Head'"), std::string::npos) << Unknown.Stderr;
	EXPECT_NE(Unknown.Stderr.find("'Hat'"), std::string::npos) << Unknown.Stderr;
	EXPECT_EQ(ListDir(Dir), Before);
}

// A character's bones would fill the list of names an unknown part is answered with: the meshes come
// first, and what does not fit is counted.
TEST(FitPlacement, AnUnknownPartNamesTheMeshesFirst)
{
	const fs::path Dir = MakeScene("mesh-part-bones", SphereGroom(8, 3, 10.f, 2.f));
	std::string Children, Bones;
	for (int Bone = 1; Bone <= 60; ++Bone)
	{
		Children += std::to_string(Bone) + ",";
		Bones += R"(,{"name":"bone)" + std::to_string(Bone) + R"("})";
	}
	// One triangle's three corners, base64.
	std::ofstream(Dir / "character.gltf") << R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[{"name":"Armature","children":[)" << Children
	                                      << R"(61]})" << Bones << R"(,{"name":"BodyNode","mesh":0}],"meshes":[{"name":"Body","primitives":[{"attributes":{"POSITION":0}}]}],)"
	                                      << R"("accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[1,1,0]}],)"
	                                      << R"("bufferViews":[{"buffer":0,"byteLength":36}],"buffers":[{"byteLength":36,)"
	                                      << R"("uri":"data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA"}]})";
	const FRun Run = RunVelmora("check groom.abc character.gltf --mesh-part Head", Dir);
	EXPECT_EQ(Run.ExitCode, 1);
	EXPECT_NE(Run.Stderr.find("(its parts: 'Body', 'BodyNode', 'Armature', 'bone1', "), std::string::npos) << Run.Stderr;
	EXPECT_NE(Run.Stderr.find(" and 13 more; see velmora inspect MESH)\n"), std::string::npos) << Run.Stderr;
}

TEST(FitPlacement, InspectListsAMeshFilesParts)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("inspect-mesh-parts");
	SaveObjParts(Dir / "parts.obj", {{"Head", 10.f}, {"Hat", 12.f}});
	const int64 Triangles = Host::BuildSphere(10.f, 24, 48).NumTriangles();
	const FRun Run = RunVelmora("inspect parts.obj", Dir);
	ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
	EXPECT_NE(Run.Stdout.find(std::to_string(2 * Triangles) + " triangles"), std::string::npos) << Run.Stdout;
	EXPECT_NE(Run.Stdout.find("node 'Hat': " + std::to_string(Triangles) + " triangles, (-12, -12, -12)-(12, 12, 12)"), std::string::npos) << Run.Stdout;
	EXPECT_NE(Run.Stdout.find("node 'Head': " + std::to_string(Triangles) + " triangles, (-10, -10, -10)-(10, 10, 10)"), std::string::npos) << Run.Stdout;

	const FRun Json = RunVelmora("inspect parts.obj --json", Dir);
	ASSERT_EQ(Json.ExitCode, 0) << Json.Stderr;
	const nlohmann::json Parts = nlohmann::json::parse(Json.Stdout);
	EXPECT_EQ(Parts["triangles"], 2 * Triangles);
	EXPECT_EQ(Parts["mesh"], "parts.obj");

	const FRun Missing = RunVelmora("inspect nothing.obj", Dir);
	EXPECT_EQ(Missing.ExitCode, 1);
	EXPECT_NE(Missing.Stderr.find("does not exist"), std::string::npos) << Missing.Stderr;
}

TEST(FitPlacement, MeshPartIsPickedByItsNameAsInspectShowsIt)
{
	// Part names holding a terminal's escape and a right-to-left override.
	const fs::path Dir = VelmoraTest::MakeTempDir("fit-mesh-part-escaped");
	SaveObjParts(Dir / "parts.obj", {{"Head\x1b[7m", 10.f}, {"Hat\xE2\x80\xAE", 12.f}});
	WriteGroomQuietly(Dir / "groom.abc", SphereGroom(20, 3, 10.f, 3.f));
	const FRun Listed = RunVelmora("inspect parts.obj", Dir);
	ASSERT_EQ(Listed.ExitCode, 0) << Listed.Stderr;
	EXPECT_EQ(Listed.Stdout.find('\x1b'), std::string::npos) << Listed.Stdout;
	EXPECT_EQ(Listed.Stdout.find("\xE2\x80\xAE"), std::string::npos) << Listed.Stdout;
	EXPECT_NE(Listed.Stdout.find("'Head\\x1b[7m'"), std::string::npos) << Listed.Stdout;
	EXPECT_NE(Listed.Stdout.find("'Hat\\u202e'"), std::string::npos) << Listed.Stdout;

	const FRun Hat = RunVelmora("fit groom.abc parts.obj hat.abc --mesh-part 'Hat\\u202e' --no-progress --json", Dir);
	ASSERT_EQ(Hat.ExitCode, 0) << Hat.Stderr;
	EXPECT_NEAR(nlohmann::json::parse(Hat.Stdout)["bounds"]["mesh"]["max"][2].get<double>(), 12.0, 1e-3);

	// An unknown name: the line of names there are stays one line, the names escaped.
	const FRun Unknown = RunVelmora("fit groom.abc parts.obj nose.abc --mesh-part Nose --no-progress", Dir);
	EXPECT_EQ(Unknown.ExitCode, 1);
	EXPECT_EQ(CountLines(Unknown.Stderr), 1u) << Unknown.Stderr;
	EXPECT_EQ(Unknown.Stderr.find('\x1b'), std::string::npos) << Unknown.Stderr;
}

TEST(FitPlacement, DrawsTheFitAsAPictureAndTheTotalMissOnlyWhenAsked)
{
	const fs::path Dir = MakeScene("fit-picture", SphereGroom(30, 4, 10.f, 2.f));
	const FRun Run = RunVelmora("fit groom.abc sphere.obj out.abc --picture fit.png --no-progress", Dir);
	ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
	EXPECT_NE(Run.Stdout.find("picture  fit.png\n"), std::string::npos) << Run.Stdout;
	VelmoraCli::FPicturePixels Pixels;
	std::string Error;
	ASSERT_TRUE(VelmoraCli::ReadPicturePng((Dir / "fit.png").string(), Pixels, Error)) << Error;
	EXPECT_GT(Pixels.Width, 400);
	EXPECT_GT(Pixels.Height, 200);

	// Nothing hit: the picture alone is written, and the line says so.
	WriteGroomQuietly(Dir / "far.abc", SphereGroom(10, 3, 10.f, 1.f, FVector(100, 0, 0)));
	const FRun Missed = RunVelmora("fit far.abc sphere.obj far-out.abc --picture far.png --report far.json --no-progress -q", Dir);
	EXPECT_EQ(Missed.ExitCode, 1);
	EXPECT_NE(Missed.Stderr.find("(the picture was written to 'far.png')"), std::string::npos) << Missed.Stderr;
	EXPECT_TRUE(VelmoraCli::ReadPicturePng((Dir / "far.png").string(), Pixels, Error)) << Error;
	EXPECT_FALSE(fs::exists(Dir / "far-out.abc"));
	EXPECT_FALSE(fs::exists(Dir / "far.json"));
}

TEST(FitPlacement, WarnsWhenTheGroomFileHoldsMoreThanTheFitReads)
{
	const auto Groom = RealWorldFile("cortex_widthTest.abc");
	if (!Groom)
	{
		GTEST_SKIP() << "cortex_widthTest.abc not found in ../shared/realworld beside the checkout; skipped";
	}
	const fs::path Dir = VelmoraTest::MakeTempDir("fit-warn-file");
	SaveMesh(Dir / "sphere.obj", Host::BuildSphere(10.f, 24, 48));
	const FRun Run = RunVelmora("fit '" + Groom->string() + "' sphere.obj --no-progress -o out.abc --json", Dir);
	EXPECT_NE(Run.Stderr.find("the groom file holds 2 curves objects (2 strands); the fit reads only the first"), std::string::npos) << Run.Stderr;
	EXPECT_NE(Run.Stderr.find("has colours 'Cd' but no 'groom_color'"), std::string::npos) << Run.Stderr;
	EXPECT_NE(Run.Stderr.find("(to write the groom the fit reads: velmora prepare " + Groom->string() + " PREPARED.abc)\n"), std::string::npos) << Run.Stderr;
}

TEST(FitPlacement, ListsTheReadyPlayerMeAvatarsParts)
{
	const auto Mesh = RealWorldFile("readyplayer.me.glb");
	if (!Mesh)
	{
		GTEST_SKIP() << "readyplayer.me.glb not found in ../shared/realworld beside the checkout; skipped";
	}
	const FRun Run = RunVelmora("inspect '" + Mesh->string() + "' --json", VelmoraTest::MakeTempDir("inspect-readyplayer"));
	ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
	const nlohmann::json Parts = nlohmann::json::parse(Run.Stdout);
	EXPECT_EQ(Parts["meshes"], 10);
	EXPECT_EQ(Parts["triangles"], 15817);
}
