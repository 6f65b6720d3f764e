#pragma once

#include "CoreMinimal.h"
#include "Containers/ArrayView.h"
#include "Containers/Map.h"
#include "MeshAttributeArray.h"
#include "MeshTypes.h"

// The IDs of one kind of element. The host never removes elements, so the IDs are 0 to Num() - 1.
template<typename ElementIDType>
class TMeshElementContainer
{
public:
	class FIterator
	{
	public:
		explicit FIterator(int32 InIndex)
		    : Index(InIndex) {}
		ElementIDType operator*() const { return ElementIDType(Index); }
		FIterator& operator++()
		{
			++Index;
			return *this;
		}
		bool operator!=(const FIterator& Other) const { return Index != Other.Index; }

	private:
		int32 Index;
	};
	struct FElementIDs
	{
		int32 Count;
		FIterator begin() const { return FIterator(0); }
		FIterator end() const { return FIterator(Count); }
	};

	int32 Num() const { return Count; }
	int32 GetArraySize() const { return Count; }
	bool IsValid(const ElementIDType ID) const { return ID.GetValue() >= 0 && ID.GetValue() < Count; }
	FElementIDs GetElementIDs() const { return FElementIDs{Count}; }

private:
	friend struct FMeshDescription;
	int32 Count = 0;
};

/*
 * An editable mesh: vertices (positions), vertex instances (polygon corners, which would carry
 * normals and UVs), edges between vertices, and polygons grouped by material. A polygon's edges are
 * made as it is created, and shared with any polygon that already joins the same two vertices.
 *
 * Every polygon is triangulated as it is created, from the vertex positions it has then, by clipping
 * ears: a concave polygon gets triangles inside it, not a fan from its first corner. The triangles keep
 * the polygon's winding, and they are what a build, a conversion or a collision cook reads.
 */
struct FMeshDescription
{
public:
	FMeshDescription() = default;
	FMeshDescription(const FMeshDescription&) = default;
	FMeshDescription& operator=(const FMeshDescription&) = default;
	FMeshDescription(FMeshDescription&&) = default;
	FMeshDescription& operator=(FMeshDescription&&) = default;

	FVertexID CreateVertex();
	FVertexInstanceID CreateVertexInstance(const FVertexID VertexID);
	FEdgeID CreateEdge(const FVertexID VertexID0, const FVertexID VertexID1);
	FPolygonGroupID CreatePolygonGroup();
	// A polygon of three or more corners, in order. Its edges join consecutive corners' vertices.
	FPolygonID CreatePolygon(const FPolygonGroupID PolygonGroupID, TArrayView<const FVertexInstanceID> VertexInstanceIDs,
	                         TArray<FEdgeID>* OutEdgeIDs = nullptr);
	// A polygon of exactly three corners, which is its one triangle.
	FTriangleID CreateTriangle(const FPolygonGroupID PolygonGroupID, TArrayView<const FVertexInstanceID> VertexInstanceIDs,
	                           TArray<FEdgeID>* OutEdgeIDs = nullptr);

	void ReserveNewVertices(const int32 NumberOfNewVertices);
	void ReserveNewVertexInstances(const int32 NumberOfNewVertexInstances);
	void ReserveNewEdges(const int32 NumberOfNewEdges);
	void ReserveNewPolygons(const int32 NumberOfNewPolygons);
	void ReserveNewPolygonGroups(const int32 NumberOfNewPolygonGroups);

	const TMeshElementContainer<FVertexID>& Vertices() const { return VertexIDs; }
	const TMeshElementContainer<FVertexInstanceID>& VertexInstances() const { return VertexInstanceIDs; }
	const TMeshElementContainer<FEdgeID>& Edges() const { return EdgeIDs; }
	const TMeshElementContainer<FPolygonID>& Polygons() const { return PolygonIDs; }
	const TMeshElementContainer<FPolygonGroupID>& PolygonGroups() const { return PolygonGroupIDs; }
	const TMeshElementContainer<FTriangleID>& Triangles() const { return TriangleIDs; }
	bool IsEmpty() const { return VertexIDs.Num() == 0 && PolygonIDs.Num() == 0 && PolygonGroupIDs.Num() == 0; }

	// Connectivity.
	FVertexID GetVertexInstanceVertex(const FVertexInstanceID VertexInstanceID) const;
	TArray<FVertexInstanceID> GetVertexVertexInstanceIDs(const FVertexID VertexID) const;
	TArray<FEdgeID> GetVertexConnectedEdgeIDs(const FVertexID VertexID) const;
	// The edge joining the two vertices, in either order, or an invalid ID.
	FEdgeID GetVertexPairEdge(const FVertexID VertexID0, const FVertexID VertexID1) const;
	FVertexID GetEdgeVertex(const FEdgeID EdgeID, int32 VertexNumber) const;
	TArray<FPolygonID> GetEdgeConnectedPolygons(const FEdgeID EdgeID) const;
	int32 GetNumEdgeConnectedPolygons(const FEdgeID EdgeID) const;
	TArrayView<const FVertexInstanceID> GetPolygonVertexInstanceIDs(const FPolygonID PolygonID) const;
	FPolygonGroupID GetPolygonPolygonGroup(const FPolygonID PolygonID) const;
	TArrayView<const FPolygonID> GetPolygonGroupPolygonIDs(const FPolygonGroupID PolygonGroupID) const;
	int32 GetNumPolygonGroupPolygons(const FPolygonGroupID PolygonGroupID) const;
	// A polygon's triangles, and each triangle's corners (vertex instances and their vertices) in order.
	TArrayView<const FTriangleID> GetPolygonTriangles(const FPolygonID PolygonID) const;
	int32 GetNumPolygonTriangles(const FPolygonID PolygonID) const;
	TArrayView<const FVertexInstanceID> GetTriangleVertexInstances(const FTriangleID TriangleID) const;
	FVertexInstanceID GetTriangleVertexInstance(const FTriangleID TriangleID, const int32 Index) const;
	TArrayView<const FVertexID> GetTriangleVertices(const FTriangleID TriangleID) const;
	FPolygonID GetTrianglePolygon(const FTriangleID TriangleID) const;
	FPolygonGroupID GetTrianglePolygonGroup(const FTriangleID TriangleID) const;

	// Attributes, by element kind.
	TAttributesSet<FVertexID>& VertexAttributes() { return VertexAttributeSet; }
	const TAttributesSet<FVertexID>& VertexAttributes() const { return VertexAttributeSet; }
	TAttributesSet<FVertexInstanceID>& VertexInstanceAttributes() { return VertexInstanceAttributeSet; }
	const TAttributesSet<FVertexInstanceID>& VertexInstanceAttributes() const { return VertexInstanceAttributeSet; }
	TAttributesSet<FEdgeID>& EdgeAttributes() { return EdgeAttributeSet; }
	const TAttributesSet<FEdgeID>& EdgeAttributes() const { return EdgeAttributeSet; }
	TAttributesSet<FPolygonID>& PolygonAttributes() { return PolygonAttributeSet; }
	const TAttributesSet<FPolygonID>& PolygonAttributes() const { return PolygonAttributeSet; }
	TAttributesSet<FPolygonGroupID>& PolygonGroupAttributes() { return PolygonGroupAttributeSet; }
	const TAttributesSet<FPolygonGroupID>& PolygonGroupAttributes() const { return PolygonGroupAttributeSet; }

private:
	// Connectivity is kept in flat arrays, so that a description of a million corners is made and copied
	// without an allocation per element: a vertex heads a list of its instances and one of its edges,
	// threaded through the instances and edges themselves.
	struct FMeshVertex
	{
		FVertexInstanceID FirstInstance;
		FEdgeID FirstEdge;
	};
	struct FMeshEdge
	{
		FVertexID VertexIDs[2];
		// The next edge around VertexIDs[0] and around VertexIDs[1].
		FEdgeID NextEdge[2];
		// Most edges join one or two polygons; the rest are in MoreEdgePolygons.
		FPolygonID Polygons[2];
		int32 NumPolygons = 0;

		FEdgeID NextAround(const FVertexID VertexID) const { return VertexIDs[0] == VertexID ? NextEdge[0] : NextEdge[1]; }
	};
	struct FMeshPolygon
	{
		int32 FirstCorner = 0;
		int32 NumCorners = 0;
		// A polygon's triangles are made together, so their IDs run on from the first.
		int32 FirstTriangle = 0;
		int32 NumTriangles = 0;
		FPolygonGroupID PolygonGroupID;
	};
	struct FMeshTriangle
	{
		FVertexInstanceID Corners[3];
		FVertexID Vertices[3];
		FPolygonID PolygonID;
	};

	// Ear clipping of the polygon's corners, as triples of indices into Corners.
	void Triangulate(TArrayView<const FVertexInstanceID> Corners, TArray<int32>& OutTriangles) const;
	struct FMeshPolygonGroup
	{
		TArray<FPolygonID> Polygons;
	};

	TMeshElementContainer<FVertexID> VertexIDs;
	TMeshElementContainer<FVertexInstanceID> VertexInstanceIDs;
	TMeshElementContainer<FEdgeID> EdgeIDs;
	TMeshElementContainer<FPolygonID> PolygonIDs;
	TMeshElementContainer<FPolygonGroupID> PolygonGroupIDs;
	TMeshElementContainer<FTriangleID> TriangleIDs;

	TArray<FMeshVertex> VertexData;
	TArray<FVertexID> VertexInstanceVertex;
	// The next instance of the same vertex.
	TArray<FVertexInstanceID> NextVertexInstance;
	TArray<FMeshEdge> EdgeData;
	// The third and later polygons of an edge, by edge.
	TMap<int32, TArray<FPolygonID>> MoreEdgePolygons;
	TArray<FMeshPolygon> PolygonData;
	// Every polygon's corners, one polygon after the other.
	TArray<FVertexInstanceID> PolygonCorners;
	TArray<FMeshPolygonGroup> PolygonGroupData;
	TArray<FMeshTriangle> TriangleData;
	// Every triangle's ID in order, so a polygon's triangles can be handed out as a view.
	TArray<FTriangleID> TriangleOrder;

	TAttributesSet<FVertexID> VertexAttributeSet;
	TAttributesSet<FVertexInstanceID> VertexInstanceAttributeSet;
	TAttributesSet<FEdgeID> EdgeAttributeSet;
	TAttributesSet<FPolygonID> PolygonAttributeSet;
	TAttributesSet<FPolygonGroupID> PolygonGroupAttributeSet;
};
