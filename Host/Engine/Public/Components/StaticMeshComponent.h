#pragma once

#include "CoreMinimal.h"
#include "Components/MeshComponent.h"
#include "UObject/ObjectPtr.h"

class UStaticMesh;

// Places a static mesh in the world. Its body is the mesh's body setup as last cooked, under the
// component's transform: the triangles of the mesh's complex collision (see UStaticMesh) and the simple
// shapes. Traces see the body only while the component is registered, its collision answers queries
// and the mesh is built with its physics meshes made. Complex collision is single-sided unless the body
// setup says bDoubleSidedGeometry: a triangle is hit only from the side its engine normal,
// (C - A) x (B - A), points to.
//
// A trace that hits a triangle reports that normal (normalised, in world space) whichever side it came
// from, and, when the query asks for it, the triangle's index in the mesh's collision triangle list as
// the face index. A trace that starts inside a simple shape hits it at its start.
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
	TObjectPtr<UStaticMesh> StaticMesh;
};
