#include "FittingTestHelpers.h"
#include "Engine/StaticMesh.h"
#include "GroomFitting.h"
#include "Host/Log.h"
#include "PhysicsEngine/BodySetup.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>

using namespace FittingTest;

namespace
{
	const std::vector<std::string> SurfaceNormalMode = {"Using surface normal projection to fit groom"};
	const std::vector<std::string> SphericalMode = {"Using shperical projection to fit groom"};
	const std::string MissWarning = "no Hit detected, this should not happen";

	// A seed after which rand()'s next value has these low 15 bits.
	unsigned SeedGiving(int32 LowBits)
	{
		for (unsigned Seed = 1; Seed < (1u << 24); ++Seed)
		{
			srand(Seed);
			if ((rand() & 0x7FFF) == LowBits)
			{
				return Seed;
			}
		}
		ADD_FAILURE() << "no seed gives " << LowBits;
		return 1;
	}
}

class FitRecord : public FitWorld
{
};

TEST_F(FitRecord, SurfaceNormalProjectionPutsRootsOnThePlaneRelativeToTheActor)
{
	UCountingMeshComponent* Plane = PlaceMesh(Host::BuildPlane(50.f, 2));
	for (const FVector ActorLocation : {FVector(0, 0, 0), FVector(5, 5, 5)})
	{
		GroomData Groom = MakeGroom({{{1, 2, 2}, {1, 2, 3}}, {{-4, 3, -1}, {-4, 4, -1}, {-4, 5, -2}}}, {0, 0, 1, 0, 0, -3});
		Host::FScopedLogCapture Log;
		ASSERT_TRUE(GroomFitting::FitRecord(Groom, Plane, FVector::ZeroVector, ActorLocation));
		EXPECT_EQ(Log.TextsAt(ELogVerbosity::Error), SurfaceNormalMode);
		EXPECT_TRUE(Log.TextsAt(ELogVerbosity::Warning).empty());
		const FVector3f L(ActorLocation);
		EXPECT_POINT_NEAR(Groom, 0, 1 - L.X, 2 - L.Y, 0 - L.Z);
		EXPECT_POINT_NEAR(Groom, 1, 1 - L.X, 2 - L.Y, 1 - L.Z);
		EXPECT_POINT_NEAR(Groom, 2, -4 - L.X, 3 - L.Y, 0 - L.Z);
		EXPECT_POINT_NEAR(Groom, 3, -4 - L.X, 4 - L.Y, 0 - L.Z);
		EXPECT_POINT_NEAR(Groom, 4, -4 - L.X, 5 - L.Y, -1 - L.Z);
	}
}

TEST_F(FitRecord, RootAlreadyOnTheSurfaceStaysWhenOriginIsTheActorLocation)
{
	UCountingMeshComponent* Plane = PlaceMesh(Host::BuildPlane(50.f), FTransform(FVector(0, 0, 7)));
	const FVector Location(10, 20, 7);
	GroomData Groom = MakeGroom({{{1.25f, 2.5f, 0}, {1.25f, 2.5f, 3.75f}}}, {0, 0.6f, 0.8f});
	const GroomData Before = Groom;
	ASSERT_TRUE(GroomFitting::FitRecord(Groom, Plane, Location, Location));
	ExpectPositionsNear(Groom, Before);
}

TEST_F(FitRecord, TheCrossingNearestTheStartOfTheSegmentWins)
{
	// Planes 2 units behind and 2 units in front of the root: the one behind it, along the normal, wins.
	UCountingMeshComponent* Layers = PlaceMesh(Combined(Host::Translated(Host::BuildPlane(10.f), FVector3f(0, 0, -2)),
	                                                    Host::Translated(Host::BuildPlane(10.f), FVector3f(0, 0, 2))));
	GroomData Groom = MakeGroom({{{0, 0, 0}, {0, 0, 1}}, {{1, 1, 0}}}, {0, 0, 1, 0, 0, -1});
	ASSERT_TRUE(GroomFitting::FitRecord(Groom, Layers, FVector::ZeroVector, FVector::ZeroVector));
	EXPECT_POINT_NEAR(Groom, 0, 0, 0, -2);
	EXPECT_POINT_NEAR(Groom, 1, 0, 0, -1);
	EXPECT_POINT_NEAR(Groom, 2, 1, 1, 2);
}

TEST_F(FitRecord, SphericalProjectionShootsFromOriginTowardsEachRoot)
{
	// A box of half size 10 around origin: the root (3, 4, 0) looks at the face y = 10, at (7.5, 10, 0).
	const FVector Origin(100, -50, 20);
	UCountingMeshComponent* Box = PlaceMesh(Host::BuildBox(FVector3f(10, 10, 10)), FTransform(Origin));
	const FVector ActorLocation(1, 2, 3);
	GroomData Groom = MakeGroom({{{3, 4, 0}, {3, 5, 0}}, {{0, 0, -1}, {0.5f, 0, -2}}}, {1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 1});
	Host::FScopedLogCapture Log;
	ASSERT_TRUE(GroomFitting::FitRecord(Groom, Box, Origin, ActorLocation));
	EXPECT_EQ(Log.TextsAt(ELogVerbosity::Error), SphericalMode);
	EXPECT_POINT_NEAR(Groom, 0, 107.5f - 1, -40 - 2, 20 - 3);
	EXPECT_POINT_NEAR(Groom, 1, 107.5f - 1, -39 - 2, 20 - 3);
	EXPECT_POINT_NEAR(Groom, 2, 100 - 1, -50 - 2, 10 - 3);
	EXPECT_POINT_NEAR(Groom, 3, 100.5f - 1, -50 - 2, 9 - 3);
}

TEST_F(FitRecord, AMissWarnsAndLeavesTheStrandWhereItWas)
{
	// The box's faces lie 25 units out, beyond the 20-unit rays.
	UCountingMeshComponent* Box = PlaceMesh(Host::BuildBox(FVector3f(25, 25, 25)));
	GroomData Groom = MakeGroom({{{3, 4, 0}, {3, 4, 1}}, {{0, 0, 0}}});
	const GroomData Before = Groom;
	UWorld* BoxWorld = Box->GetWorld();
	Host::FScopedLogCapture Log;
	ASSERT_TRUE(GroomFitting::FitRecord(Groom, Box, FVector::ZeroVector, FVector(1, 1, 1)));
	EXPECT_EQ(Groom.positions, Before.positions);
	EXPECT_EQ(Log.TextsAt(ELogVerbosity::Warning), std::vector<std::string>(2, MissWarning));
	EXPECT_EQ(Host::GetDebugLines(BoxWorld).Num(), 0);
}

TEST_F(FitRecord, ModeFollowsWholeNormalCountAgainstCurveCount)
{
	UCountingMeshComponent* Plane = PlaceMesh(Host::BuildPlane(50.f));
	struct FCase
	{
		std::vector<float> Normals;
		const std::vector<std::string>& Mode;
	};
	const FCase Cases[] = {
	    {{0, 0, 1, 0, 0, 1}, SurfaceNormalMode},
	    {{0, 0, 1, 0, 0, 1, 0}, SurfaceNormalMode},            // 7 floats: 2 whole normals
	    {{0, 0, 1, 0, 0, 1, 0, 0}, SurfaceNormalMode},         // 8 floats: still 2
	    {{0, 0, 1, 0, 0}, SphericalMode},                      // 5 floats: 1 normal
	    {{}, SphericalMode},                                   // curves but no normals
	    {{0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}, SphericalMode}, // one normal per point
	};
	for (const FCase& Case : Cases)
	{
		GroomData Groom = MakeGroom({{{1, 1, 1}, {1, 1, 2}}, {{2, 2, 1}, {2, 2, 2}}}, Case.Normals);
		Host::FScopedLogCapture Log;
		ASSERT_TRUE(GroomFitting::FitRecord(Groom, Plane, FVector::ZeroVector, FVector::ZeroVector));
		EXPECT_EQ(Log.TextsAt(ELogVerbosity::Error), Case.Mode) << Case.Normals.size() << " normal floats";
	}

	// No curves and no normals: surface-normal mode, no trace, nothing changed.
	GroomData Empty;
	Host::FScopedLogCapture Log;
	Plane->NumTraces = 0;
	ASSERT_TRUE(GroomFitting::FitRecord(Empty, Plane, FVector::ZeroVector, FVector::ZeroVector));
	EXPECT_EQ(Log.TextsAt(ELogVerbosity::Error), SurfaceNormalMode);
	EXPECT_EQ(Plane->NumTraces, 0);
}

TEST_F(FitRecord, OneComplexTaggedTracePerStrandWithPoints)
{
	UCountingMeshComponent* Plane = PlaceMesh(Host::BuildPlane(50.f));
	GroomData Groom;
	for (int32 Strand = 0; Strand < 1000; ++Strand)
	{
		Groom.vertexCounts.push_back(Strand == 500 ? 0 : 20);
		Groom.surfaceNormals.insert(Groom.surfaceNormals.end(), {0, 0, 1});
		for (int32 Point = 0; Point < (Strand == 500 ? 0 : 20); ++Point)
		{
			Groom.positions.insert(Groom.positions.end(), {float(Strand % 40), float(Strand / 40), float(1 + Point)});
		}
	}
	ASSERT_TRUE(GroomFitting::FitRecord(Groom, Plane, FVector::ZeroVector, FVector::ZeroVector));
	EXPECT_EQ(Plane->NumTraces, 999) << "the strand without points is passed over";
	EXPECT_EQ(Plane->LastParams.TraceTag, FName(TEXT("Kestrova Comp Trace")));
	EXPECT_TRUE(Plane->LastParams.bTraceComplex);
	EXPECT_EQ(Plane->LastParams.GetIgnoredActors().Num(), 0);
	// Strands after the empty one still start at the right point.
	EXPECT_POINT_NEAR(Groom, 501 * 20 - 20, 501 % 40, 501 / 40, 0);
	EXPECT_POINT_NEAR(Groom, 999 * 20 - 1, 999 % 40, 999 / 40, 19);
}

TEST_F(FitRecord, CountsThatDoNotFitThePointsStopBeforeAnyTrace)
{
	UCountingMeshComponent* Plane = PlaceMesh(Host::BuildPlane(50.f));
	const std::vector<std::vector<int32_t>> BadCounts = {{2, -1, 1}, {2, 3}, {-2147483647 - 1}, {2147483647, 2147483647}};
	for (const auto& Counts : BadCounts)
	{
		GroomData Groom = MakeGroom({{{1, 1, 1}, {1, 1, 2}}, {{2, 2, 1}, {2, 2, 2}}});
		Groom.vertexCounts = Counts;
		const GroomData Before = Groom;
		Host::FScopedLogCapture Log;
		EXPECT_FALSE(GroomFitting::FitRecord(Groom, Plane, FVector::ZeroVector, FVector::ZeroVector));
		EXPECT_EQ(Log.TextsAt(ELogVerbosity::Error).size(), 1u);
		EXPECT_EQ(Plane->NumTraces, 0);
		EXPECT_EQ(Groom.positions, Before.positions);
	}
}

TEST_F(FitRecord, ComponentTraceReportsAHitAtTheWorldOrigin)
{
	UCountingMeshComponent* Plane = PlaceMesh(Host::BuildPlane(5.f));
	bool bHit = false;
	EXPECT_EQ(ComponentTrace(FVector(0, 0, 5), FVector(0, 0, -5), Plane, &bHit), FVector::ZeroVector);
	EXPECT_TRUE(bHit);
	EXPECT_EQ(ComponentTrace(FVector(0, 0, 5), FVector(0, 0, 1), Plane, &bHit), FVector::ZeroVector);
	EXPECT_FALSE(bHit);

	// Fitted through the driver, that root lands at the origin minus the actor location.
	GroomData Groom = MakeGroom({{{0, 0, 3}, {0, 0, 4}}}, {0, 0, 1});
	ASSERT_TRUE(GroomFitting::FitRecord(Groom, Plane, FVector::ZeroVector, FVector(1, 2, 3)));
	EXPECT_POINT_NEAR(Groom, 0, -1, -2, -3);

	Host::FScopedLogCapture Log;
	EXPECT_EQ(ComponentTrace(FVector(0, 0, 5), FVector(0, 0, -5), nullptr, &bHit), FVector::ZeroVector);
	EXPECT_FALSE(bHit);
	EXPECT_EQ(Log.TextsAt(ELogVerbosity::Error).size(), 1u);
}

TEST_F(FitRecord, DebugLinesFollowTheRandomDrawAndMissesDrawNone)
{
	UCountingMeshComponent* Plane = PlaceMesh(Host::BuildPlane(5.f));
	UWorld* PlaneWorld = Plane->GetWorld();
	const FVector Start(1, 2, 5), End(1, 2, -5);
	struct FCase
	{
		int32 LowBits;
		bool bDraws;
	};
	for (const FCase Case : {FCase{32118, false}, FCase{32119, true}, FCase{32767, true}, FCase{0, false}})
	{
		Host::ClearDebugLines(PlaneWorld);
		const unsigned Seed = SeedGiving(Case.LowBits);

		// A miss neither draws nor takes a value from the generator.
		srand(Seed);
		ComponentTrace(Start, FVector(1, 2, 4), Plane);
		EXPECT_EQ(Host::GetDebugLines(PlaneWorld).Num(), 0);
		EXPECT_EQ(rand() & 0x7FFF, Case.LowBits);

		srand(Seed);
		ComponentTrace(Start, End, Plane);
		const TArray<Host::FDebugLine>& Lines = Host::GetDebugLines(PlaneWorld);
		ASSERT_EQ(Lines.Num(), Case.bDraws ? 1 : 0) << "r = " << Case.LowBits;
		if (Case.bDraws)
		{
			EXPECT_EQ(Lines[0].Start, Start);
			EXPECT_TRUE(Lines[0].End.Equals(FVector(1, 2, 0), 1e-5)) << TCHAR_TO_UTF8(*Lines[0].End.ToString());
			EXPECT_EQ(Lines[0].Color, FColor(0, 255, 0, 255));
			EXPECT_FALSE(Lines[0].bPersistentLines);
			EXPECT_EQ(Lines[0].LifeTime, 20.1f);
			EXPECT_EQ(Lines[0].DepthPriority, 0);
			EXPECT_EQ(Lines[0].Thickness, 0.f);
		}
		// Exactly one value per hit.
		srand(Seed);
		rand();
		const int32 Second = rand();
		srand(Seed);
		ComponentTrace(Start, End, Plane);
		EXPECT_EQ(rand(), Second);
	}
}

namespace
{
	// Strands in 26 directions around a head centred on the origin: with normals, roots 10 units out
	// along them (a surface-normal segment then spans 5 to 15, across the head's surface); without, roots
	// 3 units out (a spherical segment from the origin reaches 20). Either way every segment leaves the
	// head from inside, as the fit's segments do on a real head.
	GroomData GroomAroundHead(bool bWithNormals)
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
					const FVector3f Root = Direction * (bWithNormals ? 10.f : 3.f);
					const FVector3f Tip = Root + Direction;
					Groom.vertexCounts.push_back(2);
					Groom.positions.insert(Groom.positions.end(), {Root.X, Root.Y, Root.Z, Tip.X, Tip.Y, Tip.Z});
					if (bWithNormals)
					{
						Groom.surfaceNormals.insert(Groom.surfaceNormals.end(), {Direction.X, Direction.Y, Direction.Z});
					}
				}
			}
		}
		return Groom;
	}

	bool Contains(const std::string& Text, const FString& Part)
	{
		return Text.find(TCHAR_TO_UTF8(*Part)) != std::string::npos;
	}
}

TEST_F(FitRecord, SingleSidedHeadWarnsOnceThenEveryStrandMisses)
{
	UCountingMeshComponent* Head = PlaceMesh(Host::BuildHead(3000), FTransform::Identity, Host::ECollisionSides::SingleSided);
	for (const bool bWithNormals : {true, false})
	{
		GroomData Groom = GroomAroundHead(bWithNormals);
		const GroomData Before = Groom;
		Host::FScopedLogCapture Log;
		ASSERT_TRUE(GroomFitting::FitRecord(Groom, Head, FVector::ZeroVector, FVector::ZeroVector));
		const std::vector<std::string> Warnings = Log.TextsAt(ELogVerbosity::Warning);
		ASSERT_EQ(Warnings.size(), 27u);
		EXPECT_TRUE(Contains(Warnings[0], Head->GetStaticMesh()->GetPathName())) << Warnings[0];
		EXPECT_TRUE(Contains(Warnings[0], TEXT("single-sided")) && Contains(Warnings[0], TEXT("Turn on Double Sided Geometry in the mesh's collision settings")) &&
		            Contains(Warnings[0], TEXT("SkeletalMeshToStaticMesh")))
		    << Warnings[0];
		EXPECT_EQ(std::vector<std::string>(Warnings.begin() + 1, Warnings.end()), std::vector<std::string>(26, MissWarning));
		EXPECT_EQ(Groom.positions, Before.positions);
		EXPECT_EQ(Head->NumTraces, 26) << "the fit still traces every strand";
		Head->NumTraces = 0;
	}
}

TEST_F(FitRecord, DoubleSidedHeadTakesEveryRootWithoutAWarning)
{
	UCountingMeshComponent* Head = PlaceMesh(Host::BuildHead(3000), FTransform::Identity, Host::ECollisionSides::DoubleSided);
	for (const bool bWithNormals : {true, false})
	{
		GroomData Groom = GroomAroundHead(bWithNormals);
		const GroomData Before = Groom;
		Host::FScopedLogCapture Log;
		ASSERT_TRUE(GroomFitting::FitRecord(Groom, Head, FVector::ZeroVector, FVector::ZeroVector));
		EXPECT_TRUE(Log.TextsAt(ELogVerbosity::Warning).empty());
		for (int32 Strand = 0; Strand < 26; ++Strand)
		{
			// Each root moved along its own direction, onto the head's surface some 7 to 14 units out.
			const FVector Root(Point(Groom, 2 * Strand)), Direction = FVector(Point(Before, 2 * Strand)).GetSafeNormal();
			EXPECT_LT((Root ^ Direction).Size(), 1e-4) << "strand " << Strand;
			EXPECT_GT(Root | Direction, 7.0) << "strand " << Strand;
			EXPECT_LT(Root | Direction, 14.0) << "strand " << Strand;
		}
	}
}

TEST_F(FitRecord, WarnsFromWhatTheTracesReallyMeetNotOnlyTheSidesOfTheMesh)
{
	// A double-sided head whose complex traces meet no triangle, or meet its simple shapes instead.
	const GroomData Source = GroomAroundHead(true);
	UCountingMeshComponent* Head = PlaceMesh(Host::BuildHead(3000));
	UStaticMesh* Mesh = Head->GetStaticMesh();
	UBodySetup* BodySetup = Mesh->GetBodySetup();
	const auto Recook = [BodySetup]()
	{
		BodySetup->InvalidatePhysicsData();
		BodySetup->CreatePhysicsMeshes();
	};
	// The first warning, how many strands missed, and whether the groom was left as it was.
	const auto Fit = [&Source, Head]()
	{
		GroomData Groom = Source;
		Host::FScopedLogCapture Log;
		EXPECT_TRUE(GroomFitting::FitRecord(Groom, Head, FVector::ZeroVector, FVector::ZeroVector));
		const std::vector<std::string> Warnings = Log.TextsAt(ELogVerbosity::Warning);
		const size_t Misses = static_cast<size_t>(std::count(Warnings.begin(), Warnings.end(), MissWarning));
		return std::make_tuple(Warnings.empty() || Warnings[0] == MissWarning ? std::string() : Warnings[0], Misses, Groom.positions == Source.positions);
	};

	// Its triangles come from a complex collision mesh that has none.
	Mesh->ComplexCollisionMesh = NewObject<UStaticMesh>();
	Recook();
	auto [Warning, Misses, bUnmoved] = Fit();
	EXPECT_TRUE(Contains(Warning, Mesh->GetPathName()) && Contains(Warning, TEXT("has no triangles"))) << Warning;
	EXPECT_EQ(Misses, 26u);
	EXPECT_TRUE(bUnmoved);

	// From another head, under this mesh's double-sided body: every strand lands, nothing to say.
	Mesh->ComplexCollisionMesh = Host::NewStaticMesh(Host::BuildHead(2000), Host::ECollisionSides::SingleSided);
	Recook();
	std::tie(Warning, Misses, bUnmoved) = Fit();
	EXPECT_EQ(Warning, "");
	EXPECT_EQ(Misses, 0u);
	Mesh->ComplexCollisionMesh = nullptr;

	// Collision off in its only section.
	Mesh->GetRenderData()->LODResources[0].Sections[0].bEnableCollision = false;
	Recook();
	std::tie(Warning, Misses, bUnmoved) = Fit();
	EXPECT_TRUE(Contains(Warning, TEXT("has no triangles"))) << Warning;
	EXPECT_EQ(Misses, 26u);
	Mesh->GetRenderData()->LODResources[0].Sections[0].bEnableCollision = true;

	// Its simple collision stands in for complex: without shapes nothing is hit; with one, the strands land on it.
	BodySetup->CollisionTraceFlag = CTF_UseSimpleAsComplex;
	Recook();
	std::tie(Warning, Misses, bUnmoved) = Fit();
	EXPECT_TRUE(Contains(Warning, Mesh->GetPathName()) && Contains(Warning, TEXT("no simple shapes"))) << Warning;
	EXPECT_EQ(Misses, 26u);
	BodySetup->AggGeom.SphereElems.Add(FKSphereElem(30.f));
	Recook();
	std::tie(Warning, Misses, bUnmoved) = Fit();
	EXPECT_TRUE(Contains(Warning, TEXT("land on its simple shapes"))) << Warning;
	EXPECT_EQ(Misses, 0u);
	EXPECT_FALSE(bUnmoved);
}

TEST_F(FitRecord, ComponentWithNothingToHitWarnsOnceAndNamesIt)
{
	GroomData Groom = MakeGroom({{{1, 1, 1}, {1, 1, 2}}, {{2, 2, 1}}}, {0, 0, 1, 0, 0, 1});
	const auto ExpectOneWarningThenMisses = [&Groom](UStaticMeshComponent* Component, const FString& Named, const TCHAR* Saying)
	{
		Host::FScopedLogCapture Log;
		ASSERT_TRUE(GroomFitting::FitRecord(Groom, Component, FVector::ZeroVector, FVector::ZeroVector));
		const std::vector<std::string> Warnings = Log.TextsAt(ELogVerbosity::Warning);
		ASSERT_EQ(Warnings.size(), 3u);
		EXPECT_TRUE(Contains(Warnings[0], Named) && Contains(Warnings[0], Saying)) << Warnings[0];
		EXPECT_EQ(Warnings[1], MissWarning);
		EXPECT_EQ(Warnings[2], MissWarning);
	};

	UCountingMeshComponent* Plane = PlaceMesh(Host::BuildPlane(50.f));
	Plane->SetCollisionEnabled(ECollisionEnabled::NoCollision);
	ExpectOneWarningThenMisses(Plane, Plane->GetStaticMesh()->GetPathName(), TEXT("Turn the component's collision on"));
	Plane->SetCollisionEnabled(ECollisionEnabled::QueryAndPhysics);
	Plane->GetOwner()->SetActorEnableCollision(false);
	ExpectOneWarningThenMisses(Plane, Plane->GetStaticMesh()->GetPathName(), TEXT("Turn the component's collision on"));

	UStaticMesh* WithoutBodySetup = NewObject<UStaticMesh>();
	Host::SetMeshData(WithoutBodySetup, Host::BuildPlane(50.f));
	Plane->SetStaticMesh(WithoutBodySetup);
	Plane->GetOwner()->SetActorEnableCollision(true);
	ExpectOneWarningThenMisses(Plane, WithoutBodySetup->GetPathName(), TEXT("make the mesh with SkeletalMeshToStaticMesh"));

	Plane->SetStaticMesh(nullptr);
	ExpectOneWarningThenMisses(Plane, Plane->GetPathName(), TEXT("has no static mesh"));

	// Nothing to trace, nothing to say.
	GroomData Empty;
	Host::FScopedLogCapture Log;
	ASSERT_TRUE(GroomFitting::FitRecord(Empty, Plane, FVector::ZeroVector, FVector::ZeroVector));
	EXPECT_TRUE(Log.TextsAt(ELogVerbosity::Warning).empty());
}
