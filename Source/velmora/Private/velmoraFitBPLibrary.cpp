#include "velmoraFitBPLibrary.h"

#include "GroomFitQuality.h"

UvelmoraFitBPLibrary::UvelmoraFitBPLibrary(const FObjectInitializer& ObjectInitializer)
    : Super(ObjectInitializer)
{
}

namespace
{
	GroomFitQuality::FFitOptions ToFitOptions(const FvelmoraFitOptions& Options)
	{
		GroomFitQuality::FFitOptions Result;
		Result.bSnapMissesToNearest = Options.bSnapMissesToNearest;
		Result.bOrientToSurface = Options.bOrientToSurface;
		Result.bResolvePenetration = Options.bResolvePenetration;
		Result.PenetrationOffset = Options.PenetrationOffset;
		return Result;
	}

	// A report that failed stays all zero, so no figure of a half-finished measurement reaches a graph.
	FvelmoraFitReport ToBlueprintReport(const GroomFitQuality::FFitReport& Report, const bool bMeasured)
	{
		FvelmoraFitReport Result;
		if (!bMeasured)
		{
			return Result;
		}
		Result.bMeasured = true;
		Result.Strands = Report.Strands;
		Result.Points = Report.Points;
		Result.RootsOnSurface = Report.RootsOnSurface;
		Result.RootsOffSurface = Report.RootsOffSurface;
		Result.SurfaceTolerance = Report.SurfaceTolerance;
		Result.RootDistanceMin = Report.RootDistance.Min;
		Result.RootDistanceMedian = Report.RootDistance.Median;
		Result.RootDistanceMax = Report.RootDistance.Max;
		Result.PointsInside = Report.PointsInside;
		Result.StrandsInside = Report.StrandsInside;
		Result.bAfterFit = Report.bAfterFit;
		Result.DisplacementMin = Report.Displacement.Min;
		Result.DisplacementMedian = Report.Displacement.Median;
		Result.DisplacementMax = Report.Displacement.Max;
		Result.Hits = Report.Hits;
		Result.Misses = Report.Misses;
		Result.MissesSnapped = Report.MissesSnapped;
		Result.StrandsOriented = Report.StrandsOriented;
		Result.PointsResolved = Report.PointsResolved;
		return Result;
	}
}

FvelmoraFitReport UvelmoraFitBPLibrary::FitGroomToStaticMeshWithOptions(AActor* source, UStaticMeshComponent* TheComp, FVector origin, FString sourceAlmbicPath,
                                                                        FString targetAlembicPath, const FvelmoraFitOptions& Options)
{
	GroomFitQuality::FFitReport Report;
	const bool bFitted = GroomFitQuality::FitGroomFile(source, TheComp, origin, sourceAlmbicPath, targetAlembicPath, ToFitOptions(Options), Report);
	return ToBlueprintReport(Report, bFitted);
}

FvelmoraFitReport UvelmoraFitBPLibrary::ReportGroomFit(UStaticMeshComponent* TheComp, FVector placement, FString groomAlembicPath)
{
	GroomFitQuality::FFitReport Report;
	const bool bMeasured = GroomFitQuality::ReportGroomFile(TheComp, placement, groomAlembicPath, Report);
	return ToBlueprintReport(Report, bMeasured);
}
