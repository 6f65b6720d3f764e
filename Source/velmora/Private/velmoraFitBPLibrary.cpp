#include "velmoraFitBPLibrary.h"

#include "GroomFitting.h"
#include "GroomPrepare.h"
#include "SafeText.h"

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
		Result.OrientFalloff = Options.OrientFalloff;
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
		Result.PointsNotFinite = Report.PointsNotFinite;
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
		Result.bShapeMeasured = Report.bShapeMeasured;
		Result.TurnMedian = Report.TurnMedian;
		Result.TurnP99 = Report.TurnP99;
		Result.TurnMax = Report.TurnMax;
		Result.StrandsTurnedOver30 = Report.StrandsTurnedOver30;
		Result.SegmentChangeMax = Report.SegmentChangeMax;
		Result.SegmentsChangedOver1Percent = Report.SegmentsChangedOver1Percent;
		return Result;
	}

	GroomPrepare::FPrepareOptions ToPrepareOptions(const FvelmoraPrepareOptions& Options)
	{
		GroomPrepare::FPrepareOptions Result;
		for (const FString& Path : Options.ObjectPaths)
		{
			Result.ObjectPaths.push_back(GroomFitting::TextToUtf8(Path));
		}
		Result.Frame = Options.Frame;
		Result.bYUp = Options.bYUp;
		Result.Scale = Options.Scale;
		Result.bCenter = Options.bCenter;
		Result.Translation[0] = Options.Translation.X;
		Result.Translation[1] = Options.Translation.Y;
		Result.Translation[2] = Options.Translation.Z;
		return Result;
	}

	FvelmoraPrepareReport ToBlueprintPrepareReport(const GroomPrepare::FPrepareReport& Report)
	{
		FvelmoraPrepareReport Result;
		Result.bSucceeded = Report.bSucceeded;
		Result.Strands = Report.Strands;
		Result.Points = Report.Points;
		Result.Colours = Report.Colours;
		Result.Normals = Report.Normals;
		Result.Widths = Report.Widths;
		Result.RootUVs = Report.RootUVs;
		for (const GroomPrepare::FPreparedObject& Object : Report.Objects)
		{
			// A path deeper than a few kilobytes is shortened to its end: whole, the list would grow with
			// the square of the depth.
			Result.ObjectsMerged.Add(GroomFitting::Utf8ToText(Object.Path.size() <= 4096 ? Object.Path : SafeText::ShortPath(Object.Path)));
		}
		Result.Time = Report.Time;
		Result.BoundsMin = FVector(Report.BoundsMin[0], Report.BoundsMin[1], Report.BoundsMin[2]);
		Result.BoundsMax = FVector(Report.BoundsMax[0], Report.BoundsMax[1], Report.BoundsMax[2]);
		Result.Moved = FVector(Report.Moved[0], Report.Moved[1], Report.Moved[2]);
		for (const std::string& Line : Report.DoneLines)
		{
			Result.Done.Add(GroomFitting::Utf8ToText(Line));
		}
		for (const std::string& Line : Report.DroppedLines)
		{
			Result.Dropped.Add(GroomFitting::Utf8ToText(Line));
		}
		Result.Error = GroomFitting::Utf8ToText(Report.Error);
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

FvelmoraPrepareReport UvelmoraFitBPLibrary::PrepareGroom(FString sourceAlembicPath, FString targetAlembicPath, const FvelmoraPrepareOptions& Options)
{
	GroomPrepare::FPrepareReport Report;
	if (!GroomPrepare::PrepareGroomFile(GroomFitting::TextToUtf8(sourceAlembicPath), GroomFitting::TextToUtf8(targetAlembicPath), ToPrepareOptions(Options), Report))
	{
		UE_LOG(LogTemp, Error, TEXT("PrepareGroom: %s; %s was not written"), *GroomFitting::Utf8ToText(Report.Error), *targetAlembicPath);
	}
	return ToBlueprintPrepareReport(Report);
}
