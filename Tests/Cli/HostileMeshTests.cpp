#include "CliTestUtils.h"
#include "MeshHeaderCheck.h"

#include <assimp/Importer.hpp>
#include <nlohmann/json.hpp>

#include <csignal>
#include <cstdint>
#include <cstring>
#include <sys/resource.h>

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

	std::string Bytes32(uint32_t Value)
	{
		return std::string(reinterpret_cast<const char*>(&Value), 4);
	}

	std::string Bytes64(uint64_t Value)
	{
		return std::string(reinterpret_cast<const char*>(&Value), 8);
	}

	std::string Floats(std::initializer_list<float> Values)
	{
		std::string Bytes;
		for (const float Value : Values)
		{
			Bytes.append(reinterpret_cast<const char*>(&Value), sizeof(Value));
		}
		return Bytes;
	}

	// A binary PLY of one triangle; the faces' lists are a uchar count and int indices (49 data bytes).
	std::string BinaryPlyTriangle()
	{
		std::string Data = Floats({0, 0, 0, 1, 0, 0, 0, 1, 0});
		Data += '\x03';
		for (const uint32_t Index : {0u, 1u, 2u})
		{
			Data += Bytes32(Index);
		}
		return "ply\nformat binary_little_endian 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
		       "element face 1\nproperty list uchar int vertex_indices\nend_header\n" +
		       Data;
	}

	// A binary STL of one triangle under the given 80-byte header text and triangle count.
	std::string BinaryStl(const std::string& HeaderText, uint32_t Count)
	{
		std::string Header = HeaderText;
		Header.resize(80, ' ');
		return Header + Bytes32(Count) + Floats({0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0}) + std::string(2, '\0');
	}

	// The three vertices of one triangle as a 36-byte buffer, and a glTF using it through Uri.
	const std::string TriangleBuffer = Floats({0, 0, 0, 1, 0, 0, 0, 1, 0});
	std::string GltfOverBuffer(const std::string& Uri, uint64_t BufferLength = 36, uint64_t AccessorCount = 3)
	{
		return R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],)"
		       R"("meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],)"
		       R"("accessors":[{"bufferView":0,"componentType":5126,"count":)" +
		       std::to_string(AccessorCount) + R"(,"type":"VEC3","min":[0,0,0],"max":[1,1,0]}],)"
		                                       R"("bufferViews":[{"buffer":0,"byteLength":36}],"buffers":[{"byteLength":)" +
		       std::to_string(BufferLength) + (Uri.empty() ? std::string() : R"(,"uri":")" + Uri + "\"") + "}]}";
	}

	std::string Glb(const std::string& Json, const std::string& Binary)
	{
		std::string JsonChunk = Json;
		JsonChunk.resize((JsonChunk.size() + 3) & ~size_t(3), ' ');
		const std::string Chunks = Bytes32(static_cast<uint32_t>(JsonChunk.size())) + "JSON" + JsonChunk + Bytes32(static_cast<uint32_t>(Binary.size())) +
		                           std::string("BIN\0", 4) + Binary;
		return "glTF" + Bytes32(2) + Bytes32(static_cast<uint32_t>(12 + Chunks.size())) + Chunks;
	}

	// A binary FBX record and what it holds; offsets are worked out as the file is put together.
	struct FFbxNode
	{
		std::string Name;
		uint32_t NumProperties = 0;
		std::string Properties;
		std::vector<FFbxNode> Children;
	};

	std::string EncodeFbx(const FFbxNode& Node, uint64_t At, bool bWide)
	{
		const uint64_t HeaderSize = bWide ? 25 : 13;
		std::string Children;
		uint64_t ChildAt = At + HeaderSize + Node.Name.size() + Node.Properties.size();
		for (const FFbxNode& Child : Node.Children)
		{
			const std::string Encoded = EncodeFbx(Child, ChildAt, bWide);
			Children += Encoded;
			ChildAt += Encoded.size();
		}
		if (!Node.Children.empty())
		{
			Children += std::string(HeaderSize, '\0');
		}
		const uint64_t End = At + HeaderSize + Node.Name.size() + Node.Properties.size() + Children.size();
		const std::string Header = bWide ? Bytes64(End) + Bytes64(Node.NumProperties) + Bytes64(Node.Properties.size())
		                                 : Bytes32(static_cast<uint32_t>(End)) + Bytes32(Node.NumProperties) + Bytes32(static_cast<uint32_t>(Node.Properties.size()));
		return Header + static_cast<char>(Node.Name.size()) + Node.Name + Node.Properties + Children;
	}

	std::string BinaryFbx(uint32_t Version, const std::vector<FFbxNode>& Nodes)
	{
		const bool bWide = Version >= 7500;
		std::string File = std::string("Kaydara FBX Binary  \0\x1a\0", 23) + Bytes32(Version);
		for (const FFbxNode& Node : Nodes)
		{
			File += EncodeFbx(Node, File.size(), bWide);
		}
		return File + std::string(bWide ? 25 : 13, '\0') + std::string(16, '\xfa');
	}

	// An array property: Length values of ElementSize bytes each, stored in Stored bytes by Encoding.
	std::string FbxArray(char Type, uint32_t Length, uint32_t Encoding, uint32_t Stored)
	{
		return std::string(1, Type) + Bytes32(Length) + Bytes32(Encoding) + Bytes32(Stored) + std::string(Stored, '\0');
	}

	// Nodes shaped like a small scene: scalars, a string, raw and deflated arrays, nesting.
	std::vector<FFbxNode> FbxScene()
	{
		FFbxNode Header{"FBXHeaderExtension", 0, "", {{"FBXVersion", 1, "I" + Bytes32(7400), {}}, {"Creator", 1, "S" + Bytes32(5) + "tests", {}}}};
		FFbxNode Geometry{"Geometry", 2, "L" + Bytes64(1) + "S" + Bytes32(4) + "Mesh", {}};
		Geometry.Children.push_back({"Vertices", 1, FbxArray('d', 9, 0, 72), {}});
		Geometry.Children.push_back({"PolygonVertexIndex", 1, FbxArray('i', 3000, 1, 40), {}});
		return {Header, {"Objects", 0, "", {Geometry}}};
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
	// A file that loads has the roots snapped to whatever it holds, so the fit places something.
	const FRun Run = RunVelmora(std::string("fit groom.abc ") + Case.File + " fitted.abc -q" + Case.Options + (Case.bReadable ? " --on-miss nearest" : ""), Dir);
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

namespace
{
	// A glTF placing one mesh of 1,000 triangles (one triangle's three corners, indexed over and over) at
	// Nodes nodes under the root, its buffer in "mesh.bin".
	void WriteInstancedGltf(const fs::path& Dir, int Nodes)
	{
		std::string Indices;
		for (int Index = 0; Index < 3000; ++Index)
		{
			const uint16_t Corner = static_cast<uint16_t>(Index % 3);
			Indices.append(reinterpret_cast<const char*>(&Corner), sizeof(Corner));
		}
		WriteText(Dir / "mesh.bin", TriangleBuffer + Indices);
		std::string Children;
		std::string Placed;
		for (int Node = 1; Node <= Nodes; ++Node)
		{
			Children += (Node > 1 ? "," : "") + std::to_string(Node);
			Placed += R"(,{"mesh":0,"translation":[0,0,)" + std::to_string(Node) + "]}";
		}
		WriteText(Dir / "mesh.gltf", R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[{"children":[)" + Children + "]}" + Placed +
		                                 R"(],"meshes":[{"primitives":[{"attributes":{"POSITION":0},"indices":1}]}],)"
		                                 R"("accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[1,1,0]},)"
		                                 R"({"bufferView":1,"componentType":5123,"count":3000,"type":"SCALAR"}],)"
		                                 R"("bufferViews":[{"buffer":0,"byteLength":36},{"buffer":0,"byteOffset":36,"byteLength":6000}],)"
		                                 R"("buffers":[{"byteLength":6036,"uri":"mesh.bin"}]})");
	}
}

// Instancing is counted before the flat mesh is built: a small file cannot make a command hold millions of
// triangles, the refusal gives the count and the limit, and the option lets a real one through.
TEST(HostileMesh, NodesPlacingOneMeshManyTimesAreCountedBeforeAnythingIsBuilt)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("instanced-mesh");
	WriteGroomQuietly(Dir / "groom.abc", SphereGroom(4, 3, 10.f, 1.f));
	WriteInstancedGltf(Dir, 3000);
	for (const char* Command : {"fit groom.abc mesh.gltf fitted.abc", "check groom.abc mesh.gltf", "convert mesh.gltf static.obj"})
	{
		const FRun Run = RunVelmora(Command, Dir);
		EXPECT_EQ(Run.ExitCode, 1) << Command;
		EXPECT_NE(Run.Stderr.find("its nodes place 3000000 triangles (1000 stored), more than the limit of 2000000 (see --mesh-max-triangles)"), std::string::npos)
		    << Run.Stderr;
		EXPECT_EQ(std::count(Run.Stderr.begin(), Run.Stderr.end(), '\n'), 1) << Run.Stderr;
	}
	EXPECT_FALSE(fs::exists(Dir / "fitted.abc"));
	EXPECT_FALSE(fs::exists(Dir / "static.obj"));

	WriteInstancedGltf(Dir, 30);
	EXPECT_NE(RunVelmora("check groom.abc mesh.gltf --mesh-max-triangles 29999", Dir).Stderr.find("30000 triangles"), std::string::npos);
	const FRun Allowed = RunVelmora("convert mesh.gltf static.obj --json --mesh-max-triangles 30000", Dir);
	EXPECT_EQ(Allowed.ExitCode, 0) << Allowed.Stderr;
	EXPECT_EQ(nlohmann::json::parse(Allowed.Stdout).value("inputTriangles", 0), 30000);
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

namespace
{
	struct FImpossibleHeader
	{
		const char* Name;
		// The mesh file first, then the files it refers to.
		std::vector<std::pair<std::string, std::string>> (*Make)();
		// What the refusal says after "cannot read mesh '<file>': ".
		const char* Reason;
	};

	const FImpossibleHeader ImpossibleHeaders[] = {
	    {"PlyHeaderOfTwentyOneBytes", []
	     { return std::vector<std::pair<std::string, std::string>>{{"short.ply", "ply\nformat ascii 1.0\n"}}; },
	     "the PLY header never ends (no end_header line)"},
	    {"AsciiPlyCountingABillionVertices", []
	     {
		     return std::vector<std::pair<std::string, std::string>>{
		         {"billion.ply", "ply\nformat ascii 1.0\nelement vertex 1000000000\nproperty float x\nproperty float y\nproperty float z\nend_header\n0 0 0\n"}};
	     },
	     "the PLY header claims 1000000000 'vertex' elements, which need at least 3000000000 bytes, but 6 follow the header"},
	    // The vertices and the face's count need 37 bytes at least (the face's indices are not counted).
	    {"BinaryPlyWithoutItsFace", []
	     {
		     std::string Ply = BinaryPlyTriangle();
		     Ply.resize(Ply.size() - 13);
		     return std::vector<std::pair<std::string, std::string>>{{"short.ply", Ply}};
	     },
	     "the PLY header claims 3 'vertex' elements and more, which need at least 37 bytes, but 36 follow the header"},
	    {"BinaryStlCountingMoreTrianglesThanItHolds", []
	     { return std::vector<std::pair<std::string, std::string>>{{"more.stl", BinaryStl("binary", 1000)}}; },
	     "the binary STL header claims 1000 triangles, which take 50084 bytes, but the file holds 134"},
	    // 84 + 50 (2^31 + 1) wraps round to the file's 134 bytes in 32 bits; "solid" would otherwise make it ASCII.
	    {"BinaryStlWhoseCountWrapsRoundToTheSize", []
	     { return std::vector<std::pair<std::string, std::string>>{{"wrap.stl", BinaryStl("solid but binary", 2147483649u)}}; },
	     "the binary STL header claims 2147483649 triangles, which take 107374182534 bytes, but the file holds 134"},
	    {"GlbBinaryChunkBeyondTheFile", []
	     {
		     std::string File = Glb(GltfOverBuffer(""), TriangleBuffer);
		     const uint32_t Huge = 0xfffffff0u;
		     std::memcpy(File.data() + File.size() - 44, &Huge, 4);
		     return std::vector<std::pair<std::string, std::string>>{{"huge.glb", File}};
	     },
	     "the GLB binary chunk claims 4294967280 bytes, but 36 follow it"},
	    {"GlbLongerThanTheFile", []
	     {
		     std::string File = Glb(GltfOverBuffer(""), TriangleBuffer);
		     const uint32_t Huge = 0x7ffffff0u;
		     std::memcpy(File.data() + 8, &Huge, 4);
		     return std::vector<std::pair<std::string, std::string>>{{"long.glb", File}};
	     },
	     "the GLB header claims 2147483632 bytes, but the file holds 384"},
	    {"GlbBufferLongerThanItsBinaryChunk", []
	     { return std::vector<std::pair<std::string, std::string>>{{"long.glb", Glb(GltfOverBuffer("", 1000000), TriangleBuffer)}}; },
	     "glTF buffer 0 claims 1000000 bytes, but its source holds 36"},
	    {"GltfBufferLongerThanItsFile", []
	     { return std::vector<std::pair<std::string, std::string>>{{"long.gltf", GltfOverBuffer("tri.bin", 1000000000)}, {"tri.bin", TriangleBuffer}}; },
	     "glTF buffer 0 claims 1000000000 bytes, but its source holds 36"},
	    {"GltfDataUriShorterThanItsLength", []
	     {
		     return std::vector<std::pair<std::string, std::string>>{
		         {"uri.gltf", GltfOverBuffer("data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA", 37)}};
	     },
	     "glTF buffer 0 claims 37 bytes, but its source holds 36"},
	    {"GltfNeedingMeshCompression", []
	     {
		     std::string Json = GltfOverBuffer("tri.bin");
		     Json.insert(1, R"("extensionsUsed":["EXT_meshopt_compression"],"extensionsRequired":["EXT_meshopt_compression"],)");
		     return std::vector<std::pair<std::string, std::string>>{{"packed.gltf", Json}, {"tri.bin", TriangleBuffer}};
	     },
	     "it needs the glTF extension EXT_meshopt_compression (compressed geometry), which the importer cannot read; re-export it without mesh compression"},
	    {"GltfAccessorBeyondItsView", []
	     { return std::vector<std::pair<std::string, std::string>>{{"count.gltf", GltfOverBuffer("tri.bin", 36, 1000000000)}, {"tri.bin", TriangleBuffer}}; },
	     "glTF accessor 0 claims 1000000000 elements, which need 12000000000 bytes of buffer view 0, which has 36"},
	    {"BinaryFbxOfNoKnownVersion", []
	     { return std::vector<std::pair<std::string, std::string>>{{"version.fbx", BinaryFbx(42, FbxScene())}}; },
	     "the binary FBX header gives version 42, which no FBX file has"},
	    {"BinaryFbxRecordEndingBeyondTheFile", []
	     {
		     std::string File = BinaryFbx(7400, FbxScene());
		     const uint32_t Beyond = 1000000000u;
		     std::memcpy(File.data() + 27, &Beyond, 4);
		     return std::vector<std::pair<std::string, std::string>>{{"end.fbx", File}};
	     },
	     "the binary FBX record at byte 27 claims to end at byte 1000000000, outside the bytes 27 to 433 that hold it"},
	    {"BinaryFbxArrayLargerThanDeflateCanHold", []
	     {
		     FFbxNode Geometry{"Geometry", 1, FbxArray('d', 1000000000, 1, 10), {}};
		     return std::vector<std::pair<std::string, std::string>>{{"bomb.fbx", BinaryFbx(7500, {Geometry})}};
	     },
	     "the binary FBX record at byte 27 has an array of 1000000000 values stored in 10 bytes"},
	};

	class ImpossibleHeader : public testing::TestWithParam<FImpossibleHeader>
	{
	};
}

// A header whose counts the file cannot hold is refused with its reason before the importer runs: at
// once, never by the import's time or memory limit, and with nothing written.
TEST_P(ImpossibleHeader, IsRefusedWithItsReasonBeforeTheImporterRuns)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("impossible-header");
	WriteGroomQuietly(Dir / "groom.abc", SphereGroom(4, 3, 10.f, 1.f));
	const auto Files = GetParam().Make();
	for (const auto& [Name, Bytes] : Files)
	{
		WriteText(Dir / Name, Bytes);
	}
	const std::string Mesh = Files.front().first;
	const std::string Expected = "cannot read mesh '" + Mesh + "': " + GetParam().Reason;

	const FRun Check = RunVelmora("check groom.abc " + Mesh, Dir);
	EXPECT_EQ(Check.ExitCode, 1);
	EXPECT_EQ(Check.Stderr, "velmora check: " + Expected + "\n");
	const FRun Fit = RunVelmora("fit groom.abc " + Mesh + " fitted.abc", Dir);
	EXPECT_EQ(Fit.ExitCode, 1);
	EXPECT_EQ(Fit.Stderr, "velmora fit: " + Expected + "\n");
	EXPECT_FALSE(fs::exists(Dir / "fitted.abc"));
}

INSTANTIATE_TEST_SUITE_P(Headers, ImpossibleHeader, testing::ValuesIn(ImpossibleHeaders), [](const testing::TestParamInfo<FImpossibleHeader>& Info)
                         { return std::string(Info.param.Name); });

// The checks refuse only what cannot be true: files of every format the importer reads, written by
// the exporter or by hand at the exact sizes the checks compare, still load.
TEST(MeshHeaderCheck, ValidFilesOfEveryCheckedFormatStillLoad)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("valid-headers");
	const Host::FMeshData Sphere = Host::BuildSphere(3.f, 5, 7);
	for (const char* Name : {"sphere.ply", "sphere.stl", "sphere.glb", "sphere.gltf", "sphere.fbx", "sphere.obj"})
	{
		SaveMesh(Dir / Name, Sphere);
	}
	WriteText(Dir / "ascii.ply", "ply\r\nformat ascii 1.0\r\ncomment end_header in a comment\r\nelement vertex 3\r\nproperty float x\r\nproperty float y\r\nproperty float z\r\n"
	                             "element face 1\r\nproperty list uchar int vertex_indices\r\nend_header\r\n0 0 0\r\n1 0 0\r\n0 1 0\r\n3 0 1 2\r\n");
	WriteText(Dir / "binary.ply", BinaryPlyTriangle());
	WriteText(Dir / "ascii.stl", "solid t\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\nendfacet\nendsolid t\n");
	WriteText(Dir / "solid.stl", BinaryStl("solid, yet binary", 1));
	WriteText(Dir / "packed.glb", Glb(GltfOverBuffer(""), TriangleBuffer));
	WriteText(Dir / "split.gltf", GltfOverBuffer("tri angle.bin"));
	WriteText(Dir / "tri angle.bin", TriangleBuffer);
	WriteText(Dir / "embedded.gltf", GltfOverBuffer("data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA"));

	const std::pair<const char*, int32> Expected[] = {{"sphere.ply", Sphere.NumTriangles()}, {"sphere.stl", Sphere.NumTriangles()}, {"sphere.glb", Sphere.NumTriangles()}, {"sphere.gltf", Sphere.NumTriangles()}, {"sphere.fbx", Sphere.NumTriangles()}, {"sphere.obj", Sphere.NumTriangles()}, {"ascii.ply", 1}, {"binary.ply", 1}, {"ascii.stl", 1}, {"solid.stl", 1}, {"packed.glb", 1}, {"split.gltf", 1}, {"embedded.gltf", 1}};
	for (const auto& [Name, Triangles] : Expected)
	{
		Host::FMeshData Mesh;
		std::string Error;
		EXPECT_TRUE(VelmoraCli::LoadMeshFile((Dir / Name).string(), Mesh, Error)) << Name << ": " << Error;
		EXPECT_EQ(Mesh.NumTriangles(), Triangles) << Name;
	}

	// Binary FBX as the exporter writes it cannot be read back here, so its records are checked directly,
	// with 32-bit and 64-bit offsets.
	for (const uint32_t Version : {7400u, 7500u})
	{
		const fs::path Path = Dir / ("binary" + std::to_string(Version) + ".fbx");
		WriteText(Path, BinaryFbx(Version, FbxScene()));
		Assimp::Importer Importer;
		std::string Reason;
		EXPECT_TRUE(VelmoraCli::CheckMeshHeader(Importer, Path.string(), Reason)) << Version << ": " << Reason;
	}
}

TEST(HostileMesh, TriangleBeyondTheEnginesWorldsIsRefusedAtLoadWithItsReason)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("far-triangle");
	WriteGroomQuietly(Dir / "groom.abc", SphereGroom(4, 3, 10.f, 1.f));
	WriteText(Dir / "far.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1e25 0 0\nv 1e25 1 0\nv 1e25 0 1\nf 1 2 3\nf 4 5 6\n");
	const std::string Reason =
	    "cannot read mesh 'far.obj': vertex 3 (a corner of triangle 1) has X = 1e+25, beyond 4398046511104 from the origin, outside any world the engine traces\n";
	for (const char* Command : {"fit groom.abc far.obj fitted.abc", "check groom.abc far.obj", "fit groom.abc far.obj fitted.abc --on-miss nearest --orient"})
	{
		const FRun Run = RunVelmora(Command, Dir);
		EXPECT_EQ(Run.ExitCode, 1) << Command;
		EXPECT_EQ(Run.Stderr, "velmora " + std::string(Command).substr(0, std::string(Command).find(' ')) + ": " + Reason) << Command;
	}
	EXPECT_FALSE(fs::exists(Dir / "fitted.abc"));

	// Up to the bound itself the mesh loads, and so does a far point that is no triangle's corner.
	WriteText(Dir / "edge.obj", "v -4398046511104 0 0\nv 1 0 0\nv 0 4398046511104 0\nv 1e25 0 0\nf 1 2 3\np 4\n");
	Host::FMeshData Mesh;
	std::string Error;
	EXPECT_TRUE(VelmoraCli::LoadMeshFile((Dir / "edge.obj").string(), Mesh, Error)) << Error;
}

TEST(MeshImportGuard, DefaultTimeLimitGrowsWithTheFileUpToAMinute)
{
	EXPECT_EQ(VelmoraCli::ImportTimeFor(21), 7u);
	EXPECT_EQ(VelmoraCli::ImportTimeFor(0), 5u);
	EXPECT_EQ(VelmoraCli::ImportTimeFor(10u << 20), 25u);
	EXPECT_EQ(VelmoraCli::ImportTimeFor(uint64_t(1) << 40), VelmoraCli::MaxDefaultImportSeconds);
	EXPECT_EQ(VelmoraCli::ImportTimeFor(UINT64_MAX), VelmoraCli::MaxDefaultImportSeconds);
	EXPECT_EQ(VelmoraCli::FMeshImportLimits().TimeSeconds, 0u) << "no limit given means the file's own";
}

// The child's processor limit, as the import sees it after asking for time for MoreBytes of other files.
std::string ChildTimeLimit(const fs::path& File, uint64_t GivenSeconds, uint64_t MoreBytes)
{
	VelmoraCli::FMeshImportLimits Limits;
	Limits.TimeSeconds = GivenSeconds;
	Host::FMeshData Mesh;
	bool bFlag = false;
	std::string Error;
	VelmoraCli::RunGuardedImport(
	    File.string(), Limits, [&](Host::FMeshData&, bool&, std::vector<std::string>&, std::string& OutError)
	    {
		    const auto Soft = []()
		    {
			    rlimit Cpu{};
			    getrlimit(RLIMIT_CPU, &Cpu);
			    return std::to_string(Cpu.rlim_cur);
		    };
		    OutError = Soft();
		    VelmoraCli::AllowImportTimeFor(MoreBytes);
		    OutError += " " + Soft();
		    return false; },
	    Mesh, bFlag, Error);
	return Error;
}

TEST(MeshImportGuard, AGltfsBufferFilesCountTowardsItsScaledTimeLimit)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("scaled-time");
	WriteText(Dir / "small.gltf", "{}");
	EXPECT_EQ(ChildTimeLimit(Dir / "small.gltf", 0, 0), "7 7");
	EXPECT_EQ(ChildTimeLimit(Dir / "small.gltf", 0, 100 << 20), "7 60") << "the buffers' size counts";
	EXPECT_EQ(ChildTimeLimit(Dir / "small.gltf", 0, 20 << 20), "7 47");
	EXPECT_EQ(ChildTimeLimit(Dir / "small.gltf", 3, 100 << 20), "3 3") << "a limit given stays";
}
