#include "FitQualityTestHelpers.h"

#include <cmath>
#include <random>

using namespace FitQualityTest;

namespace
{
	// How far the tessellated sphere of 48 rings x 96 segments lies inside the true one, at most.
	constexpr double SphereSag = 10.0 * (1.0 - 0.9973);

	using MeshQuery = FitQualityWorld;
}

TEST_F(MeshQuery, NearestPointOnASphereLiesOnItsRadiusWithTheOutwardNormal)
{
	const FVector Centre(3, -2, 50);
	const auto Query = this->Query(Place(Sphere(10.f), FTransform(Centre)));
	ASSERT_TRUE(Query);
	std::mt19937 Random(5);
	std::normal_distribution<double> Gaussian;
	for (int32 Sample = 0; Sample < 200; ++Sample)
	{
		const FVector Direction = FVector(Gaussian(Random), Gaussian(Random), Gaussian(Random)).GetSafeNormal();
		const double Distance = 2.0 + 20.0 * std::abs(Gaussian(Random));
		FVector Nearest, Normal;
		ASSERT_TRUE(Query->NearestPoint(Centre + Direction * Distance, Nearest, Normal));
		EXPECT_NEAR((Nearest - Centre).Size(), 10.0, SphereSag);
		EXPECT_LT(((Nearest - Centre).GetSafeNormal() - Direction).Size(), 0.05) << "at distance " << Distance;
		EXPECT_GT(Normal | Direction, 0.995);
		EXPECT_NEAR(Normal.Size(), 1.0, 1e-9);
	}
}

TEST_F(MeshQuery, NearestPointOnABoxIsTheClosedFormProjection)
{
	const auto Query = this->Query(Place(Box(FVector3f(1.f, 2.f, 3.f))));
	ASSERT_TRUE(Query);
	struct FCase
	{
		FVector Point, Nearest, Normal;
	};
	const FCase Cases[] = {
	    {FVector(5, 0.3, 0.2), FVector(1, 0.3, 0.2), FVector(1, 0, 0)},
	    {FVector(0.2, -7, 1), FVector(0.2, -2, 1), FVector(0, -1, 0)},
	    {FVector(0.1, 0.2, 2.5), FVector(0.1, 0.2, 3), FVector(0, 0, 1)}, // inside, nearest the top
	    {FVector(-0.8, 0.5, 0), FVector(-1, 0.5, 0), FVector(-1, 0, 0)},  // inside, nearest the -X face
	    {FVector(4, 5, 9), FVector(1, 2, 3), FVector::ZeroVector},        // beyond a corner
	};
	for (const FCase& Case : Cases)
	{
		FVector Nearest, Normal;
		ASSERT_TRUE(Query->NearestPoint(Case.Point, Nearest, Normal));
		EXPECT_TRUE(Nearest.Equals(Case.Nearest, 1e-6)) << TCHAR_TO_UTF8(*Nearest.ToString());
		if (!Case.Normal.IsZero())
		{
			EXPECT_TRUE(Normal.Equals(Case.Normal, 1e-9)) << TCHAR_TO_UTF8(*Normal.ToString());
		}
	}
}

TEST_F(MeshQuery, InsideCountsOnASphereAndABoxMatchTheClosedForm)
{
	const auto SphereQuery = this->Query(Place(Sphere(10.f)));
	const auto BoxQuery = this->Query(Place(Box(FVector3f(1.f, 2.f, 3.f)), FTransform(FVector(100, 0, 0))));
	ASSERT_TRUE(SphereQuery && BoxQuery);
	std::mt19937 Random(9);
	std::uniform_real_distribution<double> Coordinate(-14.0, 14.0);
	int32 SphereInside = 0, SphereExpected = 0, BoxInside = 0, BoxExpected = 0;
	for (int32 Sample = 0; Sample < 20000; ++Sample)
	{
		const FVector P(Coordinate(Random), Coordinate(Random), Coordinate(Random));
		// Clear of the tessellation's sag, the true sphere decides.
		if (std::abs(P.Size() - 10.0) > SphereSag + 1e-6)
		{
			SphereExpected += P.Size() < 10.0 ? 1 : 0;
			SphereInside += SphereQuery->IsInside(P) ? 1 : 0;
		}
		const FVector B = P * 0.25;
		if (std::abs(B.X) != 1.0 && std::abs(B.Y) != 2.0 && std::abs(B.Z) != 3.0)
		{
			BoxExpected += std::abs(B.X) < 1.0 && std::abs(B.Y) < 2.0 && std::abs(B.Z) < 3.0 ? 1 : 0;
			BoxInside += BoxQuery->IsInside(B + FVector(100, 0, 0)) ? 1 : 0;
		}
	}
	EXPECT_GT(SphereExpected, 1000);
	EXPECT_EQ(SphereInside, SphereExpected);
	EXPECT_GT(BoxExpected, 1000);
	EXPECT_EQ(BoxInside, BoxExpected);
}

TEST_F(MeshQuery, TheComponentTransformAndTheBuildScalePlaceTheSurface)
{
	const FTransform Placement(FRotator(0, 90, 0), FVector(10, 20, 30), FVector(2, 2, 2));
	UStaticMeshComponent* Component = Host::AddStaticMeshComponent(Host::SpawnActor(World), MakeStaticMesh(Box(), FVector(1, 1, 3)), Placement);
	const auto Query = this->Query(Component);
	ASSERT_TRUE(Query);
	// Local box of half extents (1, 1, 3) after the build, then doubled and turned 90 degrees about Z.
	FVector Nearest, Normal;
	ASSERT_TRUE(Query->NearestPoint(FVector(10, 20, 30) + FVector(0, 0, 50), Nearest, Normal));
	EXPECT_TRUE(Nearest.Equals(FVector(10, 20, 36), 1e-5)) << TCHAR_TO_UTF8(*Nearest.ToString());
	EXPECT_TRUE(Normal.Equals(FVector(0, 0, 1), 1e-9));
	ASSERT_TRUE(Query->NearestPoint(FVector(10, 20, 30) + FVector(0, 50, 0), Nearest, Normal));
	EXPECT_TRUE(Nearest.Equals(FVector(10, 22, 30), 1e-5)) << TCHAR_TO_UTF8(*Nearest.ToString());
	EXPECT_TRUE(Query->IsInside(FVector(10, 20, 35.5)));
	EXPECT_FALSE(Query->IsInside(FVector(10, 20, 36.5)));
}

TEST_F(MeshQuery, AMeshKeepsItsQueryUntilItOrItsPlaceChanges)
{
	const auto First = Query(Place(Box()));
	// The same triangles in the same place, even on another component, are the same surface.
	EXPECT_EQ(Query(Place(Box())), First);
	const auto Moved = Query(Place(Box(), FTransform(FVector(0, 0, 0.5))));
	ASSERT_TRUE(Moved);
	EXPECT_NE(Moved, First);
	EXPECT_TRUE(Moved->IsInside(FVector(0, 0, 1.25)));
	EXPECT_FALSE(First->IsInside(FVector(0, 0, 1.25)));
	const auto Larger = Query(Place(Box(FVector3f(1.f, 1.f, 2.f))));
	ASSERT_TRUE(Larger);
	EXPECT_NE(Larger, First);
	EXPECT_TRUE(Larger->IsInside(FVector(0, 0, 1.5)));
}

TEST_F(MeshQuery, AMeshTurnedInsideOutStillHasAnInsideAndOutwardNormals)
{
	const auto Query = this->Query(Place(Host::Reversed(Host::BuildSphere(10.f, 24, 48))));
	ASSERT_TRUE(Query);
	EXPECT_TRUE(Query->IsInside(FVector(1, 2, 3)));
	EXPECT_FALSE(Query->IsInside(FVector(11, 0, 0)));
	FVector Nearest, Normal;
	ASSERT_TRUE(Query->NearestPoint(FVector(0, 0, 30), Nearest, Normal));
	EXPECT_GT(Normal.Z, 0.99);
}

TEST_F(MeshQuery, AHeadWithASmallHoleKeepsItsInside)
{
	const Host::FMeshData Closed = Sphere(10.f, 24, 48);
	// Two neighbouring triangles of a band at the equator.
	const int32 Equator = 48 + 2 * 48 * 11;
	const auto Query = this->Query(Place(WithoutTriangles(Closed, {Equator, Equator + 1})));
	ASSERT_TRUE(Query);
	EXPECT_TRUE(Query->IsInside(FVector(0, 0, 0)));
	EXPECT_TRUE(Query->IsInside(FVector(0, 0, 9)));
	EXPECT_FALSE(Query->IsInside(FVector(0, 0, 11)));
	int32 Inside = 0;
	for (int32 Step = 0; Step < 360; ++Step)
	{
		const double Angle = FMath::DegreesToRadians(static_cast<double>(Step));
		Inside += Query->IsInside(FVector(9.0 * std::cos(Angle), 9.0 * std::sin(Angle), 0.0)) ? 1 : 0;
		EXPECT_FALSE(Query->IsInside(FVector(11.0 * std::cos(Angle), 11.0 * std::sin(Angle), 0.0))) << Step;
	}
	EXPECT_EQ(Inside, 360);
}

TEST_F(MeshQuery, BadMeshesAreRefusedWithTheReason)
{
	FString Error;
	EXPECT_FALSE(GroomFitting::GetMeshQuery(nullptr, Error));
	EXPECT_EQ(Error, FString(TEXT("there is no mesh component")));

	UStaticMeshComponent* NoMesh = Host::AddStaticMeshComponent(Host::SpawnActor(World), nullptr);
	EXPECT_FALSE(GroomFitting::GetMeshQuery(NoMesh, Error));
	EXPECT_EQ(Error, FString(TEXT("the component has no static mesh")));

	Host::FMeshData NoTriangles = Box();
	NoTriangles.Indices.Reset();
	EXPECT_FALSE(GroomFitting::GetMeshQuery(Place(NoTriangles), Error));
	EXPECT_NE(Error.Find(TEXT("has no triangles")), INDEX_NONE) << TCHAR_TO_UTF8(*Error);

	Host::FMeshData Flat;
	Flat.Positions = {FVector3f(0, 0, 0), FVector3f(1, 0, 0), FVector3f(2, 0, 0)};
	Flat.Indices = {0, 1, 2};
	EXPECT_FALSE(GroomFitting::GetMeshQuery(Place(Flat), Error));
	EXPECT_NE(Error.Find(TEXT("no triangle with an area")), INDEX_NONE) << TCHAR_TO_UTF8(*Error);

	Host::FMeshData NotFinite = Box();
	NotFinite.Positions[3].Y = std::numeric_limits<float>::quiet_NaN();
	EXPECT_FALSE(GroomFitting::GetMeshQuery(Place(NotFinite), Error));
	EXPECT_NE(Error.Find(TEXT("not finite")), INDEX_NONE) << TCHAR_TO_UTF8(*Error);
}

TEST_F(MeshQuery, AMeshWithoutADescriptionIsReadFromItsRenderData)
{
	UStaticMeshComponent* Component = Host::AddStaticMeshComponent(Host::SpawnActor(World), Host::NewStaticMesh(Box()), FTransform(FVector(0, 0, 5)));
	const auto Query = this->Query(Component);
	ASSERT_TRUE(Query);
	EXPECT_TRUE(Query->IsInside(FVector(0, 0, 5)));
	FVector Nearest, Normal;
	ASSERT_TRUE(Query->NearestPoint(FVector(0, 0, 9), Nearest, Normal));
	EXPECT_TRUE(Nearest.Equals(FVector(0, 0, 6), 1e-6));
}

TEST_F(MeshQuery, PointsThatAreNotFiniteHaveNoNearestPointAndAreNotInside)
{
	const auto Query = this->Query(Place(Box()));
	ASSERT_TRUE(Query);
	const FVector NaN(std::numeric_limits<double>::quiet_NaN(), 0, 0);
	FVector Nearest, Normal;
	EXPECT_FALSE(Query->NearestPoint(NaN, Nearest, Normal));
	EXPECT_FALSE(Query->IsInside(NaN));
	EXPECT_FALSE(Query->IsInside(FVector(0, std::numeric_limits<double>::infinity(), 0)));
}
