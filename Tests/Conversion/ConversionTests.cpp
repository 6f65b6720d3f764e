#include "ConversionTestUtils.h"

#include "Engine/SkeletalMesh.h"
#include "Host/AssetRegistry.h"
#include "Host/Log.h"
#include "Host/Objects.h"
#include "Host/PackageName.h"
#include "Host/StaticMeshFaults.h"
#include "Misc/PackageName.h"
#include "PhysicsEngine/BodySetup.h"
#include "StaticMeshAttributes.h"
#include "TestPaths.h"
#include "UObject/UObjectGlobals.h"
#include "velmoraBPLibrary.h"

#include <filesystem>

#include <gtest/gtest.h>

using namespace ConversionTest;

namespace
{
	const TCHAR* const AssetPackage = TEXT("/Game/Generated/MyStaticMesh");

	// Converts and checks that the call created no object, announced nothing and returned null.
	// Returns the log lines it wrote.
	std::vector<std::string> ExpectNothingConverted(USkeletalMesh* Head)
	{
		Host::ClearCreatedAssets();
		const int32 ObjectsBefore = Host::GetNumObjects();
		Host::FScopedLogCapture Capture;
		EXPECT_EQ(UvelmoraBPLibrary::SkeletalMeshToStaticMesh(Head), nullptr);
		EXPECT_EQ(Host::GetNumObjects(), ObjectsBefore) << "no package and no mesh may be created";
		EXPECT_TRUE(Host::GetCreatedAssets().IsEmpty());
		return Capture.Formatted();
	}
}

TEST(MeshConversion, NullHeadOrMissingRenderDataGivesNullSilently)
{
	EXPECT_TRUE(ExpectNothingConverted(nullptr).empty());
	EXPECT_TRUE(ExpectNothingConverted(NewObject<USkeletalMesh>()).empty());
}

TEST(MeshConversion, BadRenderDataIsOneErrorAndCreatesNothing)
{
	struct FCase
	{
		const char* What;
		USkeletalMesh* Head;
		std::string Line;
	};
	const FCase Cases[] = {
	    {"no LOD", Host::MakeSkeletalMesh(TArray<Host::FSkeletalLOD>{}, FName(TEXT("NoLOD"))),
	     "LogTemp: Error: Skeletal mesh has no LOD to convert: /Engine/Transient.NoLOD"},
	    {"partial triangle", MakeMesh(SquareCorners(), {0, 1, 2, 0}),
	     "LogTemp: Error: Skeletal mesh index count is not a multiple of 3: "},
	    {"index at the vertex count", MakeMesh(SquareCorners(), {0, 1, 2, 0, 2, 4}),
	     "LogTemp: Error: Skeletal mesh index is not below its vertex count: "},
	    {"largest index", MakeMesh(SquareCorners(), {0, 1, 0xFFFFFFFFu}),
	     "LogTemp: Error: Skeletal mesh index is not below its vertex count: "},
	    {"indices without vertices", MakeMesh({}, {0, 0, 0}, sizeof(uint16)),
	     "LogTemp: Error: Skeletal mesh index is not below its vertex count: "},
	};
	for (const FCase& Case : Cases)
	{
		SCOPED_TRACE(Case.What);
		const std::vector<std::string> Lines = ExpectNothingConverted(Case.Head);
		ASSERT_EQ(Lines.size(), 1u);
		EXPECT_EQ(Lines[0].rfind(Case.Line, 0), 0u) << Lines[0];
	}
}

TEST(MeshConversion, CornersKeepIndexOrderAndWinding)
{
	const TArray<uint32> Indices = {2, 0, 1, 3, 2, 1};
	UStaticMesh* Mesh = UvelmoraBPLibrary::SkeletalMeshToStaticMesh(MakeMesh(SquareCorners(), Indices));
	ASSERT_NE(Mesh, nullptr);

	const FMeshDescription* MeshDescription = Mesh->GetMeshDescription(0);
	ASSERT_NE(MeshDescription, nullptr);
	EXPECT_EQ(CornerVertices(*MeshDescription), ToStd(Indices));
	const TVertexAttributesConstRef<FVector3f> Positions = FStaticMeshConstAttributes(*MeshDescription).GetVertexPositions();
	for (int32 Vertex = 0; Vertex < 4; ++Vertex)
	{
		EXPECT_EQ(Positions[FVertexID(Vertex)], SquareCorners()[Vertex]);
	}

	// What was committed and built, not only what is being edited, holds the same triangles.
	EXPECT_EQ(RenderIndices(Mesh), ToStd(Indices));
	Mesh->ClearMeshDescription(0);
	EXPECT_EQ(CornerVertices(*Mesh->GetMeshDescription(0)), ToStd(Indices));
}

TEST(MeshConversion, SeamCopiesStaySeparateVerticesAndUnconnected)
{
	// Two triangles meeting along x = 1, where the renderer keeps a copy of each seam vertex (4, 5).
	const TArray<FVector3f> Positions = {FVector3f(0, 0, 0), FVector3f(1, 0, 0), FVector3f(1, 1, 0), FVector3f(2, 0, 0),
	                                     FVector3f(1, 0, 0), FVector3f(1, 1, 0)};
	UStaticMesh* Mesh = UvelmoraBPLibrary::SkeletalMeshToStaticMesh(MakeMesh(Positions, {0, 1, 2, 4, 3, 5}));
	ASSERT_NE(Mesh, nullptr);

	const FMeshDescription& MeshDescription = *Mesh->GetMeshDescription(0);
	EXPECT_EQ(MeshDescription.Vertices().Num(), 6);
	EXPECT_EQ(MeshDescription.Edges().Num(), 6);
	for (const FEdgeID EdgeID : MeshDescription.Edges().GetElementIDs())
	{
		EXPECT_EQ(MeshDescription.GetNumEdgeConnectedPolygons(EdgeID), 1);
	}
	EXPECT_FALSE(MeshDescription.GetVertexPairEdge(FVertexID(1), FVertexID(5)).IsValid());
}

TEST(MeshConversion, SharedRenderVertexSharesTheVertexButNotTheInstances)
{
	UStaticMesh* Mesh = UvelmoraBPLibrary::SkeletalMeshToStaticMesh(MakeMesh(SquareCorners(), {0, 1, 2, 0, 2, 3}));
	ASSERT_NE(Mesh, nullptr);

	const FMeshDescription& MeshDescription = *Mesh->GetMeshDescription(0);
	EXPECT_EQ(MeshDescription.Vertices().Num(), 4);
	EXPECT_EQ(MeshDescription.VertexInstances().Num(), 6);
	EXPECT_EQ(MeshDescription.GetVertexVertexInstanceIDs(FVertexID(0)).Num(), 2);
	EXPECT_EQ(MeshDescription.GetVertexVertexInstanceIDs(FVertexID(2)).Num(), 2);
	// Shared render vertices join the triangles along the diagonal.
	const FEdgeID Diagonal = MeshDescription.GetVertexPairEdge(FVertexID(0), FVertexID(2));
	ASSERT_TRUE(Diagonal.IsValid());
	EXPECT_EQ(MeshDescription.GetNumEdgeConnectedPolygons(Diagonal), 2);
	EXPECT_NE(MeshDescription.GetPolygonVertexInstanceIDs(FPolygonID(0))[0], MeshDescription.GetPolygonVertexInstanceIDs(FPolygonID(1))[0]);
}

TEST(MeshConversion, SixteenBitIndicesReadAsUnsigned)
{
	// The top 16-bit index is 65535; read as signed it would be -1.
	TArray<FVector3f> Positions;
	Positions.SetNum(0x10000);
	Positions[0x8000] = FVector3f(0, 1, 0);
	Positions[0xFFFF] = FVector3f(1, 0, 0);
	const TArray<uint32> Indices = {0xFFFF, 0, 0x8000};
	UStaticMesh* Mesh = UvelmoraBPLibrary::SkeletalMeshToStaticMesh(MakeMesh(Positions, Indices, sizeof(uint16)));
	ASSERT_NE(Mesh, nullptr);
	EXPECT_EQ(CornerVertices(*Mesh->GetMeshDescription(0)), ToStd(Indices));
	EXPECT_EQ(RenderPositions(Mesh)[0xFFFF], FVector3f(1, 0, 0));
}

TEST(MeshConversion, OnlyLODZeroIsConverted)
{
	const Host::FSkeletalLOD Detailed{SquareCorners(), {0, 1, 2, 0, 2, 3}};
	const Host::FSkeletalLOD Coarse{{FVector3f(5, 5, 5), FVector3f(6, 5, 5), FVector3f(5, 6, 5)}, {0, 1, 2}};
	UStaticMesh* Mesh = UvelmoraBPLibrary::SkeletalMeshToStaticMesh(Host::MakeSkeletalMesh(TArray<Host::FSkeletalLOD>{Detailed, Coarse}));
	ASSERT_NE(Mesh, nullptr);
	EXPECT_EQ(Mesh->GetNumSourceModels(), 1);
	EXPECT_EQ(Mesh->GetRenderData()->LODResources.Num(), 1);
	EXPECT_EQ(RenderPositions(Mesh), std::vector<FVector3f>(Detailed.Positions.begin(), Detailed.Positions.end()));
	EXPECT_EQ(RenderIndices(Mesh), ToStd(Detailed.Indices));
}

TEST(MeshConversion, EmptyIndexBufferGivesVerticesWithoutPolygons)
{
	UStaticMesh* Mesh = UvelmoraBPLibrary::SkeletalMeshToStaticMesh(MakeMesh(SquareCorners(), {}));
	ASSERT_NE(Mesh, nullptr);

	const FMeshDescription& MeshDescription = *Mesh->GetMeshDescription(0);
	EXPECT_EQ(MeshDescription.Vertices().Num(), 4);
	EXPECT_EQ(MeshDescription.Polygons().Num(), 0);
	ASSERT_EQ(MeshDescription.PolygonGroups().Num(), 1);
	EXPECT_EQ(FStaticMeshConstAttributes(MeshDescription).GetPolygonGroupMaterialSlotNames()[FPolygonGroupID(0)], FName(TEXT("Default")));
	// The later steps still ran.
	EXPECT_TRUE(Mesh->GetBodySetup()->bCreatedPhysicsMeshes);
	EXPECT_TRUE(RenderIndices(Mesh).empty());
	EXPECT_EQ(Host::GetCreatedAssets().Last(), Mesh);
}

TEST(MeshConversion, AssetIsMyStaticMeshInTheFixedPackageWhateverTheHeadIsCalled)
{
	UStaticMesh* First = UvelmoraBPLibrary::SkeletalMeshToStaticMesh(
	    Host::MakeSkeletalMesh(Host::FSkeletalLOD{SquareCorners(), {0, 1, 2}}, FName(TEXT("SK_Head"))));
	ASSERT_NE(First, nullptr);
	EXPECT_EQ(std::string(TCHAR_TO_UTF8(*First->GetPathName())), "/Game/Generated/MyStaticMesh.MyStaticMesh");
	EXPECT_EQ(First->GetFlags(), RF_Public | RF_Standalone);
	EXPECT_EQ(First->GetClass(), UStaticMesh::StaticClass());
	EXPECT_EQ(First->GetOuter(), FindPackage(nullptr, AssetPackage));

	// Every call aims at the same name: the engine rebuilds the first mesh in place, at the same address.
	UStaticMesh* Second = UvelmoraBPLibrary::SkeletalMeshToStaticMesh(
	    Host::MakeSkeletalMesh(Host::FSkeletalLOD{SquareCorners(), {0, 2, 3}}, FName(TEXT("SK_Other"))));
	ASSERT_NE(Second, nullptr);
	EXPECT_EQ(Second, First);
	EXPECT_TRUE(IsValid(Second));
	EXPECT_EQ(FindObject<UStaticMesh>(FindPackage(nullptr, AssetPackage), TEXT("MyStaticMesh")), Second);
}

TEST(MeshConversion, AnotherClassUnderTheAssetNameIsLeftAlone)
{
	UPackage* Package = CreatePackage(AssetPackage);
	// Another class may only take a name that no live object holds (in the engine that is fatal).
	Host::ForgetObject(FindObject<UObject>(Package, TEXT("MyStaticMesh")));
	UObject* Squatter = NewObject<USkeletalMesh>(Package, FName(TEXT("MyStaticMesh")), RF_Public | RF_Standalone);
	Host::FScopedLogCapture Capture;
	EXPECT_EQ(UvelmoraBPLibrary::SkeletalMeshToStaticMesh(MakeMesh(SquareCorners(), {0, 1, 2})), nullptr);
	EXPECT_EQ(Capture.Formatted(), std::vector<std::string>{
	                                   "LogTemp: Error: Asset path is taken by an object of another class: SkeletalMesh /Game/Generated/MyStaticMesh.MyStaticMesh"});
	EXPECT_TRUE(IsValid(Squatter));
	EXPECT_EQ(FindObject<UObject>(Package, TEXT("MyStaticMesh")), Squatter);
	// Free the name for the other tests in this process.
	Squatter->MarkAsGarbage();
}

TEST(MeshConversion, ResultIsBuiltDirtyAnnouncedAndNotSaved)
{
	const std::filesystem::path Content = VelmoraTest::MakeTempDir("conversion-content");
	const Host::FScopedContentRoot Game(TEXT("/Game/"), FString(UTF8_TO_TCHAR((Content.string() + "/").c_str())));
	Host::ClearCreatedAssets();
	Host::FScopedLogCapture Capture;

	UStaticMesh* Mesh = UvelmoraBPLibrary::SkeletalMeshToStaticMesh(MakeMesh(SquareCorners(), {0, 1, 2}));
	ASSERT_NE(Mesh, nullptr);
	EXPECT_TRUE(Capture.GetLines().empty());
	EXPECT_TRUE(Mesh->GetPackage()->IsDirty());
	EXPECT_TRUE(Mesh->GetPackage()->IsFullyLoaded());
	EXPECT_EQ(Host::GetCreatedAssets(), TArray<UObject*>{Mesh});
	EXPECT_NE(Mesh->GetRenderData(), nullptr);
	EXPECT_TRUE(std::filesystem::is_empty(Content)) << "the conversion must not save the package";
}

TEST(MeshConversion, CollisionIsTheMeshsOwnTrianglesDoubleSided)
{
	UStaticMesh* Mesh = UvelmoraBPLibrary::SkeletalMeshToStaticMesh(MakeMesh(SquareCorners(), {0, 1, 2, 0, 2, 3}));
	ASSERT_NE(Mesh, nullptr);
	const UBodySetup* BodySetup = Mesh->GetBodySetup();
	ASSERT_NE(BodySetup, nullptr);
	EXPECT_EQ(BodySetup->CollisionTraceFlag, CTF_UseComplexAsSimple);
	EXPECT_TRUE(BodySetup->bDoubleSidedGeometry);
	EXPECT_TRUE(BodySetup->bCreatedPhysicsMeshes);
}

TEST(MeshConversion, MissingBodySetupStillGivesTheBuiltMesh)
{
	const Host::FScopedNoBodySetup NoBodySetup;
	UStaticMesh* Mesh = UvelmoraBPLibrary::SkeletalMeshToStaticMesh(MakeMesh(SquareCorners(), {0, 1, 2}));
	ASSERT_NE(Mesh, nullptr);
	EXPECT_EQ(Mesh->GetBodySetup(), nullptr);
	EXPECT_EQ(RenderIndices(Mesh), (std::vector<uint32>{0, 1, 2}));
}

TEST(MeshConversion, UnmountedGameRootIsAnInvalidAssetPath)
{
	const Host::FScopedContentRoot Unmounted(TEXT("/Game/"), FString());
	const std::vector<std::string> Lines = ExpectNothingConverted(MakeMesh(SquareCorners(), {0, 1, 2}));
	EXPECT_EQ(Lines, std::vector<std::string>{"LogTemp: Error: Invalid asset path: /Game/Generated/MyStaticMesh"});
}

TEST(MeshConversion, FailedMeshDescriptionLeavesTheEmptyMeshAndOneLogLine)
{
	// Start from a clean package so that what this call leaves behind can be seen.
	UPackage* Package = CreatePackage(AssetPackage);
	Package->SetDirtyFlag(false);
	Host::ClearCreatedAssets();
	USkeletalMesh* Head = MakeMesh(SquareCorners(), {0, 1, 2});

	const Host::FScopedFailCreateMeshDescription Fail;
	Host::FScopedLogCapture Capture;
	EXPECT_EQ(UvelmoraBPLibrary::SkeletalMeshToStaticMesh(Head), nullptr);
	EXPECT_EQ(Capture.Formatted(), std::vector<std::string>{"LogTemp: Error: Failed to create MeshDescription."});

	const UStaticMesh* Left = FindObject<UStaticMesh>(Package, TEXT("MyStaticMesh"));
	ASSERT_NE(Left, nullptr);
	EXPECT_EQ(Left->GetNumSourceModels(), 1);
	EXPECT_EQ(Left->GetMeshDescription(0), nullptr);
	EXPECT_EQ(Left->GetRenderData(), nullptr);
	EXPECT_EQ(Left->GetBodySetup(), nullptr);
	EXPECT_TRUE(Package->IsFullyLoaded());
	EXPECT_FALSE(Package->IsDirty());
	EXPECT_TRUE(Host::GetCreatedAssets().IsEmpty());
}

TEST(MeshConversion, ConvertedSphereRendersExactlyItsTriangles)
{
	const Host::FSkeletalLOD Sphere = Host::MakeSphereLOD(20.0f, 12, 16);
	ASSERT_EQ(Sphere.IndexSize, sizeof(uint16));
	UStaticMesh* Mesh = UvelmoraBPLibrary::SkeletalMeshToStaticMesh(Host::MakeSkeletalMesh(Sphere));
	ASSERT_NE(Mesh, nullptr);

	// The render data is what the complex-collision trace is cooked from.
	EXPECT_EQ(RenderPositions(Mesh), std::vector<FVector3f>(Sphere.Positions.begin(), Sphere.Positions.end()));
	EXPECT_EQ(RenderIndices(Mesh), ToStd(Sphere.Indices));
	EXPECT_EQ(Mesh->GetMeshDescription(0)->Polygons().Num(), 2 * 16 * 11);
}
