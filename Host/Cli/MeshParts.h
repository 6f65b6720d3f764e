#pragma once

#include "MeshImportGuard.h"

#include <string>

// The parts of a mesh file, as `velmora fit --mesh-part` picks them: its nodes, with the meshes they
// hold, their triangles and world bounds (placed by the node transforms, as fit places them).
namespace VelmoraCli
{
	// Whether Path names a mesh file rather than a groom: any extension but ".abc".
	bool IsMeshFileName(const std::string& Path);

	// Prints the parts of the mesh file at Path (as JSON with bJson). False with a one-line reason when
	// the file cannot be read.
	bool InspectMeshParts(const std::string& Path, bool bJson, std::string& OutError, const FMeshImportLimits& Limits = FMeshImportLimits());
}
