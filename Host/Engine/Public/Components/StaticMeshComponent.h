#pragma once

#include "CoreMinimal.h"
#include "Components/MeshComponent.h"

#include <memory>

class UStaticMesh;

namespace UE::Host
{
	class FComplexCollision;
}

// Places a static mesh in the world. Its complex collision is the mesh's LOD 0 render triangles, both
// sides, under the component's transform.
class UStaticMeshComponent : public UMeshComponent
{
	DECLARE_HOST_CLASS(UStaticMeshComponent, UMeshComponent)

public:
	UStaticMeshComponent();
	explicit UStaticMeshComponent(const FObjectInitializer&);
	virtual ~UStaticMeshComponent() override;

	UStaticMesh* GetStaticMesh() const { return StaticMesh; }
	// False when the mesh is already the one set.
	virtual bool SetStaticMesh(UStaticMesh* NewMesh);

	virtual bool LineTraceComponent(FHitResult& OutHit, const FVector Start, const FVector End, const FCollisionQueryParams& Params) override;
	virtual bool LineTraceComponent(FHitResult& OutHit, const FVector Start, const FVector End, ECollisionChannel TraceChannel,
	                                const struct FCollisionQueryParams& Params, const struct FCollisionResponseParams& ResponseParams,
	                                const struct FCollisionObjectQueryParams& ObjectParams) override;

private:
	// The collision cooked for the mesh's current render data, or null until the first trace.
	const UE::Host::FComplexCollision* GetComplexCollision();

	UStaticMesh* StaticMesh = nullptr;
	std::unique_ptr<UE::Host::FComplexCollision> ComplexCollision;
};
