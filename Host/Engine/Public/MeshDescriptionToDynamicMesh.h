#pragma once

#include "CoreMinimal.h"
#include "DynamicMesh/DynamicMesh3.h"

struct FMeshDescription;

// Converts a mesh description into a dynamic mesh: one vertex per description vertex (by its ID), one
// triangle per triangle of the description (its own triangulation of each polygon, not a fan), corners in
// order so the winding is kept, grouped by polygon group. The host keeps no attribute overlays, so the
// attribute switches change nothing.
class FMeshDescriptionToDynamicMesh
{
public:
	bool bPrintDebugMessages = false;
	bool bEnableOutputGroups = true;
	bool bCalculateMaps = true;
	bool bDisableAttributes = false;

	// Appends to MeshOut, which it does not clear. A triangle that repeats another (in either winding) or
	// has two equal corners is dropped; one on an edge that already has two triangles gets its own copies
	// of its vertices. A null MeshIn fails an ensure and changes nothing.
	void Convert(const FMeshDescription* MeshIn, UE::Geometry::FDynamicMesh3& MeshOut, bool bCopyTangents = false);
};
