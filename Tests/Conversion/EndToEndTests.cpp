#include "CheckedGroomWrites.h"
#include "ConversionTestUtils.h"

#include "CollisionQueryParams.h"
#include "Components/StaticMeshComponent.h"
#include "Engine/HitResult.h"
#include "GameFramework/Actor.h"
#include "Host/Log.h"
#include "Host/World.h"
#include "TestPaths.h"
#include "alembicIO.h"
#include "velmoraBPLibrary.h"

#include <cmath>

#include <gtest/gtest.h>

namespace
{
	FString ToFString(const std::filesystem::path& Path)
	{
		return FString(UTF8_TO_TCHAR(Path.string().c_str()));
	}

	// Strands along the axes and the diagonals, roots at distance 3 from the groom's origin, with no
	// per-strand normals: the fit projects them spherically, from the origin outwards.
	GroomData MakeRadialGroom()
	{
		GroomData Groom;
		for (int32 X = -1; X <= 1; ++X)
		{
			for (int32 Y = -1; Y <= 1; ++Y)
			{
				for (int32 Z = -1; Z <= 1; ++Z)
				{
					if (X == 0 && Y == 0 && Z == 0)
					{
						continue;
					}
					const FVector3f Direction = FVector3f(float(X), float(Y), float(Z)).GetSafeNormal();
					Groom.vertexCounts.push_back(4);
					for (int32 Point = 0; Point < 4; ++Point)
					{
						const FVector3f P = Direction * (3.f + Point);
						Groom.positions.insert(Groom.positions.end(), {P.X, P.Y, P.Z});
					}
				}
			}
		}
		return Groom;
	}
}

TEST(MeshConversion, ReturnsAFinishedMeshThatTracesAtOnce)
{
	UStaticMesh* Mesh = UvelmoraBPLibrary::SkeletalMeshToStaticMesh(Host::MakeSkeletalMesh(Host::MakeSphereLOD(10.f, 12, 24)));
	ASSERT_NE(Mesh, nullptr);
	EXPECT_FALSE(Mesh->IsCompiling());
	// A trace does not wait for a build: it sees the collision only because the conversion finished it.
	UStaticMeshComponent* Component = Host::AddStaticMeshComponent(Host::SpawnActor(Host::NewWorld()), Mesh);
	FHitResult Hit;
	EXPECT_TRUE(Component->LineTraceComponent(Hit, FVector::ZeroVector, FVector(0, 0, 20), FCollisionQueryParams(NAME_None, true))) << "from inside";
	EXPECT_TRUE(Component->LineTraceComponent(Hit, FVector(0, 0, 20), FVector::ZeroVector, FCollisionQueryParams(NAME_None, true))) << "from outside";
}

TEST(MeshConversion, GroomFitsOntoAConvertedSkeletalSphere)
{
	const float Radius = 10.0f;
	const int32 Rings = 48;
	const FVector Centre(30, -20, 150);
	UStaticMesh* Mesh = UvelmoraBPLibrary::SkeletalMeshToStaticMesh(Host::MakeSkeletalMesh(Host::MakeSphereLOD(Radius, Rings, 96)));
	ASSERT_NE(Mesh, nullptr);

	UWorld* World = Host::NewWorld();
	AActor* Source = Host::SpawnActor(World, FVector(5, 6, 7));
	UStaticMeshComponent* Component = Host::AddStaticMeshComponent(Host::SpawnActor(World), Mesh, FTransform(Centre));

	const std::filesystem::path Dir = VelmoraTest::MakeTempDir("conversion-fit");
	const GroomData Original = MakeRadialGroom();
	CheckedGroom::WriteGroom((Dir / "radial.abc").string(), Original);
	Host::FScopedLogCapture Log;
	CheckedGroom::FitGroomToStaticMesh(Source, Component, Centre, ToFString(Dir / "radial.abc"), ToFString(Dir / "fitted.abc"));
	EXPECT_TRUE(Log.TextsAt(ELogVerbosity::Warning).empty()) << "every strand must hit the converted mesh";

	bool bReadFailed = true;
	const GroomData Fitted = ReadGroom((Dir / "fitted.abc").string(), bReadFailed);
	ASSERT_FALSE(bReadFailed);
	ASSERT_EQ(Fitted.positions.size(), Original.positions.size());
	// Each root lands on the sphere's surface along its own direction from the centre: inside the true
	// sphere by at most the flat triangles' sagitta.
	const double Sagitta = Radius * (1.0 - std::cos(UE_DOUBLE_PI / Rings));
	for (size_t Strand = 0; Strand < Original.vertexCounts.size(); ++Strand)
	{
		const size_t Root = 3 * 4 * Strand;
		const FVector Direction = FVector(Original.positions[Root], Original.positions[Root + 1], Original.positions[Root + 2]).GetSafeNormal();
		const FVector Landed = FVector(Fitted.positions[Root], Fitted.positions[Root + 1], Fitted.positions[Root + 2]) + Source->GetActorLocation() - Centre;
		EXPECT_NEAR(Landed | Direction, Radius, Sagitta + 1e-4) << "strand " << Strand;
		EXPECT_LT((Landed ^ Direction).Size(), 1e-3) << "strand " << Strand << " left its ray";
	}
}
