#include "DynamicMesh/DynamicMesh3.h"

namespace UE::Geometry
{
	namespace
	{
		size_t EdgeHash(uint64 Key)
		{
			Key *= 0x9E3779B97F4A7C15ull;
			return static_cast<size_t>(Key ^ (Key >> 29));
		}

		// Unit length, or zero when too short to tell a direction.
		FVector3d Normalized(const FVector3d& V)
		{
			const double Length = V.Size();
			return Length > 0.0 ? V * (1.0 / Length) : FVector3d(0, 0, 0);
		}
	}

	FDynamicMesh3::FDynamicMesh3(bool, bool, bool, bool)
	{
	}

	int FDynamicMesh3::AppendVertex(const FVertexInfo& VertInfo)
	{
		Vertices.push_back(VertInfo.Position);
		++TopologyChangeStamp;
		return VertexCount() - 1;
	}

	int FDynamicMesh3::FindEdge(int VertexA, int VertexB) const
	{
		if (EdgeSlots.empty())
		{
			return InvalidID;
		}
		const uint64 Key = EdgeKey(VertexA, VertexB);
		const size_t Mask = EdgeSlots.size() - 1;
		for (size_t Slot = EdgeHash(Key) & Mask;; Slot = (Slot + 1) & Mask)
		{
			const int EdgeID = EdgeSlots[Slot];
			if (EdgeID == InvalidID || EdgeKeys[Slot] == Key)
			{
				return EdgeID;
			}
		}
	}

	void FDynamicMesh3::AddEdgeLookup(uint64 Key, int EdgeID)
	{
		// At most half full.
		if (2 * (static_cast<size_t>(EdgeCount()) + 1) > EdgeSlots.size())
		{
			const size_t Size = FMath::Max<size_t>(64, 2 * EdgeSlots.size());
			EdgeKeys.assign(Size, 0);
			EdgeSlots.assign(Size, InvalidID);
			for (int Existing = 0; Existing < EdgeCount(); ++Existing)
			{
				if (Existing != EdgeID)
				{
					const FIndex2i& Ends = Edges[static_cast<size_t>(Existing)].Vertices;
					AddEdgeLookup(EdgeKey(Ends.A, Ends.B), Existing);
				}
			}
		}
		const size_t Mask = EdgeSlots.size() - 1;
		size_t Slot = EdgeHash(Key) & Mask;
		while (EdgeSlots[Slot] != InvalidID)
		{
			Slot = (Slot + 1) & Mask;
		}
		EdgeKeys[Slot] = Key;
		EdgeSlots[Slot] = EdgeID;
	}

	int FDynamicMesh3::AppendTriangle(const FIndex3i& TriVertices, int GroupID)
	{
		const FIndex3i& TV = TriVertices;
		if (!IsVertex(TV.A) || !IsVertex(TV.B) || !IsVertex(TV.C) || TV.A == TV.B || TV.B == TV.C || TV.C == TV.A)
		{
			return InvalidID;
		}

		// A third triangle on an edge would make the surface non-manifold.
		const int EdgeIDs[3] = {FindEdge(TV.A, TV.B), FindEdge(TV.B, TV.C), FindEdge(TV.C, TV.A)};
		for (const int EdgeID : EdgeIDs)
		{
			if (EdgeID != InvalidID && !IsBoundaryEdge(EdgeID))
			{
				return NonManifoldID;
			}
		}
		// Edges have no direction, so the same corners in the other winding are a duplicate too.
		if (EdgeIDs[0] != InvalidID && EdgeIDs[1] != InvalidID && EdgeIDs[2] != InvalidID &&
		    GetTriangle(Edges[static_cast<size_t>(EdgeIDs[0])].Triangles.A).Contains(TV.C))
		{
			return DuplicateTriangleID;
		}

		const int TriangleID = TriangleCount();
		Triangles.push_back(TV);
		TriangleGroups.push_back(GroupID);
		for (int Side = 0; Side < 3; ++Side)
		{
			const int EdgeID = EdgeIDs[Side];
			if (EdgeID == InvalidID)
			{
				const int NewEdgeID = EdgeCount();
				Edges.push_back(FEdge{FIndex2i(TV[Side], TV[(Side + 1) % 3]), FIndex2i(TriangleID, InvalidID)});
				AddEdgeLookup(EdgeKey(TV[Side], TV[(Side + 1) % 3]), NewEdgeID);
			}
			else
			{
				Edges[static_cast<size_t>(EdgeID)].Triangles.B = TriangleID;
			}
		}
		++TopologyChangeStamp;
		return TriangleID;
	}

	FVector3d FDynamicMesh3::GetTriNormal(int TriangleID) const
	{
		FVector3d V0, V1, V2;
		GetTriVertices(TriangleID, V0, V1, V2);
		const FVector3d Edge1 = Normalized(V1 - V0);
		const FVector3d Edge2 = Normalized(V2 - V0);
		// The engine is left-handed, hence Edge2 x Edge1.
		return Normalized(Edge2 ^ Edge1);
	}

	FVector3d FDynamicMesh3::GetTriBaryPoint(int TriangleID, double Bary0, double Bary1, double Bary2) const
	{
		FVector3d V0, V1, V2;
		GetTriVertices(TriangleID, V0, V1, V2);
		return V0 * Bary0 + V1 * Bary1 + V2 * Bary2;
	}

	FVector3d FDynamicMesh3::GetTriCentroid(int TriangleID) const
	{
		return GetTriBaryPoint(TriangleID, 1.0 / 3.0, 1.0 / 3.0, 1.0 / 3.0);
	}

	double FDynamicMesh3::GetTriArea(int TriangleID) const
	{
		FVector3d V0, V1, V2;
		GetTriVertices(TriangleID, V0, V1, V2);
		return 0.5 * ((V1 - V0) ^ (V2 - V0)).Size();
	}

	bool FDynamicMesh3::IsClosed() const
	{
		for (const FEdge& Edge : Edges)
		{
			if (Edge.Triangles.B == InvalidID)
			{
				return false;
			}
		}
		return true;
	}
}
