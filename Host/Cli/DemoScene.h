#pragma once

#include "Host/MeshBuilders.h"
#include "alembicIO.h"

#include <cstdint>

// The demo's scene, made in code: a head and a groom on its scalp, exported off the surface.
namespace VelmoraCli
{
	struct FDemoGroomOptions
	{
		int32 Strands = 20000;
		int32 PointsPerStrand = 10;
		uint32_t Seed = 1;
		// Share of strands exported too far from the surface for the fit to reach (its trace spans 5 units
		// either side of the root), so the picture shows what a miss looks like.
		double StrayShare = 0.0015;
	};

	// A head-like mesh around the origin, facing +X, some 23 units tall.
	Host::FMeshData BuildDemoHead();

	// Strands rooted on the scalp of Head (the top, back and sides above the ears), one surface normal and
	// one colour per strand, every root lifted 1 to 3.5 units off the surface along its normal (a few
	// stray ones 7 to 9 units), as a groom exported from a slightly different head would be.
	GroomData BuildDemoGroom(const Host::FMeshData& Head, const FDemoGroomOptions& Options);
}
