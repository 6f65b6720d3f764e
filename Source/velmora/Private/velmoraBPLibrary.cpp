#include "velmoraBPLibrary.h"

#include "alembicIO.h"

// Groom fitting
#include "CollisionQueryParams.h"
#include "Components/StaticMeshComponent.h"
#include "DrawDebugHelpers.h"
#include "Engine/HitResult.h"
#include "Engine/StaticMesh.h"
#include "Engine/World.h"
#include "GameFramework/Actor.h"
#include "GroomFitQuality.h"
#include "GroomFitting.h"
#include "Misc/ScopedSlowTask.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

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

namespace
{
	FVector ReadTriple(const std::vector<float>& Values, int32 Index)
	{
		const size_t First = 3 * static_cast<size_t>(Index);
		return FVector(Values[First], Values[First + 1], Values[First + 2]);
	}

	std::string ToUtf8(const FString& Text)
	{
		const FTCHARToUTF8 Converted(*Text);
		return std::string(Converted.Get(), Converted.Length());
	}

	FString FromUtf8(const std::string& Text)
	{
		return FString(UTF8_TO_TCHAR(Text.c_str()));
	}

	// UTF-8 narrow paths name files the same way on every platform.
	std::filesystem::path ToFileSystemPath(const std::string& Utf8Path)
	{
		return std::filesystem::path(std::u8string(Utf8Path.begin(), Utf8Path.end()));
	}

	// Every segment of the fit starts inside a closed head and runs outwards, so single-sided collision,
	// hit only from outside, misses nearly all of them: one warning that says why and how to fix it
	// beats a miss warning per strand.
	void WarnIfTracesCannotHit(UStaticMeshComponent* TheComp)
	{
		UStaticMesh* Mesh = TheComp->GetStaticMesh();
		if (!Mesh)
		{
			UE_LOG(LogTemp, Warning, TEXT("FitGroomToStaticMesh: %s has no static mesh, so no strand can land. Give it a mesh made with SkeletalMeshToStaticMesh."),
			       *TheComp->GetPathName());
			return;
		}
		const UBodySetup* BodySetup = Mesh->GetBodySetup();
		if (!BodySetup || TheComp->GetCollisionEnabled() == ECollisionEnabled::NoCollision)
		{
			UE_LOG(LogTemp, Warning,
			       TEXT("FitGroomToStaticMesh: %s shows %s without collision a trace can hit, so no strand can land. Turn the component's collision on, or make the mesh with SkeletalMeshToStaticMesh."),
			       *TheComp->GetPathName(), *Mesh->GetPathName());
			return;
		}
		if (!BodySetup->bDoubleSidedGeometry)
		{
			UE_LOG(LogTemp, Warning,
			       TEXT("FitGroomToStaticMesh: the collision of %s is single-sided, so traces leaving the mesh from inside miss it and most strands will not land. Turn on Double Sided Geometry in the mesh's collision settings, or make the mesh with SkeletalMeshToStaticMesh."),
			       *Mesh->GetPathName());
		}
	}

	// Removes what a failed write left at the temporary path; anything but a file there is not ours.
	void RemoveTemporaryFile(const std::string& Utf8Path)
	{
		std::error_code Ignored;
		const std::filesystem::path Path = ToFileSystemPath(Utf8Path);
		if (std::filesystem::is_regular_file(Path, Ignored))
		{
			std::filesystem::remove(Path, Ignored);
		}
	}
}

FVector ComponentTrace(const FVector& Start, const FVector& End, UStaticMeshComponent* Component, bool* bOutHit)
{
	if (bOutHit)
	{
		*bOutHit = false;
	}
	if (!Component)
	{
		UE_LOG(LogTemp, Error, TEXT("ComponentTrace: no component to trace against"));
		return FVector(0, 0, 0);
	}

	FHitResult Hit(ForceInit);
	static const FName TraceTag(TEXT("Kestrova Comp Trace"));
	const FCollisionQueryParams Params(TraceTag, true, nullptr);
	if (Component->LineTraceComponent(Hit, Start, End, Params))
	{
		if (GroomFitting::DebugLineDraw(rand()) > 98)
		{
			DrawDebugLine(Component->GetWorld(), Start, Hit.ImpactPoint, FColor(0, 255, 0, 255), false, 20.1f, 0, 0.f);
		}
		if (bOutHit)
		{
			*bOutHit = true;
		}
		return Hit.ImpactPoint;
	}

	LogMessage("no Hit detected, this should not happen");
	return FVector(0, 0, 0);
}

namespace GroomFitting
{
	int32 DebugLineDraw(int32 RandomValue)
	{
		const float Fraction = static_cast<float>(RandomValue & 0x7FFF) / 32767.0f;
		return FMath::Min(static_cast<int32>(Fraction * 101.0f), 100);
	}

	FVector Normalize(const FVector& V)
	{
		const double SquareSum = V.X * V.X + V.Y * V.Y + V.Z * V.Z;
		if (SquareSum > static_cast<double>(1e-8f))
		{
			const double Scale = 1.0 / FMath::Sqrt(SquareSum);
			return FVector(V.X * Scale, V.Y * Scale, V.Z * Scale);
		}
		return V;
	}

	void SurfaceNormalSegment(const GroomData& Groom, int32 CurveIndex, int32 RootIndex, const FVector& Origin, FVector& OutStart, FVector& OutEnd)
	{
		const FVector Normal = Normalize(ReadTriple(Groom.surfaceNormals, CurveIndex));
		const FVector Placed = Origin + ReadTriple(Groom.positions, RootIndex);
		OutStart = Placed - (Normal * 5.0);
		OutEnd = Placed + (Normal * 5.0);
	}

	void SphericalSegment(const GroomData& Groom, int32 RootIndex, const FVector& Origin, FVector& OutStart, FVector& OutEnd)
	{
		const FVector Direction = Normalize(ReadTriple(Groom.positions, RootIndex));
		OutStart = Origin;
		OutEnd = Origin + (Direction * 20.0);
	}

	void MoveStrand(GroomData& Groom, int32 RootIndex, int32 PointCount, const FVector& Hit, const FVector& ActorLocation)
	{
		const FVector Delta = ReadTriple(Groom.positions, RootIndex) - (Hit - ActorLocation);
		const FVector Offset = Delta * -1.0;
		for (int32 Point = RootIndex; Point < RootIndex + PointCount; ++Point)
		{
			const FVector Moved = ReadTriple(Groom.positions, Point) + Offset;
			const size_t First = 3 * static_cast<size_t>(Point);
			Groom.positions[First] = static_cast<float>(Moved.X);
			Groom.positions[First + 1] = static_cast<float>(Moved.Y);
			Groom.positions[First + 2] = static_cast<float>(Moved.Z);
		}
	}

	bool FitRecord(GroomData& Groom, UStaticMeshComponent* TheComp, const FVector& Origin, const FVector& ActorLocation)
	{
		return FitRecord(Groom, TheComp, Origin, ActorLocation, GroomFitQuality::FFitOptions(), nullptr, nullptr);
	}

	bool FitRecord(GroomData& Groom, UStaticMeshComponent* TheComp, const FVector& Origin, const FVector& ActorLocation,
	               const GroomFitQuality::FFitOptions& Options, GroomFitQuality::FFitReport* OutReport)
	{
		return FitRecord(Groom, TheComp, Origin, ActorLocation, Options, nullptr, OutReport);
	}

	bool FitRecord(GroomData& Groom, UStaticMeshComponent* TheComp, const FVector& Origin, const FVector& ActorLocation,
	               const GroomFitQuality::FFitOptions& Options, const GroomFitQuality::FMeshQuery* Query, GroomFitQuality::FFitReport* OutReport)
	{
		// The walk reads every root and writes every point the counts cover, so they must fit the points.
		const int64 NumPoints = static_cast<int64>(Groom.positions.size() / 3);
		int64 NumCovered = 0;
		for (size_t Curve = 0; Curve < Groom.vertexCounts.size(); ++Curve)
		{
			const int32 Count = Groom.vertexCounts[Curve];
			if (Count < 0)
			{
				UE_LOG(LogTemp, Error, TEXT("FitGroomToStaticMesh: curve %lld has a negative point count (%d); the groom was not fitted or written"),
				       static_cast<long long>(Curve), Count);
				return false;
			}
			NumCovered += Count;
		}
		if (NumCovered > NumPoints || NumCovered > std::numeric_limits<int32>::max())
		{
			UE_LOG(LogTemp, Error, TEXT("FitGroomToStaticMesh: the curves' point counts add up to %lld points but the groom holds %lld; the groom was not fitted or written"),
			       static_cast<long long>(NumCovered), static_cast<long long>(NumPoints));
			return false;
		}

		// The repairs need the mesh's surface, made once for the whole walk.
		const bool bRepairs = Options.bSnapMissesToNearest || Options.bOrientToSurface || Options.bResolvePenetration;
		if (Options.bResolvePenetration && !(std::isfinite(Options.PenetrationOffset) && Options.PenetrationOffset >= 0.0))
		{
			UE_LOG(LogTemp, Error, TEXT("FitGroomToStaticMesh: the penetration offset %f is not a finite distance; the groom was not fitted or written"),
			       Options.PenetrationOffset);
			return false;
		}
		std::unique_ptr<GroomFitQuality::FMeshQuery> OwnQuery;
		if (bRepairs && !Query)
		{
			FString Error;
			OwnQuery = GroomFitQuality::FMeshQuery::Create(TheComp, Error);
			if (!OwnQuery)
			{
				UE_LOG(LogTemp, Error, TEXT("FitGroomToStaticMesh: the fit cannot be repaired (%s); the groom was not fitted or written"), *Error);
				return false;
			}
			Query = OwnQuery.get();
		}

		const bool bSurfaceNormal = Groom.surfaceNormals.size() / 3 == Groom.vertexCounts.size();
		if (bSurfaceNormal)
		{
			UE_LOG(LogTemp, Error, TEXT("Using surface normal projection to fit groom"));
		}
		else
		{
			UE_LOG(LogTemp, Error, TEXT("Using shperical projection to fit groom"));
		}

		GroomFitQuality::FFitReport Report;
		Report.bAfterFit = true;
		std::vector<double> Displacements;
		if (OutReport)
		{
			Displacements.reserve(Groom.vertexCounts.size());
		}

		const int32 NumCurves = static_cast<int32>(Groom.vertexCounts.size());
		if (NumCurves > 0)
		{
			WarnIfTracesCannotHit(TheComp);
		}
		// A progress bar instead of a frozen editor; a frame per batch of strands keeps it off the profile.
		constexpr int32 StrandsPerProgressFrame = 1024;
		FScopedSlowTask SlowTask(static_cast<float>(NumCurves), FText::FromString(TEXT("Fitting groom")));
		SlowTask.MakeDialog();
		int32 FirstPoint = 0;
		for (int32 Curve = 0; Curve < NumCurves; ++Curve)
		{
			if (Curve % StrandsPerProgressFrame == 0)
			{
				SlowTask.EnterProgressFrame(static_cast<float>(FMath::Min(StrandsPerProgressFrame, NumCurves - Curve)));
			}
			const int32 Count = Groom.vertexCounts[Curve];
			if (Count == 0)
			{
				// No root to trace.
				continue;
			}
			const FVector OldRoot = ReadTriple(Groom.positions, FirstPoint);
			FVector Start, End;
			if (bSurfaceNormal)
			{
				SurfaceNormalSegment(Groom, Curve, FirstPoint, Origin, Start, End);
			}
			else
			{
				SphericalSegment(Groom, FirstPoint, Origin, Start, End);
			}
			bool bHit = false;
			FVector Hit = ComponentTrace(Start, End, TheComp, &bHit);
			bool bMoved = bHit;
			++(bHit ? Report.Hits : Report.Misses);
			if (!bHit && Options.bSnapMissesToNearest)
			{
				// The root as the groom places it in the world, as for the trace.
				FVector Normal;
				if (Query->NearestPoint(Origin + OldRoot, Hit, Normal))
				{
					bMoved = true;
					++Report.MissesSnapped;
				}
			}
			if (bMoved)
			{
				MoveStrand(Groom, FirstPoint, Count, Hit, ActorLocation);
				if (Options.bOrientToSurface)
				{
					const FVector GroomNormal = bSurfaceNormal ? ReadTriple(Groom.surfaceNormals, Curve) : OldRoot;
					FVector SurfaceNormal;
					const FVector UnitGroomNormal = GroomNormal.GetSafeNormal();
					if (!UnitGroomNormal.IsZero() && Query->SurfaceNormal(Hit, GroomFitQuality::DefaultSurfaceTolerance, SurfaceNormal) && !SurfaceNormal.IsZero())
					{
						OrientStrand(Groom, FirstPoint, Count, UnitGroomNormal, SurfaceNormal);
						++Report.StrandsOriented;
					}
				}
			}
			if (Options.bResolvePenetration)
			{
				// A moved strand's root is on the surface, where it belongs.
				for (int32 Point = bMoved ? FirstPoint + 1 : FirstPoint; Point < FirstPoint + Count; ++Point)
				{
					FVector Resolved;
					if (ResolvePenetration(*Query, ReadTriple(Groom.positions, Point) + ActorLocation, Options.PenetrationOffset, Resolved))
					{
						const FVector Local = Resolved - ActorLocation;
						const size_t First = 3 * static_cast<size_t>(Point);
						Groom.positions[First] = static_cast<float>(Local.X);
						Groom.positions[First + 1] = static_cast<float>(Local.Y);
						Groom.positions[First + 2] = static_cast<float>(Local.Z);
						++Report.PointsResolved;
					}
				}
			}
			if (OutReport)
			{
				Displacements.push_back((ReadTriple(Groom.positions, FirstPoint) - OldRoot).Size());
			}
			FirstPoint += Count;
		}

		if (OutReport)
		{
			std::sort(Displacements.begin(), Displacements.end());
			Report.Displacement.Count = static_cast<int64>(Displacements.size());
			if (!Displacements.empty())
			{
				Report.Displacement.Min = Displacements.front();
				Report.Displacement.Median = Displacements[(Displacements.size() - 1) / 2];
				Report.Displacement.Max = Displacements.back();
			}
			*OutReport = Report;
		}
		return true;
	}

	std::string TemporaryPathFor(const std::string& TargetPath)
	{
		return TargetPath + ".velmora-tmp";
	}

	bool WriteRecordReplacing(const std::string& TargetPath, const GroomData& Groom)
	{
		const std::string TemporaryPath = TemporaryPathFor(TargetPath);
		try
		{
			WriteGroom(TemporaryPath, Groom, TargetPath);
		}
		catch (const std::exception& Error)
		{
			// "Could not write file: <target> (<reason>)": the writer names the file the user asked for.
			RemoveTemporaryFile(TemporaryPath);
			UE_LOG(LogTemp, Error, TEXT("%s"), *FromUtf8(Error.what()));
			return false;
		}
		catch (...)
		{
			RemoveTemporaryFile(TemporaryPath);
			UE_LOG(LogTemp, Error, TEXT("Could not write file: %s (unknown error)"), *FromUtf8(TargetPath));
			return false;
		}

		std::error_code RenameError;
		std::filesystem::rename(ToFileSystemPath(TemporaryPath), ToFileSystemPath(TargetPath), RenameError);
		if (RenameError)
		{
			RemoveTemporaryFile(TemporaryPath);
			UE_LOG(LogTemp, Error, TEXT("Could not write file: %s (%s)"), *FromUtf8(TargetPath), *FromUtf8(RenameError.message()));
			return false;
		}
		return true;
	}
}

void UvelmoraBPLibrary::FitGroomToStaticMesh(AActor* source, UStaticMeshComponent* TheComp, FVector origin, FString sourceAlmbicPath, FString targetAlembicPath)
{
	if (!source)
	{
		UE_LOG(LogTemp, Error, TEXT("FitGroomToStaticMesh: source is null; no groom was read or written"));
		return;
	}
	if (!TheComp)
	{
		UE_LOG(LogTemp, Error, TEXT("FitGroomToStaticMesh: TheComp is null; no groom was read or written"));
		return;
	}

	const std::string SourcePath = ToUtf8(sourceAlmbicPath);
	const std::string TargetPath = ToUtf8(targetAlembicPath);

	bool bReadFailed = false;
	GroomData Groom = ReadGroom(SourcePath, bReadFailed);
	if (bReadFailed)
	{
		// A half-read record must not become a groom file, nor replace one.
		UE_LOG(LogTemp, Error, TEXT("FitGroomToStaticMesh: could not read %s; %s was not written"), *sourceAlmbicPath, *targetAlembicPath);
		return;
	}

	if (!GroomFitting::FitRecord(Groom, TheComp, origin, source->GetActorLocation()))
	{
		return;
	}
	GroomFitting::WriteRecordReplacing(TargetPath, Groom);
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
