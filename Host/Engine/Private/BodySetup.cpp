#include "PhysicsEngine/BodySetup.h"

void UBodySetup::InvalidatePhysicsData()
{
	bCreatedPhysicsMeshes = false;
}

void UBodySetup::CreatePhysicsMeshes()
{
	bCreatedPhysicsMeshes = true;
}
