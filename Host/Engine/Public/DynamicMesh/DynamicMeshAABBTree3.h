#pragma once

#include "DynamicMesh/DynamicMesh3.h"
#include "Spatial/MeshAABBTree3.h"

namespace UE::Geometry
{
	typedef TMeshAABBTree3<FDynamicMesh3> FDynamicMeshAABBTree3;
}
