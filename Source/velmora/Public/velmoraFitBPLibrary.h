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

	/** After the move, every point inside the mesh goes to the nearest surface point, PenetrationOffset outside it. */
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
};

/*
 * The groom fit with its repairs and a report of how good it is, and the report alone for any groom file
 * against a mesh component. A library of its own, so the velmora library's nodes stay as graphs know them.
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
};
