#pragma once

#include "CoreMinimal.h"

class USkeletalMesh;

// Host-only construction of skeletal meshes in code, for tests, benchmarks and the command.
namespace Host
{
	// One level of detail as the renderer keeps it: render vertices and a triangle list.
	struct FSkeletalLOD
	{
		TArray<FVector3f> Positions;
		TArray<uint32> Indices;
		// Bytes per stored index: 2 or 4. Every index must fit.
		uint8 IndexSize = sizeof(uint32);
	};

	// A skeletal mesh in the transient package whose render data holds these LODs, the most detailed
	// first (none at all gives render data without LODs).
	USkeletalMesh* MakeSkeletalMesh(const TArray<FSkeletalLOD>& LODs, FName Name = NAME_None);
	USkeletalMesh* MakeSkeletalMesh(const FSkeletalLOD& LOD, FName Name = NAME_None);

	/*
	 * A UV sphere around the origin as a renderer keeps it: (Rings + 1) x (Segments + 1) render
	 * vertices, so the seam column and each pole are copies at the same place, unwelded. Rings >= 2,
	 * Segments >= 3. 2 * Segments * (Rings - 1) triangles, none degenerate, facing outwards in the
	 * engine's winding (clockwise seen from outside). Stored with 16-bit indices when they fit.
	 */
	FSkeletalLOD MakeSphereLOD(float Radius, int32 Rings, int32 Segments);
}
