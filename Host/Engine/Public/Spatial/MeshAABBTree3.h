#pragma once

#include "CoreMinimal.h"
#include "Distance/DistPoint3Triangle3.h"
#include "Spatial/SpatialInterfaces.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <limits>
#include <vector>

namespace UE::Geometry
{
	template<class TriangleMeshType>
	class TFastWindingTree;

	// A bounding-box hierarchy over a mesh's triangles, in double precision, for nearest-triangle and
	// ray queries. It keeps a pointer to the mesh, which must outlive it and stay where it is, and the
	// mesh's change stamp at the build: queries on a mesh that changed since fail their ensure unless the
	// options allow it. Triangles whose centroid is not finite are left out.
	template<class TriangleMeshType>
	class TMeshAABBTree3 : public IMeshSpatial
	{
		friend class TFastWindingTree<TriangleMeshType>;

	public:
		TMeshAABBTree3() {}
		TMeshAABBTree3(const TriangleMeshType* SourceMesh, bool bAutoBuild = true) { SetMesh(SourceMesh, bAutoBuild); }

		void SetMesh(const TriangleMeshType* SourceMesh, bool bAutoBuild = true)
		{
			Mesh = SourceMesh;
			bBuilt = false;
			Nodes.clear();
			TriangleIDs.clear();
			if (bAutoBuild)
			{
				Build();
			}
		}
		const TriangleMeshType* GetMesh() const { return Mesh; }

		void Build()
		{
			std::vector<int> All;
			All.reserve(static_cast<size_t>(Mesh->TriangleCount()));
			for (const int TriangleID : Mesh->TriangleIndicesItr())
			{
				All.push_back(TriangleID);
			}
			BuildFrom(std::move(All));
		}
		void Build(const TArray<int32>& TriangleList)
		{
			BuildFrom(std::vector<int>(TriangleList.GetData(), TriangleList.GetData() + TriangleList.Num()));
		}

		// False when the mesh changed since the build, unless that is allowed. Asking a tree never built is a
		// failed checkSlow, as in the engine (its root index is still -1).
		bool IsValid(bool bAllowUnsafeModifiedMeshQueries) const
		{
			checkSlow(bBuilt);
			if (!bBuilt || !Mesh)
			{
				return false;
			}
			return bAllowUnsafeModifiedMeshQueries || BuiltChangeStamp == Mesh->GetChangeStamp();
		}

		virtual bool SupportsNearestTriangle() const override { return true; }
		virtual bool SupportsTriangleRayIntersection() const override { return true; }
		// A tree of triangles does not know an inside.
		virtual bool SupportsPointContainment() const override { return false; }
		virtual bool IsInside(const FVector3d&) const override { return false; }

		// The triangle nearest to P within the options' MaxDistance, or InvalidID (NearestDistSqr is then
		// MaxDistance squared). Of triangles at the same distance the first visited stays.
		virtual int FindNearestTriangle(const FVector3d& P, double& NearestDistSqr, const FQueryOptions& Options = FQueryOptions()) const override
		{
			if (!ensure(IsValid(Options.bAllowUnsafeModifiedMeshQueries)))
			{
				return IndexConstants::InvalidID;
			}
			NearestDistSqr = Options.MaxDistance < std::numeric_limits<double>::max() ? Options.MaxDistance * Options.MaxDistance
			                                                                          : std::numeric_limits<double>::max();
			int NearestID = IndexConstants::InvalidID;
			if (Nodes.empty())
			{
				return NearestID;
			}
			// Nodes waiting, with the squared distance of their boxes, so a box is measured once.
			struct FEntry
			{
				int Node;
				double DistSqr;
			};
			FEntry Stack[128];
			int Top = 0;
			Stack[Top++] = FEntry{0, BoxDistanceSqr(Nodes[0], P)};
			while (Top > 0)
			{
				const FEntry Entry = Stack[--Top];
				if (Entry.DistSqr >= NearestDistSqr)
				{
					continue;
				}
				const FNode& Node = Nodes[static_cast<size_t>(Entry.Node)];
				if (Node.Count > 0)
				{
					for (int Index = Node.First; Index < Node.First + Node.Count; ++Index)
					{
						const int TriangleID = TriangleIDs[static_cast<size_t>(Index)];
						if (Options.TriangleFilterF && !Options.TriangleFilterF(TriangleID))
						{
							continue;
						}
						FVector3d V0, V1, V2;
						Mesh->GetTriVertices(TriangleID, V0, V1, V2);
						TDistPoint3Triangle3<double> Distance(P, TTriangle3<double>(V0, V1, V2));
						const double DistSqr = Distance.GetSquared();
						if (DistSqr < NearestDistSqr)
						{
							NearestDistSqr = DistSqr;
							NearestID = TriangleID;
						}
					}
					continue;
				}
				// The nearer child goes on top, so it is visited first.
				const FEntry A{Node.First, BoxDistanceSqr(Nodes[static_cast<size_t>(Node.First)], P)};
				const FEntry B{Node.First + 1, BoxDistanceSqr(Nodes[static_cast<size_t>(Node.First + 1)], P)};
				const bool bANearer = A.DistSqr <= B.DistSqr;
				const FEntry& Nearer = bANearer ? A : B;
				const FEntry& Farther = bANearer ? B : A;
				if (Farther.DistSqr < NearestDistSqr)
				{
					Stack[Top++] = Farther;
				}
				if (Nearer.DistSqr < NearestDistSqr)
				{
					Stack[Top++] = Nearer;
				}
			}
			return NearestID;
		}

		// The closest point on the nearest triangle, or Point itself when there is none (or the tree is invalid).
		virtual FVector3d FindNearestPoint(const FVector3d& Point, const FQueryOptions& Options = FQueryOptions()) const
		{
			double NearestDistSqr;
			const int TriangleID = FindNearestTriangle(Point, NearestDistSqr, Options);
			if (TriangleID == IndexConstants::InvalidID)
			{
				return Point;
			}
			FVector3d V0, V1, V2;
			Mesh->GetTriVertices(TriangleID, V0, V1, V2);
			TDistPoint3Triangle3<double> Distance(Point, TTriangle3<double>(V0, V1, V2));
			Distance.GetSquared();
			return Distance.ClosestTrianglePoint;
		}

		inline virtual int FindNearestHitTriangle(const FRay3d& Ray, const FQueryOptions& Options = FQueryOptions()) const override
		{
			double NearestT;
			int TID = IndexConstants::InvalidID;
			FindNearestHitTriangle(Ray, NearestT, TID, Options);
			return TID;
		}
		virtual bool FindNearestHitTriangle(const FRay3d& Ray, double& NearestT, int& TID, const FQueryOptions& Options = FQueryOptions()) const override
		{
			FVector3d BaryCoords;
			return FindNearestHitTriangle(Ray, NearestT, TID, BaryCoords, Options);
		}
		// The nearest triangle the ray crosses (from either side) at a parameter below the options'
		// MaxDistance. NearestT starts at min(MaxDistance, FLT_MAX) and keeps it on a miss; ties keep the
		// first triangle found.
		virtual bool FindNearestHitTriangle(const FRay3d& Ray, double& NearestT, int& TID, FVector3d& BaryCoords, const FQueryOptions& Options = FQueryOptions()) const override
		{
			if (!ensure(IsValid(Options.bAllowUnsafeModifiedMeshQueries)))
			{
				return false;
			}
			NearestT = Options.MaxDistance < double(FLT_MAX) ? Options.MaxDistance : double(FLT_MAX);
			TID = IndexConstants::InvalidID;
			if (Nodes.empty())
			{
				return false;
			}
			const FVector3d InvDir(1.0 / Ray.Direction.X, 1.0 / Ray.Direction.Y, 1.0 / Ray.Direction.Z);
			int Stack[128];
			int Top = 0;
			Stack[Top++] = 0;
			while (Top > 0)
			{
				const FNode& Node = Nodes[static_cast<size_t>(Stack[--Top])];
				if (!RayHitsBox(Node, Ray.Origin, InvDir, NearestT))
				{
					continue;
				}
				if (Node.Count == 0)
				{
					Stack[Top++] = Node.First + 1;
					Stack[Top++] = Node.First;
					continue;
				}
				for (int Index = Node.First; Index < Node.First + Node.Count; ++Index)
				{
					const int TriangleID = TriangleIDs[static_cast<size_t>(Index)];
					if (Options.TriangleFilterF && !Options.TriangleFilterF(TriangleID))
					{
						continue;
					}
					FVector3d V0, V1, V2;
					Mesh->GetTriVertices(TriangleID, V0, V1, V2);
					double T, B1, B2;
					if (RayTriangle(Ray, V0, V1, V2, T, B1, B2) && T < NearestT)
					{
						NearestT = T;
						TID = TriangleID;
						BaryCoords = FVector3d(1.0 - B1 - B2, B1, B2);
					}
				}
			}
			return TID != IndexConstants::InvalidID;
		}

	protected:
		struct FNode
		{
			FVector3d Min;
			FVector3d Max;
			// A leaf holds Count > 0 triangles from TriangleIDs[First]; an inner node has Count == 0 and
			// its children at First and First + 1.
			int First = 0;
			int Count = 0;
		};

		const TriangleMeshType* Mesh = nullptr;
		bool bBuilt = false;
		uint64 BuiltChangeStamp = 0;
		std::vector<FNode> Nodes;
		std::vector<int> TriangleIDs;

	private:
		static constexpr int MaxLeafTriangles = 4;

		static double BoxDistanceSqr(const FNode& Node, const FVector3d& P)
		{
			const double DX = FMath::Max(FMath::Max(Node.Min.X - P.X, P.X - Node.Max.X), 0.0);
			const double DY = FMath::Max(FMath::Max(Node.Min.Y - P.Y, P.Y - Node.Max.Y), 0.0);
			const double DZ = FMath::Max(FMath::Max(Node.Min.Z - P.Z, P.Z - Node.Max.Z), 0.0);
			return DX * DX + DY * DY + DZ * DZ;
		}

		// Whether the ray meets the box at a parameter in [0, MaxT]; a little slack keeps rays that graze
		// a face of the box from being lost to rounding.
		static bool RayHitsBox(const FNode& Node, const FVector3d& Origin, const FVector3d& InvDir, double MaxT)
		{
			double Near = 0.0, Far = MaxT;
			for (int Axis = 0; Axis < 3; ++Axis)
			{
				const double Slack = 1e-9 * (1.0 + FMath::Abs(Node.Max[Axis]) + FMath::Abs(Node.Min[Axis]));
				double T0 = (Node.Min[Axis] - Slack - Origin[Axis]) * InvDir[Axis];
				double T1 = (Node.Max[Axis] + Slack - Origin[Axis]) * InvDir[Axis];
				if (std::isnan(T0) || std::isnan(T1))
				{
					// The ray runs in the plane of a face: a zero direction times an infinite inverse.
					if (Origin[Axis] < Node.Min[Axis] - Slack || Origin[Axis] > Node.Max[Axis] + Slack)
					{
						return false;
					}
					continue;
				}
				if (T0 > T1)
				{
					std::swap(T0, T1);
				}
				Near = FMath::Max(Near, T0);
				Far = FMath::Min(Far, T1);
				if (Near > Far)
				{
					return false;
				}
			}
			return true;
		}

		// The two-sided ray-triangle test: the parameter and the barycentric coordinates of corners 1 and 2.
		// A ray parallel to the plane (|D . N| <= 1e-8, N unnormalised) does not hit.
		static bool RayTriangle(const FRay3d& Ray, const FVector3d& V0, const FVector3d& V1, const FVector3d& V2, double& OutT, double& OutB1, double& OutB2)
		{
			const FVector3d Diff = Ray.Origin - V0;
			const FVector3d Edge1 = V1 - V0;
			const FVector3d Edge2 = V2 - V0;
			const FVector3d Normal = Edge1 ^ Edge2;
			double DdN = Ray.Direction | Normal;
			double Sign;
			if (DdN > 1e-8)
			{
				Sign = 1.0;
			}
			else if (DdN < -1e-8)
			{
				Sign = -1.0;
				DdN = -DdN;
			}
			else
			{
				return false;
			}
			const double DdQxE2 = Sign * (Ray.Direction | (Diff ^ Edge2));
			if (DdQxE2 < 0)
			{
				return false;
			}
			const double DdE1xQ = Sign * (Ray.Direction | (Edge1 ^ Diff));
			if (DdE1xQ < 0 || DdQxE2 + DdE1xQ > DdN)
			{
				return false;
			}
			const double QdN = -Sign * (Diff | Normal);
			if (QdN < 0)
			{
				return false;
			}
			const double Inv = 1.0 / DdN;
			OutT = QdN * Inv;
			OutB1 = DdQxE2 * Inv;
			OutB2 = DdE1xQ * Inv;
			return true;
		}

		// Triangles in the order of their centroids along a Morton curve, each node split where the highest
		// bit in which its codes differ changes (a plane through the middle of its cell, the axes in turn), or
		// at the middle of its range when that leaves less than an eighth on one side: linear in the number
		// of triangles after one radix sort. Boxes are exact, each leaf's from its triangles and each inner
		// node's from its children.
		void BuildFrom(std::vector<int> Candidates)
		{
			Nodes.clear();
			TriangleIDs.clear();
			std::vector<FVector3d> Centroids;
			Centroids.reserve(Candidates.size());
			std::vector<int> Kept;
			Kept.reserve(Candidates.size());
			FVector3d Low(std::numeric_limits<double>::max()), High(std::numeric_limits<double>::lowest());
			for (const int TriangleID : Candidates)
			{
				if (!Mesh->IsTriangle(TriangleID))
				{
					continue;
				}
				FVector3d V0, V1, V2;
				Mesh->GetTriVertices(TriangleID, V0, V1, V2);
				const FVector3d Centroid = (V0 + V1 + V2) * (1.0 / 3.0);
				if (std::isfinite(Centroid.X) && std::isfinite(Centroid.Y) && std::isfinite(Centroid.Z))
				{
					Centroids.push_back(Centroid);
					Kept.push_back(TriangleID);
					Low = Low.ComponentMin(Centroid);
					High = High.ComponentMax(Centroid);
				}
			}
			if (!Kept.empty())
			{
				// 21 bits an axis over the centroids' cube.
				const double Extent = FMath::Max(FMath::Max(High.X - Low.X, High.Y - Low.Y), High.Z - Low.Z);
				const double Scale = Extent > 0.0 ? 2097151.0 / Extent : 0.0;
				std::vector<uint64> Keys(Kept.size());
				for (size_t Index = 0; Index < Kept.size(); ++Index)
				{
					uint64 Code = 0;
					for (int Axis = 0; Axis < 3; ++Axis)
					{
						const double Cell = (Centroids[Index][Axis] - Low[Axis]) * Scale;
						Code |= SpreadBits(static_cast<uint64>(FMath::Clamp(Cell, 0.0, 2097151.0))) << Axis;
					}
					Keys[Index] = Code;
				}
				RadixSort(Keys, Kept);
				Nodes.reserve(2 * Kept.size() / MaxLeafTriangles + 2);
				Nodes.emplace_back();
				TriangleIDs = std::move(Kept);
				BuildNode(0, Keys, 0, static_cast<int>(TriangleIDs.size()), 0);
			}
			BuiltChangeStamp = Mesh->GetChangeStamp();
			bBuilt = true;
		}

		// The 21 low bits of Value, two zero bits after each.
		static uint64 SpreadBits(uint64 Value)
		{
			Value &= 0x1FFFFF;
			Value = (Value | (Value << 32)) & 0x1F00000000FFFFull;
			Value = (Value | (Value << 16)) & 0x1F0000FF0000FFull;
			Value = (Value | (Value << 8)) & 0x100F00F00F00F00Full;
			Value = (Value | (Value << 4)) & 0x10C30C30C30C30C3ull;
			Value = (Value | (Value << 2)) & 0x1249249249249249ull;
			return Value;
		}

		// Sorts Values by Keys, stably, 11 bits at a time.
		static void RadixSort(std::vector<uint64>& Keys, std::vector<int>& Values)
		{
			std::vector<uint64> KeysOut(Keys.size());
			std::vector<int> ValuesOut(Values.size());
			for (int Shift = 0; Shift < 63; Shift += 11)
			{
				size_t Offsets[2048] = {};
				for (const uint64 Key : Keys)
				{
					++Offsets[(Key >> Shift) & 2047];
				}
				size_t Sum = 0;
				for (size_t& Offset : Offsets)
				{
					const size_t Count = Offset;
					Offset = Sum;
					Sum += Count;
				}
				for (size_t Index = 0; Index < Keys.size(); ++Index)
				{
					const size_t Slot = Offsets[(Keys[Index] >> Shift) & 2047]++;
					KeysOut[Slot] = Keys[Index];
					ValuesOut[Slot] = Values[Index];
				}
				Keys.swap(KeysOut);
				Values.swap(ValuesOut);
			}
		}

		void BuildNode(int NodeIndex, const std::vector<uint64>& Keys, int First, int Count, int Depth)
		{
			// Depth is bounded so the query stacks cannot overflow, whatever the triangles.
			if (Count <= MaxLeafTriangles || Depth >= 60)
			{
				FVector3d Min(std::numeric_limits<double>::max()), Max(std::numeric_limits<double>::lowest());
				for (int Index = First; Index < First + Count; ++Index)
				{
					FVector3d V0, V1, V2;
					Mesh->GetTriVertices(TriangleIDs[static_cast<size_t>(Index)], V0, V1, V2);
					Min = Min.ComponentMin(V0).ComponentMin(V1).ComponentMin(V2);
					Max = Max.ComponentMax(V0).ComponentMax(V1).ComponentMax(V2);
				}
				FNode& Leaf = Nodes[static_cast<size_t>(NodeIndex)];
				Leaf.Min = Min;
				Leaf.Max = Max;
				Leaf.First = First;
				Leaf.Count = Count;
				return;
			}
			int Half = Count / 2;
			const uint64 Differ = Keys[static_cast<size_t>(First)] ^ Keys[static_cast<size_t>(First + Count - 1)];
			if (Differ != 0)
			{
				const uint64 Bit = uint64(1) << (63 - std::countl_zero(Differ));
				const auto Begin = Keys.begin() + First;
				const int Split = static_cast<int>(std::partition_point(Begin, Begin + Count, [Bit](uint64 Key)
				                                                        { return (Key & Bit) == 0; }) -
				                                   Begin);
				Half = Split >= Count / 8 && Count - Split >= Count / 8 ? Split : Half;
			}
			const int ChildIndex = static_cast<int>(Nodes.size());
			Nodes.emplace_back();
			Nodes.emplace_back();
			Nodes[static_cast<size_t>(NodeIndex)].First = ChildIndex;
			Nodes[static_cast<size_t>(NodeIndex)].Count = 0;
			BuildNode(ChildIndex, Keys, First, Half, Depth + 1);
			BuildNode(ChildIndex + 1, Keys, First + Half, Count - Half, Depth + 1);
			const FNode& Left = Nodes[static_cast<size_t>(ChildIndex)];
			const FNode& Right = Nodes[static_cast<size_t>(ChildIndex + 1)];
			Nodes[static_cast<size_t>(NodeIndex)].Min = Left.Min.ComponentMin(Right.Min);
			Nodes[static_cast<size_t>(NodeIndex)].Max = Left.Max.ComponentMax(Right.Max);
		}
	};
}
