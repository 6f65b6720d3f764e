#include "DynamicMesh/DynamicMesh3.h"

namespace UE::Geometry
{
	namespace
	{
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
		const auto Found = EdgeLookup.find(EdgeKey(VertexA, VertexB));
		return Found == EdgeLookup.end() ? InvalidID : Found->second;
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
				EdgeLookup.emplace(EdgeKey(TV[Side], TV[(Side + 1) % 3]), NewEdgeID);
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
