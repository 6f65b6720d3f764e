#include "PhysicsEngine/BodySetup.h"

#include "BodyCollision.h"
#include "Engine/StaticMesh.h"
#include "Templates/Casts.h"

UBodySetup::UBodySetup()
    : bDoubleSidedGeometry(false), bCreatedPhysicsMeshes(false)
{
}

UBodySetup::~UBodySetup() = default;

void UBodySetup::InvalidatePhysicsData()
{
	CookedCollision.reset();
	bCreatedPhysicsMeshes = false;
}

void UBodySetup::CreatePhysicsMeshes()
{
	// The triangles are cooked only for a body whose complex collision is its own.
	FTriMeshCollisionData Triangles;
	bool bHasTriangles = false;
	if (GetCollisionTraceFlag() != CTF_UseSimpleAsComplex)
	{
		// As the engine's cooker does: asked for the triangles only when it has some to give.
		UStaticMesh* Mesh = Cast<UStaticMesh>(GetOuter());
		if (Mesh && Mesh->ContainsPhysicsTriMeshData(false))
		{
			bHasTriangles = Mesh->GetPhysicsTriMeshData(&Triangles, false);
		}
	}
	CookedCollision = std::make_shared<const UE::Host::FBodyCollision>(*this, bHasTriangles ? &Triangles : nullptr);
	bCreatedPhysicsMeshes = true;
}
