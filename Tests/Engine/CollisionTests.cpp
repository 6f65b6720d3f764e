// What a static mesh component's trace meets: the triangles its mesh's build and collision data give
// (build scale, LOD for collision, sections with collision, complex collision mesh), or its simple shapes,
// as the body setup's trace flag says; and what the hit record tells about it.

#include "CollisionQueryParams.h"
#include "Components/StaticMeshComponent.h"
#include "Engine/HitResult.h"
#include "Engine/StaticMesh.h"
#include "GameFramework/Actor.h"
#include "Host/Log.h"
#include "Host/MeshBuilders.h"
#include "Host/World.h"
#include "MeshAttributes.h"
#include "MeshDescription.h"
#include "MeshDescriptionToDynamicMesh.h"
#include "PhysicsEngine/BodySetup.h"
#include "StaticMeshAttributes.h"
#include "StaticMeshCompiler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <tuple>

namespace
{
	using Host::ECollisionSides;

	FCollisionQueryParams Query(bool bTraceComplex, bool bReturnFaceIndex = false)
	{
		FCollisionQueryParams Params(FName(TEXT("Collision Test")), bTraceComplex);
		Params.bReturnFaceIndex = bReturnFaceIndex;
		return Params;
	}

	// Body settings take effect when the physics meshes are made again, as after an edit in the editor.
	void Recook(UStaticMesh* Mesh)
	{
		Mesh->GetBodySetup()->InvalidatePhysicsData();
		Mesh->GetBodySetup()->CreatePhysicsMeshes();
	}

	void ExpectNear(const FVector& Actual, const FVector& Expected, double Tolerance = 1e-5)
	{
		EXPECT_NEAR(Actual.X, Expected.X, Tolerance) << TCHAR_TO_UTF8(*Actual.ToString());
		EXPECT_NEAR(Actual.Y, Expected.Y, Tolerance) << TCHAR_TO_UTF8(*Actual.ToString());
		EXPECT_NEAR(Actual.Z, Expected.Z, Tolerance) << TCHAR_TO_UTF8(*Actual.ToString());
	}

	class CollisionTrace : public ::testing::Test
	{
	protected:
		UWorld* World = Host::NewWorld();
		AActor* Owner = Host::SpawnActor(World);

		UStaticMeshComponent* Place(UStaticMesh* Mesh, const FTransform& Placement = FTransform::Identity)
		{
			return Host::AddStaticMeshComponent(Owner, Mesh, Placement);
		}

		// The hit of a segment straight down the Z axis at (X, Y), from Z = 20 to Z = -20.
		static std::optional<FHitResult> Down(UStaticMeshComponent* Component, double X, double Y, const FCollisionQueryParams& Params)
		{
			FHitResult Hit;
			if (!Component->LineTraceComponent(Hit, FVector(X, Y, 20), FVector(X, Y, -20), Params))
			{
				return std::nullopt;
			}
			return Hit;
		}
	};

	// A plane of Divisions x Divisions cells at height Z.
	Host::FMeshData PlaneAt(float HalfSize, int32 Divisions, float Z)
	{
		return Host::Translated(Host::BuildPlane(HalfSize, Divisions), FVector3f(0.f, 0.f, Z));
	}
}

TEST_F(CollisionTrace, BuildScaleScalesTheRenderDataAndTheCollisionButNotTheDescription)
{
	UStaticMesh* Mesh = Host::NewAuthoredStaticMesh(PlaneAt(10.f, 1, 1.f), ECollisionSides::SingleSided, FVector(2, 3, 4));
	UStaticMeshComponent* Component = Place(Mesh);

	const std::optional<FHitResult> Hit = Down(Component, 15, -25, Query(true));
	ASSERT_TRUE(Hit.has_value()) << "the plane reaches 20 along X and 30 along Y once scaled";
	ExpectNear(FVector(Hit->ImpactPoint), FVector(15, -25, 4));
	EXPECT_FALSE(Down(Component, 21, 0, Query(true)).has_value());

	const FPositionVertexBuffer& Render = Mesh->GetRenderData()->LODResources[0].VertexBuffers.PositionVertexBuffer;
	EXPECT_EQ(Render.VertexPosition(0), FVector3f(-20.f, -30.f, 4.f));
	const TVertexAttributesConstRef<FVector3f> Source = FMeshConstAttributes(*Mesh->GetMeshDescription(0)).GetVertexPositions();
	EXPECT_EQ(Source[FVertexID(0)], FVector3f(-10.f, -10.f, 1.f));
}

TEST_F(CollisionTrace, PolygonsAreBuiltAndConvertedAsTheirOwnTrianglesNotAFan)
{
	// A square with a notch cut down from its top edge to (2, 1): the corner (2, 1) is reflex, and a fan
	// from the first corner would cover the notch.
	FMeshDescription Description;
	FStaticMeshAttributes(Description).Register();
	const FVector3f Corners[] = {FVector3f(0, 0, 0), FVector3f(4, 0, 0), FVector3f(4, 4, 0), FVector3f(2, 1, 0), FVector3f(0, 4, 0)};
	TArray<FVertexInstanceID> Instances;
	for (const FVector3f& Corner : Corners)
	{
		const FVertexID Vertex = Description.CreateVertex();
		FStaticMeshAttributes(Description).GetVertexPositions()[Vertex] = Corner;
		Instances.Add(Description.CreateVertexInstance(Vertex));
	}
	const FPolygonID Polygon = Description.CreatePolygon(Description.CreatePolygonGroup(), Instances);
	ASSERT_EQ(Description.GetNumPolygonTriangles(Polygon), 3);
	double Area = 0.0;
	for (const FTriangleID Triangle : Description.GetPolygonTriangles(Polygon))
	{
		const TArrayView<const FVertexID> V = Description.GetTriangleVertices(Triangle);
		const FVector A(Corners[V[0].GetValue()]), B(Corners[V[1].GetValue()]), C(Corners[V[2].GetValue()]);
		const FVector Normal = (B - A) ^ (C - A);
		EXPECT_GT(Normal.Z, 0.0) << "every triangle keeps the polygon's winding";
		Area += 0.5 * Normal.Size();
	}
	EXPECT_DOUBLE_EQ(Area, 16.0 - 6.0) << "the triangles cover the polygon once, and not the notch";

	UE::Geometry::FDynamicMesh3 Converted;
	FMeshDescriptionToDynamicMesh().Convert(&Description, Converted);
	ASSERT_EQ(Converted.TriangleCount(), 3);
	double ConvertedArea = 0.0;
	for (const int Triangle : Converted.TriangleIndicesItr())
	{
		ConvertedArea += Converted.GetTriArea(Triangle);
		EXPECT_LT(Converted.GetTriNormal(Triangle).Z, 0.0) << "the engine's normal of a counter-clockwise triangle";
	}
	EXPECT_DOUBLE_EQ(ConvertedArea, 10.0);

	UStaticMesh* Mesh = NewObject<UStaticMesh>();
	Mesh->SetNumSourceModels(1);
	Mesh->CreateMeshDescription(0, Description);
	Mesh->CommitMeshDescription(0);
	Mesh->CreateBodySetup();
	Mesh->GetBodySetup()->bDoubleSidedGeometry = true;
	Mesh->Build(false);
	FStaticMeshCompilingManager::Get().FinishCompilation({Mesh});
	UStaticMeshComponent* Component = Place(Mesh);
	EXPECT_FALSE(Down(Component, 2, 2.5, Query(true)).has_value()) << "in the notch";
	EXPECT_TRUE(Down(Component, 3.5, 3, Query(true)).has_value());
	EXPECT_TRUE(Down(Component, 0.5, 3, Query(true)).has_value());
	EXPECT_TRUE(Down(Component, 2, 0.5, Query(true)).has_value());
}

TEST_F(CollisionTrace, FaceIndexCountsTheTrianglesOfTheSectionsWithCollision)
{
	// Section 0: a 2-triangle plane at Z = 1; section 1: an 8-triangle plane at Z = 0 of 10-wide cells.
	// A cell's triangles are its lower right half, then its upper left.
	UStaticMesh* Mesh = Host::NewAuthoredStaticMesh(TArray<TArray<Host::FMeshData>>{{PlaneAt(10.f, 1, 1.f), PlaneAt(10.f, 2, 0.f)}}, ECollisionSides::SingleSided);
	UStaticMeshComponent* Component = Place(Mesh);
	ASSERT_EQ(Mesh->GetRenderData()->LODResources[0].Sections.Num(), 2);

	std::optional<FHitResult> Hit = Down(Component, -7, -2, Query(true, true));
	ASSERT_TRUE(Hit.has_value());
	EXPECT_NEAR(Hit->ImpactPoint.Z, 1.0, 1e-6);
	EXPECT_EQ(Hit->FaceIndex, 1);
	EXPECT_EQ(Down(Component, 7, -2, Query(true, true))->FaceIndex, 0);
	EXPECT_EQ(Down(Component, 2, 7, Query(true, false))->FaceIndex, INDEX_NONE) << "only when the query asks";

	// Without collision on section 0, its triangles leave the list: the lower plane's are counted from 0.
	FMeshSectionInfo Info = Mesh->GetSectionInfoMap().Get(0, 0);
	Info.bEnableCollision = false;
	Mesh->GetSectionInfoMap().Set(0, 0, Info);
	Mesh->Build(false);
	FStaticMeshCompilingManager::Get().FinishCompilation({Mesh});
	for (const auto& [X, Y, Face] : {std::tuple(-7.0, -8.0, 0), std::tuple(-3.0, -2.0, 1), std::tuple(7.0, -2.0, 3), std::tuple(2.0, 7.0, 7), std::tuple(8.0, 7.0, 6)})
	{
		Hit = Down(Component, X, Y, Query(true, true));
		ASSERT_TRUE(Hit.has_value());
		ExpectNear(FVector(Hit->ImpactPoint), FVector(X, Y, 0));
		EXPECT_EQ(Hit->FaceIndex, Face) << X << ", " << Y;
	}
}

TEST_F(CollisionTrace, LodForCollisionAndComplexCollisionMeshChooseTheTriangles)
{
	UStaticMesh* Mesh = Host::NewAuthoredStaticMesh(TArray<TArray<Host::FMeshData>>{{PlaneAt(10.f, 1, 0.f)}, {PlaneAt(10.f, 1, 3.f)}}, ECollisionSides::SingleSided);
	UStaticMeshComponent* Component = Place(Mesh);
	EXPECT_NEAR(Down(Component, 1, 1, Query(true))->ImpactPoint.Z, 0.0, 1e-6);
	Mesh->SetLODForCollision(1);
	Recook(Mesh);
	EXPECT_NEAR(Down(Component, 1, 1, Query(true))->ImpactPoint.Z, 3.0, 1e-6);
	Mesh->SetLODForCollision(7);
	Recook(Mesh);
	EXPECT_NEAR(Down(Component, 1, 1, Query(true))->ImpactPoint.Z, 3.0, 1e-6) << "clamped to the last LOD";

	// Another mesh's triangles, that mesh's own LOD for collision, under this mesh's body settings.
	UStaticMesh* Stand = Host::NewAuthoredStaticMesh(TArray<TArray<Host::FMeshData>>{{PlaneAt(2.f, 1, 5.f)}, {PlaneAt(2.f, 1, 6.f)}}, ECollisionSides::SingleSided);
	Mesh->ComplexCollisionMesh = Stand;
	Recook(Mesh);
	EXPECT_NEAR(Down(Component, 1, 1, Query(true))->ImpactPoint.Z, 5.0, 1e-6);
	EXPECT_FALSE(Down(Component, 5, 5, Query(true)).has_value());
	FTriMeshCollisionData Data;
	ASSERT_TRUE(Mesh->GetPhysicsTriMeshData(&Data, false));
	EXPECT_EQ(Data.Indices.Num(), 2);
	EXPECT_TRUE(Data.bFlipNormals);

	// Meshes that name each other have no complex collision: an error, not a hang.
	Stand->ComplexCollisionMesh = Mesh;
	Host::FScopedLogCapture Log;
	Recook(Mesh);
	EXPECT_EQ(Log.TextsAt(ELogVerbosity::Error).size(), 1u);
	EXPECT_FALSE(Mesh->ContainsPhysicsTriMeshData(false));
	EXPECT_FALSE(Down(Component, 1, 1, Query(true)).has_value());
}

TEST_F(CollisionTrace, TheTraceFlagSaysWhatEachQueryMeets)
{
	// A plane at Z = 0 under a sphere of radius 1 at Z = 5, a box 2 wide at (6, 0, 3) and the hull of a
	// tetrahedron at (-6, 0, 0) with two points inside it.
	UStaticMesh* Mesh = Host::NewAuthoredStaticMesh(PlaneAt(10.f, 1, 0.f), ECollisionSides::SingleSided);
	UBodySetup* BodySetup = Mesh->GetBodySetup();
	FKSphereElem Sphere(1.f);
	Sphere.Center = FVector(0, 0, 5);
	BodySetup->AggGeom.SphereElems.Add(Sphere);
	FKBoxElem Box(2.f);
	Box.Center = FVector(6, 0, 3);
	Box.Rotation = FRotator(0, 45, 0);
	BodySetup->AggGeom.BoxElems.Add(Box);
	FKConvexElem Convex;
	Convex.VertexData = {FVector(0, 0, 0), FVector(2, 0, 0), FVector(0, 2, 0), FVector(0, 0, 2), FVector(0.2, 0.2, 0.2), FVector(0.5, 0.5, 0.1)};
	Convex.SetTransform(FTransform(FVector(-6, 0, 0)));
	BodySetup->AggGeom.ConvexElems.Add(Convex);
	UStaticMeshComponent* Component = Place(Mesh);

	// Simple and complex by default: complex queries meet the triangles, simple ones the shapes.
	Recook(Mesh);
	EXPECT_NEAR(Down(Component, 0, 0, Query(true))->ImpactPoint.Z, 0.0, 1e-6);
	std::optional<FHitResult> Hit = Down(Component, 0, 0, Query(false, true));
	ASSERT_TRUE(Hit.has_value());
	ExpectNear(FVector(Hit->ImpactPoint), FVector(0, 0, 6));
	ExpectNear(FVector(Hit->ImpactNormal), FVector(0, 0, 1));
	EXPECT_EQ(Hit->FaceIndex, INDEX_NONE) << "a simple shape has no face in the triangle list";
	Hit = Down(Component, 6.5, 0.2, Query(false));
	ASSERT_TRUE(Hit.has_value());
	EXPECT_NEAR(Hit->ImpactPoint.Z, 4.0, 1e-9) << "the box's top";
	EXPECT_TRUE(Down(Component, 6.0 + 1.3, 0, Query(false)).has_value()) << "within the turned box's corner";
	EXPECT_FALSE(Down(Component, 6.0 + 0.9, 0.9, Query(false)).has_value()) << "beside the turned box's edge";
	Hit = Down(Component, -5.5, 0.5, Query(false));
	ASSERT_TRUE(Hit.has_value());
	EXPECT_NEAR(Hit->ImpactPoint.Z, 1.0, 1e-9) << "the hull's slanted face x + y + z = 2";
	ExpectNear(FVector(Hit->ImpactNormal), FVector(1, 1, 1).GetSafeNormal());
	EXPECT_FALSE(Down(Component, -4.5, 0.6, Query(false)).has_value()) << "past the hull's slanted face";

	// A simple trace that starts in a shape meets it where it starts.
	FHitResult Inside;
	ASSERT_TRUE(Component->LineTraceComponent(Inside, FVector(0, 0, 5.5), FVector(10, 0, 5.5), Query(false)));
	EXPECT_TRUE(Inside.bStartPenetrating);
	EXPECT_EQ(Inside.Time, 0.f);
	ExpectNear(FVector(Inside.ImpactPoint), FVector(0, 0, 5.5));
	ExpectNear(FVector(Inside.ImpactNormal), FVector(-1, 0, 0));

	// Simple as complex: complex queries meet the shapes; without shapes, nothing.
	BodySetup->CollisionTraceFlag = CTF_UseSimpleAsComplex;
	EXPECT_NEAR(Down(Component, 0, 0, Query(true))->ImpactPoint.Z, 0.0, 1e-6) << "the cooked flag holds until the next cook";
	Recook(Mesh);
	EXPECT_NEAR(Down(Component, 0, 0, Query(true))->ImpactPoint.Z, 6.0, 1e-9);
	EXPECT_FALSE(Down(Component, 3, 3, Query(true)).has_value()) << "the plane is not there for complex queries";
	BodySetup->AggGeom.EmptyElements();
	Recook(Mesh);
	EXPECT_FALSE(Down(Component, 0, 0, Query(true)).has_value());
	EXPECT_FALSE(Down(Component, 0, 0, Query(false)).has_value());

	// Complex as simple: simple queries meet the triangles too.
	BodySetup->CollisionTraceFlag = CTF_UseComplexAsSimple;
	BodySetup->AggGeom.SphereElems.Add(Sphere);
	Recook(Mesh);
	EXPECT_NEAR(Down(Component, 0, 0, Query(false))->ImpactPoint.Z, 0.0, 1e-6);
	EXPECT_EQ(Down(Component, 1, -1, Query(false, true))->FaceIndex, 0);
}

TEST_F(CollisionTrace, SimpleShapesFollowTheComponentsPlacement)
{
	UStaticMesh* Mesh = Host::NewAuthoredStaticMesh(PlaneAt(10.f, 1, 0.f), ECollisionSides::SingleSided);
	FKSphereElem Sphere(1.f);
	Sphere.Center = FVector(0, 0, 5);
	Mesh->GetBodySetup()->AggGeom.SphereElems.Add(Sphere);
	FKBoxElem Box(2.f, 4.f, 6.f);
	Box.Center = FVector(10, 0, 0);
	Mesh->GetBodySetup()->AggGeom.BoxElems.Add(Box);
	Recook(Mesh);
	// Moved up 100, scaled 2 along X and 3 along Z: the sphere takes the smallest scale.
	UStaticMeshComponent* Component = Place(Mesh, FTransform(FRotator::ZeroRotator, FVector(0, 0, 100), FVector(2, 1, 3)));
	FHitResult Hit;
	ASSERT_TRUE(Component->LineTraceComponent(Hit, FVector(0, 0, 200), FVector(0, 0, 0), Query(false)));
	ExpectNear(FVector(Hit.ImpactPoint), FVector(0, 0, 116));
	ASSERT_TRUE(Component->LineTraceComponent(Hit, FVector(20, 0, 200), FVector(20, 0, 0), Query(false)));
	ExpectNear(FVector(Hit.ImpactPoint), FVector(20, 0, 109));
	ExpectNear(FVector(Hit.ImpactNormal), FVector(0, 0, 1));
	ASSERT_TRUE(Component->LineTraceComponent(Hit, FVector(0, 1, 100), FVector(40, 1, 100), Query(false)));
	ExpectNear(FVector(Hit.ImpactPoint), FVector(18, 1, 100));
	ExpectNear(FVector(Hit.ImpactNormal), FVector(-1, 0, 0));
}

TEST_F(CollisionTrace, ATriangleHitReportsTheFacesEngineNormalFromEitherSide)
{
	// The plane faces +Z: hit from above or, double-sided, from below, it reports +Z.
	UStaticMeshComponent* Plane = Place(Host::NewStaticMesh(Host::BuildPlane(10.f), ECollisionSides::DoubleSided));
	FHitResult Hit;
	ASSERT_TRUE(Plane->LineTraceComponent(Hit, FVector(1, 1, 5), FVector(1, 1, -5), Query(true)));
	ExpectNear(FVector(Hit.ImpactNormal), FVector(0, 0, 1), 1e-12);
	ASSERT_TRUE(Plane->LineTraceComponent(Hit, FVector(1, 1, -5), FVector(1, 1, 5), Query(true)));
	ExpectNear(FVector(Hit.ImpactNormal), FVector(0, 0, 1), 1e-12);
	EXPECT_EQ(FVector(Hit.Normal), FVector(Hit.ImpactNormal));

	// Placed turned and unevenly scaled, the normal is still square to the placed triangle, on the side
	// its corners run clockwise about.
	const Host::FMeshData Slope = {{FVector3f(0, 0, 0), FVector3f(4, 0, 1), FVector3f(0, 4, 2)}, {0, 2, 1}};
	const FTransform Placement(FRotator(30, 20, 10), FVector(50, 0, 0), FVector(1, 2, 0.5));
	UStaticMeshComponent* Placed = Place(Host::NewStaticMesh(Slope, ECollisionSides::DoubleSided), Placement);
	const FVector A = Placement.TransformPosition(FVector(Slope.Positions[0]));
	const FVector B = Placement.TransformPosition(FVector(Slope.Positions[2]));
	const FVector C = Placement.TransformPosition(FVector(Slope.Positions[1]));
	const FVector Centre = (A + B + C) / 3.0;
	const FVector EngineNormal = ((C - A) ^ (B - A)).GetSafeNormal();
	for (const double Side : {1.0, -1.0})
	{
		ASSERT_TRUE(Placed->LineTraceComponent(Hit, Centre + EngineNormal * (3 * Side), Centre - EngineNormal * (3 * Side), Query(true)));
		ExpectNear(FVector(Hit.ImpactNormal), EngineNormal, 1e-9);
		EXPECT_NEAR(FVector(Hit.ImpactNormal).Size(), 1.0, 1e-12);
	}
}

TEST_F(CollisionTrace, HullsOfPointsWithoutVolumeMakeNoShape)
{
	UStaticMesh* Mesh = Host::NewAuthoredStaticMesh(PlaneAt(10.f, 1, -50.f), ECollisionSides::SingleSided);
	FKConvexElem Flat;
	Flat.VertexData = {FVector(-1, -1, 0), FVector(1, -1, 0), FVector(1, 1, 0), FVector(-1, 1, 0)};
	FKConvexElem TooFew;
	TooFew.VertexData = {FVector(0, 0, 1), FVector(1, 0, 1), FVector(0, 1, 1)};
	FKConvexElem Cube;
	for (int32 Corner = 0; Corner < 8; ++Corner)
	{
		Cube.VertexData.Add(FVector((Corner & 1) ? 1 : -1, (Corner & 2) ? 1 : -1, (Corner & 4) ? 1 : -1) + FVector(0, 0, 20));
	}
	Mesh->GetBodySetup()->AggGeom.ConvexElems = {Flat, TooFew, Cube};
	Recook(Mesh);
	UStaticMeshComponent* Component = Place(Mesh);
	FHitResult Through;
	EXPECT_FALSE(Component->LineTraceComponent(Through, FVector(0.25, 0.25, 10), FVector(0.25, 0.25, -10), Query(false))) << "through the flat shapes";
	ASSERT_TRUE(Component->LineTraceComponent(Through, FVector(0.5, 0.5, 30), FVector(0.5, 0.5, -30), Query(false)));
	ExpectNear(FVector(Through.ImpactPoint), FVector(0.5, 0.5, 21));
	ExpectNear(FVector(Through.ImpactNormal), FVector(0, 0, 1));
}
