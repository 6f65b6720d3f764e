#pragma once

#include "CoreMinimal.h"

#include <vector>

namespace UE::Host
{
	// Where a segment Start + t (End - Start), t in [0, 1], first meets a solid shape. A segment that
	// starts inside (or on) the shape meets it at its start, with the normal facing back along it.
	struct FShapeHit
	{
		double Time = 0.0;
		// Outward unit normal of the surface met, in the space of the query.
		FVector Normal = FVector::ZeroVector;
		bool bStartPenetrating = false;
	};

	bool TraceSphere(const FVector& Center, double Radius, const FVector& Start, const FVector& End, FShapeHit& OutHit);

	// A box centred on the origin along the axes, reaching HalfExtent along each.
	bool TraceBox(const FVector& HalfExtent, const FVector& Start, const FVector& End, FShapeHit& OutHit);

	// The convex hull of a set of points, as the planes of its faces.
	class FConvexHull
	{
	public:
		// The hull of the finite points; false (and no hull) when they span no volume.
		bool Build(const TArray<FVector>& Points);

		bool IsValid() const { return !Planes.empty(); }
		int32 NumFaces() const { return static_cast<int32>(Planes.size()); }
		bool Trace(const FVector& Start, const FVector& End, FShapeHit& OutHit) const;

	private:
		struct FFacePlane
		{
			// Outward unit normal; the face's points X have Normal . X == Offset.
			FVector Normal;
			double Offset = 0.0;
		};
		std::vector<FFacePlane> Planes;
	};
}
