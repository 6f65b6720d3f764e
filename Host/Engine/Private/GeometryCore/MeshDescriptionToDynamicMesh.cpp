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

	// The description's triangles: each polygon's corners fanned from its first, in polygon order.
	for (const FPolygonID PolygonID : MeshIn->Polygons().GetElementIDs())
	{
		const int GroupID = MeshIn->GetPolygonPolygonGroup(PolygonID).GetValue();
		const TArrayView<const FVertexInstanceID> Corners = MeshIn->GetPolygonVertexInstanceIDs(PolygonID);
		for (int32 Corner = 2; Corner < Corners.Num(); ++Corner)
		{
			// Vertex IDs are taken as they are, as the engine does.
			FIndex3i Triangle(MeshIn->GetVertexInstanceVertex(Corners[0]).GetValue(), MeshIn->GetVertexInstanceVertex(Corners[Corner - 1]).GetValue(),
			                  MeshIn->GetVertexInstanceVertex(Corners[Corner]).GetValue());
			const int Result = MeshOut.AppendTriangle(Triangle, bEnableOutputGroups ? GroupID : 0);
			if (Result == FDynamicMesh3::NonManifoldID)
			{
				// Its own copies of the corners keep the surface manifold.
				for (int Side = 0; Side < 3; ++Side)
				{
					Triangle[Side] = MeshOut.AppendVertex(MeshOut.GetVertex(Triangle[Side]));
				}
				MeshOut.AppendTriangle(Triangle, bEnableOutputGroups ? GroupID : 0);
			}
			// Duplicate and invalid triangles are dropped.
		}
	}
}
