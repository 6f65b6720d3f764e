#include "CliTestUtils.h"

#include <assimp/Exporter.hpp>
#include <assimp/scene.h>

#include <nlohmann/json.hpp>

#include <fstream>

using namespace CliTest;

namespace
{
	aiMesh* NewMesh(const Host::FMeshData& Data, bool bBones)
	{
		aiMesh* Mesh = new aiMesh();
		Mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
		Mesh->mNumVertices = static_cast<unsigned>(Data.Positions.Num());
		Mesh->mVertices = new aiVector3D[Mesh->mNumVertices];
		for (unsigned Index = 0; Index < Mesh->mNumVertices; ++Index)
		{
			const FVector3f& P = Data.Positions[static_cast<int32>(Index)];
			Mesh->mVertices[Index] = aiVector3D(P.X, P.Y, P.Z);
		}
		Mesh->mNumFaces = static_cast<unsigned>(Data.NumTriangles());
		Mesh->mFaces = new aiFace[Mesh->mNumFaces];
		for (unsigned Face = 0; Face < Mesh->mNumFaces; ++Face)
		{
			Mesh->mFaces[Face].mNumIndices = 3;
			Mesh->mFaces[Face].mIndices = new unsigned[3]{Data.Indices[3 * Face], Data.Indices[3 * Face + 1], Data.Indices[3 * Face + 2]};
		}
		if (bBones)
		{
			// One bone holding every vertex, as a rigid head's skin would.
			Mesh->mNumBones = 1;
			Mesh->mBones = new aiBone* [1]
			{ new aiBone() };
			Mesh->mBones[0]->mName = "head";
			Mesh->mBones[0]->mNumWeights = Mesh->mNumVertices;
			Mesh->mBones[0]->mWeights = new aiVertexWeight[Mesh->mNumVertices];
			for (unsigned Index = 0; Index < Mesh->mNumVertices; ++Index)
			{
				Mesh->mBones[0]->mWeights[Index] = aiVertexWeight(Index, 1.f);
			}
		}
		return Mesh;
	}

	// A skinned head (LOD 0, a sphere of 24 x 48), a coarser level named _LOD1 and an unskinned prop, written
	// by assimp in the given format.
	void WriteSkinnedScene(const fs::path& Path, const char* Format)
	{
		aiScene Scene;
		Scene.mNumMaterials = 1;
		Scene.mMaterials = new aiMaterial* [1]
		{ new aiMaterial() };
		Scene.mNumMeshes = 3;
		Scene.mMeshes = new aiMesh* [3]
		{ NewMesh(Host::BuildSphere(10.f, 24, 48), true), NewMesh(Host::BuildSphere(10.f, 6, 12), true),
			  NewMesh(Host::BuildBox(FVector3f(1, 1, 1)), false) };
		Scene.mRootNode = new aiNode("root");
		Scene.mRootNode->mNumChildren = 4;
		Scene.mRootNode->mChildren = new aiNode* [4]
		{ new aiNode("Head_LOD0"), new aiNode("Head_LOD1"), new aiNode("Prop"), new aiNode("head") };
		const char* MeshNames[3] = {"Head_LOD0", "Head_LOD1", "Prop"};
		for (unsigned Child = 0; Child < 3; ++Child)
		{
			Scene.mMeshes[Child]->mName = MeshNames[Child];
			Scene.mRootNode->mChildren[Child]->mParent = Scene.mRootNode;
			Scene.mRootNode->mChildren[Child]->mNumMeshes = 1;
			Scene.mRootNode->mChildren[Child]->mMeshes = new unsigned[1]{Child};
		}
		Scene.mRootNode->mChildren[3]->mParent = Scene.mRootNode;
		Assimp::Exporter Exporter;
		ASSERT_EQ(Exporter.Export(&Scene, Format, Path.string()), aiReturn_SUCCESS) << Exporter.GetErrorString();
	}

	Host::FMeshData LoadMesh(const fs::path& Path)
	{
		Host::FMeshData Mesh;
		std::string Error;
		EXPECT_TRUE(VelmoraCli::LoadMeshFile(Path.string(), Mesh, Error)) << Error;
		return Mesh;
	}
}

TEST(ConvertCommand, TurnsLodZeroOfASkinnedMeshIntoAStaticMeshFile)
{
	for (const auto& [Extension, Format] : {std::pair{".glb", "glb2"}, std::pair{".fbx", "fbxa"}})
	{
		SCOPED_TRACE(Extension);
		const fs::path Dir = VelmoraTest::MakeTempDir("convert-skinned");
		WriteSkinnedScene(Dir / (std::string("skinned") + Extension), Format);
		const FRun Run = RunVelmora(std::string("convert skinned") + Extension + " static.obj --json", Dir);
		ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
		const nlohmann::json Summary = nlohmann::json::parse(Run.Stdout);
		EXPECT_EQ(Summary["skinned"], true);
		EXPECT_EQ(Summary["asset"], "/Game/Generated/MyStaticMesh.MyStaticMesh");
		// Only the skinned finest level: not the _LOD1 copy, not the unskinned prop.
		EXPECT_EQ(Summary["triangles"], 2 * 48 * 23);

		// The count said is the file's: corners at one position are one vertex (the sphere's 48 x 23 rings and its poles).
		std::ifstream Obj(Dir / "static.obj");
		int64 VertexLines = 0;
		for (std::string Line; std::getline(Obj, Line);)
		{
			VertexLines += Line.rfind("v ", 0) == 0 ? 1 : 0;
		}
		EXPECT_EQ(Summary["vertices"], VertexLines);
		EXPECT_EQ(VertexLines, 48 * 23 + 2);
		// The sphere of radius 10 at rest, as it stands.
		EXPECT_NEAR(Summary["bounds"]["max"][2].get<double>(), 10.0, 1e-3);
		EXPECT_NEAR(Summary["size"][2].get<double>(), 20.0, 1e-3);

		const Host::FMeshData Static = LoadMesh(Dir / "static.obj");
		EXPECT_EQ(Static.NumTriangles(), 2 * 48 * 23);
		for (const FVector3f& P : Static.Positions)
		{
			EXPECT_NEAR(std::sqrt(P.X * P.X + P.Y * P.Y + P.Z * P.Z), 10.0, 1e-3);
		}
	}
}

TEST(ConvertCommand, WritesTheFormatTheExtensionNames)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("convert-formats");
	SaveMesh(Dir / "head.obj", Host::BuildHead(500));
	const int32 Triangles = Host::BuildHead(500).NumTriangles();
	for (const char* Out : {"out.gltf", "out.glb", "out.fbx", "out.ply", "out.stl", "out.dae", "OUT.OBJ"})
	{
		SCOPED_TRACE(Out);
		const FRun Run = RunVelmora(std::string("convert head.obj ") + Out, Dir);
		ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
		EXPECT_NE(Run.Stdout.find("note: head.obj has no bones"), std::string::npos) << Run.Stdout;
		EXPECT_EQ(LoadMesh(Dir / Out).NumTriangles(), Triangles);
	}
}

TEST(ConvertCommand, BadInputEndsWithOneLineAndNoFile)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("convert-bad");
	SaveMesh(Dir / "head.obj", Host::BuildHead(500));
	std::ofstream(Dir / "garbage.fbx") << "not a mesh";
	std::ofstream(Dir / "points.obj") << "v 0 0 0\nv 1 0 0\np 1\np 2\n";
	const std::vector<std::string> Before = ListDir(Dir);
	const struct
	{
		const char* Arguments;
		const char* Reason;
	} Cases[] = {
	    {"missing.fbx out.obj", "velmora convert: mesh 'missing.fbx' does not exist\n"},
	    {"garbage.fbx out.obj", "velmora convert: cannot read mesh 'garbage.fbx'"},
	    {"points.obj out.obj", "velmora convert: mesh 'points.obj' has no triangles\n"},
	    {"head.obj out.unknown", "velmora convert: cannot tell a mesh format from 'out.unknown' (known: "},
	    {"head.obj nowhere/out.obj", "velmora convert: cannot write 'nowhere/out.obj': directory 'nowhere' does not exist\n"},
	};
	for (const auto& Case : Cases)
	{
		SCOPED_TRACE(Case.Arguments);
		const FRun Run = RunVelmora(std::string("convert ") + Case.Arguments, Dir);
		EXPECT_EQ(Run.ExitCode, 1);
		EXPECT_EQ(Run.Stderr.rfind(Case.Reason, 0), 0u) << Run.Stderr;
		EXPECT_EQ(std::count(Run.Stderr.begin(), Run.Stderr.end(), '\n'), 1) << Run.Stderr;
		EXPECT_EQ(ListDir(Dir), Before);
	}
	EXPECT_EQ(RunVelmora("convert head.obj", Dir).ExitCode, 2);
}

// A glTF and its buffer are one output: the buffer is named for its run and named in the .gltf, and the
// run it replaces loses its buffer only once the new pair is in, so a reader never pairs two runs, even
// with two commands writing at once. A buffer of another name (another tool's) is left alone.
TEST(ConvertCommand, GltfAndItsBufferAreReplacedAsOne)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("convert-gltf-pair");
	SaveMesh(Dir / "head.obj", Host::BuildHead(500));
	SaveMesh(Dir / "ball.obj", Host::BuildSphere(10.f, 8, 16));
	std::ofstream(Dir / "out.bin") << "another tool's buffer";
	const auto Buffers = [&]
	{
		std::vector<std::string> Names;
		for (const std::string& Name : ListDir(Dir))
		{
			if (Name.starts_with("out.velmora-") && Name.ends_with(".bin"))
			{
				Names.push_back(Name);
			}
		}
		return Names;
	};
	const auto ExpectOneWholePair = [&]
	{
		const std::vector<std::string> Names = Buffers();
		ASSERT_EQ(Names.size(), 1u) << testing::PrintToString(ListDir(Dir));
		EXPECT_NE(ReadText(Dir / "out.gltf").find("\"" + Names[0] + "\""), std::string::npos);
		const int32 Triangles = LoadMesh(Dir / "out.gltf").NumTriangles();
		EXPECT_TRUE(Triangles == Host::BuildHead(500).NumTriangles() || Triangles == Host::BuildSphere(10.f, 8, 16).NumTriangles()) << Triangles;
	};

	ASSERT_EQ(RunVelmora("convert head.obj out.gltf -q", Dir).ExitCode, 0);
	const std::vector<std::string> First = Buffers();
	ExpectOneWholePair();
	ASSERT_EQ(RunVelmora("convert ball.obj out.gltf -q", Dir).ExitCode, 0);
	ExpectOneWholePair();
	EXPECT_NE(Buffers(), First);
	EXPECT_EQ(LoadMesh(Dir / "out.gltf").NumTriangles(), Host::BuildSphere(10.f, 8, 16).NumTriangles());
	EXPECT_EQ(ReadText(Dir / "out.bin"), "another tool's buffer");

	for (int Round = 0; Round < 4; ++Round)
	{
		RunVelmora("convert head.obj out.gltf -q & '" VELMORA_CLI_PATH "' convert ball.obj out.gltf -q; wait", Dir);
		ExpectOneWholePair();
	}
	EXPECT_FALSE(fs::exists(Dir / "out.mtl"));
}

TEST(ConvertCommand, AnFbxCharacterStandsInItsBindPoseNotInItsNodesPose)
{
	// A tall box bound to one bone whose node stands turned a quarter about X, as a frame of an animation
	// leaves it: at its bind pose the box stands upright, as stored.
	const fs::path Dir = VelmoraTest::MakeTempDir("convert-bind-pose");
	aiScene Scene;
	Scene.mNumMaterials = 1;
	Scene.mMaterials = new aiMaterial* [1]
	{ new aiMaterial() };
	Scene.mNumMeshes = 1;
	Scene.mMeshes = new aiMesh* [1]
	{ NewMesh(Host::BuildBox(FVector3f(1, 1, 5)), true) };
	Scene.mMeshes[0]->mName = "Body";
	Scene.mRootNode = new aiNode("root");
	Scene.mRootNode->mNumChildren = 2;
	Scene.mRootNode->mChildren = new aiNode* [2]
	{ new aiNode("Body"), new aiNode("head") };
	for (unsigned Child = 0; Child < 2; ++Child)
	{
		Scene.mRootNode->mChildren[Child]->mParent = Scene.mRootNode;
	}
	Scene.mRootNode->mChildren[0]->mNumMeshes = 1;
	Scene.mRootNode->mChildren[0]->mMeshes = new unsigned[1]{0};
	aiMatrix4x4::RotationX(static_cast<float>(M_PI / 2), Scene.mRootNode->mChildren[1]->mTransformation);
	Assimp::Exporter Exporter;
	ASSERT_EQ(Exporter.Export(&Scene, "fbxa", (Dir / "posed.fbx").string()), aiReturn_SUCCESS) << Exporter.GetErrorString();

	// assimp writes the nodes' pose as the bind pose; the file's own says the bone stood unturned at the origin.
	std::string Text = ReadText(Dir / "posed.fbx");
	for (const char* Matrix : {"Transform: *16 {", "TransformLink: *16 {"})
	{
		const size_t Values = Text.find("a: ", Text.find(Matrix));
		ASSERT_NE(Values, std::string::npos) << Matrix;
		Text.replace(Values, Text.find('\n', Values) - Values, "a: 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1");
	}
	std::ofstream(Dir / "posed.fbx", std::ios::binary | std::ios::trunc) << Text;

	const FRun Run = RunVelmora("convert posed.fbx static.obj", Dir);
	ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
	const Host::FMeshData Static = LoadMesh(Dir / "static.obj");
	ASSERT_GT(Static.Positions.Num(), 0);
	FVector3f Min = Static.Positions[0], Max = Static.Positions[0];
	for (const FVector3f& P : Static.Positions)
	{
		Min = FVector3f(std::min(Min.X, P.X), std::min(Min.Y, P.Y), std::min(Min.Z, P.Z));
		Max = FVector3f(std::max(Max.X, P.X), std::max(Max.Y, P.Y), std::max(Max.Z, P.Z));
	}
	EXPECT_NEAR(Max.Z - Min.Z, 10.0f, 1e-3f) << "upright";
	EXPECT_NEAR(Max.Y - Min.Y, 2.0f, 1e-3f);
}
