#pragma once

#include "CoreMinimal.h"
#include "BodySetupCore.h"

/*
 * The collision of one asset. Its complex collision is the triangle mesh of the asset that owns it
 * (for a static mesh, the built render data of LOD 0). In the host the triangle mesh is cooked where
 * it is traced, so this object records the settings and whether its physics meshes are made.
 */
class UBodySetup : public UBodySetupCore
{
	DECLARE_HOST_CLASS(UBodySetup, UBodySetupCore)

public:
	UBodySetup()
	    : bDoubleSidedGeometry(false), bCreatedPhysicsMeshes(false) {}

	// Faces answer traces from both sides.
	uint8 bDoubleSidedGeometry : 1;
	// Whether CreatePhysicsMeshes has run since the physics data was last invalidated.
	uint8 bCreatedPhysicsMeshes : 1;

	// Drops the cooked collision, so the next CreatePhysicsMeshes cooks it anew from the owner's mesh.
	void InvalidatePhysicsData();
	// Cooks the collision from the owner's current mesh.
	void CreatePhysicsMeshes();
};
