#include "CliTestUtils.h"

#include <csignal>
#include <cstring>

using namespace CliTest;

namespace
{
	void WriteText(const fs::path& Path, const std::string& Text)
	{
		std::ofstream File(Path, std::ios::binary);
		File << Text;
	}

	std::string Repeat(const std::string& Piece, int Count)
	{
		std::string Text;
		Text.reserve(Piece.size() * static_cast<size_t>(Count));
		for (int Index = 0; Index < Count; ++Index)
		{
			Text += Piece;
		}
		return Text;
	}

	// A glTF whose one mesh is a triangle in an embedded buffer, with the given "nodes" and "scenes".
	std::string GltfWithNodes(const std::string& Nodes)
	{
		// Three vec3 floats (0,0,0), (1,0,0), (0,1,0), base64.
		const std::string Buffer = "AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA";
		return R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":)" + Nodes +
		       R"(,"meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],)"
		       R"("accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[1,1,0]}],)"
		       R"("bufferViews":[{"buffer":0,"byteLength":36}],"buffers":[{"byteLength":36,"uri":"data:application/octet-stream;base64,)" +
		       Buffer + R"("}]})";
	}

	struct FHostileCase
	{
		const char* Name;
		const char* File;
		std::string (*Make)();
		// Loops and bombs run under small limits so the test stays light; crashes run under the defaults.
		const char* Options = "";
		// A file that is only deep, not broken, reads fine.
		bool bReadable = false;
	};
	constexpr const char* Small = " --mesh-memory-limit 512 --mesh-time-limit 3";

	const FHostileCase HostileCases[] = {
	    // A header that never ends: the reader waits for "end_header" for ever.
	    {"PlyHeaderThatNeverEnds", "loop.ply", []
	     { return std::string("ply\nformat ascii 1.0\n"); },
	     Small},
	    {"DeeplyNestedGltfJson", "nested.gltf", []
	     { return R"({"asset":{"version":"2.0"},"extras":)" + Repeat("[", 2000000) + Repeat("]", 2000000) + "}"; }},
	    {"GltfNodeChain", "chain.gltf", []
	     {
		     std::string Nodes = "[";
		     for (int Node = 0; Node < 100000; ++Node)
		     {
			     // Only the deepest node holds the mesh: the depth is the hazard, not the instances.
			     Nodes += (Node ? "," : "") + (Node + 1 < 100000 ? std::string(R"({"children":[)") + std::to_string(Node + 1) + "]}" : std::string(R"({"mesh":0})"));
		     }
		     return GltfWithNodes(Nodes + "]");
	     },
	     "", true},
	    // Each node holds the next one twice: 2^60 paths through 60 nodes.
	    {"GltfSharedChildren", "shared.gltf", []
	     {
		     std::string Nodes = "[";
		     for (int Node = 0; Node < 60; ++Node)
		     {
			     const std::string Next = std::to_string(Node + 1);
			     Nodes += (Node ? "," : "") + std::string(R"({"mesh":0,"children":[)") + (Node + 1 < 60 ? Next + "," + Next : "") + "]}";
		     }
		     return GltfWithNodes(Nodes + "]");
	     },
	     Small},
	    // A binary glTF whose JSON chunk claims four gigabytes.
	    {"GlbWithHugeJsonLength", "huge.glb", []
	     {
		     std::string Bytes("glTF\x02\x00\x00\x00\x1c\x00\x00\x00\xf0\xff\xff\xff"
		                       "JSON{}  ",
		                       24);
		     return Bytes + "    ";
	     }},
	    {"DeeplyNestedAsciiFbx", "nested.fbx", []
	     { return "; FBX 7.4.0 project file\nFBXHeaderExtension:  {\n" + Repeat("A: {\n", 200000) + Repeat("}\n", 200000) + "}\n"; }},
	    {"ObjWithHundredThousandGroups", "groups.obj", []
	     {
		     std::string Text = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
		     for (int Group = 0; Group < 100000; ++Group)
		     {
			     Text += "g g" + std::to_string(Group) + "\nusemtl m" + std::to_string(Group) + "\nf 1 2 3\n";
		     }
		     return Text;
	     },
	     Small},
	};

	class HostileMesh : public testing::TestWithParam<FHostileCase>
	{
	};
}

// Whatever the importer does with the file (crash, loop, swallow memory), the command ends promptly in
// one line naming the file, exit status 1, and leaves nothing behind. A file that is merely deep loads.
TEST_P(HostileMesh, FitEndsInOneLineAndLeavesNothingBehind)
{
	const FHostileCase& Case = GetParam();
	const fs::path Dir = VelmoraTest::MakeTempDir("hostile-mesh");
	WriteGroomQuietly(Dir / "groom.abc", SphereGroom(4, 3, 10.f, 1.f));
	WriteText(Dir / Case.File, Case.Make());
	const std::vector<std::string> Before = ListDir(Dir);

	// The guard's own time limits bound the run; a hang would stop the suite at its timeout.
	const FRun Run = RunVelmora(std::string("fit groom.abc ") + Case.File + " fitted.abc -q" + Case.Options, Dir);
	if (Case.bReadable)
	{
		EXPECT_EQ(Run.ExitCode, 0) << Run.Stderr;
		EXPECT_TRUE(fs::is_regular_file(Dir / "fitted.abc"));
		return;
	}
	EXPECT_EQ(Run.ExitCode, 1) << Run.Stderr;
	EXPECT_TRUE(Run.Stderr.starts_with(std::string("velmora fit: cannot read mesh '") + Case.File + "'")) << Run.Stderr;
	EXPECT_EQ(std::count(Run.Stderr.begin(), Run.Stderr.end(), '\n'), 1) << Run.Stderr;
	EXPECT_EQ(ListDir(Dir), Before);
}

INSTANTIATE_TEST_SUITE_P(Importer, HostileMesh, testing::ValuesIn(HostileCases), [](const testing::TestParamInfo<FHostileCase>& Info)
                         { return std::string(Info.param.Name); });

TEST(MeshImportGuard, CrashInTheImporterIsAnUnreadableFile)
{
	Host::FMeshData Mesh;
	bool bFlag = false;
	std::string Error;
	const bool bLoaded = VelmoraCli::RunGuardedImport(
	    "head.obj", {}, [](Host::FMeshData&, bool&, std::vector<std::string>&, std::string&) -> bool
	    {
		                                                  std::raise(SIGSEGV);
		                                                  return true; },
	    Mesh, bFlag, Error);
	EXPECT_FALSE(bLoaded);
	EXPECT_EQ(Error, "cannot read mesh 'head.obj': the importer crashed (signal 11, SIGSEGV)");
}

TEST(MeshImportGuard, LoopIsStoppedByTheTimeLimit)
{
	VelmoraCli::FMeshImportLimits Limits;
	Limits.TimeSeconds = 1;
	Host::FMeshData Mesh;
	bool bFlag = false;
	std::string Error;
	EXPECT_FALSE(VelmoraCli::RunGuardedImport(
	    "head.obj", Limits, [](Host::FMeshData&, bool&, std::vector<std::string>&, std::string&) -> bool
	    {
		                                          volatile uint64_t Spin = 0;
		                                          for (;;)
		                                          {
			                                          Spin = Spin + 1u;
		                                          } },
	    Mesh, bFlag, Error));
	EXPECT_EQ(Error, "cannot read mesh 'head.obj': took too long (more than 1 s; see --mesh-time-limit)");
}

TEST(MeshImportGuard, AllocationBeyondTheMemoryLimitIsReportedAsSuch)
{
#if defined(__SANITIZE_ADDRESS__)
	GTEST_SKIP() << "AddressSanitizer's allocator reports a failed allocation itself instead of throwing";
#endif
	VelmoraCli::FMeshImportLimits Limits;
	Limits.MemoryMB = 128;
	Host::FMeshData Mesh;
	bool bFlag = false;
	std::string Error;
	EXPECT_FALSE(VelmoraCli::RunGuardedImport(
	    "head.obj", Limits, [](Host::FMeshData&, bool&, std::vector<std::string>&, std::string&) -> bool
	    {
		                                          std::vector<char> Huge(size_t(1) << 30, 'x');
		                                          return Huge.back() == 'x'; },
	    Mesh, bFlag, Error));
	EXPECT_EQ(Error, "cannot read mesh 'head.obj': ran out of memory (more than 128 MB; see --mesh-memory-limit)");
}

TEST(MeshImportGuard, HandsBackTheMeshTheFlagAndTheImportersOwnReason)
{
	const Host::FMeshData Sphere = Host::BuildSphere(3.f, 5, 7);
	Host::FMeshData Mesh;
	bool bFlag = false;
	std::string Error;
	ASSERT_TRUE(VelmoraCli::RunGuardedImport(
	    "head.obj", {}, [&](Host::FMeshData& Out, bool& bOutFlag, std::vector<std::string>&, std::string&)
	    {
		                                         Out = Sphere;
		                                         bOutFlag = true;
		                                         return true; },
	    Mesh, bFlag, Error));
	EXPECT_TRUE(bFlag);
	ASSERT_EQ(Mesh.Positions.Num(), Sphere.Positions.Num());
	ASSERT_EQ(Mesh.Indices.Num(), Sphere.Indices.Num());
	EXPECT_EQ(std::memcmp(Mesh.Positions.GetData(), Sphere.Positions.GetData(), Sphere.Positions.Num() * sizeof(FVector3f)), 0);
	EXPECT_EQ(std::memcmp(Mesh.Indices.GetData(), Sphere.Indices.GetData(), Sphere.Indices.Num() * sizeof(uint32)), 0);

	EXPECT_FALSE(VelmoraCli::RunGuardedImport(
	    "head.obj", {}, [](Host::FMeshData&, bool&, std::vector<std::string>&, std::string& OutError)
	    {
		                                          OutError = "mesh 'head.obj' has no triangles";
		                                          return false; },
	    Mesh, bFlag, Error));
	EXPECT_EQ(Error, "mesh 'head.obj' has no triangles");
}

TEST(MeshImportGuard, LimitOptionsTakeWholeNumbersInRange)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("mesh-limits");
	WriteGroomQuietly(Dir / "groom.abc", SphereGroom(4, 3, 10.f, 1.f));
	SaveMesh(Dir / "head.obj", Host::BuildSphere(10.f, 8, 16));

	EXPECT_EQ(RunVelmora("fit groom.abc head.obj fitted.abc -q --mesh-memory-limit 64 --mesh-time-limit=10", Dir).ExitCode, 0);
	EXPECT_EQ(RunVelmora("convert head.obj static.obj -q --mesh-time-limit 5", Dir).ExitCode, 0);
	EXPECT_EQ(RunVelmora("check groom.abc head.obj --mesh-memory-limit=64", Dir).ExitCode, 0);
	EXPECT_EQ(RunVelmora("check groom.abc head.obj --mesh-memory-limit 0", Dir).ExitCode, 2);
	for (const char* Bad : {"--mesh-memory-limit 0", "--mesh-memory-limit 1.5", "--mesh-time-limit -3", "--mesh-time-limit", "--mesh-time-limit=x"})
	{
		const FRun Run = RunVelmora(std::string("fit groom.abc head.obj other.abc ") + Bad, Dir);
		EXPECT_EQ(Run.ExitCode, 2) << Bad;
		EXPECT_NE(Run.Stderr.find("--mesh-"), std::string::npos) << Run.Stderr;
	}
	EXPECT_FALSE(fs::exists(Dir / "other.abc"));
}

TEST(HostileMesh, ManyLargeTrianglesOnOneEdgeAreCheckedAndFittedWithEveryRepair)
{
	// 16,385 pages two thousand units across, all hinged on one edge: the kind of mesh that once made the
	// inside test count past 32 bits and write out of bounds.
	const fs::path Dir = VelmoraTest::MakeTempDir("hostile-pages");
	std::string Obj = "v 0 0 -1000\nv 0 0 1000\n";
	constexpr int Pages = 16385;
	for (int Page = 0; Page < Pages; ++Page)
	{
		const double Angle = 2.0 * 3.14159265358979 * Page / Pages;
		Obj += "v " + std::to_string(1000.0 * std::cos(Angle)) + " " + std::to_string(1000.0 * std::sin(Angle)) + " 0\n";
	}
	for (int Page = 0; Page < Pages; ++Page)
	{
		Obj += "f 1 2 " + std::to_string(Page + 3) + "\n";
	}
	WriteText(Dir / "pages.obj", Obj);
	WriteGroomQuietly(Dir / "groom.abc", SphereGroom(200, 4, 300.f, 2.f));

	const FRun Check = RunVelmora("check groom.abc pages.obj", Dir);
	EXPECT_EQ(Check.ExitCode, 0) << Check.Stderr;
	EXPECT_NE(Check.Stdout.find("inside   0 points"), std::string::npos) << Check.Stdout;
	const FRun Fit = RunVelmora("fit groom.abc pages.obj out.abc --on-miss nearest --orient --resolve-penetration", Dir);
	EXPECT_EQ(Fit.ExitCode, 0) << Fit.Stderr;
	EXPECT_NE(Fit.Stdout.find("roots    200 on the surface"), std::string::npos) << Fit.Stdout;
	EXPECT_TRUE(fs::exists(Dir / "out.abc"));
}
