#pragma once

#include "StrandGrooms.h"
#include "CollisionQueryParams.h"
#include "Components/StaticMeshComponent.h"
#include "GameFramework/Actor.h"
#include "Host/MeshBuilders.h"
#include "Host/World.h"
#include "UObject/UObjectGlobals.h"
#include "alembicIO.h"

#include <gtest/gtest.h>

#include <atomic>
#include <initializer_list>
#include <mutex>
#include <vector>

namespace FittingTest
{
	using VelmoraTest::MakeGroom;

	inline FVector3f Point(const GroomData& Groom, int32 Index)
	{
		return FVector3f(Groom.positions[3 * Index], Groom.positions[3 * Index + 1], Groom.positions[3 * Index + 2]);
	}

	using Host::Combined;

	// A static mesh component that counts its traces and keeps the last query's parameters. Traces may
	// come from several threads at once.
	class UCountingMeshComponent : public UStaticMeshComponent
	{
		DECLARE_HOST_CLASS(UCountingMeshComponent, UStaticMeshComponent)

	public:
		std::atomic<int32> NumTraces{0};
		FCollisionQueryParams LastParams;

		using UStaticMeshComponent::LineTraceComponent;
		virtual bool LineTraceComponent(FHitResult& OutHit, const FVector Start, const FVector End, const FCollisionQueryParams& Params) override
		{
			++NumTraces;
			{
				const std::lock_guard<std::mutex> Lock(ParamsLock);
				LastParams = Params;
			}
			return Super::LineTraceComponent(OutHit, Start, End, Params);
		}

	private:
		std::mutex ParamsLock;
	};

	// A world with the groom's source actor and a mesh to fit onto. Meshes are double-sided, as
	// SkeletalMeshToStaticMesh makes them, unless a test asks for the engine's single-sided default.
	class FitWorld : public ::testing::Test
	{
	protected:
		UWorld* World = Host::NewWorld();

		UCountingMeshComponent* PlaceMesh(const Host::FMeshData& Mesh, const FTransform& Placement = FTransform::Identity,
		                                  Host::ECollisionSides Sides = Host::ECollisionSides::DoubleSided)
		{
			AActor* Owner = Host::SpawnActor(World);
			UCountingMeshComponent* Component = NewObject<UCountingMeshComponent>(Owner);
			Component->SetStaticMesh(Host::NewStaticMesh(Mesh, Sides));
			Component->SetWorldTransform(Placement);
			Component->RegisterComponent();
			return Component;
		}
	};
}

// Exact, for moves computed from chosen hits.
#define EXPECT_POINT(Groom, Index, ExpectedX, ExpectedY, ExpectedZ)                                                                      \
	do                                                                                                                                   \
	{                                                                                                                                    \
		const FVector3f Actual_ = ::FittingTest::Point(Groom, Index);                                                                    \
		EXPECT_EQ(Actual_, FVector3f(ExpectedX, ExpectedY, ExpectedZ)) << "point " << (Index)                                            \
		                                                               << " is " << Actual_.X << ", " << Actual_.Y << ", " << Actual_.Z; \
	} while (0)

// To the single precision a trace's hit carries, for moves onto real meshes.
#define EXPECT_POINT_NEAR(Groom, Index, ExpectedX, ExpectedY, ExpectedZ)                                                                                 \
	do                                                                                                                                                   \
	{                                                                                                                                                    \
		const FVector3f Actual_ = ::FittingTest::Point(Groom, Index);                                                                                    \
		EXPECT_TRUE(Actual_.Equals(FVector3f(ExpectedX, ExpectedY, ExpectedZ), 1e-5f)) << "point " << (Index)                                            \
		                                                                               << " is " << Actual_.X << ", " << Actual_.Y << ", " << Actual_.Z; \
	} while (0)

namespace FittingTest
{
	inline void ExpectPositionsNear(const GroomData& Actual, const GroomData& Expected, float Tolerance = 1e-5f)
	{
		ASSERT_EQ(Actual.positions.size(), Expected.positions.size());
		for (size_t Index = 0; Index < Actual.positions.size(); ++Index)
		{
			EXPECT_NEAR(Actual.positions[Index], Expected.positions[Index], Tolerance) << "float " << Index;
		}
	}
}
