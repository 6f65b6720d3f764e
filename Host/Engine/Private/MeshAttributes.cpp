#include "StaticMeshAttributes.h"

namespace MeshAttribute
{
	namespace Vertex
	{
		const FName Position(TEXT("Position"));
	}
	namespace PolygonGroup
	{
		const FName ImportedMaterialSlotName(TEXT("ImportedMaterialSlotName"));
	}
}

void FMeshAttributes::Register(bool bKeepExistingAttribute)
{
	if (!bKeepExistingAttribute || !MeshDescription.VertexAttributes().HasAttribute(MeshAttribute::Vertex::Position))
	{
		MeshDescription.VertexAttributes().RegisterAttribute<FVector3f>(MeshAttribute::Vertex::Position, 1, FVector3f::ZeroVector);
	}
}

void FStaticMeshAttributes::Register(bool bKeepExistingAttribute)
{
	FMeshAttributes::Register(bKeepExistingAttribute);
	if (!bKeepExistingAttribute || !MeshDescription.PolygonGroupAttributes().HasAttribute(MeshAttribute::PolygonGroup::ImportedMaterialSlotName))
	{
		MeshDescription.PolygonGroupAttributes().RegisterAttribute<FName>(MeshAttribute::PolygonGroup::ImportedMaterialSlotName, 1, FName(NAME_None));
	}
}
