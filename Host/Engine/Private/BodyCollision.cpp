#include "BodyCollision.h"

#include "PhysicsEngine/BodySetup.h"

namespace UE::Host
{
	namespace
	{
		// A normal of the body's space in world space: normals transform with the inverse scale.
		FVector NormalToWorld(const FTransform& ToWorld, const FVector& Normal)
		{
			const FVector Scale = ToWorld.GetScale3D();
			return ToWorld.TransformVectorNoScale(FVector(Normal.X / Scale.X, Normal.Y / Scale.Y, Normal.Z / Scale.Z)).GetSafeNormal();
		}
	}

	FBodyCollision::FBodyCollision(const UBodySetup& BodySetup, const FTriMeshCollisionData* InTriangles)
	    : TraceFlag(BodySetup.GetCollisionTraceFlag()), bDoubleSided(BodySetup.bDoubleSidedGeometry)
	{
		if (InTriangles && TraceFlag != CTF_UseSimpleAsComplex)
		{
			Triangles = std::make_unique<FComplexCollision>(*InTriangles);
		}
		if (TraceFlag == CTF_UseComplexAsSimple)
		{
			return;
		}
		Spheres = BodySetup.AggGeom.SphereElems;
		Boxes = BodySetup.AggGeom.BoxElems;
		for (const FKConvexElem& Convex : BodySetup.AggGeom.ConvexElems)
		{
			TArray<FVector> Points;
			Points.Reserve(Convex.VertexData.Num());
			for (const FVector& Vertex : Convex.VertexData)
			{
				Points.Add(Convex.GetTransform().TransformPosition(Vertex));
			}
			FConvexHull Hull;
			if (Hull.Build(Points))
			{
				Convexes.push_back(MoveTemp(Hull));
			}
		}
	}

	bool FBodyCollision::Trace(const FTransform& ToWorld, const FVector& Start, const FVector& End, bool bTraceComplex, FBodyHit& OutHit) const
	{
		const FVector Scale = ToWorld.GetScale3D();
		if (Scale.X == 0.0 || Scale.Y == 0.0 || Scale.Z == 0.0)
		{
			// A body squashed flat along an axis has no surface to cross.
			return false;
		}
		const bool bTriangles = bTraceComplex ? TraceFlag != CTF_UseSimpleAsComplex : TraceFlag == CTF_UseComplexAsSimple;
		return bTriangles ? TraceTriangles(ToWorld, Start, End, OutHit) : TraceSimpleShapes(ToWorld, Start, End, OutHit);
	}

	bool FBodyCollision::TraceTriangles(const FTransform& ToWorld, const FVector& Start, const FVector& End, FBodyHit& OutHit) const
	{
		if (!Triangles)
		{
			return false;
		}
		// Most components are only moved, not turned or scaled: then the body's space is the world shifted.
		const bool bTranslationOnly = ToWorld.GetRotation() == FQuat::Identity && ToWorld.GetScale3D() == FVector::OneVector;
		FComplexCollision::FCrossing Crossing;
		const bool bCrossed = bTranslationOnly
		                          ? Triangles->Trace(Start - ToWorld.GetTranslation(), End - ToWorld.GetTranslation(), !bDoubleSided, Crossing)
		                          : Triangles->Trace(ToWorld.InverseTransformPosition(Start), ToWorld.InverseTransformPosition(End), !bDoubleSided, Crossing);
		if (!bCrossed)
		{
			return false;
		}
		const int32 Face = Triangles->GetFaceIndex(Crossing);
		// The crossing's normal is (B - A) x (C - A); the engine's face normal is the other way round.
		const FVector FaceNormal = -Crossing.Normal;
		OutHit.Time = Crossing.Time;
		OutHit.Point = Crossing.bOnTriangle ? ToWorld.TransformPosition(Crossing.Point) : Start + (End - Start) * Crossing.Time;
		OutHit.Normal = bTranslationOnly ? FaceNormal.GetSafeNormal() : NormalToWorld(ToWorld, FaceNormal);
		OutHit.FaceIndex = Face;
		OutHit.bStartPenetrating = false;
		return true;
	}

	bool FBodyCollision::TraceSimpleShapes(const FTransform& ToWorld, const FVector& Start, const FVector& End, FBodyHit& OutHit) const
	{
		bool bHit = false;
		FShapeHit Best;
		FVector BestNormal = FVector::ZeroVector;
		const auto Keep = [&](const FShapeHit& Hit, const FVector& WorldNormal)
		{
			if (!bHit || Hit.Time < Best.Time)
			{
				bHit = true;
				Best = Hit;
				BestNormal = WorldNormal;
			}
		};

		// A scaled body scales its spheres by its smallest scale, so they stay spheres.
		const FVector Scale = ToWorld.GetScale3D();
		const double SphereScale = FMath::Min(FMath::Abs(Scale.X), FMath::Min(FMath::Abs(Scale.Y), FMath::Abs(Scale.Z)));
		for (const FKSphereElem& Sphere : Spheres)
		{
			FShapeHit Hit;
			if (TraceSphere(ToWorld.TransformPosition(Sphere.Center), Sphere.Radius * SphereScale, Start, End, Hit))
			{
				Keep(Hit, Hit.Normal);
			}
		}

		// Boxes and hulls are met in the body's space, where the segment keeps its fractions.
		const FVector BodyStart = ToWorld.InverseTransformPosition(Start);
		const FVector BodyEnd = ToWorld.InverseTransformPosition(End);
		for (const FKBoxElem& Box : Boxes)
		{
			const FTransform BoxToBody(Box.Rotation, Box.Center);
			FShapeHit Hit;
			if (TraceBox(FVector(Box.X, Box.Y, Box.Z) * 0.5, BoxToBody.InverseTransformPosition(BodyStart), BoxToBody.InverseTransformPosition(BodyEnd), Hit))
			{
				Keep(Hit, Hit.bStartPenetrating ? Hit.Normal : NormalToWorld(ToWorld, BoxToBody.TransformVectorNoScale(Hit.Normal)));
			}
		}
		for (const FConvexHull& Hull : Convexes)
		{
			FShapeHit Hit;
			if (Hull.Trace(BodyStart, BodyEnd, Hit))
			{
				Keep(Hit, Hit.bStartPenetrating ? Hit.Normal : NormalToWorld(ToWorld, Hit.Normal));
			}
		}
		if (!bHit)
		{
			return false;
		}
		OutHit.Time = Best.Time;
		OutHit.Point = Best.bStartPenetrating ? Start : Start + (End - Start) * Best.Time;
		// A start inside a shape is told in world space: against the trace.
		OutHit.Normal = Best.bStartPenetrating ? -(End - Start).GetSafeNormal() : BestNormal;
		OutHit.FaceIndex = INDEX_NONE;
		OutHit.bStartPenetrating = Best.bStartPenetrating;
		return true;
	}
}
