#pragma once

#include "CoreMinimal.h"
#include "Components/MeshComponent.h"
#include "UObject/ObjectPtr.h"

#include <memory>

class FStaticMeshRenderData;
class UStaticMesh;

namespace UE::Host
{
	class FComplexCollision;
}

// Places a static mesh in the world. Its body is the mesh's: the body setup's settings, and as complex
// collision the mesh's LOD 0 render triangles under the component's transform. Traces see the body
// only while the component is registered, its collision answers queries and the mesh is built with
// its physics meshes made. Complex collision is single-sided unless the body setup says
// bDoubleSidedGeometry: a triangle is hit only from the side its engine normal, (C - A) x (B - A),
// points to.
class UStaticMeshComponent : public UMeshComponent
{
	DECLARE_HOST_CLASS(UStaticMeshComponent, UMeshComponent)

public:
	UStaticMeshComponent();
	explicit UStaticMeshComponent(const FObjectInitializer&);
	virtual ~UStaticMeshComponent() override;

	// The engine's object handle, not a raw pointer (it converts to one).
	TObjectPtr<UStaticMesh> GetStaticMesh() const { return StaticMesh; }
	// False when the mesh is already the one set.
	virtual bool SetStaticMesh(UStaticMesh* NewMesh);

	// The mesh's body setup (waiting for the mesh's build), or null without a mesh.
	virtual UBodySetup* GetBodySetup() override;

	virtual bool LineTraceComponent(FHitResult& OutHit, const FVector Start, const FVector End, const FCollisionQueryParams& Params) override;
	virtual bool LineTraceComponent(FHitResult& OutHit, const FVector Start, const FVector End, ECollisionChannel TraceChannel,
	                                const struct FCollisionQueryParams& Params, const struct FCollisionResponseParams& ResponseParams,
	                                const struct FCollisionObjectQueryParams& ObjectParams) override;

private:
	// The collision cooked for the mesh's current render data, cooked at the first trace after a change.
	const UE::Host::FComplexCollision* GetComplexCollision(const FStaticMeshRenderData* RenderData);

	TObjectPtr<UStaticMesh> StaticMesh;
	std::unique_ptr<UE::Host::FComplexCollision> ComplexCollision;
};
