#include "MeshFiles.h"
#include "CheckedFileSystem.h"
#include "MeshHeaderCheck.h"
#include "MeshQuery.h"
#include "RecordingFileSystem.h"
#include "SafeText.h"
#include "SkinnedPose.h"

#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <system_error>
#include <unordered_set>
#include <vector>

namespace VelmoraCli
{
	namespace
	{
		// Node visits beyond this are taken for a file that shares its nodes to blow up, not for a head.
		constexpr size_t MaxNodeVisits = 1000000;

		std::string Lowercase(std::string Text)
		{
			std::transform(Text.begin(), Text.end(), Text.begin(), [](unsigned char C)
			               { return static_cast<char>(std::tolower(C)); });
			return Text;
		}

		// "Head_LOD2" -> 2; names without such an ending are level 0.
		int LodOfName(const std::string& Name)
		{
			const std::string Lower = Lowercase(Name);
			const size_t At = Lower.rfind("_lod");
			if (At == std::string::npos || At + 4 >= Lower.size())
			{
				return 0;
			}
			int Level = 0;
			for (size_t Index = At + 4; Index < Lower.size(); ++Index)
			{
				if (!std::isdigit(static_cast<unsigned char>(Lower[Index])) || Level > 1000)
				{
					return 0;
				}
				Level = Level * 10 + (Lower[Index] - '0');
			}
			return Level;
		}

		// Faces of a mesh of triangles; the import sorts points and lines into meshes of their own.
		uint64_t TrianglesOf(const aiMesh& Mesh)
		{
			return (Mesh.mPrimitiveTypes & aiPrimitiveType_TRIANGLE) ? Mesh.mNumFaces : 0;
		}

		struct FFlattener
		{
			const aiScene& Scene;
			// Given for a character: meshes with bones are placed at rest by their skin.
			const FSkinnedPose* Pose = nullptr;
			// As the skeletal mesh is made of the file: LOD 0 only and, with a skin, only the meshes on the skeleton.
			bool bSkeletalMesh = false;
			Host::FMeshData& Out;
			std::string Error;
			// Names of meshes or nodes to keep, all when empty, and which of them were found.
			std::vector<std::string> Parts = {};
			std::vector<bool> PartFound = {};
			// A walk that only counts the triangles it would place, into Placed: instancing is known before
			// anything is built.
			bool bCountOnly = false;
			uint64_t Placed = 0;
			// Vertices a skin names but cannot move, left where their nodes put them.
			uint64_t Unplaced = 0;

			// Whether Name is one of Parts (and so found).
			// A part is asked for by its name as stored or as 'velmora inspect' shows it, escaped.
			bool IsPicked(const aiString& Name)
			{
				bool bPicked = false;
				const std::string_view Stored(Name.C_Str());
				for (size_t Index = 0; Index < Parts.size(); ++Index)
				{
					if (Parts[Index] == Name.C_Str() || (!SafeText::IsPlain(Stored) && Parts[Index] == SafeText::Escaped(Stored)))
					{
						PartFound[Index] = true;
						bPicked = true;
					}
				}
				return bPicked;
			}

			bool AddMesh(const aiMesh& Mesh, const aiMatrix4x4& Transform)
			{
				if (!Mesh.mVertices || Mesh.mNumVertices == 0)
				{
					return true;
				}
				const size_t Base = static_cast<size_t>(Out.Positions.Num());
				if (Base + Mesh.mNumVertices > static_cast<size_t>(std::numeric_limits<int32>::max()))
				{
					Error = "the mesh has more vertices than a static mesh can hold";
					return false;
				}
				FPlacedVertices Skinned;
				if (Pose && Mesh.HasBones())
				{
					Pose->Place(Mesh, Transform, Skinned);
					Unplaced += Skinned.Unplaced;
				}
				for (unsigned Vertex = 0; Vertex < Mesh.mNumVertices; ++Vertex)
				{
					const aiVector3D P = Skinned.Positions.empty() ? Transform * Mesh.mVertices[Vertex] : Skinned.Positions[Vertex];
					if (!std::isfinite(P.x) || !std::isfinite(P.y) || !std::isfinite(P.z))
					{
						Error = "a vertex is not at a finite position";
						return false;
					}
					Out.Positions.Add(FVector3f(P.x, P.y, P.z));
				}
				const bool bMirrored = Transform.Determinant() < 0;
				for (unsigned Face = 0; Face < Mesh.mNumFaces; ++Face)
				{
					const aiFace& F = Mesh.mFaces[Face];
					if (F.mNumIndices != 3)
					{
						// Points and lines have no surface to trace.
						continue;
					}
					if (F.mIndices[0] >= Mesh.mNumVertices || F.mIndices[1] >= Mesh.mNumVertices || F.mIndices[2] >= Mesh.mNumVertices)
					{
						Error = "a triangle refers to a vertex the mesh does not have";
						return false;
					}
					// Assimp faces a triangle counter-clockwise, (B - A) x (C - A), whatever the format; the
					// engine faces it towards (C - A) x (B - A). Reversing the corners keeps the face where
					// the file put it, unless what places the triangle (its node, or its skin) mirrors it, which reverses it already.
					const bool bFaceMirrored = Skinned.Positions.empty() ? bMirrored : Skinned.IsMirrored(F.mIndices[0], F.mIndices[1], F.mIndices[2]);
					const unsigned Second = bFaceMirrored ? 1 : 2;
					const unsigned Third = bFaceMirrored ? 2 : 1;
					Out.Indices.Add(static_cast<uint32>(Base + F.mIndices[0]));
					Out.Indices.Add(static_cast<uint32>(Base + F.mIndices[Second]));
					Out.Indices.Add(static_cast<uint32>(Base + F.mIndices[Third]));
				}
				return true;
			}

			// Pre-order, children in index order, on a stack of our own: a file may nest nodes as deep as it
			// likes. A node may also be reached more than once (importers share children), so every visit
			// counts against a cap rather than letting a small file unfold into billions of copies.
			bool Walk(const aiNode& Root)
			{
				struct FVisit
				{
					const aiNode* Node;
					aiMatrix4x4 Parent;
					// The node or one above it was picked by name: all its meshes count.
					bool bPicked;
				};
				PartFound.assign(Parts.size(), false);
				std::vector<FVisit> Pending{{&Root, aiMatrix4x4(), Parts.empty()}};
				size_t Visits = 0;
				while (!Pending.empty())
				{
					const FVisit Visit = Pending.back();
					Pending.pop_back();
					if (++Visits > MaxNodeVisits)
					{
						Error = "the scene has more than " + std::to_string(MaxNodeVisits) + " node instances";
						return false;
					}
					const aiNode& Node = *Visit.Node;
					if (bSkeletalMesh && LodOfName(Node.mName.C_Str()) > 0)
					{
						continue;
					}
					const aiMatrix4x4 Transform = Visit.Parent * Node.mTransformation;
					const bool bNodePicked = IsPicked(Node.mName) || Visit.bPicked;
					for (unsigned Index = 0; Index < Node.mNumMeshes; ++Index)
					{
						const unsigned MeshIndex = Node.mMeshes[Index];
						if (MeshIndex >= Scene.mNumMeshes || !Scene.mMeshes[MeshIndex])
						{
							Error = "a node refers to a mesh the file does not have";
							return false;
						}
						const aiMesh& Mesh = *Scene.mMeshes[MeshIndex];
						if (bSkeletalMesh && Pose && !Mesh.HasBones() && !Pose->IsOnSkeleton(Node))
						{
							continue;
						}
						if (!IsPicked(Mesh.mName) && !bNodePicked)
						{
							continue;
						}
						if (bCountOnly)
						{
							Placed += TrianglesOf(Mesh);
						}
						else if (!AddMesh(Mesh, Transform))
						{
							return false;
						}
					}
					for (unsigned Child = Node.mNumChildren; Child-- > 0;)
					{
						if (Node.mChildren[Child])
						{
							Pending.push_back({Node.mChildren[Child], Transform, bNodePicked});
						}
					}
				}
				return true;
			}
		};

		// An importer that keeps the names of the files it opens.
		struct FRecordingImporter
		{
			Assimp::Importer Importer;
			// Owned by the importer.
			FRecordingFileSystem* Files = new FRecordingFileSystem();

			FRecordingImporter() { Importer.SetIOHandler(Files); }
		};

		const aiScene* ReadScene(FRecordingImporter& Recording, const std::string& Path, std::string& OutError)
		{
			Assimp::Importer& Importer = Recording.Importer;
			Recording.Files->Record(Path.c_str());
			std::error_code Error;
			if (!std::filesystem::is_regular_file(Path, Error))
			{
				OutError = std::filesystem::exists(Path, Error) ? "mesh '" + Path + "' is not a file" : "mesh '" + Path + "' does not exist";
				return nullptr;
			}
			std::string Reason;
			uint64_t ReferencedBytes = 0;
			if (!CheckMeshHeader(Importer, Path, Reason, &ReferencedBytes))
			{
				OutError = "cannot read mesh '" + Path + "': " + Reason;
				return nullptr;
			}
			AllowImportTimeFor(ReferencedBytes);
			// Faces become triangles, and each mesh keeps one primitive type so points and lines fall away.
			const unsigned Steps = aiProcess_Triangulate | aiProcess_SortByPType | aiProcess_ValidateDataStructure;
			const aiScene* Scene = Importer.ReadFile(Path, Steps);
			if (Recording.Files->HasOverflowed())
			{
				// The list of inputs would not be whole.
				OutError = "cannot read mesh '" + Path + "': it refers to more than " + std::to_string(FRecordingFileSystem::MaxFiles) + " files, or to a name longer than " +
				           std::to_string(FRecordingFileSystem::MaxPathBytes) + " bytes";
				return nullptr;
			}
			if (!Scene || !Scene->mRootNode || (Scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE))
			{
				// The reason is the importer's and may span lines; ours is one.
				std::string Reason = Importer.GetErrorString();
				std::replace_if(
				    Reason.begin(), Reason.end(), [](char C)
				    { return C == '\n' || C == '\r'; },
				    ' ');
				while (!Reason.empty() && Reason.back() == ' ')
				{
					Reason.pop_back();
				}
				OutError = "cannot read mesh '" + Path + "'" + (Reason.empty() ? std::string() : ": " + Reason);
				return nullptr;
			}
			return Scene;
		}

		// The names a part may be picked by, each once: the meshes' first, then the nodes holding them, then
		// the other nodes (a character's bones would fill the list); at most 50, with a count of the rest.
		std::string ListPartNames(const aiScene& Scene)
		{
			std::vector<std::string> Groups[3];
			std::unordered_set<std::string> Seen;
			const auto Add = [&](int Group, const aiString& Name)
			{
				if (Name.length > 0 && Seen.insert(Name.C_Str()).second)
				{
					Groups[Group].push_back(SafeText::Escaped(Name.C_Str()));
				}
			};
			std::vector<const aiNode*> Pending{Scene.mRootNode};
			std::vector<const aiNode*> Holding, Other;
			for (size_t Visits = 0; !Pending.empty() && Visits < MaxNodeVisits; ++Visits)
			{
				const aiNode* Node = Pending.back();
				Pending.pop_back();
				bool bHolds = false;
				for (unsigned Index = 0; Index < Node->mNumMeshes; ++Index)
				{
					if (Node->mMeshes[Index] < Scene.mNumMeshes && Scene.mMeshes[Node->mMeshes[Index]])
					{
						Add(0, Scene.mMeshes[Node->mMeshes[Index]]->mName);
						bHolds = true;
					}
				}
				(bHolds ? Holding : Other).push_back(Node);
				for (unsigned Child = Node->mNumChildren; Child-- > 0;)
				{
					if (Node->mChildren[Child])
					{
						Pending.push_back(Node->mChildren[Child]);
					}
				}
			}
			for (const aiNode* Node : Holding)
			{
				Add(1, Node->mName);
			}
			for (const aiNode* Node : Other)
			{
				Add(2, Node->mName);
			}
			constexpr size_t Shown = 50;
			std::string List;
			size_t Count = 0;
			for (const std::vector<std::string>& Names : Groups)
			{
				for (const std::string& Name : Names)
				{
					if (Count++ < Shown)
					{
						List += (List.empty() ? "'" : ", '") + Name + "'";
					}
				}
			}
			return Count > Shown ? List + " and " + std::to_string(Count - Shown) + " more" : List;
		}

		// Triangles the file stores, each mesh once however many nodes place it.
		uint64_t StoredTriangles(const aiScene& Scene)
		{
			uint64_t Count = 0;
			for (unsigned Index = 0; Index < Scene.mNumMeshes; ++Index)
			{
				Count += Scene.mMeshes[Index] ? TrianglesOf(*Scene.mMeshes[Index]) : 0;
			}
			return Count;
		}

		bool Flatten(const aiScene& Scene, const std::string& Path, const FSkinnedPose* Pose, bool bSkeletalMesh, uint64_t MaxTriangles, Host::FMeshData& OutMesh,
		             std::string& OutError, const std::vector<std::string>& Parts = {}, uint64_t* OutUnplaced = nullptr)
		{
			Host::FMeshData Mesh;
			FFlattener Counter{Scene, Pose, bSkeletalMesh, Mesh, {}, Parts, {}, true};
			if (!Counter.Walk(*Scene.mRootNode))
			{
				OutError = "cannot read mesh '" + Path + "': " + Counter.Error;
				return false;
			}
			if (Counter.Placed > MaxTriangles)
			{
				OutError = "cannot read mesh '" + Path + "': its nodes place " + std::to_string(Counter.Placed) + " triangles (" + std::to_string(StoredTriangles(Scene)) +
				           " stored), more than the limit of " + std::to_string(MaxTriangles) + " (see --mesh-max-triangles)";
				return false;
			}
			FFlattener Flattener{Scene, Pose, bSkeletalMesh, Mesh, {}, Parts};
			if (!Flattener.Walk(*Scene.mRootNode))
			{
				OutError = "cannot read mesh '" + Path + "': " + Flattener.Error;
				return false;
			}
			for (size_t Index = 0; Index < Parts.size(); ++Index)
			{
				if (!Flattener.PartFound[Index])
				{
					OutError = "mesh '" + Path + "' has no part named '" + Parts[Index] + "' (its parts: " + ListPartNames(Scene) + "; see velmora inspect MESH)";
					return false;
				}
			}
			if (Mesh.NumTriangles() == 0)
			{
				OutError = Parts.empty() ? "mesh '" + Path + "' has no triangles" : "the parts picked of mesh '" + Path + "' have no triangles";
				return false;
			}
			OutMesh = std::move(Mesh);
			if (OutUnplaced)
			{
				*OutUnplaced = Flattener.Unplaced;
			}
			return true;
		}

		std::string ExtensionOf(const std::string& Path)
		{
			std::string Extension = Lowercase(std::filesystem::path(Path).extension().string());
			if (!Extension.empty() && Extension[0] == '.')
			{
				Extension.erase(0, 1);
			}
			return Extension;
		}

		// The exporter for an extension: assimp's own ids, with glTF 2 preferred over glTF 1.
		std::string ExporterFor(const std::string& Extension)
		{
			if (Extension == "gltf")
			{
				return "gltf2";
			}
			if (Extension == "glb")
			{
				return "glb2";
			}
			if (Extension == "obj")
			{
				// The material library would only name the default material, and a second file is one
				// more to keep in step with the first.
				return "objnomtl";
			}
			if (Extension == "ply")
			{
				return "plyb";
			}
			if (Extension == "fbx")
			{
				// This assimp reads its own binary FBX back as damaged (block offsets out of range); ASCII FBX reads fine.
				return "fbxa";
			}
			if (Extension == "stl")
			{
				return "stlb";
			}
			Assimp::Exporter Exporter;
			for (size_t Index = 0; Index < Exporter.GetExportFormatCount(); ++Index)
			{
				const aiExportFormatDesc* Format = Exporter.GetExportFormatDescription(Index);
				if (Format && Extension == Format->fileExtension)
				{
					return Format->id;
				}
			}
			return {};
		}

		// The file's scene and its character's rest pose (none found when it has no skin); null with the reason.
		const aiScene* ReadPosedScene(FRecordingImporter& Recording, const std::string& Path, FSkinnedPose& OutPose, std::vector<std::string>& OutFilesRead,
		                              std::string& OutError)
		{
			const aiScene* Scene = ReadScene(Recording, Path, OutError);
			OutFilesRead = Recording.Files->GetFilesRead();
			if (Scene && !OutPose.Init(*Scene, MaxNodeVisits, OutError))
			{
				OutError = "cannot read mesh '" + Path + "': " + OutError;
				return nullptr;
			}
			if (ExtensionOf(Path) == "fbx")
			{
				OutPose.PlaceAtBindPose();
			}
			return Scene;
		}

		// Every mesh of the file, a character's skinned ones at rest as the skeletal mesh has them.
		bool LoadMeshInProcess(const std::string& Path, const std::vector<std::string>& Parts, const FMeshImportLimits& Limits, Host::FMeshData& OutMesh,
		                       bool& bOutSkinned, std::vector<std::string>& OutFilesRead, std::string& OutError)
		{
			FRecordingImporter Recording;
			FSkinnedPose Pose;
			const aiScene* Scene = ReadPosedScene(Recording, Path, Pose, OutFilesRead, OutError);
			if (!Scene)
			{
				return false;
			}
			bOutSkinned = Pose.HasSkin();
			return Flatten(*Scene, Path, bOutSkinned ? &Pose : nullptr, false, TriangleLimitFor(Limits, StoredTriangles(*Scene)), OutMesh, OutError, Parts);
		}

		bool LoadSkinnedMeshInProcess(const std::string& Path, const FMeshImportLimits& Limits, Host::FMeshData& OutMesh, bool& bOutSkinned,
		                              std::vector<std::string>& OutFilesRead, std::string& OutError)
		{
			FRecordingImporter Recording;
			FSkinnedPose Pose;
			const aiScene* Scene = ReadPosedScene(Recording, Path, Pose, OutFilesRead, OutError);
			if (!Scene)
			{
				return false;
			}
			bOutSkinned = Pose.HasSkin();
			uint64_t Unplaced = 0;
			if (!Flatten(*Scene, Path, bOutSkinned ? &Pose : nullptr, true, TriangleLimitFor(Limits, StoredTriangles(*Scene)), OutMesh, OutError, {}, &Unplaced))
			{
				return false;
			}
			// A successful import's text is its note.
			OutError = Unplaced == 0 ? std::string()
			                         : std::to_string(Unplaced) + (Unplaced == 1 ? " vertex" : " vertices") + " of '" + Path +
			                               "' no skin weight moves (none, zero or not a number, or on a bone whose inverse bind matrix is singular): "
			                               "left where their nodes put them";
			return true;
		}
	}

	bool VisitMeshScene(const std::string& Path, const FMeshImportLimits& Limits, const FSceneVisitor& Visit, std::string& OutText, std::string& OutError)
	{
		bool bUnused = false;
		Host::FMeshData Unused;
		return RunGuardedImport(
		    Path, Limits, [&](Host::FMeshData&, bool&, std::vector<std::string>& FilesRead, std::string& Text)
		    {
			    FRecordingImporter Recording;
			    const aiScene* Scene = ReadScene(Recording, Path, Text);
			    FilesRead = Recording.Files->GetFilesRead();
			    return Scene && Visit(*Scene, Text); },
		    Unused, bUnused, OutError, {}, nullptr, &OutText);
	}

	bool LoadMeshFile(const std::string& Path, Host::FMeshData& OutMesh, std::string& OutError, const FMeshImportLimits& Limits,
	                  const std::function<void()>& WhileImporting, std::vector<std::string>* OutFilesRead, const std::vector<std::string>& Parts,
	                  bool* bOutSkinned)
	{
		bool bSkinned = false;
		Host::FMeshData Mesh;
		// The child is a copy of this process: Parts reaches it as it is.
		if (!RunGuardedImport(
		        Path, Limits, [&](Host::FMeshData& Loaded, bool& bFlag, std::vector<std::string>& FilesRead, std::string& Error)
		        { return LoadMeshInProcess(Path, Parts, Limits, Loaded, bFlag, FilesRead, Error); },
		        Mesh, bSkinned, OutError, WhileImporting, OutFilesRead))
		{
			return false;
		}
		if (bOutSkinned)
		{
			*bOutSkinned = bSkinned;
		}
		std::string Reason;
		if (!CheckTraceableRange(Mesh, Reason))
		{
			OutError = "cannot read mesh '" + Path + "': " + Reason;
			return false;
		}
		OutMesh = std::move(Mesh);
		return true;
	}

	bool LoadSkinnedMeshFile(const std::string& Path, Host::FMeshData& OutMesh, bool& bOutSkinned, std::string& OutError, const FMeshImportLimits& Limits,
	                         std::vector<std::string>* OutFilesRead, std::string* OutWarning)
	{
		return RunGuardedImport(
		    Path, Limits, [&](Host::FMeshData& Mesh, bool& bSkinned, std::vector<std::string>& FilesRead, std::string& Error)
		    { return LoadSkinnedMeshInProcess(Path, Limits, Mesh, bSkinned, FilesRead, Error); },
		    OutMesh, bOutSkinned, OutError, {}, OutFilesRead, OutWarning);
	}

	bool CheckTraceableRange(const Host::FMeshData& Mesh, std::string& OutReason)
	{
		// Only corners count: a stray point far away has nothing to trace.
		constexpr double Bound = GroomFitting::FMeshQuery::MaxCoordinate;
		for (int32 Corner = 0; Corner < Mesh.Indices.Num(); ++Corner)
		{
			const uint32 Vertex = Mesh.Indices[Corner];
			if (Vertex >= static_cast<uint32>(Mesh.Positions.Num()))
			{
				continue;
			}
			const FVector3f& P = Mesh.Positions[static_cast<int32>(Vertex)];
			for (int32 Axis = 0; Axis < 3; ++Axis)
			{
				if (!(std::abs(static_cast<double>(P[Axis])) <= Bound))
				{
					char Value[32];
					std::snprintf(Value, sizeof(Value), "%g", static_cast<double>(P[Axis]));
					OutReason = "vertex " + std::to_string(Vertex) + " (a corner of triangle " + std::to_string(Corner / 3) + ") has " + "XYZ"[Axis] + " = " + Value +
					            ", beyond " + std::to_string(static_cast<uint64_t>(Bound)) + " from the origin, outside any world the engine traces";
					return false;
				}
			}
		}
		return true;
	}

	bool SaveMeshFile(const std::string& Path, const Host::FMeshData& Mesh, std::string& OutError)
	{
		const std::string Format = ExporterFor(ExtensionOf(Path));
		if (Format.empty())
		{
			OutError = "cannot tell a mesh format from '" + Path + "' (known: " + SavableExtensions() + ")";
			return false;
		}

		// One mesh under the root node; the scene owns and frees everything given to it.
		auto Scene = std::make_unique<aiScene>();
		Scene->mRootNode = new aiNode("mesh");
		Scene->mRootNode->mNumMeshes = 1;
		Scene->mRootNode->mMeshes = new unsigned[1]{0};
		Scene->mNumMaterials = 1;
		Scene->mMaterials = new aiMaterial* [1]
		{ new aiMaterial() };
		Scene->mNumMeshes = 1;
		Scene->mMeshes = new aiMesh* [1]
		{ new aiMesh() };
		aiMesh& Out = *Scene->mMeshes[0];
		Out.mName = "mesh";
		Out.mMaterialIndex = 0;
		Out.mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
		Out.mNumVertices = static_cast<unsigned>(Mesh.Positions.Num());
		Out.mVertices = new aiVector3D[Out.mNumVertices];
		for (unsigned Index = 0; Index < Out.mNumVertices; ++Index)
		{
			const FVector3f& P = Mesh.Positions[static_cast<int32>(Index)];
			Out.mVertices[Index] = aiVector3D(P.X, P.Y, P.Z);
		}
		Out.mNumFaces = static_cast<unsigned>(Mesh.NumTriangles());
		Out.mFaces = new aiFace[Out.mNumFaces];
		for (unsigned Face = 0; Face < Out.mNumFaces; ++Face)
		{
			Out.mFaces[Face].mNumIndices = 3;
			Out.mFaces[Face].mIndices = new unsigned[3];
			// Back from the engine's winding to assimp's counter-clockwise one.
			const int32 First = static_cast<int32>(3 * Face);
			Out.mFaces[Face].mIndices[0] = Mesh.Indices[First];
			Out.mFaces[Face].mIndices[1] = Mesh.Indices[First + 2];
			Out.mFaces[Face].mIndices[2] = Mesh.Indices[First + 1];
		}

		Assimp::Exporter Exporter;
		FCheckedFileSystem* const Files = new FCheckedFileSystem();
		Exporter.SetIOHandler(Files); // the exporter owns it
		if (Exporter.Export(Scene.get(), Format, Path) != aiReturn_SUCCESS)
		{
			const std::string Reason = Files->HasFailed() ? std::string() : Exporter.GetErrorString();
			OutError = Files->HasFailed() ? "cannot write " + Files->GetFailure() : "cannot write '" + Path + "': " + (Reason.empty() ? std::string("the exporter gave no reason") : Reason);
			return false;
		}
		if (Files->HasFailed())
		{
			OutError = "cannot write " + Files->GetFailure();
			return false;
		}
		return true;
	}

	std::string SavableExtensions()
	{
		std::string List;
		Assimp::Exporter Exporter;
		std::vector<std::string> Seen;
		for (size_t Index = 0; Index < Exporter.GetExportFormatCount(); ++Index)
		{
			const aiExportFormatDesc* Format = Exporter.GetExportFormatDescription(Index);
			if (!Format || std::find(Seen.begin(), Seen.end(), Format->fileExtension) != Seen.end())
			{
				continue;
			}
			Seen.push_back(Format->fileExtension);
			List += (List.empty() ? "." : " .") + std::string(Format->fileExtension);
		}
		return List;
	}
}
