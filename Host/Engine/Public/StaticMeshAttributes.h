#pragma once

#include "CoreMinimal.h"
#include "MeshAttributes.h"

namespace MeshAttribute
{
	namespace PolygonGroup
	{
		extern const FName ImportedMaterialSlotName;
	}
}

// The attributes of a static mesh's description: the mesh attributes and each polygon group's
// material slot name (NAME_None until set).
class FStaticMeshAttributes : public FMeshAttributes
{
public:
	explicit FStaticMeshAttributes(FMeshDescription& InMeshDescription)
	    : FMeshAttributes(InMeshDescription) {}

	virtual void Register(bool bKeepExistingAttribute = false) override;

	TPolygonGroupAttributesRef<FName> GetPolygonGroupMaterialSlotNames()
	{
		return MeshDescription.PolygonGroupAttributes().GetAttributesRef<FName>(MeshAttribute::PolygonGroup::ImportedMaterialSlotName);
	}
	TPolygonGroupAttributesConstRef<FName> GetPolygonGroupMaterialSlotNames() const
	{
		return static_cast<const FMeshDescription&>(MeshDescription).PolygonGroupAttributes().GetAttributesRef<FName>(MeshAttribute::PolygonGroup::ImportedMaterialSlotName);
	}
};

class FStaticMeshConstAttributes : public FMeshConstAttributes
{
public:
	explicit FStaticMeshConstAttributes(const FMeshDescription& InMeshDescription)
	    : FMeshConstAttributes(InMeshDescription) {}

	TPolygonGroupAttributesConstRef<FName> GetPolygonGroupMaterialSlotNames() const
	{
		return MeshDescription.PolygonGroupAttributes().GetAttributesRef<FName>(MeshAttribute::PolygonGroup::ImportedMaterialSlotName);
	}
};
