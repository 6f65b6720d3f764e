#include "velmoraFitBPLibrary.h"

#include "GroomFitting.h"

UvelmoraFitBPLibrary::UvelmoraFitBPLibrary(const FObjectInitializer& ObjectInitializer)
    : Super(ObjectInitializer)
{
}

namespace
{
	GroomFitting::FFitOptions ToFitOptions(const FvelmoraFitOptions& Options)
	{
		GroomFitting::FFitOptions Result;
		Result.bSnapMissesToNearest = Options.bSnapMissesToNearest;
		Result.bOrientToSurface = Options.bOrientToSurface;
		Result.bResolvePenetration = Options.bResolvePenetration;
		Result.PenetrationOffset = Options.PenetrationOffset;
		return Result;
	}

	// A report that failed stays all zero, so no figure of a half-finished measurement reaches a graph.
	FvelmoraFitReport ToBlueprintReport(const GroomFitting::FFitReport& Report)
	{
		FvelmoraFitReport Result;
		if (!Report.bMeasured)
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
		Result.PointsUnresolved = Report.PointsUnresolved;
		Result.UnresolvedReasons = Report.UnresolvedReasons;
		return Result;
	}
}

FvelmoraFitReport UvelmoraFitBPLibrary::FitGroomToStaticMeshWithOptions(AActor* source, UStaticMeshComponent* TheComp, FVector origin, FString sourceAlmbicPath,
                                                                        FString targetAlembicPath, const FvelmoraFitOptions& Options)
{
	GroomFitting::FFitFileSettings Settings;
	Settings.bMeasure = true;
	GroomFitting::FFitReport Report;
	GroomFitting::FitGroomFile(source, TheComp, origin, sourceAlmbicPath, targetAlembicPath, ToFitOptions(Options), Settings, Report);
	return ToBlueprintReport(Report);
}

FvelmoraFitReport UvelmoraFitBPLibrary::ReportGroomFit(UStaticMeshComponent* TheComp, FVector placement, FString groomAlembicPath)
{
	GroomFitting::FFitReport Report;
	GroomFitting::ReportGroomFile(TheComp, placement, groomAlembicPath, Report);
	return ToBlueprintReport(Report);
}
