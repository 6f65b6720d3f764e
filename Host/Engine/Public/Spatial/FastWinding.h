#pragma once

#include "CoreMinimal.h"
#include "Spatial/MeshAABBTree3.h"

#include <cmath>
#include <vector>

namespace UE::Geometry
{
	// The generalised winding number of a triangle mesh at any point, fast: triangles near the point
	// add their exact solid angle, clusters far from it (beyond FWNBeta times their radius) a second-order
	// expansion of theirs. A closed mesh whose triangle normals (GetTriNormal) face outward gives +1
	// inside and 0 outside; reversed, -1 inside. Across a hole the number blends smoothly.
	template<class TriangleMeshType>
	class TFastWindingTree
	{
	public:
		double FWNBeta = 2.0;
		int FWNApproxOrder = 2;

		TFastWindingTree(TMeshAABBTree3<TriangleMeshType>* TreeToRef, bool bAutoBuild = true)
		    : Tree(TreeToRef)
		{
			if (bAutoBuild)
			{
				Build(true);
			}
		}

		// Rebuilds a stale box tree, then the expansion cache when forced or the mesh changed.
		void Build(bool bForceRebuild = true)
		{
			if (!Tree->IsValid(false))
			{
				Tree->Build();
			}
			if (bForceRebuild || !bBuilt || CacheChangeStamp != Tree->BuiltChangeStamp)
			{
				BuildCache();
			}
		}
		bool IsBuilt() const { return bBuilt && Tree->IsValid(false) && CacheChangeStamp == Tree->BuiltChangeStamp; }

		double FastWindingNumber(const FVector3d& P)
		{
			Build(false);
			return static_cast<const TFastWindingTree*>(this)->FastWindingNumber(P);
		}
		// Never builds: 0 before the first build.
		double FastWindingNumber(const FVector3d& P) const
		{
			if (!bBuilt || Tree->Nodes.empty())
			{
				return 0.0;
			}
			constexpr double InvFourPi = 1.0 / (4.0 * UE_DOUBLE_PI);
			const TriangleMeshType& Mesh = *Tree->Mesh;
			double Sum = 0.0;
			int Stack[128];
			int Top = 0;
			Stack[Top++] = 0;
			while (Top > 0)
			{
				const int NodeIndex = Stack[--Top];
				const FCluster& Cluster = Clusters[static_cast<size_t>(NodeIndex)];
				const FVector3d R = Cluster.Center - P;
				const double DistSqr = R.SizeSquared();
				if (DistSqr > FWNBeta * FWNBeta * Cluster.RadiusSqr)
				{
					Sum += FarField(Cluster, R, DistSqr) * InvFourPi;
					continue;
				}
				const auto& Node = Tree->Nodes[static_cast<size_t>(NodeIndex)];
				if (Node.Count == 0)
				{
					Stack[Top++] = Node.First;
					Stack[Top++] = Node.First + 1;
					continue;
				}
				for (int Index = Node.First; Index < Node.First + Node.Count; ++Index)
				{
					FVector3d A, B, C;
					Mesh.GetTriVertices(Tree->TriangleIDs[static_cast<size_t>(Index)], A, B, C);
					Sum += TriSolidAngle(A - P, B - P, C - P) * InvFourPi;
				}
			}
			return Sum;
		}

		bool IsInside(const FVector3d& P, double WindingIsoThreshold = 0.5) const { return FastWindingNumber(P) > WindingIsoThreshold; }

	private:
		// A cluster's expansion about its area-weighted centre: the sum of its area vectors (in the
		// normal's direction, of the triangle's area) and the second-order moment sum a (x - c) (x) n.
		struct FCluster
		{
			FVector3d Center;
			double RadiusSqr = 0;
			FVector3d Order1 = FVector3d::ZeroVector;
			double Order2[3][3] = {};
		};

		// The solid angle of the triangle seen from the origin, negated so that a triangle whose
		// GetTriNormal faces away from the origin counts positive.
		static double TriSolidAngle(const FVector3d& A, const FVector3d& B, const FVector3d& C)
		{
			const double LA = A.Size(), LB = B.Size(), LC = C.Size();
			const double Numer = A | (B ^ C);
			const double Denom = LA * LB * LC + (A | B) * LC + (A | C) * LB + (B | C) * LA;
			return -2.0 * std::atan2(Numer, Denom);
		}

		double FarField(const FCluster& Cluster, const FVector3d& R, double DistSqr) const
		{
			const double Dist = std::sqrt(DistSqr);
			const double InvDist3 = 1.0 / (DistSqr * Dist);
			double Value = (R | Cluster.Order1) * InvDist3;
			if (FWNApproxOrder >= 2)
			{
				const double InvDist5 = InvDist3 / DistSqr;
				const double Trace = Cluster.Order2[0][0] + Cluster.Order2[1][1] + Cluster.Order2[2][2];
				double RMR = 0.0;
				for (int I = 0; I < 3; ++I)
				{
					for (int J = 0; J < 3; ++J)
					{
						RMR += R[I] * Cluster.Order2[I][J] * R[J];
					}
				}
				Value += Trace * InvDist3 - 3.0 * RMR * InvDist5;
			}
			return Value;
		}

		void BuildCache()
		{
			Clusters.assign(Tree->Nodes.size(), FCluster());
			if (!Tree->Nodes.empty())
			{
				BuildCluster(0);
			}
			CacheChangeStamp = Tree->BuiltChangeStamp;
			bBuilt = true;
		}

		// Returns the total area of the node.
		double BuildCluster(int NodeIndex)
		{
			const auto& Node = Tree->Nodes[static_cast<size_t>(NodeIndex)];
			FCluster Cluster;
			double Area = 0.0;
			if (Node.Count == 0)
			{
				const double AreaA = BuildCluster(Node.First);
				const double AreaB = BuildCluster(Node.First + 1);
				const FCluster& ClusterA = Clusters[static_cast<size_t>(Node.First)];
				const FCluster& ClusterB = Clusters[static_cast<size_t>(Node.First + 1)];
				Area = AreaA + AreaB;
				Cluster.Center = Area > 0.0 ? (ClusterA.Center * AreaA + ClusterB.Center * AreaB) * (1.0 / Area) : (ClusterA.Center + ClusterB.Center) * 0.5;
				Cluster.Order1 = ClusterA.Order1 + ClusterB.Order1;
				double Radius = 0.0;
				for (const FCluster* Child : {&ClusterA, &ClusterB})
				{
					// Moment about the new centre: the child's own plus its offset times its area vector.
					const FVector3d Offset = Child->Center - Cluster.Center;
					for (int I = 0; I < 3; ++I)
					{
						for (int J = 0; J < 3; ++J)
						{
							Cluster.Order2[I][J] += Child->Order2[I][J] + Offset[I] * Child->Order1[J];
						}
					}
					Radius = FMath::Max(Radius, Offset.Size() + std::sqrt(Child->RadiusSqr));
				}
				Cluster.RadiusSqr = Radius * Radius;
			}
			else
			{
				const TriangleMeshType& Mesh = *Tree->Mesh;
				FVector3d Weighted(0, 0, 0), Plain(0, 0, 0);
				for (int Index = Node.First; Index < Node.First + Node.Count; ++Index)
				{
					FVector3d A, B, C;
					Mesh.GetTriVertices(Tree->TriangleIDs[static_cast<size_t>(Index)], A, B, C);
					const double TriArea = 0.5 * ((B - A) ^ (C - A)).Size();
					const FVector3d Centroid = (A + B + C) * (1.0 / 3.0);
					Weighted += Centroid * TriArea;
					Plain += Centroid;
					Area += TriArea;
				}
				Cluster.Center = Area > 0.0 ? Weighted * (1.0 / Area) : Plain * (1.0 / Node.Count);
				double RadiusSqr = 0.0;
				for (int Index = Node.First; Index < Node.First + Node.Count; ++Index)
				{
					FVector3d A, B, C;
					Mesh.GetTriVertices(Tree->TriangleIDs[static_cast<size_t>(Index)], A, B, C);
					// The engine's normal side: (C - A) x (B - A), half of it for the area.
					const FVector3d AreaVector = ((C - A) ^ (B - A)) * 0.5;
					const FVector3d Offset = (A + B + C) * (1.0 / 3.0) - Cluster.Center;
					Cluster.Order1 += AreaVector;
					for (int I = 0; I < 3; ++I)
					{
						for (int J = 0; J < 3; ++J)
						{
							Cluster.Order2[I][J] += Offset[I] * AreaVector[J];
						}
					}
					for (const FVector3d& Corner : {A, B, C})
					{
						RadiusSqr = FMath::Max(RadiusSqr, (Corner - Cluster.Center).SizeSquared());
					}
				}
				Cluster.RadiusSqr = RadiusSqr;
			}
			Clusters[static_cast<size_t>(NodeIndex)] = Cluster;
			return Area;
		}

		TMeshAABBTree3<TriangleMeshType>* Tree;
		std::vector<FCluster> Clusters;
		uint64 CacheChangeStamp = 0;
		bool bBuilt = false;
	};
}
