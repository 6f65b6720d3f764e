#pragma once

#include "CoreMinimal.h"
#include "Math/NumericLimits.h"
#include "Math/Ray.h"
#include "Templates/Function.h"

namespace UE::Geometry
{
	// A structure that can tell whether a point is inside what it holds.
	class ISpatial
	{
	public:
		virtual ~ISpatial() = default;
		virtual bool SupportsPointContainment() const = 0;
		virtual bool IsInside(const FVector3d& Point) const = 0;
	};

	// Nearest-triangle and ray queries on a triangle mesh.
	class IMeshSpatial : public ISpatial
	{
	public:
		struct FQueryOptions
		{
			// Only triangles closer than this (or hits nearer than this) count.
			double MaxDistance = TNumericLimits<double>::Max();
			// Only triangles for which this returns true count.
			TFunction<bool(int)> TriangleFilterF = nullptr;
			// Query a tree whose mesh changed since it was built.
			bool bAllowUnsafeModifiedMeshQueries = false;

			FQueryOptions() {}
			FQueryOptions(TFunction<bool(int)> TriangleFilterFIn)
			    : TriangleFilterF(TriangleFilterFIn) {}
			FQueryOptions(double MaxDistanceIn, TFunction<bool(int)> TriangleFilterFIn = nullptr)
			    : MaxDistance(MaxDistanceIn), TriangleFilterF(TriangleFilterFIn) {}
		};

		virtual bool SupportsNearestTriangle() const = 0;
		virtual int FindNearestTriangle(const FVector3d& Query, double& NearestDistSqrOut, const FQueryOptions& Options = FQueryOptions()) const = 0;

		virtual bool SupportsTriangleRayIntersection() const = 0;
		virtual int FindNearestHitTriangle(const FRay3d& Ray, const FQueryOptions& Options = FQueryOptions()) const
		{
			double NearestT;
			int TID;
			FindNearestHitTriangle(Ray, NearestT, TID, Options);
			return TID;
		}
		virtual bool FindNearestHitTriangle(const FRay3d& Ray, double& NearestT, int& TID, const FQueryOptions& Options = FQueryOptions()) const = 0;
		virtual bool FindNearestHitTriangle(const FRay3d& Ray, double& NearestT, int& TID, FVector3d& BaryCoords, const FQueryOptions& Options = FQueryOptions()) const = 0;
	};
}
