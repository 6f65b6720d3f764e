#pragma once

#include "Host/MeshBuilders.h"
#include "MeshImportGuard.h"

#include <functional>
#include <string>
#include <vector>

struct aiScene;

// Mesh files through assimp: every format it reads (OBJ, FBX, glTF/GLB, PLY, STL, ...) in, and the
// formats it writes out. Coordinates are taken as the file holds them: no unit or axis conversion.
// Triangles change winding on the way: mesh files face them counter-clockwise, the engine clockwise
// (Host::FMeshData), so a face that looks out of a file's head looks out of the static mesh too.
namespace VelmoraCli
{
	// Every mesh of the scene, triangulated, placed by its node's transform (a character's skinned
	// meshes at rest, as LoadSkinnedMeshFile places them) and flattened into one
	// positions-and-triangles list. Points and lines are dropped. False with a one-line reason in OutError
	// when the file cannot be read or holds no triangles. The importer runs in a child process under
	// Limits, so a file that crashes it, loops or asks for too much memory is only an unreadable file;
	// WhileImporting, when given, runs here meanwhile. A header that cannot be true (counts needing more
	// bytes than the file holds) is refused before the importer runs, and so is a vertex further from the
	// origin than the engine traces (CheckTraceableRange). OutFilesRead, when given, receives every file
	// the importer opened or tried to (the mesh, an OBJ's material library, a glTF's buffers, ...), as
	// the importer spelled it, made absolute against the working directory; it is filled whenever the
	// importer ran to an answer, also when the file was refused.
	// Parts, when not empty, names the meshes (aiMesh names) or nodes (every mesh at or below the node)
	// to keep; a name that is neither is refused with the names the file has. OutSkinned, when given,
	// tells whether the file has a skin.
	bool LoadMeshFile(const std::string& Path, Host::FMeshData& OutMesh, std::string& OutError, const FMeshImportLimits& Limits = FMeshImportLimits(),
	                  const std::function<void()>& WhileImporting = {}, std::vector<std::string>* OutFilesRead = nullptr,
	                  const std::vector<std::string>& Parts = {}, bool* bOutSkinned = nullptr);

	// Runs Visit on the file's scene in the guarded child process (as LoadMeshFile imports it); what Visit
	// writes to OutText comes back here. Visit returns false with a one-line reason in OutText instead.
	using FSceneVisitor = std::function<bool(const aiScene& Scene, std::string& OutText)>;
	bool VisitMeshScene(const std::string& Path, const FMeshImportLimits& Limits, const FSceneVisitor& Visit, std::string& OutText, std::string& OutError);

	// The most detailed level of a skinned mesh, at rest as the engine's importers place it, leaving out nodes
	// named as coarser levels ("..._LOD1", "..._LOD2", ...). When the file has bones: the meshes that carry
	// them, each vertex placed by its skin (see SkinnedPose.h), and the meshes without weights that hang off
	// a bone, placed by their node; other meshes are left out. Without bones: every mesh, placed by its node.
	// OutSkinned tells whether bones were found; OutWarning, when given, receives a line when the skin left
	// vertices it names where their nodes put them (empty otherwise).
	bool LoadSkinnedMeshFile(const std::string& Path, Host::FMeshData& OutMesh, bool& bOutSkinned, std::string& OutError,
	                         const FMeshImportLimits& Limits = FMeshImportLimits(), std::vector<std::string>* OutFilesRead = nullptr,
	                         std::string* OutWarning = nullptr);

	// False with a one-line reason naming the vertex, the coordinate and the bound when a vertex lies
	// further from the origin than the engine's worlds reach (the mesh query's bound): nothing there
	// can be traced.
	bool CheckTraceableRange(const Host::FMeshData& Mesh, std::string& OutReason);

	// Writes the mesh in the format Path's extension names (.obj, .ply, .stl, .gltf, .glb, .fbx, .dae, ...).
	// False with a reason when the extension names no format assimp writes or writing fails.
	bool SaveMeshFile(const std::string& Path, const Host::FMeshData& Mesh, std::string& OutError);

	// The extensions SaveMeshFile knows, for help texts: ".obj .ply ...".
	std::string SavableExtensions();
}
