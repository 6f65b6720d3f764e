#pragma once

#include "CoreMinimal.h"
#include "Interface_CollisionDataProviderCore.h"

#include <embree3/rtcore.h>

#include <vector>

namespace UE::Host
{
	// A body's collision triangles (what its asset's GetPhysicsTriMeshData gave), cooked once for segment
	// queries in the asset's own space. A face is a triangle's index in the data's triangle list.
	//
	// Embree finds candidates in single precision on triangles grown by a small margin, so that rounding
	// of the ray can never make it slip between two triangles or past an edge or vertex it touches. A
	// candidate well inside its triangle as stored and well inside the segment, met at a steep enough angle,
	// is a true crossing as it stands, accurate to single precision. Any other (near a rim, an end of the
	// segment, or grazing) is decided exactly, in double precision on the triangle as stored; when it is
	// not a true crossing, the query runs again with every candidate decided exactly, and the nearest true
	// crossing wins.
	//
	// Triangles are grown by one of a few factors (powers of two), one Embree geometry per factor, so the
	// hit itself tells how far inside its triangle it lies without reading the mesh again.
	class FComplexCollision
	{
	public:
		// The engine's worlds reach half of UE_LARGE_WORLD_MAX (2^43) either way; Embree's single-precision
		// rays cannot be trusted far beyond it (and refuse rays past 1.8e19). A corner further out than this
		// leaves the whole body without triangles, with an Error: nothing there could be traced.
		static constexpr double MaxCoordinate = 4398046511104.0;

		// Cooks the triangles as the asset gives them, in the engine's winding. Triangles with an index out
		// of range, a non-finite corner or no area cannot be hit, but keep their place in the list. A corner
		// beyond MaxCoordinate leaves none to hit.
		explicit FComplexCollision(const FTriMeshCollisionData& Data);
		~FComplexCollision();
		FComplexCollision(const FComplexCollision&) = delete;
		FComplexCollision& operator=(const FComplexCollision&) = delete;

		struct FCrossing
		{
			// Fraction of the segment, in [0, 1].
			double Time = 0;
			// Where the segment meets the mesh, in mesh space, accurate to single precision of the mesh's
			// coordinates.
			FVector Point;
			// Whether Point was worked out on the triangle as stored (else it is Start + Time (End - Start)).
			bool bOnTriangle = false;
			// Unnormalised face normal in mesh space, either way round.
			FVector Normal;
			// Which triangle: resolve with GetFaceIndex.
			uint32 Geometry = RTC_INVALID_GEOMETRY_ID;
			uint32 Primitive = RTC_INVALID_GEOMETRY_ID;
		};

		// The crossing of the segment Start + t (End - Start), t in [0, 1], nearest to Start; false when
		// there is none. Both points are in the mesh's space. With bCullBackFaces a triangle counts only
		// when the segment arrives at its front: it passes through a triangle (A, B, C) while travelling
		// the way of the engine's face normal (C - A) x (B - A).
		bool Trace(const FVector& Start, const FVector& End, bool bCullBackFaces, FCrossing& OutCrossing) const;

		// Index of the crossed triangle in the collision data's triangle list.
		int32 GetFaceIndex(const FCrossing& Crossing) const;
		// The engine's normal of a face, (C - A) x (B - A), not normalised.
		FVector GetFaceNormal(int32 Face) const;

	private:
		struct FTraceContext;
		// One Embree geometry: the triangles grown by the same factor.
		struct FGrowthLevel
		{
			double Growth = 0;
			// Smallest barycentric coordinate, in the grown triangle, of a point that lies inside the
			// triangle as stored by at least the rounding Embree may make.
			float SafeBarycentric = 0;
			std::vector<uint32> Faces;
		};

		// Drops the candidates the segment reaches from behind.
		static void FilterBackFaces(const RTCFilterFunctionNArguments* Args);
		// Drops the candidates that are no true crossing (and, when culling, those reached from behind).
		static void FilterCandidate(const RTCFilterFunctionNArguments* Args);
		// Whether the segment direction Delta arrives at the back of face Face.
		bool IsBackFace(uint32 Face, const FVector& Delta) const;
		// Where the segment crosses face Face, decided in double precision: the fraction of the segment
		// and the barycentric coordinates of the second and third corners. False when it does not cross.
		bool Cross(uint32 Face, const FVector& Start, const FVector& Delta, double& OutTime, double& OutU, double& OutV) const;
		uint32 FaceOf(uint32 Geometry, uint32 Primitive) const { return Levels[Geometry].Faces[Primitive]; }

		RTCDevice Device = nullptr;
		RTCScene Scene = nullptr;
		// Per face of the mesh, its three corners as stored (9 floats; NaN for a face that cannot be hit).
		std::vector<float> Corners;
		// Indexed by Embree geometry ID.
		std::vector<FGrowthLevel> Levels;
		// Bounds of the grown triangles, padded; segments are clipped to them before Embree sees them.
		FVector BoundsMin;
		FVector BoundsMax;
		// The least distance every edge was moved out by, in mesh units.
		double Margin = 0;
	};
}
