#include "CliTestUtils.h"

#include <assimp/scene.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>
#include <limits>

using namespace CliTest;

namespace
{
	// Where one vertex's skin takes it: up to four joints of the skin and their weights.
	struct FVertexSkin
	{
		uint16_t Joints[4] = {0, 0, 0, 0};
		float Weights[4] = {0, 0, 0, 0};
	};

	FVertexSkin Bound(uint16_t Joint, float Weight = 1.f)
	{
		return {{Joint, 0, 0, 0}, {Weight, 0, 0, 0}};
	}

	struct FTranslation
	{
		float X = 0, Y = 0, Z = 0;
	};

	// A glTF 2 file written by hand, as Blender and three.js lay characters out: nodes with a translation and
	// a scale, meshes with an optional skin (JOINTS_0, WEIGHTS_0), skins with joints and inverse bind matrices.
	class FGltfCharacter
	{
	public:
		int AddNode(const std::string& Name, const FTranslation& Translation = {}, const FTranslation& Scale = {1, 1, 1}, int Parent = -1)
		{
			nlohmann::json Node = {{"name", Name}, {"translation", {Translation.X, Translation.Y, Translation.Z}}, {"scale", {Scale.X, Scale.Y, Scale.Z}}};
			const int Index = static_cast<int>(Json["nodes"].size());
			Json["nodes"].push_back(Node);
			Parents.push_back(Parent);
			if (Parent >= 0)
			{
				Json["nodes"][Parent]["children"].push_back(Index);
			}
			return Index;
		}

		// Mesh (in the engine's winding, as the builders make it) on Node, skinned by Skin with Weights when given.
		void AddMesh(int Node, const std::string& Name, const Host::FMeshData& Mesh, int Skin = -1, const std::vector<FVertexSkin>& Weights = {})
		{
			std::vector<float> Positions;
			float Min[3] = {std::numeric_limits<float>::max(), std::numeric_limits<float>::max(), std::numeric_limits<float>::max()};
			float Max[3] = {-Min[0], -Min[1], -Min[2]};
			for (const FVector3f& P : Mesh.Positions)
			{
				const float Coordinates[3] = {P.X, P.Y, P.Z};
				for (int Axis = 0; Axis < 3; ++Axis)
				{
					Positions.push_back(Coordinates[Axis]);
					Min[Axis] = std::min(Min[Axis], Coordinates[Axis]);
					Max[Axis] = std::max(Max[Axis], Coordinates[Axis]);
				}
			}
			// glTF faces triangles counter-clockwise, the engine clockwise.
			std::vector<uint32_t> Indices;
			for (int32 Corner = 0; Corner < Mesh.Indices.Num(); Corner += 3)
			{
				Indices.insert(Indices.end(), {Mesh.Indices[Corner], Mesh.Indices[Corner + 2], Mesh.Indices[Corner + 1]});
			}
			const int Count = Mesh.Positions.Num();
			nlohmann::json Attributes = {{"POSITION", AddAccessor(Positions.data(), 4 * Positions.size(), Count, 5126, "VEC3")}};
			Json["accessors"][Attributes["POSITION"].get<int>()]["min"] = {Min[0], Min[1], Min[2]};
			Json["accessors"][Attributes["POSITION"].get<int>()]["max"] = {Max[0], Max[1], Max[2]};
			if (!Weights.empty())
			{
				std::vector<uint16_t> Joints;
				std::vector<float> Values;
				for (const FVertexSkin& Vertex : Weights)
				{
					Joints.insert(Joints.end(), Vertex.Joints, Vertex.Joints + 4);
					Values.insert(Values.end(), Vertex.Weights, Vertex.Weights + 4);
				}
				Attributes["JOINTS_0"] = AddAccessor(Joints.data(), 2 * Joints.size(), Count, 5123, "VEC4");
				Attributes["WEIGHTS_0"] = AddAccessor(Values.data(), 4 * Values.size(), Count, 5126, "VEC4");
			}
			const int IndicesAccessor = AddAccessor(Indices.data(), 4 * Indices.size(), static_cast<int>(Indices.size()), 5125, "SCALAR");
			Json["nodes"][Node]["mesh"] = Json["meshes"].size();
			Json["meshes"].push_back({{"name", Name}, {"primitives", {{{"attributes", Attributes}, {"indices", IndicesAccessor}, {"mode", 4}}}}});
			if (Skin >= 0)
			{
				Json["nodes"][Node]["skin"] = Skin;
			}
		}

		// A skin of Joints whose inverse bind matrices undo each joint's world transform at rest times Offset:
		// a vertex bound to a joint lands at Offset applied to its position.
		int AddSkin(const std::vector<int>& Joints, const std::vector<aiMatrix4x4>& Offsets = {})
		{
			std::vector<float> Matrices;
			for (size_t Joint = 0; Joint < Joints.size(); ++Joint)
			{
				aiMatrix4x4 InverseBind = WorldOf(Joints[Joint]).Inverse();
				if (Joint < Offsets.size())
				{
					InverseBind = InverseBind * Offsets[Joint];
				}
				for (unsigned Column = 0; Column < 4; ++Column)
				{
					for (unsigned Row = 0; Row < 4; ++Row)
					{
						Matrices.push_back(InverseBind[Row][Column]);
					}
				}
			}
			const int Accessor = AddAccessor(Matrices.data(), 4 * Matrices.size(), static_cast<int>(Joints.size()), 5126, "MAT4");
			Json["skins"].push_back({{"joints", Joints}, {"inverseBindMatrices", Accessor}});
			return static_cast<int>(Json["skins"].size()) - 1;
		}

		void Write(const fs::path& Path)
		{
			std::vector<int> Roots;
			for (size_t Node = 0; Node < Parents.size(); ++Node)
			{
				if (Parents[Node] < 0)
				{
					Roots.push_back(static_cast<int>(Node));
				}
			}
			Json["scenes"] = {{{"nodes", Roots}}};
			Json["scene"] = 0;
			const std::string BinName = Path.stem().string() + ".bin";
			Json["buffers"] = {{{"uri", BinName}, {"byteLength", Bin.size()}}};
			std::ofstream(Path.parent_path() / BinName, std::ios::binary).write(Bin.data(), static_cast<std::streamsize>(Bin.size()));
			std::ofstream(Path) << Json.dump(1);
		}

	private:
		nlohmann::json Json = {{"asset", {{"version", "2.0"}}}, {"nodes", nlohmann::json::array()}, {"meshes", nlohmann::json::array()}, {"accessors", nlohmann::json::array()}, {"bufferViews", nlohmann::json::array()}};
		std::string Bin;
		std::vector<int> Parents;

		aiMatrix4x4 WorldOf(int Node) const
		{
			aiMatrix4x4 World;
			for (; Node >= 0; Node = Parents[Node])
			{
				const nlohmann::json& Entry = Json["nodes"][Node];
				aiMatrix4x4 Translation, Scale;
				aiMatrix4x4::Translation(aiVector3D(Entry["translation"][0], Entry["translation"][1], Entry["translation"][2]), Translation);
				aiMatrix4x4::Scaling(aiVector3D(Entry["scale"][0], Entry["scale"][1], Entry["scale"][2]), Scale);
				World = Translation * Scale * World;
			}
			return World;
		}

		int AddAccessor(const void* Data, size_t Bytes, int Count, int ComponentType, const char* Type)
		{
			const size_t Offset = Bin.size();
			Bin.append(static_cast<const char*>(Data), Bytes);
			Bin.resize((Bin.size() + 3) / 4 * 4, '\0');
			Json["bufferViews"].push_back({{"buffer", 0}, {"byteOffset", Offset}, {"byteLength", Bytes}});
			Json["accessors"].push_back({{"bufferView", Json["bufferViews"].size() - 1}, {"componentType", ComponentType}, {"count", Count}, {"type", Type}});
			return static_cast<int>(Json["accessors"].size()) - 1;
		}
	};

	aiMatrix4x4 Translation(float X, float Y, float Z)
	{
		aiMatrix4x4 Matrix;
		return aiMatrix4x4::Translation(aiVector3D(X, Y, Z), Matrix);
	}

	// A person as Mixamo characters come through Blender: an armature node scaled 0.01 over joints placed in
	// centimetres, inverse bind matrices scaled 100 to match, and a sphere 1.8 tall (its feet at 0) skinned
	// to the hips below its middle and to the spine above it. The mesh's node is under the armature too, so
	// its transform alone would make the person 0.018 tall.
	void WriteMixamoLikePerson(const fs::path& Path, const Host::FMeshData& Body = Host::Translated(Host::BuildSphere(0.9f, 24, 48), FVector3f(0, 0, 0.9f)))
	{
		FGltfCharacter Character;
		const int Armature = Character.AddNode("Armature", {}, {0.01f, 0.01f, 0.01f});
		const int Mesh = Character.AddNode("Beta_Surface", {}, {1, 1, 1}, Armature);
		const int Hips = Character.AddNode("mixamorig:Hips", {0, 0, 100}, {1, 1, 1}, Armature);
		const int Spine = Character.AddNode("mixamorig:Spine", {0, 0, 40}, {1, 1, 1}, Hips);
		const int Skin = Character.AddSkin({Hips, Spine});
		std::vector<FVertexSkin> Weights;
		for (const FVector3f& P : Body.Positions)
		{
			Weights.push_back(P.Z < 0.9f ? Bound(0) : FVertexSkin{{0, 1, 0, 0}, {0.3f, 0.7f, 0, 0}});
		}
		Character.AddMesh(Mesh, "Body", Body, Skin, Weights);
		Character.Write(Path);
	}

	Host::FMeshData LoadCharacter(const fs::path& Path, bool bExpectSkinned = true)
	{
		Host::FMeshData Mesh;
		bool bSkinned = false;
		std::string Error;
		EXPECT_TRUE(VelmoraCli::LoadSkinnedMeshFile(Path.string(), Mesh, bSkinned, Error)) << Error;
		EXPECT_EQ(bSkinned, bExpectSkinned);
		return Mesh;
	}

	struct FBounds
	{
		FVector3f Min = FVector3f(std::numeric_limits<float>::max());
		FVector3f Max = FVector3f(-std::numeric_limits<float>::max());

		explicit FBounds(const Host::FMeshData& Mesh)
		{
			for (const FVector3f& P : Mesh.Positions)
			{
				Min = FVector3f(std::min(Min.X, P.X), std::min(Min.Y, P.Y), std::min(Min.Z, P.Z));
				Max = FVector3f(std::max(Max.X, P.X), std::max(Max.Y, P.Y), std::max(Max.Z, P.Z));
			}
		}
	};

	// Whether Mesh has a vertex within Tolerance of Where.
	bool HasVertexAt(const Host::FMeshData& Mesh, const FVector3f& Where, float Tolerance = 1e-4f)
	{
		return std::any_of(Mesh.Positions.begin(), Mesh.Positions.end(), [&](const FVector3f& P)
		                   { return std::abs(P.X - Where.X) <= Tolerance && std::abs(P.Y - Where.Y) <= Tolerance && std::abs(P.Z - Where.Z) <= Tolerance; });
	}

	// How many of Mesh's triangles face away from Centre, in the engine's winding.
	int32 TrianglesFacingAwayFrom(const Host::FMeshData& Mesh, const FVector3f& Centre)
	{
		int32 Count = 0;
		for (int32 Triangle = 0; Triangle < Mesh.NumTriangles(); ++Triangle)
		{
			const FVector3f A = Mesh.Positions[Mesh.Indices[3 * Triangle]];
			const FVector3f B = Mesh.Positions[Mesh.Indices[3 * Triangle + 1]];
			const FVector3f C = Mesh.Positions[Mesh.Indices[3 * Triangle + 2]];
			const FVector3f Facing = FVector3f::CrossProduct(C - A, B - A);
			Count += FVector3f::DotProduct(Facing, (A + B + C) / 3.f - Centre) > 0 ? 1 : 0;
		}
		return Count;
	}
}

TEST(SkinnedPose, ScaledArmatureStandsAtItsSizeAtRest)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("skinned-scaled");
	WriteMixamoLikePerson(Dir / "person.gltf");
	const Host::FMeshData Person = LoadCharacter(Dir / "person.gltf");
	EXPECT_EQ(Person.NumTriangles(), 2 * 48 * 23);
	const FBounds Bounds(Person);
	EXPECT_NEAR(Bounds.Min.Z, 0.0, 1e-4);
	EXPECT_NEAR(Bounds.Max.Z, 1.8, 1e-4);
	EXPECT_NEAR(Bounds.Max.X - Bounds.Min.X, 1.8, 1e-3);
	EXPECT_EQ(TrianglesFacingAwayFrom(Person, FVector3f(0, 0, 0.9f)), Person.NumTriangles());
}

TEST(SkinnedPose, BlendsBonesByTheirNormalisedWeights)
{
	// Each joint's skin moves its vertices: the hips by +1 along X, the spine by +2 along Z. The mesh's node
	// stands 5 up, which only vertices without weights take.
	const fs::path Dir = VelmoraTest::MakeTempDir("skinned-weights");
	FGltfCharacter Character;
	const int Mesh = Character.AddNode("Body", {0, 5, 0});
	const int Hips = Character.AddNode("Hips", {0, 0, 3}, {2, 2, 2});
	const int Spine = Character.AddNode("Spine", {1, 0, 0}, {1, 1, 1}, Hips);
	const int Skin = Character.AddSkin({Hips, Spine}, {Translation(1, 0, 0), Translation(0, 0, 2)});
	Host::FMeshData Quad = Host::BuildPlane(1.f);
	ASSERT_EQ(Quad.Positions.Num(), 4);
	// One vertex on the hips, one on the spine, one on both with weights summing to 0.5, one on nothing.
	Character.AddMesh(Mesh, "Body", Quad, Skin, {Bound(0), Bound(1), FVertexSkin{{0, 1, 0, 0}, {0.25f, 0.25f, 0, 0}}, FVertexSkin{}});
	Character.Write(Dir / "weights.gltf");

	const Host::FMeshData Placed = LoadCharacter(Dir / "weights.gltf");
	ASSERT_EQ(Placed.Positions.Num(), 4);
	const FVector3f Rest[4] = {Quad.Positions[0], Quad.Positions[1], Quad.Positions[2], Quad.Positions[3]};
	EXPECT_TRUE(HasVertexAt(Placed, Rest[0] + FVector3f(1, 0, 0)));
	EXPECT_TRUE(HasVertexAt(Placed, Rest[1] + FVector3f(0, 0, 2)));
	EXPECT_TRUE(HasVertexAt(Placed, Rest[2] + FVector3f(0.5f, 0, 1)));
	EXPECT_TRUE(HasVertexAt(Placed, Rest[3] + FVector3f(0, 5, 0)));
}

TEST(SkinnedPose, KeepsRigidPartsHangingOffBonesWhereTheirNodesPutThem)
{
	// As RobotExpressive is laid out: an armature scaled 100, a head box on a node named as the bone it hangs
	// off (and met first), hands skinned to that bone, and a prop beside the character that is not on it.
	const fs::path Dir = VelmoraTest::MakeTempDir("skinned-rigid");
	FGltfCharacter Character;
	const int Armature = Character.AddNode("RobotArmature", {}, {100, 100, 100});
	const int Root = Character.AddNode("Bone", {0, 0, 0.01f}, {1, 1, 1}, Armature);
	const int HeadPart = Character.AddNode("Head", {0, 0, 0.005f}, {1, 1, 1}, Root);
	const int HeadJoint = Character.AddNode("Head", {0, 0, 0.02f}, {1, 1, 1}, Root);
	const int Hand = Character.AddNode("Hand");
	const int Prop = Character.AddNode("Prop", {10, 0, 0});
	const int Skin = Character.AddSkin({Root, HeadJoint}, {aiMatrix4x4(), Translation(0, 0, 4)});
	const Host::FMeshData Box = Host::BuildBox(FVector3f(0.001f, 0.001f, 0.001f));
	Character.AddMesh(HeadPart, "Head", Box);
	const Host::FMeshData HandMesh = Host::BuildSphere(0.25f, 6, 12);
	Character.AddMesh(Hand, "Hand", HandMesh, Skin, std::vector<FVertexSkin>(HandMesh.Positions.Num(), Bound(1)));
	Character.AddMesh(Prop, "Prop", Host::BuildBox(FVector3f(1, 1, 1)));
	Character.Write(Dir / "robot.gltf");

	const Host::FMeshData Robot = LoadCharacter(Dir / "robot.gltf");
	EXPECT_EQ(Robot.NumTriangles(), Box.NumTriangles() + HandMesh.NumTriangles());
	// The head's node: 100 x (0.01 + 0.005) up, its box 0.1 across.
	EXPECT_TRUE(HasVertexAt(Robot, FVector3f(0.1f, 0.1f, 1.6f)));
	EXPECT_TRUE(HasVertexAt(Robot, FVector3f(-0.1f, -0.1f, 1.4f)));
	// The hand goes where the head joint's skin takes it (4 up), not where the same-named head part would.
	const Host::FMeshData HandAtRest = Host::Translated(HandMesh, FVector3f(0, 0, 4));
	EXPECT_EQ(std::count_if(HandAtRest.Positions.begin(), HandAtRest.Positions.end(), [&](const FVector3f& P)
	                        { return !HasVertexAt(Robot, P); }),
	          0);
	EXPECT_FALSE(HasVertexAt(Robot, FVector3f(11, 1, 1)));
}

TEST(SkinnedPose, KeepsEveryNamedPartAndFacesMirroredSkinsOutwards)
{
	// Head, eyes and body of one skin; the left eye's joint mirrors it across X, as exporters mirror a side.
	const fs::path Dir = VelmoraTest::MakeTempDir("skinned-parts");
	FGltfCharacter Character;
	const int Hips = Character.AddNode("Hips", {0, 0, 1});
	const int EyeJoint = Character.AddNode("Eye.L", {0, 0, 0.7f}, {1, 1, 1}, Hips);
	aiMatrix4x4 Mirror;
	const int Skin = Character.AddSkin({Hips, EyeJoint}, {aiMatrix4x4(), aiMatrix4x4::Scaling(aiVector3D(-1, 1, 1), Mirror)});
	const Host::FMeshData Head = Host::Translated(Host::BuildSphere(0.1f, 12, 24), FVector3f(0, 0, 1.7f));
	const Host::FMeshData RightEye = Host::Translated(Host::BuildSphere(0.02f, 6, 12), FVector3f(-0.04f, 0.09f, 1.72f));
	const Host::FMeshData Body = Host::Translated(Host::BuildBox(FVector3f(0.2f, 0.1f, 0.6f)), FVector3f(0, 0, 1));
	const struct
	{
		const char* Name;
		const Host::FMeshData& Mesh;
		uint16_t Joint;
		float Weight;
	} Parts[] = {{"Head", Head, 0, 1.f}, {"RightEye", RightEye, 0, 1.f}, {"LeftEye", RightEye, 1, 0.5f}, {"Body", Body, 0, 3.f}};
	int32 Triangles = 0;
	for (const auto& Part : Parts)
	{
		Character.AddMesh(Character.AddNode(Part.Name), Part.Name, Part.Mesh, Skin, std::vector<FVertexSkin>(Part.Mesh.Positions.Num(), Bound(Part.Joint, Part.Weight)));
		Triangles += Part.Mesh.NumTriangles();
	}
	Character.Write(Dir / "parts.gltf");

	const Host::FMeshData Person = LoadCharacter(Dir / "parts.gltf");
	ASSERT_EQ(Person.NumTriangles(), Triangles);
	// Parts follow each other in the file's order; the left eye is the right one mirrored across X.
	Host::FMeshData LeftEye;
	const int32 FirstCorner = 3 * (Head.NumTriangles() + RightEye.NumTriangles());
	for (int32 Corner = FirstCorner; Corner < FirstCorner + 3 * RightEye.NumTriangles(); ++Corner)
	{
		LeftEye.Indices.Add(static_cast<uint32>(LeftEye.Positions.Add(Person.Positions[Person.Indices[Corner]])));
	}
	EXPECT_TRUE(HasVertexAt(LeftEye, FVector3f(0.04f, 0.09f, 1.74f)));
	EXPECT_EQ(TrianglesFacingAwayFrom(LeftEye, FVector3f(0.04f, 0.09f, 1.72f)), LeftEye.NumTriangles());
}

// fit, check and inspect see a character as convert makes it: at rest, 1.8 tall, and say it is skinned.
TEST(SkinnedPose, EveryCommandPlacesACharacterAtRest)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("skinned-commands");
	WriteMixamoLikePerson(Dir / "person.gltf");
	WriteGroomQuietly(Dir / "groom.abc", SphereGroom(20, 3, 0.9f, 0.05f, FVector(0, 0, 0.9)));
	const auto Json = [&](const std::string& Command)
	{
		const FRun Run = RunVelmora(Command + " --json", Dir);
		EXPECT_EQ(Run.ExitCode, 0) << Command << ": " << Run.Stderr;
		return Run.ExitCode == 0 ? nlohmann::json::parse(Run.Stdout) : nlohmann::json::object();
	};
	for (const std::string Command : {"fit groom.abc person.gltf out.abc --on-miss nearest", "check groom.abc person.gltf"})
	{
		const nlohmann::json Summary = Json(Command);
		EXPECT_EQ(Summary.value("meshSkinned", false), true) << Command;
		EXPECT_NEAR(Summary["bounds"]["mesh"]["max"][2].get<double>(), 1.8, 1e-3) << Command;
	}
	const nlohmann::json Parts = Json("inspect person.gltf");
	EXPECT_EQ(Parts.value("skinned", false), true);
	EXPECT_NEAR(Parts["nodes"][0]["bounds"]["max"][2].get<double>(), 1.8, 1e-3) << Parts.dump();
}

TEST(SkinnedConvert, PrintsThePersonAtRestAndCountsDegenerateTriangles)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("skinned-convert");
	WriteMixamoLikePerson(Dir / "person.gltf");
	FRun Run = RunVelmora("convert person.gltf person.obj --json", Dir);
	ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
	nlohmann::json Summary = nlohmann::json::parse(Run.Stdout);
	EXPECT_EQ(Summary["triangles"], 2 * 48 * 23);
	EXPECT_EQ(Summary["degenerateTriangles"], 0);
	const FBounds Bounds(LoadCharacter(Dir / "person.obj", false));
	EXPECT_NEAR(Bounds.Max.Z - Bounds.Min.Z, 1.8, 1e-4);

	// Two triangles more, one with two corners at the same place: the build leaves it out and says so.
	Host::FMeshData Body = Host::Translated(Host::BuildSphere(0.9f, 24, 48), FVector3f(0, 0, 0.9f));
	const uint32 First = static_cast<uint32>(Body.Positions.Num());
	Body.Positions.Append({FVector3f(0, 0, 0.2f), FVector3f(0.1f, 0, 0.2f), FVector3f(0, 0.1f, 0.2f), FVector3f(0, 0, 0.2f)});
	Body.Indices.Append({First, First + 1, First + 2, First, First + 3, First + 1});
	WriteMixamoLikePerson(Dir / "flawed.gltf", Body);
	Run = RunVelmora("convert flawed.gltf flawed.obj --json", Dir);
	ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
	Summary = nlohmann::json::parse(Run.Stdout);
	EXPECT_EQ(Summary["inputTriangles"], 2 * 48 * 23 + 2);
	EXPECT_EQ(Summary["triangles"], 2 * 48 * 23 + 1);
	EXPECT_EQ(Summary["degenerateTriangles"], 1);
	Run = RunVelmora("convert flawed.gltf flawed.obj", Dir);
	ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
	EXPECT_NE(Run.Stdout.find("; 1 degenerate left out)"), std::string::npos) << Run.Stdout;
}

// A skin that cannot move what it holds (inverse bind matrices of zeros, weights that are not numbers)
// leaves those vertices where their node puts them and says how many, rather than collapsing the mesh or
// passing over them in silence.
TEST(SkinnedConvert, VerticesTheSkinCannotMoveStayAtTheirNodeAndAreCounted)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("skinned-broken");
	const aiMatrix4x4 Zero(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
	const Host::FMeshData Quad = Host::BuildPlane(1.f);
	for (const bool bZeroMatrix : {true, false})
	{
		SCOPED_TRACE(bZeroMatrix ? "zero inverse bind matrix" : "weights not a number");
		FGltfCharacter Character;
		const int Mesh = Character.AddNode("Body", {0, 5, 0});
		const int Hips = Character.AddNode("Hips", {0, 0, 3});
		const int Skin = Character.AddSkin({Hips}, {bZeroMatrix ? Zero : aiMatrix4x4()});
		const float Weight = bZeroMatrix ? 1.f : std::numeric_limits<float>::quiet_NaN();
		Character.AddMesh(Mesh, "Body", Quad, Skin, std::vector<FVertexSkin>(4, Bound(0, Weight)));
		Character.Write(Dir / "broken.gltf");

		const FRun Run = RunVelmora("convert broken.gltf out.obj --json", Dir);
		ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
		const nlohmann::json Summary = nlohmann::json::parse(Run.Stdout);
		EXPECT_EQ(Summary["triangles"], 2);
		ASSERT_EQ(Summary["warnings"].size(), 1u) << Summary.dump();
		EXPECT_NE(Summary["warnings"][0].get<std::string>().find("4 vertices of 'broken.gltf' no skin weight moves"), std::string::npos) << Summary.dump();
		EXPECT_TRUE(HasVertexAt(LoadCharacter(Dir / "out.obj", false), Quad.Positions[0] + FVector3f(0, 5, 0)));
	}
}

TEST(SkinnedConvert, RealCharactersStandAtRestWithEveryTriangle)
{
	const auto RealWorld = VelmoraTest::RealWorldDir();
	if (!RealWorld)
	{
		GTEST_SKIP() << "real-world files not found beside the checkout (../shared/realworld); skipped";
	}
	const struct
	{
		const char* File;
		int32 Triangles;
		double Height;
		// Triangles the file itself makes degenerate: three of RobotExpressive's feet name one vertex twice.
		int32 Degenerate;
	} Characters[] = {{"Xbot.glb", 49112, 1.8, 0}, {"RobotExpressive.glb", 3237, 4.46, 3}, {"readyplayer.me.glb", 15817, 1.87, 0}};
	for (const auto& Character : Characters)
	{
		SCOPED_TRACE(Character.File);
		const Host::FMeshData Loaded = LoadCharacter(*RealWorld / Character.File);
		EXPECT_EQ(Loaded.NumTriangles(), Character.Triangles);
		const FBounds Bounds(Loaded);
		// These files stand up along Y.
		EXPECT_NEAR(Bounds.Max.Y - Bounds.Min.Y, Character.Height, 0.05);
	}

	const fs::path Dir = VelmoraTest::MakeTempDir("skinned-real");
	for (const auto& Character : Characters)
	{
		SCOPED_TRACE(Character.File);
		const FRun Run = RunVelmora("convert '" + (*RealWorld / Character.File).string() + "' out.obj --json", Dir);
		ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
		const nlohmann::json Summary = nlohmann::json::parse(Run.Stdout);
		EXPECT_EQ(Summary["inputTriangles"], Character.Triangles);
		EXPECT_EQ(Summary["triangles"], Character.Triangles - Character.Degenerate);
		EXPECT_EQ(Summary["degenerateTriangles"], Character.Degenerate);
	}
}
