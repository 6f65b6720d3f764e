#include "ComplexCollision.h"

#include <algorithm>
#include <cmath>
#include <limits>

DEFINE_LOG_CATEGORY_STATIC(LogHostCollision, Log, All);

namespace UE::Host
{
	namespace
	{
		void OnEmbreeError(void*, RTCError Code, const char* Message)
		{
			const FString Text = UTF8_TO_TCHAR(Message ? Message : "");
			UE_LOG(LogHostCollision, Error, TEXT("Embree error %d: %s"), static_cast<int32>(Code), *Text);
		}

		// One Embree device for the process. Every scene also holds a reference to it, so whichever of
		// them goes last at exit releases it.
		struct FDeviceHolder
		{
			RTCDevice Device = nullptr;

			FDeviceHolder()
			{
				Device = rtcNewDevice(nullptr);
				if (Device)
				{
					rtcSetDeviceErrorFunction(Device, &OnEmbreeError, nullptr);
				}
				else
				{
					UE_LOG(LogHostCollision, Error, TEXT("Embree could not create a device (error %d); traces will not hit"),
					       static_cast<int32>(rtcGetDeviceError(nullptr)));
				}
			}
			~FDeviceHolder()
			{
				if (Device)
				{
					rtcReleaseDevice(Device);
				}
			}
		};

		RTCDevice AcquireDevice()
		{
			static FDeviceHolder Holder;
			if (Holder.Device)
			{
				rtcRetainDevice(Holder.Device);
			}
			return Holder.Device;
		}

		bool IsFinite(const FVector3f& V)
		{
			return std::isfinite(V.X) && std::isfinite(V.Y) && std::isfinite(V.Z);
		}

		// How far an exactly decided crossing may lie outside a triangle or the segment, in barycentric and
		// segment fractions, and still count: double rounding noise on a crossing exactly at an edge, a
		// vertex or an end of the segment, nothing more.
		constexpr double CrossingTolerance = 1e-9;

		// Edges move out by at least this fraction of the mesh's largest coordinate: some 60 float ulps, far
		// beyond what rounding the ray to float can shift it by, far below any triangle worth tracing.
		constexpr double MarginScale = 4e-6;
		// Growing a sliver to the full margin would make a long needle; its corners move at most this
		// many margins.
		constexpr double MaxCornerShift = 32.0;
		// Cosine of the angle between a ray and a face below which the hit is worked out exactly.
		constexpr float MinSteepness = 0.25f;
		// Growth factors are 2^-Level.
		constexpr int32 MaxLevel = 60;

		bool IsBeyondWorld(const FVector3f& V)
		{
			return std::abs(V.X) > FComplexCollision::MaxCoordinate || std::abs(V.Y) > FComplexCollision::MaxCoordinate ||
			       std::abs(V.Z) > FComplexCollision::MaxCoordinate;
		}
	}

	struct FComplexCollision::FTraceContext
	{
		// First, so that the context Embree hands to the filter is this whole record.
		RTCIntersectContext Context;
		const FComplexCollision* Collision = nullptr;
		FVector Start;
		FVector Delta;
		bool bCullBackFaces = false;
	};

	FComplexCollision::FComplexCollision(const FTriMeshCollisionData& Data)
	{
		const uint32 NumVertices = static_cast<uint32>(Data.Vertices.Num());
		const uint32 NumFaces = static_cast<uint32>(Data.Indices.Num());

		Corners.assign(static_cast<size_t>(NumFaces) * 9, std::numeric_limits<float>::quiet_NaN());
		std::vector<uint32> ValidFaces;
		ValidFaces.reserve(NumFaces);
		FVector3f Min(0.f), Max(0.f);
		for (uint32 Face = 0; Face < NumFaces; ++Face)
		{
			const FTriIndices& Triangle = Data.Indices[static_cast<int32>(Face)];
			const uint32 I[3] = {static_cast<uint32>(Triangle.v0), static_cast<uint32>(Triangle.v1), static_cast<uint32>(Triangle.v2)};
			if (I[0] >= NumVertices || I[1] >= NumVertices || I[2] >= NumVertices)
			{
				continue;
			}
			const FVector3f P[3] = {Data.Vertices[static_cast<int32>(I[0])], Data.Vertices[static_cast<int32>(I[1])], Data.Vertices[static_cast<int32>(I[2])]};
			if (!IsFinite(P[0]) || !IsFinite(P[1]) || !IsFinite(P[2]))
			{
				continue;
			}
			for (int32 Corner = 0; Corner < 3; ++Corner)
			{
				if (IsBeyondWorld(P[Corner]))
				{
					UE_LOG(LogHostCollision, Error,
					       TEXT("Complex collision not built: vertex %u (a corner of triangle %u) lies beyond %.0f from the origin, outside any world the engine traces; traces will not hit"),
					       I[Corner], Face, MaxCoordinate);
					return;
				}
			}
			if (((FVector(P[1]) - FVector(P[0])) ^ (FVector(P[2]) - FVector(P[0]))).IsZero())
			{
				continue;
			}
			if (ValidFaces.empty())
			{
				Min = Max = P[0];
			}
			for (int32 Corner = 0; Corner < 3; ++Corner)
			{
				std::copy(&P[Corner].X, &P[Corner].X + 3, &Corners[9 * static_cast<size_t>(Face) + 3 * Corner]);
				Min = Min.ComponentMin(P[Corner]);
				Max = Max.ComponentMax(P[Corner]);
			}
			ValidFaces.push_back(Face);
		}
		if (ValidFaces.empty())
		{
			return;
		}
		const double Extent = FMath::Max(FVector(Min).ComponentMax(-FVector(Min)).GetMax(), FVector(Max).ComponentMax(-FVector(Max)).GetMax());
		Margin = MarginScale * Extent;

		// Each triangle grows about its centroid. An edge lies a third of its altitude from the centroid,
		// so scaling by 1 + 3 Margin / (smallest altitude) moves every edge out by the margin; the factor
		// is rounded up to a power of two, which picks the triangle's level.
		std::vector<int32> LevelOfFace(NumFaces, -1);
		std::vector<FGrowthLevel> ByLevel(MaxLevel + 1);
		for (const uint32 Face : ValidFaces)
		{
			const float* C = &Corners[9 * static_cast<size_t>(Face)];
			const FVector P[3] = {FVector(C[0], C[1], C[2]), FVector(C[3], C[4], C[5]), FVector(C[6], C[7], C[8])};
			const FVector Centroid = (P[0] + P[1] + P[2]) * (1.0 / 3.0);
			const double DoubleArea = ((P[1] - P[0]) ^ (P[2] - P[0])).Size();
			const double LongestEdge = FMath::Max(FMath::Max(FVector::Dist(P[0], P[1]), FVector::Dist(P[1], P[2])), FVector::Dist(P[2], P[0]));
			const double FarthestCorner = FMath::Max(FMath::Max(FVector::Dist(P[0], Centroid), FVector::Dist(P[1], Centroid)), FVector::Dist(P[2], Centroid));
			const double Growth = FMath::Min(3.0 * Margin * LongestEdge / DoubleArea, MaxCornerShift * Margin / FarthestCorner);
			const int32 Level = FMath::Clamp(static_cast<int32>(std::floor(-std::log2(Growth))), 0, MaxLevel);
			ByLevel[Level].Faces.push_back(Face);
		}

		Device = AcquireDevice();
		if (!Device)
		{
			return;
		}
		Scene = rtcNewScene(Device);
		// The exact filter is handed to a query only when the plain one's answer was not a true crossing.
		rtcSetSceneFlags(Scene, RTC_SCENE_FLAG_ROBUST | RTC_SCENE_FLAG_CONTEXT_FILTER_FUNCTION);
		FVector GrownMin(UE_BIG_NUMBER), GrownMax(-UE_BIG_NUMBER);
		for (int32 Level = 0; Level <= MaxLevel; ++Level)
		{
			FGrowthLevel& Group = ByLevel[Level];
			if (Group.Faces.empty())
			{
				continue;
			}
			Group.Growth = std::ldexp(1.0, -Level);
			// A point with grown barycentric b has b' = (1 + g) b - g / 3 in the triangle as stored; twice
			// the rim keeps it inside by a whole margin, more than Embree's rounding.
			Group.SafeBarycentric = static_cast<float>(2.0 * Group.Growth / (3.0 * (1.0 + Group.Growth)));

			const size_t NumTriangles = Group.Faces.size();
			RTCGeometry Geometry = rtcNewGeometry(Device, RTC_GEOMETRY_TYPE_TRIANGLE);
			float* Grown = static_cast<float*>(rtcSetNewGeometryBuffer(Geometry, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, 3 * sizeof(float), 3 * NumTriangles));
			uint32* Triangles = static_cast<uint32*>(rtcSetNewGeometryBuffer(Geometry, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, 3 * sizeof(uint32), NumTriangles));
			if (!Grown || !Triangles)
			{
				rtcReleaseGeometry(Geometry);
				continue;
			}
			for (size_t Triangle = 0; Triangle < NumTriangles; ++Triangle)
			{
				const float* C = &Corners[9 * static_cast<size_t>(Group.Faces[Triangle])];
				const FVector P[3] = {FVector(C[0], C[1], C[2]), FVector(C[3], C[4], C[5]), FVector(C[6], C[7], C[8])};
				const FVector Centroid = (P[0] + P[1] + P[2]) * (1.0 / 3.0);
				for (int32 Corner = 0; Corner < 3; ++Corner)
				{
					const FVector3f Moved(Centroid + (P[Corner] - Centroid) * (1.0 + Group.Growth));
					std::copy(&Moved.X, &Moved.X + 3, &Grown[9 * Triangle + 3 * Corner]);
					GrownMin = GrownMin.ComponentMin(FVector(Moved));
					GrownMax = GrownMax.ComponentMax(FVector(Moved));
					Triangles[3 * Triangle + Corner] = static_cast<uint32>(3 * Triangle + Corner);
				}
			}
			rtcCommitGeometry(Geometry);
			const uint32 GeometryId = rtcAttachGeometry(Scene, Geometry);
			rtcReleaseGeometry(Geometry);
			if (Levels.size() <= GeometryId)
			{
				Levels.resize(GeometryId + 1);
			}
			Levels[GeometryId] = std::move(Group);
		}
		rtcCommitScene(Scene);
		BoundsMin = GrownMin - FVector(Margin);
		BoundsMax = GrownMax + FVector(Margin);
	}

	FComplexCollision::~FComplexCollision()
	{
		if (Scene)
		{
			rtcReleaseScene(Scene);
		}
		if (Device)
		{
			rtcReleaseDevice(Device);
		}
	}

	bool FComplexCollision::Trace(const FVector& Start, const FVector& End, bool bCullBackFaces, FCrossing& OutCrossing) const
	{
		if (!Scene)
		{
			return false;
		}
		const FVector Delta = End - Start;
		const double Length = Delta.Size();
		if (!(Length > 0.0) || !std::isfinite(Length) || !std::isfinite(Start.X + Start.Y + Start.Z))
		{
			return false;
		}

		// Clip the segment to the bounds, so the float ray Embree sees starts near the mesh, whatever
		// the segment's length and wherever it starts.
		double T0 = 0.0, T1 = 1.0;
		for (int32 Axis = 0; Axis < 3; ++Axis)
		{
			if (Delta[Axis] == 0.0)
			{
				if (Start[Axis] < BoundsMin[Axis] || Start[Axis] > BoundsMax[Axis])
				{
					return false;
				}
				continue;
			}
			const double Inverse = 1.0 / Delta[Axis];
			double Near = (BoundsMin[Axis] - Start[Axis]) * Inverse;
			double Far = (BoundsMax[Axis] - Start[Axis]) * Inverse;
			if (Near > Far)
			{
				std::swap(Near, Far);
			}
			T0 = FMath::Max(T0, Near);
			T1 = FMath::Min(T1, Far);
			if (T0 > T1)
			{
				return false;
			}
		}
		// Reach a margin past both ends, so crossings exactly at an end are found and then decided exactly.
		// The margin is added in length units: as a fraction of a very long segment it would round away.
		const double Pad = Margin / Length;
		const FVector ClippedStart = Start + Delta * T0 - Delta * Pad;
		const FVector ClippedEnd = Start + Delta * T1 + Delta * Pad;
		const double RayT0 = T0 - Pad;
		const double RayT1 = T1 + Pad;

		FTraceContext Context;
		rtcInitIntersectContext(&Context.Context);
		Context.Collision = this;
		Context.Start = Start;
		Context.Delta = Delta;
		Context.bCullBackFaces = bCullBackFaces;
		if (bCullBackFaces)
		{
			Context.Context.filter = &FComplexCollision::FilterBackFaces;
		}

		const FVector3f Origin(ClippedStart);
		const FVector3f Direction(ClippedEnd - ClippedStart);
		RTCRayHit RayHit;
		const auto Query = [&]()
		{
			RayHit.ray.org_x = Origin.X;
			RayHit.ray.org_y = Origin.Y;
			RayHit.ray.org_z = Origin.Z;
			RayHit.ray.dir_x = Direction.X;
			RayHit.ray.dir_y = Direction.Y;
			RayHit.ray.dir_z = Direction.Z;
			RayHit.ray.tnear = 0.f;
			RayHit.ray.tfar = 1.f;
			RayHit.ray.time = 0.f;
			RayHit.ray.mask = ~0u;
			RayHit.ray.id = 0;
			RayHit.ray.flags = 0;
			RayHit.hit.geomID = RTC_INVALID_GEOMETRY_ID;
			RayHit.hit.primID = RTC_INVALID_GEOMETRY_ID;
			RayHit.hit.instID[0] = RTC_INVALID_GEOMETRY_ID;
			rtcIntersect1(Scene, &Context.Context, &RayHit);
			return RayHit.hit.geomID != RTC_INVALID_GEOMETRY_ID;
		};

		// Every true crossing lies on a grown triangle, so no candidate means no crossing, and a nearest
		// candidate that is a true crossing is the nearest true crossing.
		if (!Query())
		{
			return false;
		}
		const FGrowthLevel& Level = Levels[RayHit.hit.geomID];
		const double Time = RayT0 + (RayT1 - RayT0) * static_cast<double>(RayHit.ray.tfar);
		const float W = 1.f - RayHit.hit.u - RayHit.hit.v;
		const double SafeTime = 2.0 * Pad;
		// A grazing ray's float distance is poor along the ray; such hits are worked out exactly too.
		const FVector3f Ng(RayHit.hit.Ng_x, RayHit.hit.Ng_y, RayHit.hit.Ng_z);
		const float Facing = FMath::Abs(Ng | Direction);
		const bool bSteep = Facing * Facing >= MinSteepness * MinSteepness * Ng.SizeSquared() * Direction.SizeSquared();
		if (bSteep && FMath::Min(W, FMath::Min(RayHit.hit.u, RayHit.hit.v)) >= Level.SafeBarycentric && Time >= SafeTime && Time <= 1.0 - SafeTime)
		{
			OutCrossing.Time = Time;
			OutCrossing.Point = Start + Delta * Time;
			OutCrossing.bOnTriangle = false;
			OutCrossing.Normal = FVector(RayHit.hit.Ng_x, RayHit.hit.Ng_y, RayHit.hit.Ng_z);
			OutCrossing.Geometry = RayHit.hit.geomID;
			OutCrossing.Primitive = RayHit.hit.primID;
			return true;
		}

		// Near a rim or an end: decide exactly, and search again with exact decisions if it was not a crossing.
		double ExactTime = 0.0, U = 0.0, V = 0.0;
		if (!Cross(FaceOf(RayHit.hit.geomID, RayHit.hit.primID), Start, Delta, ExactTime, U, V))
		{
			Context.Context.filter = &FComplexCollision::FilterCandidate;
			if (!Query() || !Cross(FaceOf(RayHit.hit.geomID, RayHit.hit.primID), Start, Delta, ExactTime, U, V))
			{
				return false;
			}
		}
		// Crossings within the tolerance of an edge are pulled onto the triangle.
		U = FMath::Max(U, 0.0);
		V = FMath::Max(V, 0.0);
		if (U + V > 1.0)
		{
			const double Sum = U + V;
			U /= Sum;
			V /= Sum;
		}
		const float* C = &Corners[9 * static_cast<size_t>(FaceOf(RayHit.hit.geomID, RayHit.hit.primID))];
		const FVector V0(C[0], C[1], C[2]);
		const FVector Edge1 = FVector(C[3], C[4], C[5]) - V0;
		const FVector Edge2 = FVector(C[6], C[7], C[8]) - V0;
		OutCrossing.Time = FMath::Clamp(ExactTime, 0.0, 1.0);
		OutCrossing.Point = V0 + Edge1 * U + Edge2 * V;
		OutCrossing.bOnTriangle = true;
		OutCrossing.Normal = Edge1 ^ Edge2;
		OutCrossing.Geometry = RayHit.hit.geomID;
		OutCrossing.Primitive = RayHit.hit.primID;
		return true;
	}

	int32 FComplexCollision::GetFaceIndex(const FCrossing& Crossing) const
	{
		if (Crossing.Geometry >= Levels.size() || Crossing.Primitive >= Levels[Crossing.Geometry].Faces.size())
		{
			return INDEX_NONE;
		}
		return static_cast<int32>(FaceOf(Crossing.Geometry, Crossing.Primitive));
	}

	FVector FComplexCollision::GetFaceNormal(int32 Face) const
	{
		// The engine faces a triangle (A, B, C) towards (C - A) x (B - A).
		const float* C = &Corners[9 * static_cast<size_t>(Face)];
		const FVector A(C[0], C[1], C[2]);
		return (FVector(C[6], C[7], C[8]) - A) ^ (FVector(C[3], C[4], C[5]) - A);
	}

	bool FComplexCollision::IsBackFace(uint32 Face, const FVector& Delta) const
	{
		return (GetFaceNormal(static_cast<int32>(Face)) | Delta) > 0.0;
	}

	void FComplexCollision::FilterBackFaces(const RTCFilterFunctionNArguments* Args)
	{
		const FTraceContext* Context = reinterpret_cast<const FTraceContext*>(Args->context);
		const FComplexCollision* Collision = Context->Collision;
		for (uint32 Lane = 0; Lane < Args->N; ++Lane)
		{
			if (Args->valid[Lane] != 0 &&
			    Collision->IsBackFace(Collision->FaceOf(RTCHitN_geomID(Args->hit, Args->N, Lane), RTCHitN_primID(Args->hit, Args->N, Lane)), Context->Delta))
			{
				Args->valid[Lane] = 0;
			}
		}
	}

	void FComplexCollision::FilterCandidate(const RTCFilterFunctionNArguments* Args)
	{
		const FTraceContext* Context = reinterpret_cast<const FTraceContext*>(Args->context);
		const FComplexCollision* Collision = Context->Collision;
		for (uint32 Lane = 0; Lane < Args->N; ++Lane)
		{
			if (Args->valid[Lane] == 0)
			{
				continue;
			}
			const uint32 Face = Collision->FaceOf(RTCHitN_geomID(Args->hit, Args->N, Lane), RTCHitN_primID(Args->hit, Args->N, Lane));
			double Time = 0.0, U = 0.0, V = 0.0;
			if ((Context->bCullBackFaces && Collision->IsBackFace(Face, Context->Delta)) || !Collision->Cross(Face, Context->Start, Context->Delta, Time, U, V))
			{
				Args->valid[Lane] = 0;
			}
		}
	}

	bool FComplexCollision::Cross(uint32 Face, const FVector& Start, const FVector& Delta, double& OutTime, double& OutU, double& OutV) const
	{
		// Möller-Trumbore on the triangle as stored, in double precision.
		const float* C = &Corners[9 * static_cast<size_t>(Face)];
		const FVector V0(C[0], C[1], C[2]);
		const FVector Edge1 = FVector(C[3], C[4], C[5]) - V0;
		const FVector Edge2 = FVector(C[6], C[7], C[8]) - V0;
		const FVector P = Delta ^ Edge2;
		const double Determinant = Edge1 | P;
		if (!(FMath::Abs(Determinant) > 0.0))
		{
			// The segment runs parallel to the triangle's plane: no crossing.
			return false;
		}
		const double InverseDeterminant = 1.0 / Determinant;
		const FVector S = Start - V0;
		const double U = (S | P) * InverseDeterminant;
		if (U < -CrossingTolerance || U > 1.0 + CrossingTolerance)
		{
			return false;
		}
		const FVector Q = S ^ Edge1;
		const double V = (Delta | Q) * InverseDeterminant;
		if (V < -CrossingTolerance || U + V > 1.0 + CrossingTolerance)
		{
			return false;
		}
		const double Time = (Edge2 | Q) * InverseDeterminant;
		if (!(Time >= -CrossingTolerance && Time <= 1.0 + CrossingTolerance))
		{
			return false;
		}
		OutTime = Time;
		OutU = U;
		OutV = V;
		return true;
	}
}
