#pragma once

#include "CoreMinimal.h"
#include "BodySetupCore.h"
#include "PhysicsEngine/AggregateGeom.h"

#include <memory>

namespace UE::Host
{
	class FBodyCollision;
}

/*
 * The collision of one asset: its simple shapes (AggGeom) and, as complex collision, the triangles the
 * asset that owns it gives (for a static mesh, GetPhysicsTriMeshData).
 *
 * CreatePhysicsMeshes cooks them as they are then: the triangles (none when the body uses its simple
 * collision as complex), single- or double-sided as bDoubleSidedGeometry says, the simple shapes (none
 * when it uses its complex collision as simple) and the trace flag. Traces see what was cooked: a
 * change to these settings shows once the physics meshes are made again.
 */
class UBodySetup : public UBodySetupCore
{
	DECLARE_HOST_CLASS(UBodySetup, UBodySetupCore)

public:
	UBodySetup();
	virtual ~UBodySetup() override;

	// The simple collision shapes.
	FKAggregateGeom AggGeom;

	// Faces answer traces from both sides.
	uint8 bDoubleSidedGeometry : 1;
	// Whether CreatePhysicsMeshes has run since the physics data was last invalidated.
	uint8 bCreatedPhysicsMeshes : 1;

	// Drops the cooked collision, so the next CreatePhysicsMeshes cooks it anew from the owner's mesh.
	void InvalidatePhysicsData();
	// Cooks the collision from the owner's current mesh and the settings above.
	void CreatePhysicsMeshes();

private:
	friend class UStaticMeshComponent;

	std::shared_ptr<const UE::Host::FBodyCollision> CookedCollision;
};
