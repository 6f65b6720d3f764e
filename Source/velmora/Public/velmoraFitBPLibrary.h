#pragma once

#include "CoreMinimal.h"
#include "Kismet/BlueprintFunctionLibrary.h"
#include "velmoraFitBPLibrary.generated.h"

class AActor;
class UStaticMeshComponent;

/** The fit's repairs. Each is off by default, so a fit with the defaults is FitGroomToStaticMesh's fit. */
USTRUCT(BlueprintType)
struct FvelmoraFitOptions
{
	GENERATED_BODY()

	/** A strand whose trace meets nothing has its root moved to the nearest surface point instead of staying where it was. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	bool bSnapMissesToNearest = false;

	/** Each moved strand is turned about its new root so the groom's normal there (or the direction from the origin) follows the surface normal. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	bool bOrientToSurface = false;

	/** With bOrientToSurface, the length along each strand, from its root, over which the turn fades out; 0 turns the whole strand. Segments keep their lengths. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	double OrientFalloff = 2.0;

	/** After the move, the points inside the mesh are brought out root to tip towards the surface, PenetrationOffset outside it, each kept at its segment's length from the point before. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	bool bResolvePenetration = false;

	/** How far outside the surface a point pushed out of the mesh lands, in world units. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	double PenetrationOffset = 0.1;
};

/** How a groom lies on a mesh: where its roots are, how many points are inside, and what a fit did. */
USTRUCT(BlueprintType)
struct FvelmoraFitReport
{
	GENERATED_BODY()

	/** False when the groom or the mesh could not be read or measured (the log says why); the figures are then zero. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	bool bMeasured = false;

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	int64 Strands = 0;

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	int64 Points = 0;

	/** Roots within SurfaceTolerance of the surface. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	int64 RootsOnSurface = 0;

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	int64 RootsOffSurface = 0;

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	double SurfaceTolerance = 0.0;

	/** Distance of the roots from the surface: least, median and greatest. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	double RootDistanceMin = 0.0;

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	double RootDistanceMedian = 0.0;

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	double RootDistanceMax = 0.0;

	/** Points inside the mesh, and the strands with at least one. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	int64 PointsInside = 0;

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	int64 StrandsInside = 0;

	/** Points that are not finite numbers, kept as the source had them. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	int64 PointsNotFinite = 0;

	/** True when the figures below describe a fit. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	bool bAfterFit = false;

	/** How far the fit moved each strand's root: least, median and greatest. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	double DisplacementMin = 0.0;

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	double DisplacementMedian = 0.0;

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	double DisplacementMax = 0.0;

	/** Strands whose trace met the mesh, and those whose trace did not. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	int64 Hits = 0;

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	int64 Misses = 0;

	/** What the repairs did: missed strands snapped, strands turned, points pushed out of the mesh, and points no repair could bring out (the log says why). */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	int64 MissesSnapped = 0;

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	int64 StrandsOriented = 0;

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	int64 PointsResolved = 0;

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	int64 PointsUnresolved = 0;

	/** Why points were left inside, when some were: "3 enclosed by another shell", and so on. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	FString UnresolvedReasons;

	/** True when orientation or the penetration resolve ran and the figures below compare the strands' shape with the plain fit's. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	bool bShapeMeasured = false;

	/** How far each strand's root-to-tip direction turned, in degrees: median, 99th percentile and greatest. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	double TurnMedian = 0.0;

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	double TurnP99 = 0.0;

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	double TurnMax = 0.0;

	/** Strands whose root-to-tip direction turned more than 30 degrees. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	int64 StrandsTurnedOver30 = 0;

	/** The largest change of a segment's length, as a fraction of it, and the segments changed by more than 1%. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	double SegmentChangeMax = 0.0;

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	int64 SegmentsChangedOver1Percent = 0;
};

/** How PrepareGroom turns a groom from a DCC tool into one the fit reads. The defaults take every curves object at its first sample, as stored. */
USTRUCT(BlueprintType)
struct FvelmoraPrepareOptions
{
	GENERATED_BODY()

	/** Full paths of the objects to take ("/Head/Curves"); each takes the curves objects at or below it. Empty: every curves object. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	TArray<FString> ObjectPaths;

	/** The sample to read, counted in the samples of the most sampled curves object taken; every object is read at that sample's time. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	int32 Frame = 0;

	/** The groom is Y-up: turn it Z-up, (x, y, z) -> (x, -z, y), as the engine's groom import does with Rotation X = -90. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	bool bYUp = false;

	/** Multiplies every point and width after the transforms: 100 for a groom in metres. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	double Scale = 1.0;

	/** After the scale, moves the centre of the groom's bounds to the origin (before Translation). */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	bool bCenter = false;

	/** After the scale (and the centring), added to every point. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	FVector Translation = FVector(0, 0, 0);
};

/** What PrepareGroom made, what it did and what of the source the groom cannot hold. */
USTRUCT(BlueprintType)
struct FvelmoraPrepareReport
{
	GENERATED_BODY()

	/** False when nothing was written; Error says why. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	bool bSucceeded = false;

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	int64 Strands = 0;

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	int64 Points = 0;

	/** What the written groom holds: colours and normals (triples), widths and root UVs (one per strand). */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	int64 Colours = 0;

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	int64 Normals = 0;

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	int64 Widths = 0;

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	int64 RootUVs = 0;

	/** The curves objects merged, in the order their strands were written; a path over 4 KB by its end. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	TArray<FString> ObjectsMerged;

	/** The time read, in seconds. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	double Time = 0.0;

	/** Bounds of the written points. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	FVector BoundsMin = FVector(0, 0, 0);

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	FVector BoundsMax = FVector(0, 0, 0);

	/** What was added to every point by the centring and the translation. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	FVector Moved = FVector(0, 0, 0);

	/** One line for each thing done: objects merged, transforms applied, attributes mapped. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	TArray<FString> Done;

	/** One line for each thing of the source the groom cannot hold. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	TArray<FString> Dropped;

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "velmora")
	FString Error;
};

/*
 * The groom fit with its repairs and a report of how good it is, the report alone for any groom file
 * against a mesh component, and the preparation of a groom from a DCC tool. A library of its own, so the
 * velmora library's nodes stay as graphs know them.
 */
UCLASS()
class UvelmoraFitBPLibrary : public UBlueprintFunctionLibrary
{
	GENERATED_UCLASS_BODY()

	/** FitGroomToStaticMesh with the repairs Options turns on; returns the report of the fitted groom against the mesh. */
	UFUNCTION(BlueprintCallable, meta = (DisplayName = "FitGroomToStaticMeshWithOptions", Keywords = "velmora groom fit report"), Category = "velmora")
	static FvelmoraFitReport FitGroomToStaticMeshWithOptions(AActor* source, UStaticMeshComponent* TheComp, FVector origin, FString sourceAlmbicPath,
	                                                         FString targetAlembicPath, const FvelmoraFitOptions& Options);

	/** Reports on the groom file at groomAlembicPath, each point placed at placement + point, against TheComp; changes nothing. */
	UFUNCTION(BlueprintCallable, meta = (DisplayName = "ReportGroomFit", Keywords = "velmora groom report check"), Category = "velmora")
	static FvelmoraFitReport ReportGroomFit(UStaticMeshComponent* TheComp, FVector placement, FString groomAlembicPath);

	/** Turns the groom at sourceAlembicPath, as a DCC tool wrote it, into a groom the fit reads, written to targetAlembicPath: every curves object (or those Options names) merged, placed by its transforms, with its colours and normals under the names the fit reads. */
	UFUNCTION(BlueprintCallable, meta = (DisplayName = "PrepareGroom", Keywords = "velmora groom prepare import dcc"), Category = "velmora")
	static FvelmoraPrepareReport PrepareGroom(FString sourceAlembicPath, FString targetAlembicPath, const FvelmoraPrepareOptions& Options);
};
