#pragma once

#include "CoreMinimal.h"
#include "Math/NumericLimits.h"

#include <memory>

namespace GroomFitting
{
	// What a point inside the mesh came to when it was to be brought out.
	enum class EResolveResult : uint8
	{
		// The point was not inside: nothing to do.
		Outside,
		// Moved to the surface plus the offset, outside every shell.
		Resolved,
		// Still inside after every attempt: the surface it reaches leads into another shell or through a hole.
		Unresolved,
	};

	struct FMeshQueryStats
	{
		int32 Triangles = 0;
		int32 Parts = 0;
		int32 PartsReoriented = 0;
		int32 TrianglesFlipped = 0;
		int32 DuplicatesDropped = 0;
		int32 OpenParts = 0;
	};

	// A triangle mesh in world space, with what answers where its surface is and what lies inside it.
	// Built once; immutable afterwards, so any number of threads may query it at once.
	class FMeshQuery
	{
	public:
		// Vertices and a triangle list (three indices per triangle). Null, with a one-line reason, when no
		// triangle has an area, an index is out of range or a coordinate is not finite.
		static std::shared_ptr<const FMeshQuery> Build(TArray<FVector> Vertices, TArray<int32> Indices, FString& OutError);

		virtual ~FMeshQuery() = default;

		// Triangles as given: triangle t is indices 3t .. 3t + 2.
		virtual int32 NumTriangles() const = 0;
		// Length of the diagonal of the box around every vertex: the mesh's scale.
		virtual double GetSize() const = 0;
		// Outward unit normal of triangle t; zero for a triangle without area.
		virtual FVector TriangleNormal(int32 Triangle) const = 0;
		// The nearest surface point within MaxDistance and the outward normal there; false when nothing is
		// that near or Point is not finite.
		virtual bool NearestPoint(const FVector& Point, FVector& OutNearest, FVector& OutNormal, double MaxDistance = TNumericLimits<double>::Max(),
		                          int32* OutTriangle = nullptr) const = 0;
		// Inside the solid the mesh bounds.
		virtual bool IsInside(const FVector& Point) const = 0;
		// Brings a point inside out to the nearest surface point plus Offset along the outward normal.
		virtual EResolveResult ResolvePoint(const FVector& Point, double Offset, FVector& OutPoint) const = 0;
		virtual const FMeshQueryStats& GetStats() const = 0;
	};
}
