#include "CliTestUtils.h"

#include <nlohmann/json.hpp>

using namespace CliTest;

namespace
{
	// A sphere of radius 10 as a mesh file and a groom of 60 strands floating 2 units above it.
	struct FSphereScene
	{
		fs::path Dir;
		Host::FMeshData Sphere = Host::BuildSphere(10.f, 24, 48);

		explicit FSphereScene(const std::string& Label, const std::string& MeshExtension = ".obj")
		    : Dir(VelmoraTest::MakeTempDir(Label))
		{
			SaveMesh(Dir / ("sphere" + MeshExtension), Sphere);
			WriteGroomQuietly(Dir / "groom.abc", SphereGroom(60, 4, 10.f, 2.f));
		}
	};

	void ExpectRootsOnSphere(const GroomData& Fitted, const FVector& Centre, double Radius)
	{
		for (size_t Strand = 0; Strand < Fitted.vertexCounts.size(); ++Strand)
		{
			// A 24 x 48 sphere's flat faces sit at most 0.09 inside the true sphere.
			const double Distance = Length(Root(Fitted, Strand) - Centre);
			EXPECT_NEAR(Distance, Radius - 0.045, 0.05) << "strand " << Strand;
		}
	}
}

TEST(FitCommand, PutsEveryRootOfAFixtureGroomOnAnObjHead)
{
	VELMORA_REQUIRE_FIXTURES(Fixtures);
	// big_groom's 2,000 roots lie in a disc around the origin, normals along +Y: the head's crown,
	// turned from +Z to +Y, is put right there.
	const fs::path Dir = VelmoraTest::MakeTempDir("fit-fixture");
	const Host::FMeshData Head = Host::Translated(Host::BuildHead(2000), FVector3f(0, 0, -11.5f));
	SaveMesh(Dir / "head.obj", Head);

	const FRun Run = RunVelmora("fit '" + (Fixtures / "big_groom.abc").string() + "' head.obj fitted.abc --mesh-rotation 0,0,-90 --json", Dir);
	ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
	const nlohmann::json Summary = nlohmann::json::parse(Run.Stdout);
	EXPECT_EQ(Summary["strands"], 2000);
	EXPECT_EQ(Summary["points"], 32000);
	EXPECT_EQ(Summary["mode"], "surface normal");
	EXPECT_EQ(Summary["hits"], 2000);
	EXPECT_EQ(Summary["misses"], 0);

	const FTransform Placement(FRotator(0, 0, -90));
	Host::FMeshData Placed = Head;
	for (FVector3f& Position : Placed.Positions)
	{
		Position = FVector3f(Placement.TransformPosition(FVector(Position)));
	}
	const GroomData Fitted = ReadGroomQuietly(Dir / "fitted.abc");
	ASSERT_EQ(Fitted.vertexCounts.size(), 2000u);
	for (size_t Strand = 0; Strand < Fitted.vertexCounts.size(); Strand += 7)
	{
		EXPECT_LT(DistanceToMesh(Root(Fitted, Strand), Placed), 1e-3) << "strand " << Strand;
	}
}

TEST(FitCommand, ReadsMeshesInEveryFormatAssimpWritesWithFacesOutwards)
{
	// Three strands without normals, pointing down: from an origin above the sphere their rays arrive
	// at its top from outside, which single-sided collision takes only if the faces still look out.
	GroomData Down;
	for (const FVector3f Root : {FVector3f(0.1f, 0, -1), FVector3f(-0.1f, 0.2f, -1), FVector3f(0.2f, -0.2f, -1)})
	{
		Down.vertexCounts.push_back(1);
		Down.positions.insert(Down.positions.end(), {Root.X, Root.Y, Root.Z});
	}
	for (const char* Extension : {".obj", ".gltf", ".glb", ".fbx", ".ply", ".stl"})
	{
		SCOPED_TRACE(Extension);
		const FSphereScene Scene("fit-format", Extension);
		const FRun Run = RunVelmora(std::string("fit groom.abc sphere") + Extension + " fitted.abc --quiet", Scene.Dir);
		ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
		EXPECT_EQ(Run.Stdout, "");
		ExpectRootsOnSphere(ReadGroomQuietly(Scene.Dir / "fitted.abc"), FVector::ZeroVector, 10.0);

		WriteGroomQuietly(Scene.Dir / "down.abc", Down);
		const FRun Outside = RunVelmora(std::string("fit down.abc sphere") + Extension + " down-fitted.abc --single-sided --origin 0,0,25 --json", Scene.Dir);
		ASSERT_EQ(Outside.ExitCode, 0) << Outside.Stderr;
		EXPECT_EQ(nlohmann::json::parse(Outside.Stdout)["hits"], 3);
	}
}

TEST(FitCommand, PlacesTheMeshAndTheActorAsTold)
{
	const FSphereScene Scene("fit-placement");
	// The groom is placed at the origin + 0,0,100 for the trace, so the sphere must stand there too;
	// stored points are relative to the actor, which stands at the origin unless told otherwise.
	const FRun World = RunVelmora("fit groom.abc sphere.obj world.abc --origin 0,0,100 --mesh-location 0 0 100 --actor-location 0,0,0 -q", Scene.Dir);
	ASSERT_EQ(World.ExitCode, 0) << World.Stderr;
	ExpectRootsOnSphere(ReadGroomQuietly(Scene.Dir / "world.abc"), FVector(0, 0, 100), 10.0);

	const FRun Relative = RunVelmora("fit groom.abc sphere.obj -o relative.abc --origin=0,0,100 --mesh-location=0,0,100 -q", Scene.Dir);
	ASSERT_EQ(Relative.ExitCode, 0) << Relative.Stderr;
	ExpectRootsOnSphere(ReadGroomQuietly(Scene.Dir / "relative.abc"), FVector::ZeroVector, 10.0);

	// Scaled by 1.2 the sphere reaches radius 12: the roots, 2 above radius 10, are now on it.
	const FRun Scaled = RunVelmora("fit groom.abc sphere.obj scaled.abc --mesh-scale 1.2 -q", Scene.Dir);
	ASSERT_EQ(Scaled.ExitCode, 0) << Scaled.Stderr;
	ExpectRootsOnSphere(ReadGroomQuietly(Scene.Dir / "scaled.abc"), FVector::ZeroVector, 12.0);
}

TEST(FitCommand, SummarySaysModeHitsAndMisses)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("fit-summary");
	SaveMesh(Dir / "sphere.obj", Host::BuildSphere(10.f, 24, 48));
	// Without normals the fit casts rays from the origin: 20 units reach a sphere of 10 but not one
	// placed 100 away, so the second groom misses everything.
	WriteGroomQuietly(Dir / "spherical.abc", SphereGroom(30, 3, 10.f, 2.f, FVector::ZeroVector, false));
	// The summary speaks in the command's words; the plugin's own log lines only when asked for.
	const FRun Hits = RunVelmora("fit spherical.abc sphere.obj out.abc", Dir);
	ASSERT_EQ(Hits.ExitCode, 0) << Hits.Stderr;
	EXPECT_EQ(Hits.Stdout.find("LogTemp"), std::string::npos) << Hits.Stdout;
	EXPECT_EQ(Hits.Stdout.find("writing to file"), std::string::npos) << Hits.Stdout;
	EXPECT_NE(RunVelmora("fit spherical.abc sphere.obj out.abc -v", Dir).Stdout.find("LogTemp: Error: Using shperical projection to fit groom\n"), std::string::npos);
	EXPECT_NE(Hits.Stdout.find("strands  30\n"), std::string::npos);
	EXPECT_NE(Hits.Stdout.find("points   90\n"), std::string::npos);
	EXPECT_NE(Hits.Stdout.find("mode     spherical projection\n"), std::string::npos);
	EXPECT_NE(Hits.Stdout.find("hits     30\nmisses   0\n"), std::string::npos);
	ExpectRootsOnSphere(ReadGroomQuietly(Dir / "out.abc"), FVector::ZeroVector, 10.0);

	// Every trace missed: a failure in one line with both bounds, nothing written; the fit's log is shown
	// when asked for.
	const FRun Missed = RunVelmora("fit spherical.abc sphere.obj missed.abc --mesh-location 100,0,0 --verbose", Dir);
	EXPECT_EQ(Missed.ExitCode, 1);
	EXPECT_NE(Missed.Stderr.find("velmora fit: no strand's trace met the mesh (30 traced, 0 hits), nothing written: groom at ("), std::string::npos) << Missed.Stderr;
	EXPECT_NE(Missed.Stderr.find("mesh at (90, -10, -10)-(110, 10, 10)\n"), std::string::npos) << Missed.Stderr;
	// Thirty identical warnings fold into one line.
	EXPECT_NE(Missed.Stdout.find("no Hit detected, this should not happen (x30)"), std::string::npos) << Missed.Stdout;
	EXPECT_FALSE(fs::exists(Dir / "missed.abc"));

	// Snapped to the nearest point, the same misses are a fit.
	const FRun Snapped = RunVelmora("fit spherical.abc sphere.obj snapped.abc --mesh-location 100,0,0 --on-miss nearest --json", Dir);
	ASSERT_EQ(Snapped.ExitCode, 0) << Snapped.Stderr;
	const nlohmann::json Summary = nlohmann::json::parse(Snapped.Stdout);
	EXPECT_EQ(Summary["hits"], 0);
	EXPECT_EQ(Summary["misses"], 30);
	EXPECT_EQ(Summary["mode"], "spherical");
	EXPECT_NE(Summary["log"].dump().find("no Hit detected, this should not happen (x30)"), std::string::npos) << Summary["log"].dump();
	for (const char* Stage : {"mesh", "read", "trace", "write", "total"})
	{
		EXPECT_GE(Summary["seconds"][Stage].get<double>(), 0.0) << Stage;
	}
}

TEST(FitCommand, ShowsProgressOnStderr)
{
	const FSphereScene Scene("fit-progress");
	const FRun Run = RunVelmora("fit groom.abc sphere.obj out.abc --progress", Scene.Dir);
	ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
	EXPECT_NE(Run.Stderr.find("Fitting groom: 100% (60/60)"), std::string::npos) << Run.Stderr;
	EXPECT_EQ(Run.Stdout.find("Fitting groom"), std::string::npos);

	const FRun Quiet = RunVelmora("fit groom.abc sphere.obj out.abc", Scene.Dir);
	EXPECT_EQ(Quiet.Stderr, "") << "stderr is not a terminal here, so no progress unless asked";
}

TEST(FitCommand, BadInputEndsWithOneLineAndNoFile)
{
	const FSphereScene Scene("fit-bad");
	std::ofstream(Scene.Dir / "garbage.abc") << "not an archive";
	std::ofstream(Scene.Dir / "garbage.obj") << "not a mesh";
	std::ofstream(Scene.Dir / "lines.obj") << "v 0 0 0\nv 1 0 0\nv 0 1 0\nl 1 2\nl 2 3\n";
	std::ofstream(Scene.Dir / "nan.obj") << "v nan 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
	fs::create_directory(Scene.Dir / "folder");
	WriteGroomQuietly(Scene.Dir / "empty.abc", GroomData());
	const std::vector<std::string> Before = ListDir(Scene.Dir);

	const struct
	{
		const char* Arguments;
		const char* Reason;
	} Cases[] = {
	    {"missing.abc sphere.obj out.abc", "velmora fit: groom 'missing.abc' does not exist\n"},
	    {"garbage.abc sphere.obj out.abc", "velmora fit: cannot read groom 'garbage.abc': "},
	    {"folder sphere.obj out.abc", "velmora fit: groom 'folder' is not a file\n"},
	    {"empty.abc sphere.obj out.abc", "velmora fit: groom 'empty.abc' holds no strands\n"},
	    {"groom.abc missing.obj out.abc", "velmora fit: mesh 'missing.obj' does not exist\n"},
	    {"groom.abc garbage.obj out.abc", "velmora fit: cannot read mesh 'garbage.obj'"},
	    {"groom.abc lines.obj out.abc", "velmora fit: mesh 'lines.obj' has no triangles\n"},
	    {"groom.abc nan.obj out.abc", "velmora fit: cannot read mesh 'nan.obj': a vertex is not at a finite position\n"},
	    {"groom.abc sphere.obj nowhere/out.abc", "velmora fit: cannot write 'nowhere/out.abc': directory 'nowhere' does not exist\n"},
	    {"groom.abc sphere.obj groom.abc/out.abc", "velmora fit: cannot write 'groom.abc/out.abc': 'groom.abc' is not a directory\n"},
	    {"groom.abc sphere.obj folder", "velmora fit: cannot write 'folder': it is a directory\n"},
	};
	for (const auto& Case : Cases)
	{
		SCOPED_TRACE(Case.Arguments);
		const FRun Run = RunVelmora(std::string("fit ") + Case.Arguments, Scene.Dir);
		EXPECT_EQ(Run.ExitCode, 1);
		EXPECT_EQ(Run.Stderr.rfind(Case.Reason, 0), 0u) << Run.Stderr;
		EXPECT_EQ(std::count(Run.Stderr.begin(), Run.Stderr.end(), '\n'), 1) << Run.Stderr;
		EXPECT_EQ(ListDir(Scene.Dir), Before);
		EXPECT_EQ(ListDir(Scene.Dir / "folder"), std::vector<std::string>());
	}
}

TEST(FitCommand, AFailedFitLeavesAnEarlierOutputAlone)
{
	const FSphereScene Scene("fit-keep");
	std::ofstream(Scene.Dir / "out.abc") << "earlier";
	std::ofstream(Scene.Dir / "garbage.obj") << "not a mesh";
	EXPECT_EQ(RunVelmora("fit groom.abc garbage.obj out.abc", Scene.Dir).ExitCode, 1);
	EXPECT_EQ(ReadText(Scene.Dir / "out.abc"), "earlier");

	// And a good one replaces it.
	EXPECT_EQ(RunVelmora("fit groom.abc sphere.obj out.abc -q", Scene.Dir).ExitCode, 0);
	ExpectRootsOnSphere(ReadGroomQuietly(Scene.Dir / "out.abc"), FVector::ZeroVector, 10.0);
}

TEST(FitCommand, RejectsBadCommandLinesWithUsage)
{
	const FSphereScene Scene("fit-usage");
	for (const char* Arguments : {"", "groom.abc sphere.obj", "groom.abc sphere.obj a.abc b.abc", "groom.abc sphere.obj out.abc --origin 1,2",
	                              "groom.abc sphere.obj out.abc --origin 1 2", "groom.abc sphere.obj out.abc --mesh-scale x", "groom.abc sphere.obj out.abc --frobnicate",
	                              "groom.abc sphere.obj out.abc --origin nan,0,0", "groom.abc sphere.obj -o"})
	{
		SCOPED_TRACE(Arguments);
		const FRun Run = RunVelmora(std::string("fit ") + Arguments, Scene.Dir);
		EXPECT_EQ(Run.ExitCode, 2);
		EXPECT_NE(Run.Stderr.find("(see velmora fit --help)"), std::string::npos) << Run.Stderr;
		EXPECT_FALSE(fs::exists(Scene.Dir / "out.abc"));
	}
}

TEST(FitCommand, MeshCollisionIsDoubleSidedUnlessSingleSidedIsAsked)
{
	// A cube written as any exporter writes it, every face counter-clockwise seen from outside, and a
	// groom without normals: the fit traces from the origin towards each root.
	const fs::path Dir = VelmoraTest::MakeTempDir("fit-sides");
	std::ofstream(Dir / "cube.obj") << "v -5 -5 -5\nv 5 -5 -5\nv 5 5 -5\nv -5 5 -5\nv -5 -5 5\nv 5 -5 5\nv 5 5 5\nv -5 5 5\n"
	                                   "f 1 4 3\nf 1 3 2\nf 5 6 7\nf 5 7 8\nf 1 2 6\nf 1 6 5\nf 4 8 7\nf 4 7 3\nf 1 5 8\nf 1 8 4\nf 2 3 7\nf 2 7 6\n";
	GroomData Groom;
	for (const FVector3f Root : {FVector3f(0.1f, 0, -1), FVector3f(-0.1f, 0.2f, -1), FVector3f(0.3f, -0.2f, -1)})
	{
		Groom.vertexCounts.push_back(2);
		Groom.positions.insert(Groom.positions.end(), {Root.X, Root.Y, Root.Z, Root.X, Root.Y, Root.Z - 1});
	}
	WriteGroomQuietly(Dir / "groom.abc", Groom);

	const auto Fit = [&Dir](const std::string& Options)
	{
		const FRun Run = RunVelmora("fit groom.abc cube.obj out.abc --json " + Options, Dir);
		EXPECT_EQ(Run.ExitCode, 0) << Run.Stderr;
		return nlohmann::json::parse(Run.Stdout);
	};
	// From inside, as the fit's segments run on a head: only double-sided collision takes them. Single-
	// sided, every trace misses: the fit fails, and its log (shown with --verbose) says why.
	EXPECT_EQ(Fit("")["hits"], 3);
	const FRun SingleSided = RunVelmora("fit groom.abc cube.obj missed.abc --single-sided --verbose", Dir);
	EXPECT_EQ(SingleSided.ExitCode, 1);
	EXPECT_NE(SingleSided.Stderr.find("no strand's trace met the mesh (3 traced, 0 hits)"), std::string::npos) << SingleSided.Stderr;
	EXPECT_NE(SingleSided.Stdout.find("Turn on Double Sided Geometry"), std::string::npos) << SingleSided.Stdout;
	EXPECT_FALSE(fs::exists(Dir / "missed.abc"));
	// From outside, above the cube: the top face, loaded facing out, is hit single-sided too.
	EXPECT_EQ(Fit("--single-sided --origin 0,0,15")["hits"], 3);
	// Stored relative to the actor, which stands at the origin: the top face, 10 below it.
	const GroomData Fitted = ReadGroomQuietly(Dir / "out.abc");
	EXPECT_NEAR(Root(Fitted, 0).Z, 5.0 - 15.0, 1e-5);
}

TEST(FitCommand, RefusesAnOutputNamingAFileTheImporterReadsAndLeavesItAlone)
{
	for (const auto& [MeshName, Companion] : {std::pair<std::string, std::string>{"sphere.obj", "sphere.mtl"}, {"sphere.gltf", "sphere.bin"}})
	{
		const FSphereScene Scene("fit-companion", MeshName.substr(MeshName.find('.')));
		if (MeshName == "sphere.obj")
		{
			// Our OBJs name no material library; other tools' do.
			const std::string Obj = ReadText(Scene.Dir / MeshName);
			std::ofstream(Scene.Dir / MeshName) << "mtllib sphere.mtl\n"
			                                    << Obj;
			std::ofstream(Scene.Dir / Companion) << "newmtl skin\nKd 1 0.8 0.7\n";
		}
		ASSERT_TRUE(fs::exists(Scene.Dir / Companion)) << "the exporter wrote no " << Companion;
		const std::string Before = ReadText(Scene.Dir / Companion);

		const FRun Run = RunVelmora("fit groom.abc " + MeshName + " " + Companion, Scene.Dir);
		EXPECT_EQ(Run.ExitCode, 1) << Run.Stderr;
		EXPECT_NE(Run.Stderr.find("the file the mesh importer read"), std::string::npos) << Run.Stderr;
		EXPECT_EQ(ReadText(Scene.Dir / Companion), Before) << Companion;
		// The mesh still reads as before.
		EXPECT_EQ(RunVelmora("check groom.abc " + MeshName, Scene.Dir).ExitCode, 0) << MeshName;
	}
}
