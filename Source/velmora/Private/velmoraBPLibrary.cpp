#include "velmoraBPLibrary.h"

#include "GroomFitting.h"

// Mesh conversion
#include "AssetRegistry/IAssetRegistry.h"
#include "Containers/Map.h"
#include "Engine/SkeletalMesh.h"
#include "Engine/StaticMesh.h"
#include "MeshDescription.h"
#include "Misc/PackageName.h"
#include "PhysicsEngine/BodySetup.h"
#include "Rendering/SkeletalMeshLODRenderData.h"
#include "Rendering/SkeletalMeshRenderData.h"
#include "StaticMeshAttributes.h"
#include "StaticMeshCompiler.h"
#include "UObject/Package.h"
#include "UObject/UObjectGlobals.h"

// Call stack
#include "UObject/Stack.h"

UvelmoraBPLibrary::UvelmoraBPLibrary(const FObjectInitializer& ObjectInitializer)
    : Super(ObjectInitializer)
{
}

// ---------------------------------------------------------------------------------------------------
// Groom fitting

void UvelmoraBPLibrary::FitGroomToStaticMesh(AActor* source, UStaticMeshComponent* TheComp, FVector origin, FString sourceAlmbicPath, FString targetAlembicPath)
{
	GroomFitting::FFitReport Report;
	GroomFitting::FitGroomFile(source, TheComp, origin, sourceAlmbicPath, targetAlembicPath, GroomFitting::FFitOptions(), GroomFitting::FFitFileSettings(), Report);
}

// ---------------------------------------------------------------------------------------------------
// Mesh conversion

namespace
{
	// Whether LOD 0's triangle list can be converted: whole triangles, every index naming a render
	// vertex. The engine never makes anything else, but a damaged or hand-made asset can hold it, and
	// converting it would read past the position buffer.
	bool IsConvertibleTriangleList(const TArray<uint32>& Indices, const uint32 NumVertices, const USkeletalMesh* Mesh)
	{
		if (Indices.Num() % 3 != 0)
		{
			UE_LOG(LogTemp, Error, TEXT("Skeletal mesh index count is not a multiple of 3: %s"), *Mesh->GetPathName());
			return false;
		}
		for (const uint32 Index : Indices)
		{
			if (Index >= NumVertices)
			{
				UE_LOG(LogTemp, Error, TEXT("Skeletal mesh index is not below its vertex count: %s"), *Mesh->GetPathName());
				return false;
			}
		}
		return true;
	}
}

UStaticMesh* UvelmoraBPLibrary::SkeletalMeshToStaticMesh(USkeletalMesh* head)
{
	const FString AssetPath = TEXT("/Game/Generated/MyStaticMesh");

	if (!head)
	{
		return nullptr;
	}
	const FSkeletalMeshRenderData* RenderData = head->GetResourceForRendering();
	if (!RenderData)
	{
		return nullptr;
	}

	// Only the most detailed LOD travels, exactly as it is rendered.
	if (RenderData->LODRenderData.Num() == 0)
	{
		UE_LOG(LogTemp, Error, TEXT("Skeletal mesh has no LOD to convert: %s"), *head->GetPathName());
		return nullptr;
	}
	const FSkeletalMeshLODRenderData& LODData = RenderData->LODRenderData[0];
	const FPositionVertexBuffer& PositionBuffer = LODData.StaticVertexBuffers.PositionVertexBuffer;
	const uint32 NumVertices = PositionBuffer.GetNumVertices();
	TArray<uint32> Indices;
	LODData.MultiSizeIndexContainer.GetIndexBuffer(Indices);
	// Checked before anything is created, so a bad mesh leaves no package or object behind.
	if (!IsConvertibleTriangleList(Indices, NumVertices, head))
	{
		return nullptr;
	}

	FString PackageFilename;
	if (!FPackageName::TryConvertLongPackageNameToFilename(AssetPath, PackageFilename, TEXT("")))
	{
		UE_LOG(LogTemp, Error, TEXT("Invalid asset path: %s"), *AssetPath);
		return nullptr;
	}
	const FString AssetName = FPackageName::GetShortName(AssetPath);
	const FString PackageName = FPackageName::GetLongPackagePath(AssetPath) / AssetName;

	UPackage* Package = CreatePackage(*PackageName);
	Package->FullyLoad();

	// The engine replaces an existing static mesh of that name, but stops the editor rather than
	// replace an object of another class: refuse instead.
	if (const UObject* Existing = FindObject<UObject>(Package, *AssetName); Existing && !Existing->IsA(UStaticMesh::StaticClass()))
	{
		UE_LOG(LogTemp, Error, TEXT("Asset path is taken by an object of another class: %s"), *Existing->GetFullName());
		return nullptr;
	}
	UStaticMesh* StaticMesh = NewObject<UStaticMesh>(Package, FName(*AssetName), RF_Public | RF_Standalone);
	// The one argument-less static mesh call on the new mesh is InitResources, the usual first call on a
	// mesh made in code: it starts the mesh's render resources. The mesh is still empty, so it uploads
	// nothing and cannot change the result; the build below makes the resources from the real data.
	StaticMesh->InitResources();
	StaticMesh->SetNumSourceModels(1);

	FMeshDescription* MeshDescription = StaticMesh->CreateMeshDescription(0);
	if (!MeshDescription)
	{
		UE_LOG(LogTemp, Error, TEXT("Failed to create MeshDescription."));
		return nullptr;
	}

	FStaticMeshAttributes Attributes(*MeshDescription);
	Attributes.Register();

	const FPolygonGroupID PolygonGroupID = MeshDescription->CreatePolygonGroup();
	Attributes.GetPolygonGroupMaterialSlotNames()[PolygonGroupID] = FName(TEXT("Default"));

	// One mesh vertex per render vertex: copies a renderer keeps at UV or normal seams stay apart.
	const TVertexAttributesRef<FVector3f> VertexPositions = Attributes.GetVertexPositions();
	TMap<uint32, FVertexID> RenderVertexToVertex;
	RenderVertexToVertex.Reserve(static_cast<int32>(NumVertices));
	MeshDescription->ReserveNewVertices(static_cast<int32>(NumVertices));
	for (uint32 RenderVertex = 0; RenderVertex < NumVertices; ++RenderVertex)
	{
		const FVertexID VertexID = MeshDescription->CreateVertex();
		VertexPositions[VertexID] = PositionBuffer.VertexPosition(RenderVertex);
		RenderVertexToVertex.Add(RenderVertex, VertexID);
	}

	// Every corner gets its own vertex instance; the corners keep the index buffer's order, and so its winding.
	MeshDescription->ReserveNewVertexInstances(Indices.Num());
	MeshDescription->ReserveNewPolygons(Indices.Num() / 3);
	TArray<FVertexInstanceID> Corners;
	Corners.Reserve(3);
	for (int32 FirstCorner = 0; FirstCorner < Indices.Num(); FirstCorner += 3)
	{
		Corners.Reset(3);
		for (int32 Corner = 0; Corner < 3; ++Corner)
		{
			const FVertexID VertexID = RenderVertexToVertex.FindChecked(Indices[FirstCorner + Corner]);
			Corners.Add(MeshDescription->CreateVertexInstance(VertexID));
		}
		MeshDescription->CreatePolygon(PolygonGroupID, Corners);
	}

	UStaticMesh::FCommitMeshDescriptionParams CommitParams;
	CommitParams.bMarkPackageDirty = true;
	CommitParams.bUseHashAsGuid = false;
	StaticMesh->CommitMeshDescription(0, CommitParams);

	// The mesh's own triangles are its only collision, and a head is traced from inside and outside.
	StaticMesh->CreateBodySetup();
	if (UBodySetup* BodySetup = StaticMesh->GetBodySetup())
	{
		BodySetup->CollisionTraceFlag = CTF_UseComplexAsSimple;
		BodySetup->bDoubleSidedGeometry = true;
		BodySetup->InvalidatePhysicsData();
		BodySetup->CreatePhysicsMeshes();
	}

	StaticMesh->Build(false, nullptr);
	StaticMesh->PostEditChange();
	// The editor builds asynchronously; callers (a fit straight after, above all) need the finished mesh.
	FStaticMeshCompilingManager::Get().FinishCompilation({StaticMesh});
	StaticMesh->MarkPackageDirty();

	IAssetRegistry::GetChecked().AssetCreated(StaticMesh);
	return StaticMesh;
}

// ---------------------------------------------------------------------------------------------------
// Call stack

FString UvelmoraBPLibrary::GetCallstack()
{
	// The whole stack, and the engine's placeholder rather than nothing when no script is running.
	return FFrame::GetScriptCallstack(false, false);
}
