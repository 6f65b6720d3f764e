#pragma once

#include <assimp/matrix4x4.h>
#include <assimp/vector3.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

struct aiMesh;
struct aiNode;
struct aiScene;

// A character at rest as the engine's importers see it. A skin replaces the transform of the node that
// holds its mesh: each vertex goes where its bones take it, the bone's node in the scene times the bone's
// inverse bind matrix (aiBone::mOffsetMatrix), blended by the vertex's weights. A mesh without weights that
// hangs off a bone is bound rigidly to that bone, so it stays where its node puts it. Exporters that scale
// the armature and compensate in the inverse bind matrices (Mixamo through Blender: 0.01 and 100) come out
// at their real size only this way.
namespace VelmoraCli
{
	// The vertices of one mesh at rest.
	struct FPlacedVertices
	{
		std::vector<aiVector3D> Positions;
		// Per vertex: whether the transform that placed it mirrors (a negative determinant).
		std::vector<uint8_t> Mirrored;
		// Vertices of a mesh with bones that no weight moves (none, zero or not a number, or on a bone whose
		// inverse bind matrix flattens space): they stay where their node puts them.
		unsigned Unplaced = 0;

		// Whether the triangle of these corners is mirrored: the majority of its corners say so.
		bool IsMirrored(unsigned A, unsigned B, unsigned C) const { return Mirrored[A] + Mirrored[B] + Mirrored[C] >= 2; }
	};

	class FSkinnedPose
	{
	public:
		// Finds the node of every bone the scene's meshes name, and the nodes that hang off them. Nodes are
		// matched by name; where several share a bone's name (Blender exports a bone's rigid part under it
		// by the same name), the first in pre-order that holds no mesh is the joint. False with a reason
		// when the node tree takes more than MaxNodeVisits visits to walk (shared nodes count each time).
		bool Init(const aiScene& Scene, size_t MaxNodeVisits, std::string& OutError);

		// Whether any mesh of the scene has bones.
		bool HasSkin() const { return bHasSkin; }

		// An FBX file states its bind pose apart from the pose its nodes stand in (often a frame of an
		// animation), and its importer folds the bind pose into each bone's offset so that, bound, the mesh
		// is where its own node puts it. Place then puts a skinned mesh there rather than in the nodes' pose.
		void PlaceAtBindPose() { bAtBindPose = true; }

		// Whether Node is a bone of a skin or lies below one.
		bool IsOnSkeleton(const aiNode& Node) const { return OnSkeleton.count(&Node) != 0; }

		// Mesh's vertices at rest: skinned by their weights (normalised where they do not sum to 1), and
		// placed by NodeTransform, the world transform of the node holding the mesh, where no weight of a
		// bone found in the scene reaches them (a mesh without bones: every vertex).
		void Place(const aiMesh& Mesh, const aiMatrix4x4& NodeTransform, FPlacedVertices& Out) const;

	private:
		bool bHasSkin = false;
		bool bAtBindPose = false;
		// World transform of each bone's joint node, by bone name.
		std::unordered_map<std::string, aiMatrix4x4t<double>> JointTransforms;
		std::unordered_set<const aiNode*> OnSkeleton;
	};
}
