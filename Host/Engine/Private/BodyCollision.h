#pragma once

#include "CoreMinimal.h"
#include "BodySetupEnums.h"
#include "ComplexCollision.h"
#include "ConvexHull.h"
#include "PhysicsEngine/AggregateGeom.h"

#include <memory>
#include <vector>

class UBodySetup;

namespace UE::Host
{
	// What a trace of a body met, in world space.
	struct FBodyHit
	{
		double Time = 0.0;
		FVector Point = FVector::ZeroVector;
		// Unit normal of the surface met: a triangle's engine normal (C - A) x (B - A), whichever side the
		// trace came from; a simple shape's outward normal; against the trace for a trace that starts in a
		// simple shape.
		FVector Normal = FVector::ZeroVector;
		// The triangle's index in the collision triangle list; INDEX_NONE for a simple shape.
		int32 FaceIndex = INDEX_NONE;
		bool bStartPenetrating = false;
	};

	// A body setup's collision as CreatePhysicsMeshes cooked it: the triangles of its complex collision
	// (single- or double-sided), its simple shapes and the trace flag that says which answers which query.
	class FBodyCollision
	{
	public:
		// Triangles is null when the body has no complex collision.
		FBodyCollision(const UBodySetup& BodySetup, const FTriMeshCollisionData* Triangles);

		// The first crossing of the segment Start -> End (world space) with the body placed by ToWorld: a
		// complex query meets the triangles, unless the body uses its simple collision as complex; a simple
		// query meets the simple shapes, unless the body uses its complex collision as simple.
		bool Trace(const FTransform& ToWorld, const FVector& Start, const FVector& End, bool bTraceComplex, FBodyHit& OutHit) const;

	private:
		bool TraceTriangles(const FTransform& ToWorld, const FVector& Start, const FVector& End, FBodyHit& OutHit) const;
		bool TraceSimpleShapes(const FTransform& ToWorld, const FVector& Start, const FVector& End, FBodyHit& OutHit) const;

		ECollisionTraceFlag TraceFlag = CTF_UseSimpleAndComplex;
		bool bDoubleSided = false;
		std::unique_ptr<FComplexCollision> Triangles;
		TArray<FKSphereElem> Spheres;
		TArray<FKBoxElem> Boxes;
		// Each convex shape's hull, in the body's space.
		std::vector<FConvexHull> Convexes;
	};
}
