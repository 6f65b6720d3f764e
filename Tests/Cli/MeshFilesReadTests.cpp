// Every file the mesh importer opens, or tries to, comes back with the mesh: the command counts them all
// as inputs.

#include "CliTestUtils.h"

#include <unistd.h>

using namespace CliTest;

namespace
{
	void WriteText(const fs::path& Path, const std::string& Text)
	{
		std::ofstream File(Path, std::ios::binary);
		File << Text;
	}

	const char* const TriangleObj = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";

	// A glTF of one triangle whose 36-byte buffer is the file BufferName beside it.
	void WriteSplitGltf(const fs::path& Dir, const std::string& Name, const std::string& BufferName)
	{
		WriteText(Dir / Name, R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],)"
		                      R"("meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],)"
		                      R"("accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[1,1,0]}],)"
		                      R"("bufferViews":[{"buffer":0,"byteLength":36}],"buffers":[{"byteLength":36,"uri":")" +
		                          BufferName + R"("}]})");
		const float Corners[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
		WriteText(Dir / BufferName, std::string(reinterpret_cast<const char*>(Corners), sizeof(Corners)));
	}

	std::vector<std::string> Sorted(std::vector<std::string> Names)
	{
		std::sort(Names.begin(), Names.end());
		return Names;
	}

	// Runs in Dir as the working directory, and goes back after.
	class FInFolder
	{
	public:
		explicit FInFolder(const fs::path& Dir)
		    : Previous(fs::current_path()) { fs::current_path(Dir); }
		~FInFolder() { fs::current_path(Previous); }

	private:
		fs::path Previous;
	};
}

TEST(MeshFilesRead, ObjReportsItsMaterialLibrary)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("files-read-obj");
	WriteText(Dir / "head.obj", std::string("mtllib head.mtl\n") + TriangleObj);
	WriteText(Dir / "head.mtl", "newmtl skin\nKd 1 0.8 0.7\n");

	Host::FMeshData Mesh;
	std::string Error;
	std::vector<std::string> FilesRead;
	ASSERT_TRUE(VelmoraCli::LoadMeshFile((Dir / "head.obj").string(), Mesh, Error, {}, {}, &FilesRead)) << Error;
	EXPECT_EQ(Mesh.NumTriangles(), 1);
	EXPECT_EQ(Sorted(FilesRead), Sorted({(Dir / "head.obj").string(), (Dir / "head.mtl").string()}));
}

TEST(MeshFilesRead, GltfReportsItsBuffer)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("files-read-gltf");
	WriteSplitGltf(Dir, "head.gltf", "head.bin");

	Host::FMeshData Mesh;
	std::string Error;
	std::vector<std::string> FilesRead;
	ASSERT_TRUE(VelmoraCli::LoadMeshFile((Dir / "head.gltf").string(), Mesh, Error, {}, {}, &FilesRead)) << Error;
	EXPECT_EQ(Mesh.NumTriangles(), 1);
	EXPECT_EQ(Sorted(FilesRead), Sorted({(Dir / "head.gltf").string(), (Dir / "head.bin").string()}));

	// The skinned load reports them too.
	bool bSkinned = true;
	FilesRead.clear();
	ASSERT_TRUE(VelmoraCli::LoadSkinnedMeshFile((Dir / "head.gltf").string(), Mesh, bSkinned, Error, {}, &FilesRead)) << Error;
	EXPECT_EQ(Sorted(FilesRead), Sorted({(Dir / "head.gltf").string(), (Dir / "head.bin").string()}));
}

// A name the importer tried counts even when nothing was there, and the list comes back when the mesh
// is refused too: writing an output under such a name would change what the next import reads.
TEST(MeshFilesRead, FilesTriedButMissingAndFilesOfARefusedMeshAreReported)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("files-read-missing");
	WriteText(Dir / "head.obj", std::string("mtllib missing.mtl\n") + TriangleObj);
	WriteText(Dir / "points.obj", "mtllib points.mtl\nv 0 0 0\nv 1 0 0\np 1 2\n");
	WriteText(Dir / "points.mtl", "newmtl skin\n");

	Host::FMeshData Mesh;
	std::string Error;
	std::vector<std::string> FilesRead;
	ASSERT_TRUE(VelmoraCli::LoadMeshFile((Dir / "head.obj").string(), Mesh, Error, {}, {}, &FilesRead)) << Error;
	EXPECT_NE(std::find(FilesRead.begin(), FilesRead.end(), (Dir / "missing.mtl").string()), FilesRead.end());

	FilesRead.clear();
	EXPECT_FALSE(VelmoraCli::LoadMeshFile((Dir / "points.obj").string(), Mesh, Error, {}, {}, &FilesRead));
	EXPECT_EQ(Error, "mesh '" + (Dir / "points.obj").string() + "' has no triangles");
	EXPECT_EQ(Sorted(FilesRead), Sorted({(Dir / "points.obj").string(), (Dir / "points.mtl").string()}));
}

TEST(MeshFilesRead, RelativeNamesAreMadeAbsoluteAgainstTheWorkingDirectory)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("files-read-relative");
	fs::create_directories(Dir / "heads");
	WriteSplitGltf(Dir / "heads", "head.gltf", "head.bin");

	const FInFolder InFolder(Dir);
	Host::FMeshData Mesh;
	std::string Error;
	std::vector<std::string> FilesRead;
	ASSERT_TRUE(VelmoraCli::LoadMeshFile("heads/head.gltf", Mesh, Error, {}, {}, &FilesRead)) << Error;
	ASSERT_FALSE(FilesRead.empty());
	for (const std::string& Name : FilesRead)
	{
		EXPECT_TRUE(fs::path(Name).is_absolute()) << Name;
		EXPECT_TRUE(fs::equivalent(Name, Dir / "heads" / "head.gltf") || fs::equivalent(Name, Dir / "heads" / "head.bin")) << Name;
	}
	EXPECT_EQ(FilesRead.size(), 2u);
}
