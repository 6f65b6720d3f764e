#pragma once

#include "CoreMinimal.h"

#include <embree3/rtcore.h>

#include <vector>

class FStaticMeshRenderData;

namespace UE::Host
{
	// A static mesh's LOD 0 triangles, cooked once for segment queries in the mesh's own space.
	//
	// Embree finds candidates in single precision on triangles grown by a small margin, so that rounding
	// of the ray can never make it slip between two triangles or past an edge or vertex it touches. Every
	// candidate is then decided exactly, in double precision on the triangle as stored, and only crossings
	// that really lie on the segment count. The nearest of those is the hit.
	class FComplexCollision
	{
	public:
		// Cooks the triangles of RenderData's LOD 0 (none when it is null or empty). Triangles with an
		// index out of range, a non-finite corner or no area are left out: they cannot be hit.
		FComplexCollision(const FStaticMeshRenderData* RenderData, const void* SourceMesh, uint64 SourceRevision);
		~FComplexCollision();
		FComplexCollision(const FComplexCollision&) = delete;
		FComplexCollision& operator=(const FComplexCollision&) = delete;

		bool IsFor(const void* Mesh, uint64 Revision) const { return Mesh == SourceMesh && Revision == SourceRevision; }
		int32 GetNumTriangles() const { return static_cast<int32>(FaceIndices.size()); }

		struct FCrossing
		{
			// Fraction of the segment, in [0, 1].
			double Time = 0;
			// Index of the triangle in the render data's index buffer (index / 3).
			int32 FaceIndex = INDEX_NONE;
			// Where the segment meets the triangle, in mesh space: on the triangle as stored, to double
			// rounding, so a hit on a flat face lies exactly in its plane.
			FVector Point;
			// Unnormalised face normal in mesh space, (v1 - v0) x (v2 - v0).
			FVector Normal;
		};

		// The crossing of the segment Start + t (End - Start), t in [0, 1], nearest to Start; false when
		// there is none. Both points are in the mesh's space.
		bool Trace(const FVector& Start, const FVector& End, FCrossing& OutCrossing) const;

	private:
		struct FTraceContext;
		static void FilterCandidate(const RTCFilterFunctionNArguments* Args);
		// Where the segment crosses triangle Prim, decided in double precision: the fraction of the segment
		// and the barycentric coordinates of the second and third corners. False when it does not cross.
		bool Cross(uint32 Prim, const FVector& Start, const FVector& Delta, double& OutTime, double& OutU, double& OutV) const;
		FVector FaceNormal(uint32 Prim) const;

		const void* SourceMesh = nullptr;
		uint64 SourceRevision = 0;
		RTCDevice Device = nullptr;
		RTCScene Scene = nullptr;
		// Per cooked triangle: its three corners as stored (9 floats) and its face index in the mesh.
		std::vector<float> Corners;
		std::vector<int32> FaceIndices;
		// Bounds of the grown triangles, padded; segments are clipped to them before Embree sees them.
		FVector BoundsMin;
		FVector BoundsMax;
		// The margin the triangles were grown by, in mesh units.
		double Margin = 0;
	};
}
