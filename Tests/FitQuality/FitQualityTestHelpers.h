#pragma once

#include "StrandGrooms.h"
#include "Components/StaticMeshComponent.h"
#include "Engine/StaticMesh.h"
#include "GameFramework/Actor.h"
#include "GroomFitting.h"
#include "MeshQuery.h"
#include "Host/MeshBuilders.h"
#include "Host/World.h"
#include "MeshDescription.h"
#include "PhysicsEngine/BodySetup.h"
#include "StaticMeshAttributes.h"
#include "UObject/UObjectGlobals.h"
#include "alembicIO.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <vector>

namespace FitQualityTest
{
	inline Host::FMeshData Sphere(float Radius = 10.f, int32 Rings = 48, int32 Segments = 96)
	{
		return Host::BuildSphere(Radius, Rings, Segments);
	}

	inline Host::FMeshData Box(const FVector3f& HalfExtent = FVector3f(1.f, 1.f, 1.f))
	{
		return Host::BuildBox(HalfExtent);
	}

	// The mesh without the triangles listed.
	inline Host::FMeshData WithoutTriangles(const Host::FMeshData& Data, std::initializer_list<int32> Removed)
	{
		Host::FMeshData Result;
		Result.Positions = Data.Positions;
		for (int32 Triangle = 0; Triangle < Data.NumTriangles(); ++Triangle)
		{
			if (std::find(Removed.begin(), Removed.end(), Triangle) == Removed.end())
			{
				Result.Indices.Append({Data.Indices[3 * Triangle], Data.Indices[3 * Triangle + 1], Data.Indices[3 * Triangle + 2]});
			}
		}
		return Result;
	}

	// A static mesh made as an editor user's is: a committed description, a double-sided complex
	// collision, built.
	inline UStaticMesh* MakeStaticMesh(const Host::FMeshData& Data, const FVector& BuildScale = FVector::OneVector)
	{
		return Host::NewAuthoredStaticMesh(Data, Host::ECollisionSides::DoubleSided, BuildScale);
	}

	using VelmoraTest::MakeGroom;

	// A straight strand of Count points from Root along Step.
	inline void AddStrand(GroomData& Groom, const FVector& Root, const FVector& Step, int32 Count)
	{
		Groom.vertexCounts.push_back(Count);
		for (int32 Point = 0; Point < Count; ++Point)
		{
			const FVector P = Root + Step * Point;
			Groom.positions.insert(Groom.positions.end(), {static_cast<float>(P.X), static_cast<float>(P.Y), static_cast<float>(P.Z)});
		}
	}

	inline FVector Point(const GroomData& Groom, int32 Index)
	{
		return FVector(Groom.positions[3 * Index], Groom.positions[3 * Index + 1], Groom.positions[3 * Index + 2]);
	}

	// A world with a source actor and a mesh placed in it.
	class FitQualityWorld : public ::testing::Test
	{
	protected:
		UWorld* World = Host::NewWorld();

		UStaticMeshComponent* Place(const Host::FMeshData& Data, const FTransform& Placement = FTransform::Identity)
		{
			return Host::AddStaticMeshComponent(Host::SpawnActor(World), MakeStaticMesh(Data), Placement);
		}

		std::shared_ptr<const GroomFitting::FMeshQuery> Query(const UStaticMeshComponent* Component)
		{
			FString Error;
			std::shared_ptr<const GroomFitting::FMeshQuery> Result = GroomFitting::GetMeshQuery(Component, Error);
			EXPECT_TRUE(Result) << TCHAR_TO_UTF8(*Error);
			return Result;
		}
	};
}
