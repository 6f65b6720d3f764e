#include "ConversionTestUtils.h"

#include "CollisionQueryParams.h"
#include "Components/StaticMeshComponent.h"
#include "Containers/Map.h"
#include "Engine/HitResult.h"
#include "GameFramework/Actor.h"
#include "Host/Log.h"
#include "Host/PackageName.h"
#include "Host/World.h"
#include "Misc/PackageName.h"
#include "Rendering/MultiSizeIndexContainer.h"
#include "StaticMeshAttributes.h"
#include "StaticMeshCompiler.h"
#include "UObject/UObjectGlobals.h"

#include <gtest/gtest.h>

using namespace ConversionTest;

namespace
{
	std::string Utf8(const FString& String)
	{
		return TCHAR_TO_UTF8(*String);
	}

	// A mesh description with one polygon group and a triangle for every index triple, one vertex
	// instance per corner.
	FMeshDescription MakeDescription(const TArray<FVector3f>& Positions, const TArray<uint32>& Indices)
	{
		FMeshDescription MeshDescription;
		FStaticMeshAttributes Attributes(MeshDescription);
		Attributes.Register();
		const FPolygonGroupID Group = MeshDescription.CreatePolygonGroup();
		for (const FVector3f& Position : Positions)
		{
			Attributes.GetVertexPositions()[MeshDescription.CreateVertex()] = Position;
		}
		for (int32 Corner = 0; Corner < Indices.Num(); Corner += 3)
		{
			const FVertexInstanceID A = MeshDescription.CreateVertexInstance(FVertexID(Indices[Corner]));
			const FVertexInstanceID B = MeshDescription.CreateVertexInstance(FVertexID(Indices[Corner + 1]));
			const FVertexInstanceID C = MeshDescription.CreateVertexInstance(FVertexID(Indices[Corner + 2]));
			MeshDescription.CreatePolygon(Group, {A, B, C});
		}
		return MeshDescription;
	}

	UStaticMesh* MakeStaticMesh(const TCHAR* PackageName)
	{
		UStaticMesh* Mesh = NewObject<UStaticMesh>(CreatePackage(PackageName), FName(TEXT("Mesh")), RF_Public | RF_Standalone);
		Mesh->SetNumSourceModels(1);
		return Mesh;
	}
}

TEST(PackageName, SplitsNamesAndConvertsOnlyUnderMountedRoots)
{
	EXPECT_EQ(Utf8(FPackageName::GetShortName(FString(TEXT("/Game/Generated/MyStaticMesh")))), "MyStaticMesh");
	EXPECT_EQ(Utf8(FPackageName::GetLongPackagePath(TEXT("/Game/Generated/MyStaticMesh"))), "/Game/Generated");
	EXPECT_EQ(Utf8(FPackageName::GetLongPackagePath(TEXT("/Game/Generated/MyStaticMesh")) / FPackageName::GetShortName(TEXT("/Game/Generated/MyStaticMesh"))),
	          "/Game/Generated/MyStaticMesh");

	const Host::FScopedContentRoot Game(TEXT("/Game/"), TEXT("Project/Content/"));
	FString Filename;
	ASSERT_TRUE(FPackageName::TryConvertLongPackageNameToFilename(FString(TEXT("/Game/Generated/MyStaticMesh")), Filename, TEXT(".uasset")));
	EXPECT_EQ(Utf8(Filename), "Project/Content/Generated/MyStaticMesh.uasset");
	EXPECT_TRUE(FPackageName::TryConvertLongPackageNameToFilename(FString(TEXT("/Game")), Filename));
	EXPECT_TRUE(FPackageName::TryConvertLongPackageNameToFilename(FString(TEXT("/velmora/EUW_velmora_import_tool")), Filename));
	for (const TCHAR* Unmounted : {TEXT(""), TEXT("Game/A"), TEXT("/Gamer/A"), TEXT("/Nowhere/A"), TEXT("/")})
	{
		EXPECT_FALSE(FPackageName::TryConvertLongPackageNameToFilename(FString(Unmounted), Filename)) << Utf8(Unmounted);
	}
	{
		const Host::FScopedContentRoot Unmount(TEXT("/Game/"), FString());
		EXPECT_FALSE(FPackageName::TryConvertLongPackageNameToFilename(FString(TEXT("/Game/A")), Filename));
	}
	EXPECT_TRUE(FPackageName::TryConvertLongPackageNameToFilename(FString(TEXT("/Game/A")), Filename));
}

TEST(SkeletalMeshRenderData, IndexContainerCopiesOutThirtyTwoBitIndicesFromEitherSize)
{
	const TArray<uint32> Indices = {0, 0xFFFF, 0x8000, 7, 1, 2};
	for (const uint8 Size : {uint8(2), uint8(4)})
	{
		FMultiSizeIndexContainer Container;
		Container.RebuildIndexBuffer(Size, Indices);
		EXPECT_EQ(Container.GetDataTypeSize(), Size);
		EXPECT_EQ(Container.GetIndexBuffer()->GetResourceDataSize(), Indices.Num() * Size);
		TArray<uint32> Copy = {99};
		Container.GetIndexBuffer(Copy);
		EXPECT_EQ(Copy, Indices);
	}
	TArray<uint32> Copy = {99};
	FMultiSizeIndexContainer().GetIndexBuffer(Copy);
	EXPECT_TRUE(Copy.IsEmpty());
}

TEST(MeshDescription, PolygonsShareAnEdgeOnlyThroughSharedVertices)
{
	const FMeshDescription MeshDescription = MakeDescription(SquareCorners(), {0, 1, 2, 2, 3, 0});
	EXPECT_EQ(MeshDescription.Edges().Num(), 5);
	const FEdgeID Diagonal = MeshDescription.GetVertexPairEdge(FVertexID(2), FVertexID(0));
	ASSERT_TRUE(Diagonal.IsValid());
	EXPECT_EQ(MeshDescription.GetEdgeConnectedPolygons(Diagonal), (TArray<FPolygonID>{FPolygonID(0), FPolygonID(1)}));
	EXPECT_EQ(MeshDescription.GetVertexConnectedEdgeIDs(FVertexID(0)), (TArray<FEdgeID>{FEdgeID(0), Diagonal, FEdgeID(4)}));
	EXPECT_EQ(MeshDescription.GetVertexVertexInstanceIDs(FVertexID(0)), (TArray<FVertexInstanceID>{FVertexInstanceID(0), FVertexInstanceID(5)}));
	EXPECT_EQ(MeshDescription.GetPolygonPolygonGroup(FPolygonID(1)), FPolygonGroupID(0));
	EXPECT_EQ(MeshDescription.GetNumPolygonGroupPolygons(FPolygonGroupID(0)), 2);

	FMeshDescription Copy = MeshDescription;
	TArray<FEdgeID> EdgeIDs;
	const FVertexInstanceID A = Copy.CreateVertexInstance(FVertexID(0));
	const FVertexInstanceID B = Copy.CreateVertexInstance(FVertexID(2));
	const FVertexInstanceID C = Copy.CreateVertexInstance(FVertexID(1));
	Copy.CreatePolygon(FPolygonGroupID(0), {A, B, C}, &EdgeIDs);
	EXPECT_EQ(EdgeIDs.Num(), 3);
	EXPECT_EQ(Copy.Edges().Num(), 5) << "reversed edges are the same edges";
	EXPECT_EQ(Copy.GetEdgeConnectedPolygons(Diagonal), (TArray<FPolygonID>{FPolygonID(0), FPolygonID(1), FPolygonID(2)}));
	EXPECT_EQ(MeshDescription.Polygons().Num(), 2) << "a copy is independent";
}

TEST(MeshDescription, RegisteredAttributesStartAtTheirDefaults)
{
	FMeshDescription MeshDescription;
	const FVertexID Before = MeshDescription.CreateVertex();
	FStaticMeshAttributes Attributes(MeshDescription);
	EXPECT_FALSE(Attributes.GetVertexPositions().IsValid());
	Attributes.Register();
	const FVertexID After = MeshDescription.CreateVertex();
	const FPolygonGroupID Group = MeshDescription.CreatePolygonGroup();
	EXPECT_EQ(Attributes.GetVertexPositions()[Before], FVector3f::ZeroVector);
	EXPECT_EQ(Attributes.GetVertexPositions()[After], FVector3f::ZeroVector);
	EXPECT_TRUE(Attributes.GetPolygonGroupMaterialSlotNames()[Group].IsNone());
	EXPECT_FALSE((MeshDescription.VertexAttributes().GetAttributesRef<float>(MeshAttribute::Vertex::Position).IsValid()));

	Attributes.GetVertexPositions()[After] = FVector3f(1, 2, 3);
	Attributes.Register(true);
	EXPECT_EQ(Attributes.GetVertexPositions()[After], FVector3f(1, 2, 3));
	Attributes.Register();
	EXPECT_EQ(Attributes.GetVertexPositions()[After], FVector3f::ZeroVector);
}

TEST(StaticMesh, BuildReadsTheCommittedDescription)
{
	UStaticMesh* Mesh = MakeStaticMesh(TEXT("/Game/Tests/BuildCommitted"));
	*Mesh->CreateMeshDescription(0) = MakeDescription(SquareCorners(), {0, 1, 2});
	Mesh->CommitMeshDescription(0);
	// An edit after the commit is not built.
	*Mesh->GetMeshDescription(0) = MakeDescription(SquareCorners(), {0, 1, 2, 0, 2, 3});

	const uint64 Revision = Mesh->GetRenderDataRevision();
	Mesh->Build();
	EXPECT_EQ(RenderIndices(Mesh), (std::vector<uint32>{0, 1, 2}));
	EXPECT_GT(Mesh->GetRenderDataRevision(), Revision);
	EXPECT_EQ(RenderPositions(Mesh).size(), 4u);
}

TEST(StaticMesh, BuildIsAsynchronousUntilSomethingWaitsForIt)
{
	UStaticMesh* Mesh = MakeStaticMesh(TEXT("/Game/Tests/BuildAsync"));
	*Mesh->CreateMeshDescription(0) = MakeDescription(SquareCorners(), {0, 2, 1});
	Mesh->CommitMeshDescription(0);
	Mesh->CreateBodySetup();
	UStaticMeshComponent* Component = Host::AddStaticMeshComponent(Host::SpawnActor(Host::NewWorld()), Mesh);
	const auto Hits = [Component]()
	{
		FHitResult Hit;
		return Component->LineTraceComponent(Hit, FVector(0.6, 0.3, 1), FVector(0.6, 0.3, -1), FCollisionQueryParams(NAME_None, true));
	};

	Mesh->Build();
	EXPECT_TRUE(Mesh->IsCompiling());
	EXPECT_FALSE(Hits()) << "no collision until the build finishes";
	FStaticMeshCompilingManager::Get().FinishCompilation({Mesh});
	EXPECT_FALSE(Mesh->IsCompiling());
	EXPECT_TRUE(Hits());

	// An edit starts a build too; the waiting accessors finish it.
	Mesh->PostEditChange();
	EXPECT_TRUE(Mesh->IsCompiling());
	EXPECT_FALSE(Hits());
	EXPECT_NE(Mesh->GetBodySetup(), nullptr);
	EXPECT_FALSE(Mesh->IsCompiling());
	EXPECT_TRUE(Hits());
	Mesh->Build();
	EXPECT_EQ(RenderIndices(Mesh), (std::vector<uint32>{0, 2, 1}));
	EXPECT_FALSE(Mesh->IsCompiling());

	// With an error list the build is done when Build returns; FinishAllCompilation finishes every mesh.
	TArray<FText> Errors;
	Mesh->Build(false, &Errors);
	EXPECT_FALSE(Mesh->IsCompiling());
	Mesh->Build();
	FStaticMeshCompilingManager::Get().FinishAllCompilation();
	EXPECT_FALSE(Mesh->IsCompiling());
	EXPECT_TRUE(Hits());
}

TEST(StaticMesh, BuildTakesEachPolygonsTrianglesAndLeavesDegenerateOnesOut)
{
	UStaticMesh* Mesh = MakeStaticMesh(TEXT("/Game/Tests/BuildFans"));
	FMeshDescription MeshDescription = MakeDescription({FVector3f(0, 0, 0), FVector3f(1, 0, 0), FVector3f(1, 1, 0), FVector3f(0, 1, 0), FVector3f(1, 0, 0)},
	                                                   {0, 1, 4});
	TArray<FVertexInstanceID> Quad;
	for (int32 Vertex = 0; Vertex < 4; ++Vertex)
	{
		Quad.Add(MeshDescription.CreateVertexInstance(FVertexID(Vertex)));
	}
	MeshDescription.CreatePolygon(FPolygonGroupID(0), Quad);
	Mesh->CreateMeshDescription(0, MoveTemp(MeshDescription));
	Mesh->CommitMeshDescription(0);
	Mesh->Build();
	// A convex polygon's triangles are a fan from its first corner.
	EXPECT_EQ(RenderIndices(Mesh), (std::vector<uint32>{0, 1, 2, 0, 2, 3}));
	EXPECT_EQ(Mesh->GetMeshDescription(0)->Polygons().Num(), 2) << "the description keeps every polygon";
}

TEST(StaticMesh, CommitDirtiesThePackageOnlyWhenAsked)
{
	UStaticMesh* Mesh = MakeStaticMesh(TEXT("/Game/Tests/CommitDirty"));
	Mesh->CreateMeshDescription(0);
	UStaticMesh::FCommitMeshDescriptionParams Params;
	Params.bMarkPackageDirty = false;
	Mesh->CommitMeshDescription(0, Params);
	EXPECT_FALSE(Mesh->GetPackage()->IsDirty());
	Mesh->CommitMeshDescription(0);
	EXPECT_TRUE(Mesh->GetPackage()->IsDirty());
}

TEST(StaticMesh, BuildWithoutACommittedDescriptionReportsAnError)
{
	UStaticMesh* Mesh = MakeStaticMesh(TEXT("/Game/Tests/BuildNothing"));
	EXPECT_EQ(Mesh->CreateMeshDescription(1), nullptr) << "no source model for LOD 1";
	TArray<FText> Errors;
	Host::FScopedLogCapture Capture;
	Mesh->Build(false, &Errors);
	EXPECT_EQ(Errors.Num(), 1);
	EXPECT_TRUE(Capture.GetLines().empty());
	ASSERT_NE(Mesh->GetRenderData(), nullptr);
	EXPECT_TRUE(Mesh->GetRenderData()->LODResources.IsEmpty());
	Mesh->Build();
	EXPECT_TRUE(Capture.GetLines().empty()) << "an asynchronous build reports when it finishes";
	FStaticMeshCompilingManager::Get().FinishCompilation({Mesh});
	EXPECT_EQ(Capture.GetLines().size(), 1u);
	Mesh->Build(true);
	FStaticMeshCompilingManager::Get().FinishCompilation({Mesh});
	EXPECT_EQ(Capture.GetLines().size(), 1u) << "a silent build logs nothing";
}
