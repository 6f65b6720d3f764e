#include "MeshDescriptionToDynamicMesh.h"

#include "MeshAttributes.h"
#include "MeshDescription.h"

void FMeshDescriptionToDynamicMesh::Convert(const FMeshDescription* MeshIn, UE::Geometry::FDynamicMesh3& MeshOut, bool)
{
	using UE::Geometry::FDynamicMesh3;
	using UE::Geometry::FIndex3i;
	if (!ensure(MeshIn != nullptr))
	{
		return;
	}
	const TVertexAttributesConstRef<FVector3f> Positions = FMeshConstAttributes(*MeshIn).GetVertexPositions();
	for (const FVertexID VertexID : MeshIn->Vertices().GetElementIDs())
	{
		MeshOut.AppendVertex(Positions.IsValid() ? FVector3d(Positions[VertexID]) : FVector3d(0, 0, 0));
	}

	// The description's own triangles, in order: a polygon is what its triangulation made of it.
	for (const FTriangleID TriangleID : MeshIn->Triangles().GetElementIDs())
	{
		const int GroupID = bEnableOutputGroups ? MeshIn->GetTrianglePolygonGroup(TriangleID).GetValue() : 0;
		const TArrayView<const FVertexID> Vertices = MeshIn->GetTriangleVertices(TriangleID);
		// Vertex IDs are taken as they are, as the engine does.
		FIndex3i Triangle(Vertices[0].GetValue(), Vertices[1].GetValue(), Vertices[2].GetValue());
		const int Result = MeshOut.AppendTriangle(Triangle, GroupID);
		if (Result == FDynamicMesh3::NonManifoldID)
		{
			// Its own copies of the corners keep the surface manifold.
			for (int Side = 0; Side < 3; ++Side)
			{
				Triangle[Side] = MeshOut.AppendVertex(MeshOut.GetVertex(Triangle[Side]));
			}
			MeshOut.AppendTriangle(Triangle, GroupID);
		}
		// Duplicate and invalid triangles are dropped.
	}
}
