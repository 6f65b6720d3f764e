#include "MeshDescription.h"

FVertexID FMeshDescription::CreateVertex()
{
	const FVertexID VertexID(VertexIDs.Count++);
	VertexData.AddDefaulted();
	VertexAttributeSet.SetNumElements(VertexIDs.Count);
	return VertexID;
}

FVertexInstanceID FMeshDescription::CreateVertexInstance(const FVertexID VertexID)
{
	check(VertexIDs.IsValid(VertexID));
	const FVertexInstanceID VertexInstanceID(VertexInstanceIDs.Count++);
	FMeshVertex& Vertex = VertexData[VertexID.GetValue()];
	VertexInstanceVertex.Add(VertexID);
	NextVertexInstance.Add(Vertex.FirstInstance);
	Vertex.FirstInstance = VertexInstanceID;
	VertexInstanceAttributeSet.SetNumElements(VertexInstanceIDs.Count);
	return VertexInstanceID;
}

FEdgeID FMeshDescription::CreateEdge(const FVertexID VertexID0, const FVertexID VertexID1)
{
	check(VertexIDs.IsValid(VertexID0) && VertexIDs.IsValid(VertexID1));
	const FEdgeID EdgeID(EdgeIDs.Count++);
	FMeshEdge& Edge = EdgeData.Emplace_GetRef();
	Edge.VertexIDs[0] = VertexID0;
	Edge.VertexIDs[1] = VertexID1;
	FMeshVertex& Vertex0 = VertexData[VertexID0.GetValue()];
	Edge.NextEdge[0] = Vertex0.FirstEdge;
	Vertex0.FirstEdge = EdgeID;
	// An edge from a vertex to itself is in that vertex's list once.
	if (VertexID1 != VertexID0)
	{
		FMeshVertex& Vertex1 = VertexData[VertexID1.GetValue()];
		Edge.NextEdge[1] = Vertex1.FirstEdge;
		Vertex1.FirstEdge = EdgeID;
	}
	EdgeAttributeSet.SetNumElements(EdgeIDs.Count);
	return EdgeID;
}

FPolygonGroupID FMeshDescription::CreatePolygonGroup()
{
	const FPolygonGroupID PolygonGroupID(PolygonGroupIDs.Count++);
	PolygonGroupData.AddDefaulted();
	PolygonGroupAttributeSet.SetNumElements(PolygonGroupIDs.Count);
	return PolygonGroupID;
}

FPolygonID FMeshDescription::CreatePolygon(const FPolygonGroupID PolygonGroupID, TArrayView<const FVertexInstanceID> InVertexInstanceIDs,
                                           TArray<FEdgeID>* OutEdgeIDs)
{
	check(PolygonGroupIDs.IsValid(PolygonGroupID));
	checkf(InVertexInstanceIDs.Num() >= 3, "A polygon has at least three corners");
	for (const FVertexInstanceID VertexInstanceID : InVertexInstanceIDs)
	{
		check(VertexInstanceIDs.IsValid(VertexInstanceID));
	}

	const FPolygonID PolygonID(PolygonIDs.Count++);
	FMeshPolygon& Polygon = PolygonData.Emplace_GetRef();
	Polygon.FirstCorner = PolygonCorners.Num();
	Polygon.NumCorners = InVertexInstanceIDs.Num();
	Polygon.PolygonGroupID = PolygonGroupID;
	PolygonCorners.Append(InVertexInstanceIDs.GetData(), InVertexInstanceIDs.Num());
	PolygonGroupData[PolygonGroupID.GetValue()].Polygons.Add(PolygonID);
	PolygonAttributeSet.SetNumElements(PolygonIDs.Count);

	if (OutEdgeIDs)
	{
		OutEdgeIDs->Reset();
	}
	const int32 NumCorners = InVertexInstanceIDs.Num();
	for (int32 Corner = 0; Corner < NumCorners; ++Corner)
	{
		const FVertexID From = GetVertexInstanceVertex(InVertexInstanceIDs[Corner]);
		const FVertexID To = GetVertexInstanceVertex(InVertexInstanceIDs[(Corner + 1) % NumCorners]);
		FEdgeID EdgeID = GetVertexPairEdge(From, To);
		if (!EdgeID.IsValid())
		{
			EdgeID = CreateEdge(From, To);
		}
		FMeshEdge& Edge = EdgeData[EdgeID.GetValue()];
		if (Edge.NumPolygons < 2)
		{
			Edge.Polygons[Edge.NumPolygons] = PolygonID;
		}
		else
		{
			MoreEdgePolygons.FindOrAdd(EdgeID.GetValue()).Add(PolygonID);
		}
		++Edge.NumPolygons;
		if (OutEdgeIDs)
		{
			OutEdgeIDs->Add(EdgeID);
		}
	}
	return PolygonID;
}

void FMeshDescription::ReserveNewVertices(const int32 NumberOfNewVertices)
{
	VertexData.Reserve(VertexIDs.Count + NumberOfNewVertices);
	VertexAttributeSet.ReserveElements(VertexIDs.Count + NumberOfNewVertices);
}

void FMeshDescription::ReserveNewVertexInstances(const int32 NumberOfNewVertexInstances)
{
	VertexInstanceVertex.Reserve(VertexInstanceIDs.Count + NumberOfNewVertexInstances);
	NextVertexInstance.Reserve(VertexInstanceIDs.Count + NumberOfNewVertexInstances);
	VertexInstanceAttributeSet.ReserveElements(VertexInstanceIDs.Count + NumberOfNewVertexInstances);
}

void FMeshDescription::ReserveNewEdges(const int32 NumberOfNewEdges)
{
	EdgeData.Reserve(EdgeIDs.Count + NumberOfNewEdges);
	EdgeAttributeSet.ReserveElements(EdgeIDs.Count + NumberOfNewEdges);
}

void FMeshDescription::ReserveNewPolygons(const int32 NumberOfNewPolygons)
{
	PolygonData.Reserve(PolygonIDs.Count + NumberOfNewPolygons);
	PolygonAttributeSet.ReserveElements(PolygonIDs.Count + NumberOfNewPolygons);
}

void FMeshDescription::ReserveNewPolygonGroups(const int32 NumberOfNewPolygonGroups)
{
	PolygonGroupData.Reserve(PolygonGroupIDs.Count + NumberOfNewPolygonGroups);
	PolygonGroupAttributeSet.ReserveElements(PolygonGroupIDs.Count + NumberOfNewPolygonGroups);
}

FVertexID FMeshDescription::GetVertexInstanceVertex(const FVertexInstanceID VertexInstanceID) const
{
	return VertexInstanceVertex[VertexInstanceID.GetValue()];
}

// The lists are headed by the newest element; these give them oldest first.
TArray<FVertexInstanceID> FMeshDescription::GetVertexVertexInstanceIDs(const FVertexID VertexID) const
{
	TArray<FVertexInstanceID> Instances;
	for (FVertexInstanceID Instance = VertexData[VertexID.GetValue()].FirstInstance; Instance.IsValid();
	     Instance = NextVertexInstance[Instance.GetValue()])
	{
		Instances.Insert(Instance, 0);
	}
	return Instances;
}

TArray<FEdgeID> FMeshDescription::GetVertexConnectedEdgeIDs(const FVertexID VertexID) const
{
	TArray<FEdgeID> Edges;
	for (FEdgeID EdgeID = VertexData[VertexID.GetValue()].FirstEdge; EdgeID.IsValid(); EdgeID = EdgeData[EdgeID.GetValue()].NextAround(VertexID))
	{
		Edges.Insert(EdgeID, 0);
	}
	return Edges;
}

FEdgeID FMeshDescription::GetVertexPairEdge(const FVertexID VertexID0, const FVertexID VertexID1) const
{
	for (FEdgeID EdgeID = VertexData[VertexID0.GetValue()].FirstEdge; EdgeID.IsValid();)
	{
		const FMeshEdge& Edge = EdgeData[EdgeID.GetValue()];
		if ((Edge.VertexIDs[0] == VertexID0 && Edge.VertexIDs[1] == VertexID1) ||
		    (Edge.VertexIDs[0] == VertexID1 && Edge.VertexIDs[1] == VertexID0))
		{
			return EdgeID;
		}
		EdgeID = Edge.NextAround(VertexID0);
	}
	return FEdgeID::Invalid;
}

FVertexID FMeshDescription::GetEdgeVertex(const FEdgeID EdgeID, int32 VertexNumber) const
{
	check(VertexNumber == 0 || VertexNumber == 1);
	return EdgeData[EdgeID.GetValue()].VertexIDs[VertexNumber];
}

TArray<FPolygonID> FMeshDescription::GetEdgeConnectedPolygons(const FEdgeID EdgeID) const
{
	const FMeshEdge& Edge = EdgeData[EdgeID.GetValue()];
	TArray<FPolygonID> Polygons(Edge.Polygons, FMath::Min(Edge.NumPolygons, 2));
	if (const TArray<FPolygonID>* More = MoreEdgePolygons.Find(EdgeID.GetValue()))
	{
		Polygons.Append(*More);
	}
	return Polygons;
}

int32 FMeshDescription::GetNumEdgeConnectedPolygons(const FEdgeID EdgeID) const
{
	return EdgeData[EdgeID.GetValue()].NumPolygons;
}

TArrayView<const FVertexInstanceID> FMeshDescription::GetPolygonVertexInstanceIDs(const FPolygonID PolygonID) const
{
	const FMeshPolygon& Polygon = PolygonData[PolygonID.GetValue()];
	return TArrayView<const FVertexInstanceID>(PolygonCorners.GetData() + Polygon.FirstCorner, Polygon.NumCorners);
}

FPolygonGroupID FMeshDescription::GetPolygonPolygonGroup(const FPolygonID PolygonID) const
{
	return PolygonData[PolygonID.GetValue()].PolygonGroupID;
}

TArrayView<const FPolygonID> FMeshDescription::GetPolygonGroupPolygonIDs(const FPolygonGroupID PolygonGroupID) const
{
	return PolygonGroupData[PolygonGroupID.GetValue()].Polygons;
}

int32 FMeshDescription::GetNumPolygonGroupPolygons(const FPolygonGroupID PolygonGroupID) const
{
	return PolygonGroupData[PolygonGroupID.GetValue()].Polygons.Num();
}
