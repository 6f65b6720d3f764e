// How far from the origin complex collision goes: as far as the engine's worlds reach, and a mesh with
// a corner beyond that gets no triangles, with an Error, instead of handing Embree rays it cannot take.

#include "CollisionQueryParams.h"
#include "Components/StaticMeshComponent.h"
#include "Engine/HitResult.h"
#include "GameFramework/Actor.h"
#include "Host/Log.h"
#include "Host/MeshBuilders.h"
#include "Host/World.h"

#include <gtest/gtest.h>

namespace
{
	using Host::ECollisionSides;

	// One triangle under the segment straight down the Z axis, with its first corner moved to Far.
	Host::FMeshData TriangleReaching(const FVector3f& Far)
	{
		Host::FMeshData Mesh;
		Mesh.Positions = {FVector3f(-10, -10, 0), FVector3f(10, -10, 0), FVector3f(0, 10, 0), Far};
		Mesh.Indices = {0, 1, 2, 3, 1, 2};
		return Mesh;
	}

	class CollisionRange : public ::testing::Test
	{
	protected:
		UWorld* World = Host::NewWorld();
		AActor* Owner = Host::SpawnActor(World);

		bool HitsDownTheAxis(const Host::FMeshData& Mesh, FHitResult& OutHit)
		{
			UStaticMeshComponent* Component = Host::AddStaticMeshComponent(Owner, Host::NewStaticMesh(Mesh, ECollisionSides::DoubleSided));
			return Component->LineTraceComponent(OutHit, FVector(0, 0, 5), FVector(0, 0, -5), FCollisionQueryParams(NAME_None, true));
		}
	};
}

TEST_F(CollisionRange, CornersAsFarAsTheEnginesWorldsAreTraced)
{
	Host::FScopedLogCapture Log;
	for (const float Far : {1.0e6f, 4.0e12f, -4.0e12f})
	{
		FHitResult Hit;
		ASSERT_TRUE(HitsDownTheAxis(TriangleReaching(FVector3f(Far, 0.f, Far)), Hit)) << Far;
		EXPECT_NEAR(Hit.ImpactPoint.Z, 0.0, 1e-3) << Far;
	}
	EXPECT_TRUE(Log.TextsAt(ELogVerbosity::Error).empty());
}

TEST_F(CollisionRange, ACornerBeyondTheEnginesWorldsLeavesNoTrianglesAndSaysWhy)
{
	for (const FVector3f Far : {FVector3f(1e25f, 0.f, 0.f), FVector3f(0.f, -4.5e12f, 0.f), FVector3f(0.f, 0.f, 3e38f)})
	{
		Host::FScopedLogCapture Log;
		FHitResult Hit;
		EXPECT_FALSE(HitsDownTheAxis(TriangleReaching(Far), Hit)) << "the good triangle is not traced either";
		const std::vector<std::string> Errors = Log.TextsAt(ELogVerbosity::Error);
		ASSERT_EQ(Errors.size(), 1u);
		EXPECT_EQ(Errors[0], "Complex collision not built: vertex 3 (a corner of triangle 1) lies beyond 4398046511104 from the origin, outside any world the "
		                     "engine traces; traces will not hit");
	}
}
