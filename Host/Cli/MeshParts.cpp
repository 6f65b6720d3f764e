#include "MeshParts.h"

#include "JsonWriter.h"
#include "MeshFiles.h"
#include "SafeText.h"
#include "SkinnedPose.h"

#include <assimp/scene.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <vector>

namespace VelmoraCli
{
	namespace
	{
		// The listing comes back from the importer's process in a small reply: a file of thousands of
		// nodes (a skeleton) lists its first ones, and names are cut short.
		constexpr size_t MaxListedNodes = 200;
		constexpr size_t MaxListedMeshes = 400;
		constexpr size_t MaxNameBytes = 80;
		constexpr size_t MaxNodeVisits = 1000000;

		struct FBounds
		{
			double Min[3] = {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
			double Max[3] = {-std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};

			bool IsValid() const { return Min[0] <= Max[0]; }
			void Add(const aiVector3D& P)
			{
				const double V[3] = {P.x, P.y, P.z};
				if (!std::isfinite(V[0]) || !std::isfinite(V[1]) || !std::isfinite(V[2]))
				{
					return;
				}
				for (int Axis = 0; Axis < 3; ++Axis)
				{
					Min[Axis] = std::min(Min[Axis], V[Axis]);
					Max[Axis] = std::max(Max[Axis], V[Axis]);
				}
			}
			void Add(const FBounds& Other)
			{
				for (int Axis = 0; Axis < 3; ++Axis)
				{
					Min[Axis] = std::min(Min[Axis], Other.Min[Axis]);
					Max[Axis] = std::max(Max[Axis], Other.Max[Axis]);
				}
			}
			nlohmann::json ToJson() const
			{
				if (!IsValid())
				{
					return nullptr;
				}
				return {{"min", {Min[0], Min[1], Min[2]}}, {"max", {Max[0], Max[1], Max[2]}}};
			}
		};

		std::string Shortened(const aiString& Name)
		{
			std::string Text = Name.C_Str();
			return Text.size() > MaxNameBytes ? Text.substr(0, MaxNameBytes) + "..." : Text;
		}

		struct FListedNode
		{
			std::string Name;
			int Depth = 0;
			int Parent = -1;
			nlohmann::json Meshes = nlohmann::json::array();
			int64_t Triangles = 0;
			FBounds Bounds;
		};

		// Runs in the importer's process: the scene's nodes in pre-order, each with its meshes and, for
		// the node, the triangles and bounds of every mesh at or below it.
		bool ListParts(const aiScene& Scene, std::string& OutText)
		{
			// A character's skinned meshes stand at rest, as every command places them.
			FSkinnedPose Pose;
			if (!Pose.Init(Scene, MaxNodeVisits, OutText))
			{
				return false;
			}
			struct FVisit
			{
				const aiNode* Node;
				aiMatrix4x4 Parent;
				int Depth;
				int ParentIndex;
			};
			std::vector<FListedNode> Nodes;
			std::vector<FVisit> Pending{{Scene.mRootNode, aiMatrix4x4(), 0, -1}};
			size_t Visits = 0, Meshes = 0;
			int64_t Triangles = 0;
			bool bCut = false;
			while (!Pending.empty())
			{
				const FVisit Visit = Pending.back();
				Pending.pop_back();
				if (++Visits > MaxNodeVisits)
				{
					OutText = "the scene has more than " + std::to_string(MaxNodeVisits) + " node instances";
					return false;
				}
				const aiNode& Node = *Visit.Node;
				const aiMatrix4x4 Transform = Visit.Parent * Node.mTransformation;
				FListedNode Listed;
				Listed.Name = Shortened(Node.mName);
				Listed.Depth = Visit.Depth;
				Listed.Parent = Visit.ParentIndex;
				for (unsigned Index = 0; Index < Node.mNumMeshes; ++Index)
				{
					const unsigned MeshIndex = Node.mMeshes[Index];
					if (MeshIndex >= Scene.mNumMeshes || !Scene.mMeshes[MeshIndex])
					{
						OutText = "a node refers to a mesh the file does not have";
						return false;
					}
					const aiMesh& Mesh = *Scene.mMeshes[MeshIndex];
					FPlacedVertices Skinned;
					if (Pose.HasSkin() && Mesh.HasBones())
					{
						Pose.Place(Mesh, Transform, Skinned);
					}
					int64_t MeshTriangles = 0;
					FBounds Bounds;
					for (unsigned Face = 0; Face < Mesh.mNumFaces; ++Face)
					{
						const aiFace& F = Mesh.mFaces[Face];
						if (F.mNumIndices != 3)
						{
							continue;
						}
						++MeshTriangles;
						for (unsigned Corner = 0; Corner < 3; ++Corner)
						{
							if (Mesh.mVertices && F.mIndices[Corner] < Mesh.mNumVertices)
							{
								Bounds.Add(Skinned.Positions.empty() ? Transform * Mesh.mVertices[F.mIndices[Corner]] : Skinned.Positions[F.mIndices[Corner]]);
							}
						}
					}
					Listed.Triangles += MeshTriangles;
					Listed.Bounds.Add(Bounds);
					Triangles += MeshTriangles;
					if (++Meshes <= MaxListedMeshes)
					{
						Listed.Meshes.push_back({{"name", Shortened(Mesh.mName)}, {"triangles", MeshTriangles}, {"bounds", Bounds.ToJson()}});
					}
				}
				const int Index = static_cast<int>(Nodes.size());
				if (Nodes.size() < MaxListedNodes)
				{
					Nodes.push_back(std::move(Listed));
				}
				else
				{
					bCut = true;
				}
				for (unsigned Child = Node.mNumChildren; Child-- > 0;)
				{
					if (Node.mChildren[Child] && Index < static_cast<int>(MaxListedNodes))
					{
						Pending.push_back({Node.mChildren[Child], Transform, Visit.Depth + 1, Index});
					}
					else if (Node.mChildren[Child])
					{
						bCut = true;
					}
				}
			}
			// Children come after their parents: gather from the last.
			for (size_t Index = Nodes.size(); Index-- > 0;)
			{
				if (Nodes[Index].Parent >= 0)
				{
					Nodes[static_cast<size_t>(Nodes[Index].Parent)].Triangles += Nodes[Index].Triangles;
					Nodes[static_cast<size_t>(Nodes[Index].Parent)].Bounds.Add(Nodes[Index].Bounds);
				}
			}
			nlohmann::json Json = {{"meshes", Scene.mNumMeshes}, {"triangles", Triangles}, {"skinned", Pose.HasSkin()}, {"nodes", nlohmann::json::array()}, {"cut", bCut}};
			for (const FListedNode& Node : Nodes)
			{
				Json["nodes"].push_back(
				    {{"name", Node.Name}, {"depth", Node.Depth}, {"triangles", Node.Triangles}, {"bounds", Node.Bounds.ToJson()}, {"meshes", Node.Meshes}});
			}
			OutText = Json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
			return true;
		}

		std::string DescribeBounds(const nlohmann::json& Bounds)
		{
			if (!Bounds.is_object())
			{
				return "(none)";
			}
			char Text[256];
			const nlohmann::json& Min = Bounds["min"];
			const nlohmann::json& Max = Bounds["max"];
			std::snprintf(Text, sizeof(Text), "(%.4g, %.4g, %.4g)-(%.4g, %.4g, %.4g)", Min[0].get<double>(), Min[1].get<double>(), Min[2].get<double>(),
			              Max[0].get<double>(), Max[1].get<double>(), Max[2].get<double>());
			return Text;
		}
	}

	bool IsMeshFileName(const std::string& Path)
	{
		std::string Extension = std::filesystem::path(Path).extension().string();
		std::transform(Extension.begin(), Extension.end(), Extension.begin(), [](unsigned char C)
		               { return static_cast<char>(std::tolower(C)); });
		return !Extension.empty() && Extension != ".abc";
	}

	bool InspectMeshParts(const std::string& Path, bool bJson, std::string& OutError, const FMeshImportLimits& Limits)
	{
		std::string Text;
		if (!VisitMeshScene(Path, Limits, ListParts, Text, OutError))
		{
			return false;
		}
		nlohmann::json Parts = nlohmann::json::parse(Text, nullptr, false);
		if (!Parts.is_object() || !Parts["nodes"].is_array())
		{
			OutError = "cannot list the parts of mesh '" + Path + "': the listing is too long";
			return false;
		}
		if (bJson)
		{
			Parts["mesh"] = Path;
			std::fputs(ToStrictJson(Parts).c_str(), stdout);
			return true;
		}
		std::printf("mesh     %s: %lld meshes, %lld triangles%s\n", Path.c_str(), static_cast<long long>(Parts["meshes"].get<int64_t>()),
		            static_cast<long long>(Parts["triangles"].get<int64_t>()), Parts.value("skinned", false) ? " (skinned: placed at rest)" : "");
		std::printf("parts (--mesh-part NAME picks a mesh, or a node with every mesh at or below it; nodes without triangles left out):\n");
		for (const nlohmann::json& Node : Parts["nodes"])
		{
			if (Node["triangles"].get<int64_t>() == 0)
			{
				continue;
			}
			const std::string Indent(2 + 2 * static_cast<size_t>(std::min(Node["depth"].get<int>(), 20)), ' ');
			std::printf("%snode '%s': %lld triangles, %s\n", Indent.c_str(), SafeText::Escaped(Node["name"].get<std::string>()).c_str(),
			            static_cast<long long>(Node["triangles"].get<int64_t>()), DescribeBounds(Node["bounds"]).c_str());
			for (const nlohmann::json& Mesh : Node["meshes"])
			{
				std::printf("%s  mesh '%s': %lld triangles, %s\n", Indent.c_str(), SafeText::Escaped(Mesh["name"].get<std::string>()).c_str(),
				            static_cast<long long>(Mesh["triangles"].get<int64_t>()), DescribeBounds(Mesh["bounds"]).c_str());
			}
		}
		if (Parts["cut"].get<bool>())
		{
			std::printf("(the file has more nodes than listed here: see --json for the first %zu)\n", MaxListedNodes);
		}
		return true;
	}
}
