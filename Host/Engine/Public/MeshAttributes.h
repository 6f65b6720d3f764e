#pragma once

#include "CoreMinimal.h"
#include "MeshDescription.h"

namespace MeshAttribute
{
	namespace Vertex
	{
		extern const FName Position;
	}
}

// The attributes every mesh description has: vertex positions.
class FMeshAttributes
{
public:
	explicit FMeshAttributes(FMeshDescription& InMeshDescription)
	    : MeshDescription(InMeshDescription) {}
	virtual ~FMeshAttributes() = default;

	// Registers the attributes on the description; existing ones are reset to their defaults unless kept.
	virtual void Register(bool bKeepExistingAttribute = false);

	TVertexAttributesRef<FVector3f> GetVertexPositions() { return MeshDescription.VertexAttributes().GetAttributesRef<FVector3f>(MeshAttribute::Vertex::Position); }
	TVertexAttributesConstRef<FVector3f> GetVertexPositions() const
	{
		return static_cast<const FMeshDescription&>(MeshDescription).VertexAttributes().GetAttributesRef<FVector3f>(MeshAttribute::Vertex::Position);
	}

protected:
	FMeshDescription& MeshDescription;
};

class FMeshConstAttributes
{
public:
	explicit FMeshConstAttributes(const FMeshDescription& InMeshDescription)
	    : MeshDescription(InMeshDescription) {}

	TVertexAttributesConstRef<FVector3f> GetVertexPositions() const { return MeshDescription.VertexAttributes().GetAttributesRef<FVector3f>(MeshAttribute::Vertex::Position); }

protected:
	const FMeshDescription& MeshDescription;
};
