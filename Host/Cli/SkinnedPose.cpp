#include "SkinnedPose.h"

#include <assimp/scene.h>

#include <cmath>

namespace VelmoraCli
{
	namespace
	{
		using FMatrixD = aiMatrix4x4t<double>;
		using FVectorD = aiVector3t<double>;

		// Pre-order, children in index order, on a stack of our own (a file may nest nodes as deep as it
		// likes), with each node's world transform and what its parent passed down. Every visit counts
		// against the cap: importers share nodes, and a small file may unfold into billions of copies.
		template<typename FState, typename FVisit>
		bool WalkNodes(const aiNode& Root, const size_t MaxVisits, const FState& RootState, FVisit Visit, std::string& OutError)
		{
			struct FPending
			{
				const aiNode* Node;
				FMatrixD Parent;
				FState State;
			};
			std::vector<FPending> Pending{{&Root, FMatrixD(), RootState}};
			size_t Visits = 0;
			while (!Pending.empty())
			{
				const FPending Current = Pending.back();
				Pending.pop_back();
				if (++Visits > MaxVisits)
				{
					OutError = "the scene has more than " + std::to_string(MaxVisits) + " node instances";
					return false;
				}
				const aiNode& Node = *Current.Node;
				const FMatrixD World = Current.Parent * FMatrixD(Node.mTransformation);
				const FState State = Visit(Node, World, Current.State);
				for (unsigned Child = Node.mNumChildren; Child-- > 0;)
				{
					if (Node.mChildren[Child])
					{
						Pending.push_back({Node.mChildren[Child], World, State});
					}
				}
			}
			return true;
		}
	}

	bool FSkinnedPose::Init(const aiScene& Scene, const size_t MaxNodeVisits, std::string& OutError)
	{
		std::unordered_set<std::string> BoneNames;
		for (unsigned MeshIndex = 0; MeshIndex < Scene.mNumMeshes; ++MeshIndex)
		{
			const aiMesh* Mesh = Scene.mMeshes[MeshIndex];
			for (unsigned Bone = 0; Mesh && Mesh->mBones && Bone < Mesh->mNumBones; ++Bone)
			{
				if (Mesh->mBones[Bone])
				{
					BoneNames.insert(Mesh->mBones[Bone]->mName.C_Str());
				}
			}
		}
		bHasSkin = !BoneNames.empty();
		if (!bHasSkin || !Scene.mRootNode)
		{
			return true;
		}

		// The joint of each bone name: the first node so named that holds no mesh, else the first so named.
		struct FCandidates
		{
			const aiNode* First = nullptr;
			FMatrixD FirstWorld;
			const aiNode* Meshless = nullptr;
			FMatrixD MeshlessWorld;
		};
		std::unordered_map<std::string, FCandidates> Candidates;
		const auto FindCandidates = [&](const aiNode& Node, const FMatrixD& World, bool)
		{
			const auto Bone = BoneNames.find(Node.mName.C_Str());
			if (Bone != BoneNames.end())
			{
				FCandidates& Found = Candidates[*Bone];
				if (!Found.First)
				{
					Found.First = &Node;
					Found.FirstWorld = World;
				}
				if (!Found.Meshless && Node.mNumMeshes == 0)
				{
					Found.Meshless = &Node;
					Found.MeshlessWorld = World;
				}
			}
			return false;
		};
		if (!WalkNodes(*Scene.mRootNode, MaxNodeVisits, false, FindCandidates, OutError))
		{
			return false;
		}
		std::unordered_set<const aiNode*> Joints;
		for (const auto& [Name, Found] : Candidates)
		{
			const bool bMeshless = Found.Meshless != nullptr;
			JointTransforms.emplace(Name, bMeshless ? Found.MeshlessWorld : Found.FirstWorld);
			Joints.insert(bMeshless ? Found.Meshless : Found.First);
		}

		// Meshes at or below a joint ride on the skeleton.
		const auto MarkSkeleton = [&](const aiNode& Node, const FMatrixD&, const bool bBelowJoint)
		{
			const bool bOnSkeleton = bBelowJoint || Joints.count(&Node) != 0;
			if (bOnSkeleton && Node.mNumMeshes > 0)
			{
				OnSkeleton.insert(&Node);
			}
			return bOnSkeleton;
		};
		return WalkNodes(*Scene.mRootNode, MaxNodeVisits, false, MarkSkeleton, OutError);
	}

	void FSkinnedPose::Place(const aiMesh& Mesh, const aiMatrix4x4& NodeTransform, FPlacedVertices& Out) const
	{
		const unsigned NumVertices = Mesh.mVertices ? Mesh.mNumVertices : 0;
		// Per vertex: the weighted sum of where its bones take it, the sum of its weights, and the part of
		// that sum whose bones mirror.
		std::vector<FVectorD> Sum(NumVertices, FVectorD(0, 0, 0));
		std::vector<double> Weight(NumVertices, 0.0);
		std::vector<double> MirroredWeight(NumVertices, 0.0);
		for (unsigned BoneIndex = 0; Mesh.mBones && BoneIndex < Mesh.mNumBones; ++BoneIndex)
		{
			const aiBone* Bone = Mesh.mBones[BoneIndex];
			if (!Bone || !Bone->mWeights)
			{
				continue;
			}
			const auto Joint = JointTransforms.find(Bone->mName.C_Str());
			if (Joint == JointTransforms.end())
			{
				// A bone no node stands for cannot move anything; its vertices keep the node's placement.
				continue;
			}
			const FMatrixD Skin = bAtBindPose ? FMatrixD(NodeTransform) : Joint->second * FMatrixD(Bone->mOffsetMatrix);
			const double Determinant = Skin.Determinant();
			const bool bMirrors = Determinant < 0;
			// A matrix that flattens space (all zeros, say) would put every vertex it holds on one plane or point.
			const bool bPlaces = std::isfinite(Determinant) && std::abs(Determinant) > 1e-30;
			for (unsigned Index = 0; Index < Bone->mNumWeights; ++Index)
			{
				const aiVertexWeight& Entry = Bone->mWeights[Index];
				const double W = Entry.mWeight;
				// Importers write zero weights for bones that move nothing; negative or broken ones move nothing either.
				if (Entry.mVertexId >= NumVertices || !bPlaces || !(W > 0) || !std::isfinite(W))
				{
					continue;
				}
				const aiVector3D& V = Mesh.mVertices[Entry.mVertexId];
				Sum[Entry.mVertexId] += (Skin * FVectorD(V.x, V.y, V.z)) * W;
				Weight[Entry.mVertexId] += W;
				MirroredWeight[Entry.mVertexId] += bMirrors ? W : 0.0;
			}
		}

		const bool bNodeMirrors = NodeTransform.Determinant() < 0;
		Out.Positions.resize(NumVertices);
		Out.Mirrored.resize(NumVertices);
		for (unsigned Vertex = 0; Vertex < NumVertices; ++Vertex)
		{
			if (Weight[Vertex] > 0)
			{
				const FVectorD P = Sum[Vertex] / Weight[Vertex];
				Out.Positions[Vertex] = aiVector3D(static_cast<ai_real>(P.x), static_cast<ai_real>(P.y), static_cast<ai_real>(P.z));
				Out.Mirrored[Vertex] = 2 * MirroredWeight[Vertex] > Weight[Vertex];
			}
			else
			{
				Out.Positions[Vertex] = NodeTransform * Mesh.mVertices[Vertex];
				Out.Mirrored[Vertex] = bNodeMirrors;
				// A skinned mesh's vertex should have a weight: the engine would bind it to the root instead.
				Out.Unplaced += Mesh.HasBones() ? 1 : 0;
			}
		}
	}
}
