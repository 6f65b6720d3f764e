#pragma once

#include "CoreMinimal.h"
#include "IndexTypes.h"

#include <cstdint>
#include <vector>

namespace UE::Geometry
{
	// An editable triangle mesh with edge connectivity. Vertex and triangle IDs are dense 0, 1, 2, ... as
	// long as nothing is removed; the host never removes. Normals, colours, UVs and groups are not kept.
	class FDynamicMesh3
	{
	public:
		constexpr static int InvalidID = IndexConstants::InvalidID;
		constexpr static int NonManifoldID = -2;
		constexpr static int DuplicateTriangleID = -3;

		struct FVertexInfo
		{
			FVector3d Position = FVector3d(0, 0, 0);

			FVertexInfo() = default;
			FVertexInfo(const FVector3d& PositionIn)
			    : Position(PositionIn) {}
		};

		// IDs 0 .. Count - 1, for range-for.
		class FIndexRange
		{
		public:
			class FIterator
			{
			public:
				explicit FIterator(int InIndex)
				    : Index(InIndex) {}
				int operator*() const { return Index; }
				FIterator& operator++()
				{
					++Index;
					return *this;
				}
				bool operator!=(const FIterator& Other) const { return Index != Other.Index; }

			private:
				int Index;
			};
			explicit FIndexRange(int InCount)
			    : Count(InCount) {}
			FIterator begin() const { return FIterator(0); }
			FIterator end() const { return FIterator(Count); }

		private:
			int Count;
		};
		using vertex_iterator = FIndexRange;
		using triangle_iterator = FIndexRange;

		FDynamicMesh3()
		    : FDynamicMesh3(false, false, false, false) {}
		explicit FDynamicMesh3(bool bWantNormals, bool bWantColors, bool bWantUVs, bool bWantTriGroups);

		int VertexCount() const { return static_cast<int>(Vertices.size()); }
		int TriangleCount() const { return static_cast<int>(Triangles.size()); }
		int EdgeCount() const { return static_cast<int>(Edges.size()); }
		int MaxVertexID() const { return VertexCount(); }
		int MaxTriangleID() const { return TriangleCount(); }

		inline bool IsVertex(int VertexID) const { return VertexID >= 0 && VertexID < VertexCount(); }
		inline bool IsTriangle(int TriangleID) const { return TriangleID >= 0 && TriangleID < TriangleCount(); }

		vertex_iterator VertexIndicesItr() const { return vertex_iterator(VertexCount()); }
		triangle_iterator TriangleIndicesItr() const { return triangle_iterator(TriangleCount()); }

		// Shape stamp (only counted once enabled) plus topology stamp.
		inline uint64 GetChangeStamp() const { return ShapeChangeStamp + TopologyChangeStamp; }
		void SetShapeChangeStampEnabled(bool bEnabled) { bEnableShapeChangeStamp = bEnabled; }
		bool HasShapeChangeStampEnabled() const { return bEnableShapeChangeStamp; }

		int AppendVertex(const FVertexInfo& VertInfo);
		int AppendVertex(const FVector3d& Position) { return AppendVertex(FVertexInfo(Position)); }
		// The new triangle's ID, or InvalidID (a corner that is not a vertex, or two equal corners),
		// NonManifoldID (an edge already has two triangles) or DuplicateTriangleID (the same three
		// vertices already make a triangle, in either winding).
		int AppendTriangle(const FIndex3i& TriVertices, int GroupID = 0);
		inline int AppendTriangle(int Vertex0, int Vertex1, int Vertex2, int GroupID = 0)
		{
			return AppendTriangle(FIndex3i(Vertex0, Vertex1, Vertex2), GroupID);
		}

		// Unchecked, as in the engine.
		inline FVector3d GetVertex(int VertexID) const { return Vertices[static_cast<size_t>(VertexID)]; }
		// Ignores a position that is not finite.
		inline void SetVertex(int VertexID, const FVector3d& vNewPos, bool bTrackChange = true)
		{
			if (std::isfinite(vNewPos.X) && std::isfinite(vNewPos.Y) && std::isfinite(vNewPos.Z))
			{
				Vertices[static_cast<size_t>(VertexID)] = vNewPos;
				if (bTrackChange && bEnableShapeChangeStamp)
				{
					++ShapeChangeStamp;
				}
			}
		}
		inline FIndex3i GetTriangle(int TriangleID) const { return Triangles[static_cast<size_t>(TriangleID)]; }
		template<typename VecType>
		inline void GetTriVertices(int TriangleID, VecType& v0, VecType& v1, VecType& v2) const
		{
			const FIndex3i& Tri = Triangles[static_cast<size_t>(TriangleID)];
			v0 = VecType(Vertices[static_cast<size_t>(Tri.A)]);
			v1 = VecType(Vertices[static_cast<size_t>(Tri.B)]);
			v2 = VecType(Vertices[static_cast<size_t>(Tri.C)]);
		}
		int GetTriangleGroup(int TriangleID) const { return TriangleGroups[static_cast<size_t>(TriangleID)]; }

		// normalize((V2 - V0) x (V1 - V0)) with both edges normalised first: the engine's left-handed
		// normal, which faces the side from which the corners run clockwise. Zero for a triangle without area.
		FVector3d GetTriNormal(int TriangleID) const;
		// Sum of Bary_i * V_i; the weights are not normalised.
		FVector3d GetTriBaryPoint(int TriangleID, double Bary0, double Bary1, double Bary2) const;
		FVector3d GetTriCentroid(int TriangleID) const;
		double GetTriArea(int TriangleID) const;

		// The edge joining the two vertices, or InvalidID.
		int FindEdge(int VertexA, int VertexB) const;
		// The (one or two) triangles of an edge; B is InvalidID for a boundary edge.
		FIndex2i GetEdgeT(int EdgeID) const { return Edges[static_cast<size_t>(EdgeID)].Triangles; }
		bool IsBoundaryEdge(int EdgeID) const { return Edges[static_cast<size_t>(EdgeID)].Triangles.B == InvalidID; }
		bool IsClosed() const;

	private:
		struct FEdge
		{
			FIndex2i Vertices;
			FIndex2i Triangles;
		};
		static uint64 EdgeKey(int VertexA, int VertexB)
		{
			const uint32 Low = static_cast<uint32>(FMath::Min(VertexA, VertexB));
			const uint32 High = static_cast<uint32>(FMath::Max(VertexA, VertexB));
			return (static_cast<uint64>(High) << 32) | Low;
		}

		std::vector<FVector3d> Vertices;
		std::vector<FIndex3i> Triangles;
		std::vector<int> TriangleGroups;
		std::vector<FEdge> Edges;
		// Edge IDs by EdgeKey, open addressing with linear probing; an empty slot holds InvalidID.
		std::vector<uint64> EdgeKeys;
		std::vector<int> EdgeSlots;
		void AddEdgeLookup(uint64 Key, int EdgeID);
		uint64 ShapeChangeStamp = 1;
		uint64 TopologyChangeStamp = 1;
		bool bEnableShapeChangeStamp = false;
	};
}
