#include "ComplexCollision.h"

#include "StaticMeshResources.h"

#include <cmath>

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

		// How far a candidate may lie outside a triangle or the segment, in barycentric and segment
		// fractions, and still count: double rounding noise on a crossing exactly at an edge, a vertex or
		// an end of the segment, nothing more.
		constexpr double CrossingTolerance = 1e-9;

		// Triangles are grown by this fraction of the mesh's largest coordinate: some 60 float ulps, far
		// beyond what rounding the ray to float can shift it by, far below any triangle worth tracing.
		constexpr double MarginScale = 4e-6;
		// Growing a sliver to the full margin would make a long needle; its corners move at most this
		// many margins.
		constexpr double MaxCornerShift = 32.0;
	}

	struct FComplexCollision::FTraceContext
	{
		// First, so that the context Embree hands to the filter is this whole record.
		RTCIntersectContext Context;
		const FComplexCollision* Collision = nullptr;
		FVector Start;
		FVector Delta;
	};

	FComplexCollision::FComplexCollision(const FStaticMeshRenderData* RenderData, const void* InSourceMesh, uint64 InSourceRevision)
		: SourceMesh(InSourceMesh), SourceRevision(InSourceRevision)
	{
		if (!RenderData || RenderData->LODResources.Num() == 0)
		{
			return;
		}
		const FStaticMeshLODResources& LOD = RenderData->LODResources[0];
		const FPositionVertexBuffer& Positions = LOD.VertexBuffers.PositionVertexBuffer;
		const uint32 NumVertices = Positions.GetNumVertices();
		const uint32 NumIndices = static_cast<uint32>(LOD.IndexBuffer.GetNumIndices());

		Corners.reserve(static_cast<size_t>(NumIndices) * 3);
		FaceIndices.reserve(NumIndices / 3);
		FVector3f Min(0.f), Max(0.f);
		for (uint32 First = 0; First + 2 < NumIndices; First += 3)
		{
			const uint32 I0 = LOD.IndexBuffer.GetIndex(First);
			const uint32 I1 = LOD.IndexBuffer.GetIndex(First + 1);
			const uint32 I2 = LOD.IndexBuffer.GetIndex(First + 2);
			if (I0 >= NumVertices || I1 >= NumVertices || I2 >= NumVertices)
			{
				continue;
			}
			const FVector3f P[3] = {Positions.VertexPosition(I0), Positions.VertexPosition(I1), Positions.VertexPosition(I2)};
			if (!IsFinite(P[0]) || !IsFinite(P[1]) || !IsFinite(P[2]))
			{
				continue;
			}
			const FVector Area = (FVector(P[1]) - FVector(P[0])) ^ (FVector(P[2]) - FVector(P[0]));
			if (Area.IsZero())
			{
				continue;
			}
			if (FaceIndices.empty())
			{
				Min = Max = P[0];
			}
			for (const FVector3f& Corner : P)
			{
				Corners.insert(Corners.end(), {Corner.X, Corner.Y, Corner.Z});
				Min = Min.ComponentMin(Corner);
				Max = Max.ComponentMax(Corner);
			}
			FaceIndices.push_back(static_cast<int32>(First / 3));
		}
		if (FaceIndices.empty())
		{
			return;
		}

		const double Extent = FMath::Max(FVector(Min).ComponentMax(-FVector(Min)).GetMax(), FVector(Max).ComponentMax(-FVector(Max)).GetMax());
		Margin = MarginScale * Extent;

		Device = AcquireDevice();
		if (!Device)
		{
			return;
		}
		const size_t NumTriangles = FaceIndices.size();
		RTCGeometry Geometry = rtcNewGeometry(Device, RTC_GEOMETRY_TYPE_TRIANGLE);
		float* Grown = static_cast<float*>(rtcSetNewGeometryBuffer(Geometry, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, 3 * sizeof(float), 3 * NumTriangles));
		uint32* Triangles = static_cast<uint32*>(rtcSetNewGeometryBuffer(Geometry, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, 3 * sizeof(uint32), NumTriangles));
		if (!Grown || !Triangles)
		{
			rtcReleaseGeometry(Geometry);
			return;
		}

		// Grow each triangle about its centroid so that every edge moves out by the margin: an edge lies a
		// third of its altitude from the centroid, so scaling by 1 + 3 Margin / (smallest altitude) does it.
		FVector GrownMin(UE_BIG_NUMBER), GrownMax(-UE_BIG_NUMBER);
		for (size_t Prim = 0; Prim < NumTriangles; ++Prim)
		{
			const float* C = &Corners[9 * Prim];
			const FVector P[3] = {FVector(C[0], C[1], C[2]), FVector(C[3], C[4], C[5]), FVector(C[6], C[7], C[8])};
			const FVector Centroid = (P[0] + P[1] + P[2]) * (1.0 / 3.0);
			const double DoubleArea = ((P[1] - P[0]) ^ (P[2] - P[0])).Size();
			const double LongestEdge = FMath::Max(FMath::Max(FVector::Dist(P[0], P[1]), FVector::Dist(P[1], P[2])), FVector::Dist(P[2], P[0]));
			const double FarthestCorner = FMath::Max(FMath::Max(FVector::Dist(P[0], Centroid), FVector::Dist(P[1], Centroid)), FVector::Dist(P[2], Centroid));
			const double Growth = FMath::Min(3.0 * Margin * LongestEdge / DoubleArea, MaxCornerShift * Margin / FarthestCorner);
			for (int32 Corner = 0; Corner < 3; ++Corner)
			{
				const FVector3f Moved(Centroid + (P[Corner] - Centroid) * (1.0 + Growth));
				Grown[9 * Prim + 3 * Corner + 0] = Moved.X;
				Grown[9 * Prim + 3 * Corner + 1] = Moved.Y;
				Grown[9 * Prim + 3 * Corner + 2] = Moved.Z;
				GrownMin = GrownMin.ComponentMin(FVector(Moved));
				GrownMax = GrownMax.ComponentMax(FVector(Moved));
				Triangles[3 * Prim + Corner] = static_cast<uint32>(3 * Prim + Corner);
			}
		}
		BoundsMin = GrownMin - FVector(Margin);
		BoundsMax = GrownMax + FVector(Margin);

		rtcSetGeometryIntersectFilterFunction(Geometry, &FComplexCollision::FilterCandidate);
		rtcCommitGeometry(Geometry);
		Scene = rtcNewScene(Device);
		rtcSetSceneFlags(Scene, RTC_SCENE_FLAG_ROBUST);
		rtcAttachGeometry(Scene, Geometry);
		rtcReleaseGeometry(Geometry);
		rtcCommitScene(Scene);
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

	bool FComplexCollision::Trace(const FVector& Start, const FVector& End, FCrossing& OutCrossing) const
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
		// Reach a margin past both ends, so crossings exactly at an end reach the exact test. The margin is
		// added in length units: as a fraction of a very long segment it would round away.
		const FVector Pad = Delta * (Margin / Length);
		const FVector ClippedStart = Start + Delta * T0 - Pad;
		const FVector ClippedEnd = Start + Delta * T1 + Pad;
		const FVector3f Origin(ClippedStart);
		const FVector3f Direction(ClippedEnd - ClippedStart);

		FTraceContext Context;
		rtcInitIntersectContext(&Context.Context);
		Context.Collision = this;
		Context.Start = Start;
		Context.Delta = Delta;

		RTCRayHit RayHit;
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
		if (RayHit.hit.geomID == RTC_INVALID_GEOMETRY_ID)
		{
			return false;
		}

		const uint32 Prim = RayHit.hit.primID;
		double Time = 0.0, U = 0.0, V = 0.0;
		if (Prim >= FaceIndices.size() || !Cross(Prim, Start, Delta, Time, U, V))
		{
			return false;
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
		const float* C = &Corners[9 * static_cast<size_t>(Prim)];
		const FVector V0(C[0], C[1], C[2]);
		OutCrossing.Time = FMath::Clamp(Time, 0.0, 1.0);
		OutCrossing.FaceIndex = FaceIndices[Prim];
		OutCrossing.Point = V0 + (FVector(C[3], C[4], C[5]) - V0) * U + (FVector(C[6], C[7], C[8]) - V0) * V;
		OutCrossing.Normal = FaceNormal(Prim);
		return true;
	}

	void FComplexCollision::FilterCandidate(const RTCFilterFunctionNArguments* Args)
	{
		const FTraceContext* Context = reinterpret_cast<const FTraceContext*>(Args->context);
		for (uint32 Lane = 0; Lane < Args->N; ++Lane)
		{
			if (Args->valid[Lane] == 0)
			{
				continue;
			}
			const uint32 Prim = RTCHitN_primID(Args->hit, Args->N, Lane);
			double Time = 0.0, U = 0.0, V = 0.0;
			if (!Context->Collision->Cross(Prim, Context->Start, Context->Delta, Time, U, V))
			{
				Args->valid[Lane] = 0;
			}
		}
	}

	bool FComplexCollision::Cross(uint32 Prim, const FVector& Start, const FVector& Delta, double& OutTime, double& OutU, double& OutV) const
	{
		// Möller-Trumbore on the triangle as stored, in double precision.
		const float* C = &Corners[9 * static_cast<size_t>(Prim)];
		const FVector V0(C[0], C[1], C[2]);
		const FVector Edge1 = FVector(C[3], C[4], C[5]) - V0;
		const FVector Edge2 = FVector(C[6], C[7], C[8]) - V0;
		const FVector P = Delta ^ Edge2;
		const double Determinant = Edge1 | P;
		if (Determinant == 0.0)
		{
			// The segment runs parallel to the triangle's plane: it does not cross it.
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

	FVector FComplexCollision::FaceNormal(uint32 Prim) const
	{
		const float* C = &Corners[9 * static_cast<size_t>(Prim)];
		const FVector V0(C[0], C[1], C[2]);
		return (FVector(C[3], C[4], C[5]) - V0) ^ (FVector(C[6], C[7], C[8]) - V0);
	}
}
