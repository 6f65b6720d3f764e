#include "MeshDescription.h"

#include "MeshAttributes.h"

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

	TArray<int32> Triangles;
	Triangulate(InVertexInstanceIDs, Triangles);
	Polygon.FirstTriangle = TriangleIDs.Count;
	Polygon.NumTriangles = Triangles.Num() / 3;
	for (int32 First = 0; First < Triangles.Num(); First += 3)
	{
		FMeshTriangle& Triangle = TriangleData.Emplace_GetRef();
		for (int32 Corner = 0; Corner < 3; ++Corner)
		{
			Triangle.Corners[Corner] = InVertexInstanceIDs[Triangles[First + Corner]];
			Triangle.Vertices[Corner] = GetVertexInstanceVertex(Triangle.Corners[Corner]);
		}
		Triangle.PolygonID = PolygonID;
		TriangleOrder.Add(FTriangleID(TriangleIDs.Count++));
	}

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

FTriangleID FMeshDescription::CreateTriangle(const FPolygonGroupID PolygonGroupID, TArrayView<const FVertexInstanceID> InVertexInstanceIDs,
                                             TArray<FEdgeID>* OutEdgeIDs)
{
	checkf(InVertexInstanceIDs.Num() == 3, "A triangle has three corners");
	const FPolygonID PolygonID = CreatePolygon(PolygonGroupID, InVertexInstanceIDs, OutEdgeIDs);
	return FTriangleID(PolygonData[PolygonID.GetValue()].FirstTriangle);
}

namespace
{
	// Whether Point lies in the triangle (A, B, C), edges included, seen along Normal.
	bool IsInTriangle(const FVector& Point, const FVector& A, const FVector& B, const FVector& C, const FVector& Normal)
	{
		return (((B - A) ^ (Point - A)) | Normal) >= 0.0 && (((C - B) ^ (Point - B)) | Normal) >= 0.0 && (((A - C) ^ (Point - C)) | Normal) >= 0.0;
	}
}

void FMeshDescription::Triangulate(TArrayView<const FVertexInstanceID> Corners, TArray<int32>& OutTriangles) const
{
	const int32 NumCorners = Corners.Num();
	OutTriangles.Reset();
	const TVertexAttributesConstRef<FVector3f> Positions = VertexAttributeSet.GetAttributesRef<FVector3f>(MeshAttribute::Vertex::Position);
	if (NumCorners == 3 || !Positions.IsValid())
	{
		// A triangle is its own triangulation; without positions there is nothing to clip by.
		for (int32 Corner = 2; Corner < NumCorners; ++Corner)
		{
			OutTriangles.Append({0, Corner - 1, Corner});
		}
		return;
	}

	TArray<FVector> Points;
	Points.Reserve(NumCorners);
	for (const FVertexInstanceID Corner : Corners)
	{
		Points.Add(FVector(Positions[GetVertexInstanceVertex(Corner)]));
	}
	// Newell's normal: the side the polygon's corners run counter-clockwise about, for any polygon.
	FVector Normal(ForceInit);
	for (int32 Corner = 0; Corner < NumCorners; ++Corner)
	{
		const FVector& A = Points[Corner];
		const FVector& B = Points[(Corner + 1) % NumCorners];
		Normal += FVector((A.Y - B.Y) * (A.Z + B.Z), (A.Z - B.Z) * (A.X + B.X), (A.X - B.X) * (A.Y + B.Y));
	}

	TArray<int32> Previous, Next;
	Previous.SetNum(NumCorners);
	Next.SetNum(NumCorners);
	for (int32 Corner = 0; Corner < NumCorners; ++Corner)
	{
		Previous[Corner] = (Corner + NumCorners - 1) % NumCorners;
		Next[Corner] = (Corner + 1) % NumCorners;
	}
	// Clipping starts at the second corner, so a convex polygon becomes a fan from its first.
	int32 Ear = 1;
	int32 Remaining = NumCorners;
	int32 Tries = 0;
	while (Remaining > 3)
	{
		const int32 Before = Previous[Ear];
		const int32 After = Next[Ear];
		// When no corner is an ear the polygon is degenerate (corners in a line, or crossing itself): clip anyway.
		bool bIsEar = Tries >= Remaining;
		if (!bIsEar && (((Points[Ear] - Points[Before]) ^ (Points[After] - Points[Ear])) | Normal) > 0.0)
		{
			bIsEar = true;
			for (int32 Other = Next[After]; Other != Before; Other = Next[Other])
			{
				const FVector& Point = Points[Other];
				const bool bOnACorner = Point == Points[Before] || Point == Points[Ear] || Point == Points[After];
				if (!bOnACorner && IsInTriangle(Point, Points[Before], Points[Ear], Points[After], Normal))
				{
					bIsEar = false;
					break;
				}
			}
		}
		if (bIsEar)
		{
			OutTriangles.Append({Before, Ear, After});
			Next[Before] = After;
			Previous[After] = Before;
			--Remaining;
			Ear = After;
			Tries = 0;
		}
		else
		{
			Ear = Next[Ear];
			++Tries;
		}
	}
	OutTriangles.Append({Previous[Ear], Ear, Next[Ear]});
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
	TriangleData.Reserve(TriangleIDs.Count + NumberOfNewPolygons);
	TriangleOrder.Reserve(TriangleIDs.Count + NumberOfNewPolygons);
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

TArrayView<const FTriangleID> FMeshDescription::GetPolygonTriangles(const FPolygonID PolygonID) const
{
	const FMeshPolygon& Polygon = PolygonData[PolygonID.GetValue()];
	return TArrayView<const FTriangleID>(TriangleOrder.GetData() + Polygon.FirstTriangle, Polygon.NumTriangles);
}

int32 FMeshDescription::GetNumPolygonTriangles(const FPolygonID PolygonID) const
{
	return PolygonData[PolygonID.GetValue()].NumTriangles;
}

TArrayView<const FVertexInstanceID> FMeshDescription::GetTriangleVertexInstances(const FTriangleID TriangleID) const
{
	return TArrayView<const FVertexInstanceID>(TriangleData[TriangleID.GetValue()].Corners, 3);
}

FVertexInstanceID FMeshDescription::GetTriangleVertexInstance(const FTriangleID TriangleID, const int32 Index) const
{
	check(Index >= 0 && Index < 3);
	return TriangleData[TriangleID.GetValue()].Corners[Index];
}

TArrayView<const FVertexID> FMeshDescription::GetTriangleVertices(const FTriangleID TriangleID) const
{
	return TArrayView<const FVertexID>(TriangleData[TriangleID.GetValue()].Vertices, 3);
}

FPolygonID FMeshDescription::GetTrianglePolygon(const FTriangleID TriangleID) const
{
	return TriangleData[TriangleID.GetValue()].PolygonID;
}

FPolygonGroupID FMeshDescription::GetTrianglePolygonGroup(const FTriangleID TriangleID) const
{
	return GetPolygonPolygonGroup(GetTrianglePolygon(TriangleID));
}
