#include "CollisionQueryParams.h"
#include "DrawDebugHelpers.h"
#include "Components/StaticMeshComponent.h"
#include "Engine/HitResult.h"
#include "Engine/StaticMesh.h"
#include "GameFramework/Actor.h"
#include "PhysicsEngine/BodySetup.h"
#include "Host/MeshBuilders.h"
#include "Host/World.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <optional>
#include <random>
#include <type_traits>
#include <utility>

static_assert(std::is_same_v<decltype(std::declval<const UStaticMeshComponent&>().GetStaticMesh()), TObjectPtr<UStaticMesh>>,
              "the component hands out the engine's object handle, so `auto* Mesh = Comp->GetStaticMesh();` does not compile");

namespace
{
	const FCollisionQueryParams ComplexTrace(FName(TEXT("Test Trace")), true);
	using Host::ECollisionSides;

	class ComplexCollisionTrace : public ::testing::Test
	{
	protected:
		UWorld* World = Host::NewWorld();
		AActor* Owner = Host::SpawnActor(World);

		UStaticMeshComponent* Place(const Host::FMeshData& Mesh, ECollisionSides Sides, const FTransform& Placement = FTransform::Identity)
		{
			return Host::AddStaticMeshComponent(Owner, Host::NewStaticMesh(Mesh, Sides), Placement);
		}

		static std::optional<FVector> Trace(UStaticMeshComponent* Component, const FVector& Start, const FVector& End,
		                                    const FCollisionQueryParams& Params = ComplexTrace)
		{
			FHitResult Hit;
			if (!Component->LineTraceComponent(Hit, Start, End, Params))
			{
				return std::nullopt;
			}
			return FVector(Hit.ImpactPoint);
		}
	};

	// Hits are accurate to single precision of the mesh's own coordinates, wherever the mesh is placed.
	void ExpectPoint(const std::optional<FVector>& Actual, const FVector& Expected, double Tolerance = 1e-5)
	{
		ASSERT_TRUE(Actual.has_value()) << "expected a hit at " << TCHAR_TO_UTF8(*Expected.ToString());
		EXPECT_NEAR(Actual->X, Expected.X, Tolerance);
		EXPECT_NEAR(Actual->Y, Expected.Y, Tolerance);
		EXPECT_NEAR(Actual->Z, Expected.Z, Tolerance);
	}

	// The first crossing of every triangle, by brute force in double precision, as the reference. Single-
	// sided, a triangle counts only when the segment does not travel the way its normal (C - A) x (B - A)
	// points.
	std::optional<double> BruteForceTime(const Host::FMeshData& Mesh, const FVector& Start, const FVector& End, ECollisionSides Sides)
	{
		std::optional<double> Best;
		const FVector D = End - Start;
		for (int32 I = 0; I + 2 < Mesh.Indices.Num(); I += 3)
		{
			const FVector V0(Mesh.Positions[Mesh.Indices[I]]), V1(Mesh.Positions[Mesh.Indices[I + 1]]), V2(Mesh.Positions[Mesh.Indices[I + 2]]);
			const FVector E1 = V1 - V0, E2 = V2 - V0, P = D ^ E2;
			const double Det = E1 | P;
			if (Det == 0 || (Sides == ECollisionSides::SingleSided && ((E2 ^ E1) | D) > 0))
			{
				continue;
			}
			const FVector S = Start - V0, Q = S ^ E1;
			const double U = (S | P) / Det, V = (D | Q) / Det, T = (E2 | Q) / Det;
			const double Tol = 1e-9;
			if (U >= -Tol && V >= -Tol && U + V <= 1 + Tol && T >= -Tol && T <= 1 + Tol && (!Best || T < *Best))
			{
				Best = T;
			}
		}
		return Best;
	}
}

TEST_F(ComplexCollisionTrace, CrossingReturnsImpactPointAndShortSegmentMisses)
{
	UStaticMeshComponent* Plane = Place(Host::BuildPlane(10.f, 4), ECollisionSides::SingleSided);
	FHitResult Hit;
	ASSERT_TRUE(Plane->LineTraceComponent(Hit, FVector(0.3, 0.2, 5), FVector(0.3, 0.2, -5), ComplexTrace));
	ExpectPoint(FVector(Hit.ImpactPoint), FVector(0.3, 0.2, 0));
	EXPECT_TRUE(Hit.bBlockingHit);
	EXPECT_NEAR(Hit.Time, 0.5f, 1e-6);
	EXPECT_EQ(Hit.GetComponent(), Plane);
	EXPECT_EQ(Hit.GetActor(), Owner);
	EXPECT_NEAR(Hit.ImpactNormal.Z, 1.0, 1e-12) << "the normal faces back towards the start";

	EXPECT_FALSE(Trace(Plane, FVector(0.3, 0.2, 5), FVector(0.3, 0.2, 0.001)).has_value());
	EXPECT_FALSE(Trace(Plane, FVector(10.5, 0, 5), FVector(10.5, 0, -5)).has_value()) << "beside the plane";
	// A segment of 1e-4 or less never hits, even across the surface.
	EXPECT_FALSE(Trace(Plane, FVector(1, 1, 0.5e-4), FVector(1, 1, -0.45e-4)).has_value());
	ExpectPoint(Trace(Plane, FVector(1, 1, 1e-4), FVector(1, 1, -1e-4)), FVector(1, 1, 0));
}

TEST_F(ComplexCollisionTrace, SingleSidedClosedMeshIsHitFromOutsideOnly)
{
	const Host::FMeshData Head = Host::BuildHead(2000);
	UStaticMeshComponent* SingleSided = Place(Head, ECollisionSides::SingleSided);
	UStaticMeshComponent* DoubleSided = Place(Head, ECollisionSides::DoubleSided);
	for (const FVector Direction : {FVector(1, 0, 0), FVector(0, -1, 0), FVector(0.3, 0.2, 1).GetSafeNormal(), FVector(-0.5, 0.5, -1).GetSafeNormal()})
	{
		const FVector Outside = Direction * 40.0;
		const std::optional<FVector> Inward = Trace(SingleSided, Outside, FVector::ZeroVector);
		ASSERT_TRUE(Inward.has_value()) << "from outside in";
		ExpectPoint(Trace(DoubleSided, Outside, FVector::ZeroVector), *Inward, 0.0);
		EXPECT_FALSE(Trace(SingleSided, FVector::ZeroVector, Outside).has_value()) << "from inside out";
		ExpectPoint(Trace(DoubleSided, FVector::ZeroVector, Outside), *Inward, 1e-5);
		// Through the whole head from outside: the near side's front.
		ExpectPoint(Trace(SingleSided, Outside, -Outside), *Inward, 1e-5);
	}

	// A plane faces +Z: hit from above, passed through from below unless double-sided.
	EXPECT_FALSE(Trace(Place(Host::BuildPlane(5.f), ECollisionSides::SingleSided), FVector(1, 1, -5), FVector(1, 1, 5)).has_value());
	ExpectPoint(Trace(Place(Host::BuildPlane(5.f), ECollisionSides::DoubleSided), FVector(1, 1, -5), FVector(1, 1, 5)), FVector(1, 1, 0));
}

TEST_F(ComplexCollisionTrace, FirstCrossingFromStartWins)
{
	UStaticMeshComponent* Box = Place(Host::BuildBox(FVector3f(1.f, 2.f, 3.f)), ECollisionSides::DoubleSided);
	ExpectPoint(Trace(Box, FVector(5, 0.5, 0.5), FVector(-5, 0.5, 0.5)), FVector(1, 0.5, 0.5));
	ExpectPoint(Trace(Box, FVector(-5, 0.5, 0.5), FVector(5, 0.5, 0.5)), FVector(-1, 0.5, 0.5));
	// From inside, the wall ahead.
	ExpectPoint(Trace(Box, FVector(0, 0, 0), FVector(0, 0, 10)), FVector(0, 0, 3));
}

TEST_F(ComplexCollisionTrace, CrossingsAtSegmentEndsEdgesAndVerticesAreNotLost)
{
	// Grid vertices at every 0.5: rays through shared vertices, shared edges and the outer rim.
	UStaticMeshComponent* Plane = Place(Host::BuildPlane(2.f, 8), ECollisionSides::DoubleSided);
	for (double X = -2.0; X <= 2.0; X += 0.25)
	{
		for (double Y = -2.0; Y <= 2.0; Y += 0.25)
		{
			ExpectPoint(Trace(Plane, FVector(X, Y, 1), FVector(X, Y, -1)), FVector(X, Y, 0));
			// Oblique, through the same point.
			ExpectPoint(Trace(Plane, FVector(X - 0.3, Y + 0.7, 1), FVector(X + 0.3, Y - 0.7, -1)), FVector(X, Y, 0));
		}
	}
	// A segment that starts or ends exactly on the surface hits it there.
	ExpectPoint(Trace(Plane, FVector(0.1, 0.1, 0), FVector(0.1, 0.1, 5)), FVector(0.1, 0.1, 0));
	ExpectPoint(Trace(Plane, FVector(0.1, 0.1, 5), FVector(0.1, 0.1, 0)), FVector(0.1, 0.1, 0));
	// Just outside the rim, or just short of the surface, is a miss.
	EXPECT_FALSE(Trace(Plane, FVector(2.000001, 0, 1), FVector(2.000001, 0, -1)).has_value());
	EXPECT_FALSE(Trace(Plane, FVector(0.1, 0.1, 5), FVector(0.1, 0.1, 0.000001)).has_value());
}

TEST_F(ComplexCollisionTrace, AgreesWithBruteForceOnRandomSegmentsAndVertexHits)
{
	const Host::FMeshData Mesh = Host::BuildHead(4000);
	const FTransform Placement(FRotator(20, 35, -10), FVector(1000, -2000, 500), FVector(1.5, 0.75, 2));
	for (const ECollisionSides Sides : {ECollisionSides::SingleSided, ECollisionSides::DoubleSided})
	{
		UStaticMeshComponent* Head = Place(Mesh, Sides, Placement);
		std::mt19937 Random(7);
		std::uniform_real_distribution<double> Unit(-1.0, 1.0);
		int32 Hits = 0;
		for (int32 Ray = 0; Ray < 3000; ++Ray)
		{
			FVector Start(Unit(Random) * 30, Unit(Random) * 30, Unit(Random) * 30), End;
			if (Ray % 3 == 0)
			{
				// Aim exactly at a vertex of the mesh.
				const FVector Vertex(Mesh.Positions[Random() % Mesh.Positions.Num()]);
				End = Vertex + (Vertex - Start) * 0.5;
			}
			else
			{
				End = FVector(Unit(Random) * 30, Unit(Random) * 30, Unit(Random) * 30);
			}
			const std::optional<double> Expected = BruteForceTime(Mesh, Start, End, Sides);
			const FVector WorldStart = Placement.TransformPosition(Start), WorldEnd = Placement.TransformPosition(End);
			const std::optional<FVector> Actual = Trace(Head, WorldStart, WorldEnd);
			ASSERT_EQ(Actual.has_value(), Expected.has_value()) << "segment " << Ray;
			if (Expected)
			{
				++Hits;
				// A few float ulps at the placed mesh's size (some 30 units).
				ExpectPoint(Actual, WorldStart + (WorldEnd - WorldStart) * *Expected, 16 * 30 * FLT_EPSILON);
			}
		}
		EXPECT_GT(Hits, Sides == ECollisionSides::SingleSided ? 500 : 1000);
	}
}

TEST_F(ComplexCollisionTrace, FollowsThePlacementFarFromTheOrigin)
{
	// Yawed 90: local X (half 2) runs along world Y, local Y (half 3) along world -X.
	UStaticMeshComponent* Box = Place(Host::BuildBox(FVector3f(1.f, 1.f, 1.f)), ECollisionSides::SingleSided, FTransform(FRotator(0, 90, 0), FVector(100, 200, 300), FVector(2, 3, 4)));
	ExpectPoint(Trace(Box, FVector(110, 200, 300), FVector(90, 200, 300)), FVector(103, 200, 300));
	ExpectPoint(Trace(Box, FVector(100, 190, 300), FVector(100, 210, 300)), FVector(100, 198, 300));
	ExpectPoint(Trace(Box, FVector(100, 200, 310), FVector(100, 200, 290)), FVector(100, 200, 304));
	EXPECT_FALSE(Trace(Box, FVector(100, 200, 300), FVector(100, 200, 310)).has_value()) << "placed, it is still hit from outside only";

	// Far from the world origin the precision is still that of the mesh's own coordinates (a float at a
	// million is only good to a few hundredths).
	UStaticMeshComponent* Far = Place(Host::BuildPlane(10.f), ECollisionSides::SingleSided, FTransform(FVector(1.0e6, -2.0e6, 3.0e5)));
	ExpectPoint(Trace(Far, FVector(1.0e6 + 0.123456789, -2.0e6 + 4.5, 3.0e5 + 5), FVector(1.0e6 + 0.123456789, -2.0e6 + 4.5, 3.0e5 - 5)),
	            FVector(1.0e6 + 0.123456789, -2.0e6 + 4.5, 3.0e5));
}

TEST_F(ComplexCollisionTrace, MovingTheComponentOrChangingTheMeshIsSeenByTheNextTrace)
{
	UStaticMeshComponent* Plane = Place(Host::BuildPlane(5.f), ECollisionSides::SingleSided);
	ExpectPoint(Trace(Plane, FVector(0, 0, 10), FVector(0, 0, -10)), FVector(0, 0, 0));
	Plane->SetWorldLocation(FVector(0, 0, 3));
	ExpectPoint(Trace(Plane, FVector(0, 0, 10), FVector(0, 0, -10)), FVector(0, 0, 3));
	Host::SetMeshData(Plane->GetStaticMesh(), Host::Translated(Host::BuildPlane(5.f), FVector3f(0.f, 0.f, 1.f)));
	ExpectPoint(Trace(Plane, FVector(0, 0, 10), FVector(0, 0, -10)), FVector(0, 0, 4));
	Plane->SetStaticMesh(Host::NewStaticMesh(Host::BuildBox(FVector3f(1.f, 1.f, 1.f))));
	ExpectPoint(Trace(Plane, FVector(0, 0, 10), FVector(0, 0, -10)), FVector(0, 0, 4));
	Plane->SetWorldScale3D(FVector(1, 1, 0));
	EXPECT_FALSE(Trace(Plane, FVector(0, 0, 10), FVector(0, 0, -10)).has_value()) << "a mesh scaled flat has no surface";
}

TEST_F(ComplexCollisionTrace, OnlyTheComponentsOwnBodyAnswers)
{
	const FVector Start(0, 0, 5), End(0, 0, -5);
	UStaticMeshComponent* Lower = Place(Host::BuildPlane(5.f), ECollisionSides::SingleSided);
	AActor* Other = Host::SpawnActor(World);
	Host::AddStaticMeshComponent(Other, Host::NewStaticMesh(Host::BuildPlane(5.f)), FTransform(FVector(0, 0, 2)));
	ExpectPoint(Trace(Lower, Start, End), FVector(0, 0, 0));
	// A component trace ignores no actor, not even one the parameters name.
	ExpectPoint(Trace(Lower, Start, End, FCollisionQueryParams(NAME_None, true, Owner)), FVector(0, 0, 0));
	FHitResult Hit;
	EXPECT_TRUE(Lower->LineTraceComponent(Hit, Start, End, ECC_Visibility, ComplexTrace, FCollisionResponseParams::DefaultResponseParam,
	                                      FCollisionObjectQueryParams::DefaultObjectQueryParam));

	// Simple traces meet simple shapes, which these meshes lack unless the triangles stand in for them.
	const FCollisionQueryParams SimpleTrace(NAME_None, false);
	EXPECT_FALSE(Trace(Lower, Start, End, SimpleTrace).has_value());
	ExpectPoint(Trace(Place(Host::BuildPlane(5.f), ECollisionSides::DoubleSided), Start, End, SimpleTrace), FVector(0, 0, 0));

	// No body that answers queries: collision off on the component or its actor, not registered.
	Lower->SetCollisionEnabled(ECollisionEnabled::NoCollision);
	EXPECT_FALSE(Trace(Lower, Start, End).has_value());
	Lower->SetCollisionEnabled(ECollisionEnabled::QueryOnly);
	ExpectPoint(Trace(Lower, Start, End), FVector(0, 0, 0));
	Owner->SetActorEnableCollision(false);
	EXPECT_EQ(Lower->GetCollisionEnabled(), ECollisionEnabled::NoCollision);
	EXPECT_FALSE(Trace(Lower, Start, End).has_value());
	Owner->SetActorEnableCollision(true);
	Lower->UnregisterComponent();
	EXPECT_FALSE(Trace(Lower, Start, End).has_value());
}

TEST_F(ComplexCollisionTrace, MeshesWithoutBuiltCollisionNeverHit)
{
	const FVector Start(0, 0, 5), End(0, 0, -5);
	EXPECT_FALSE(Trace(Host::AddStaticMeshComponent(Owner, nullptr), Start, End).has_value());
	EXPECT_FALSE(Trace(Host::AddStaticMeshComponent(Owner, NewObject<UStaticMesh>()), Start, End).has_value());

	// Triangles but no body setup, then a body setup whose physics meshes are not made yet.
	UStaticMesh* Mesh = NewObject<UStaticMesh>();
	Host::SetMeshData(Mesh, Host::BuildPlane(5.f));
	UStaticMeshComponent* Component = Host::AddStaticMeshComponent(Owner, Mesh);
	EXPECT_FALSE(Trace(Component, Start, End).has_value());
	Mesh->CreateBodySetup();
	EXPECT_FALSE(Trace(Component, Start, End).has_value());
	Mesh->GetBodySetup()->CreatePhysicsMeshes();
	ExpectPoint(Trace(Component, Start, End), FVector(0, 0, 0));
	Mesh->GetBodySetup()->InvalidatePhysicsData();
	EXPECT_FALSE(Trace(Component, Start, End).has_value());
}

TEST_F(ComplexCollisionTrace, DamagedMeshesAndDegenerateSegmentsNeverHitFalsely)
{
	// One good triangle among an out-of-range index, a NaN corner, a degenerate one and a dangling index.
	Host::FMeshData Damaged;
	const float NaN = std::numeric_limits<float>::quiet_NaN();
	Damaged.Positions = {FVector3f(-1, -1, 0), FVector3f(1, -1, 0), FVector3f(0, 1, 0), FVector3f(NaN, 0, 0), FVector3f(5, 5, 5)};
	Damaged.Indices = {0, 1, 2, 0, 1, 99, 0, 1, 3, 4, 4, 4, 2};
	UStaticMeshComponent* Mesh = Place(Damaged, ECollisionSides::DoubleSided);
	ExpectPoint(Trace(Mesh, FVector(0, 0, 5), FVector(0, 0, -5)), FVector(0, 0, 0));
	EXPECT_FALSE(Trace(Mesh, FVector(5, 5, 10), FVector(5, 5, -10)).has_value());

	UStaticMeshComponent* Plane = Place(Host::BuildPlane(5.f), ECollisionSides::DoubleSided);
	EXPECT_FALSE(Trace(Plane, FVector(0, 0, 0), FVector(0, 0, 0)).has_value()) << "a zero-length segment";
	EXPECT_FALSE(Trace(Plane, FVector(NaN, 0, 5), FVector(0, 0, -5)).has_value());
	EXPECT_FALSE(Trace(Plane, FVector(-5, 0, 0), FVector(5, 0, 0)).has_value()) << "a segment within the plane does not cross it";
	ExpectPoint(Trace(Plane, FVector(0, 0, 1e12), FVector(0, 0, -1e12)), FVector(0, 0, 0), 1e-3);
}

TEST(HitResult, ConstructorsClearTheRecordButTheUninitialisingOne)
{
	for (const FHitResult& Hit : {FHitResult(), FHitResult(ForceInit), FHitResult(0.5f), FHitResult(FVector(1, 2, 3), FVector(4, 5, 6))})
	{
		EXPECT_EQ(FVector(Hit.ImpactPoint), FVector::ZeroVector);
		EXPECT_EQ(FVector(Hit.Location), FVector::ZeroVector);
		EXPECT_EQ(FVector(Hit.ImpactNormal), FVector::ZeroVector);
		EXPECT_EQ(Hit.FaceIndex, INDEX_NONE);
		EXPECT_FALSE(Hit.bBlockingHit);
	}
	EXPECT_TRUE(std::isnan(FHitResult(NoInit).ImpactPoint.X));
}

TEST(HostWorld, ActorLocationComponentWorldAndDebugLines)
{
	UWorld* World = Host::NewWorld();
	EXPECT_EQ(Host::SpawnActorWithoutRoot(World)->GetActorLocation(), FVector::ZeroVector);
	AActor* Actor = Host::SpawnActor(World, FVector(1, 2, 3));
	EXPECT_EQ(Actor->GetActorLocation(), FVector(1, 2, 3));
	EXPECT_EQ(Actor->GetWorld(), World);

	UStaticMeshComponent* Component = Host::AddStaticMeshComponent(Actor, nullptr);
	EXPECT_EQ(Component->GetWorld(), World);
	EXPECT_EQ(Component->GetOwner(), Actor);
	UStaticMeshComponent* Unregistered = NewObject<UStaticMeshComponent>(Actor);
	EXPECT_EQ(Unregistered->GetWorld(), World) << "found through the owner when none is cached";

	DrawDebugLine(World, FVector(1, 2, 3), FVector(4, 5, 6), FColor(0, 255, 0, 255), false, 20.1f, 0, 0.f);
	DrawDebugLine(World, FVector(0, 0, 0), FVector(0, 0, 1), FColor::Red, true, -1.f, 1, 2.f);
	DrawDebugLine(nullptr, FVector(0, 0, 0), FVector(0, 0, 1), FColor::Red);
	const TArray<Host::FDebugLine>& Lines = Host::GetDebugLines(World);
	ASSERT_EQ(Lines.Num(), 2);
	EXPECT_EQ(Lines[0].Start, FVector(1, 2, 3));
	EXPECT_EQ(Lines[0].End, FVector(4, 5, 6));
	EXPECT_EQ(Lines[0].Color, FColor::Green);
	EXPECT_FALSE(Lines[0].bPersistentLines);
	EXPECT_EQ(Lines[0].LifeTime, 20.1f);
	EXPECT_EQ(Lines[1].DepthPriority, 1);
	EXPECT_EQ(Lines[1].Thickness, 2.f);
	FlushPersistentDebugLines(World);
	EXPECT_EQ(Host::GetDebugLines(World).Num(), 1);
}
