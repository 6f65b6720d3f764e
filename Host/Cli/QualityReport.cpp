#include "QualityReport.h"

#include <cstdio>

namespace VelmoraCli
{
	nlohmann::json QualityToJson(const GroomFitting::FFitReport& Report)
	{
		nlohmann::json Json = {
		    {"strands", Report.Strands},
		    {"points", Report.Points},
		    {"surfaceTolerance", Report.SurfaceTolerance},
		    {"rootsOnSurface", Report.RootsOnSurface},
		    {"rootsOffSurface", Report.RootsOffSurface},
		    {"rootDistance", {{"min", Report.RootDistance.Min}, {"median", Report.RootDistance.Median}, {"max", Report.RootDistance.Max}}},
		    {"pointsInside", Report.PointsInside},
		    {"strandsInside", Report.StrandsInside},
		};
		if (Report.PointsNotFinite > 0)
		{
			Json["pointsNotFinite"] = Report.PointsNotFinite;
		}
		if (Report.bAfterFit)
		{
			Json["displacement"] = {{"min", Report.Displacement.Min}, {"median", Report.Displacement.Median}, {"max", Report.Displacement.Max}};
			Json["hits"] = Report.Hits;
			Json["misses"] = Report.Misses;
			Json["missesSnapped"] = Report.MissesSnapped;
			Json["strandsOriented"] = Report.StrandsOriented;
			Json["pointsResolved"] = Report.PointsResolved;
			Json["pointsUnresolved"] = Report.PointsUnresolved;
			if (Report.PointsUnresolved > 0)
			{
				Json["unresolved"] = std::string(TCHAR_TO_UTF8(*Report.UnresolvedReasons));
			}
			if (Report.bShapeMeasured)
			{
				Json["shape"] = {
				    {"strands", Report.StrandsShaped},
				    {"turnDegrees", {{"median", Report.TurnMedian}, {"p99", Report.TurnP99}, {"max", Report.TurnMax}}},
				    {"strandsTurnedOver30", Report.StrandsTurnedOver30},
				    {"strandsTurnedOver60", Report.StrandsTurnedOver60},
				    {"segmentChangeMax", Report.SegmentChangeMax},
				    {"segmentsChangedOver1Percent", Report.SegmentsChangedOver1Percent},
				};
			}
		}
		return Json;
	}

	nlohmann::json OptionsToJson(const GroomFitting::FFitOptions& Options)
	{
		return {
		    {"onMiss", Options.bSnapMissesToNearest ? "nearest" : "keep"},
		    {"orient", Options.bOrientToSurface},
		    {"orientFalloff", Options.OrientFalloff},
		    {"resolvePenetration", Options.bResolvePenetration},
		    {"penetrationOffset", Options.PenetrationOffset},
		};
	}

	std::string DescribeQuality(const GroomFitting::FFitReport& Report)
	{
		char Text[1024];
		int Length = std::snprintf(Text, sizeof(Text),
		                           "roots    %lld on the surface (within %g), %lld off it\n"
		                           "distance of roots from the surface: min %.4g, median %.4g, max %.4g\n"
		                           "inside   %lld points of %lld strands inside the mesh\n",
		                           static_cast<long long>(Report.RootsOnSurface), Report.SurfaceTolerance, static_cast<long long>(Report.RootsOffSurface),
		                           Report.RootDistance.Min, Report.RootDistance.Median, Report.RootDistance.Max, static_cast<long long>(Report.PointsInside),
		                           static_cast<long long>(Report.StrandsInside));
		if (Report.bAfterFit && Length > 0 && Length < static_cast<int>(sizeof(Text)))
		{
			std::snprintf(Text + Length, sizeof(Text) - Length,
			              "moved    roots by min %.4g, median %.4g, max %.4g\n"
			              "repairs  %lld misses snapped, %lld strands oriented, %lld points pushed out of the mesh\n",
			              Report.Displacement.Min, Report.Displacement.Median, Report.Displacement.Max, static_cast<long long>(Report.MissesSnapped),
			              static_cast<long long>(Report.StrandsOriented), static_cast<long long>(Report.PointsResolved));
		}
		std::string Described = Text;
		if (Report.bAfterFit && Report.bShapeMeasured)
		{
			char Shape[512];
			std::snprintf(Shape, sizeof(Shape),
			              "shape    root-to-tip turn against the plain fit: median %.3g, p99 %.3g, max %.3g degrees; %lld strands over 30, %lld over 60\n"
			              "segments length changed by at most %.3g%%; %lld segments by more than 1%%\n",
			              Report.TurnMedian, Report.TurnP99, Report.TurnMax, static_cast<long long>(Report.StrandsTurnedOver30),
			              static_cast<long long>(Report.StrandsTurnedOver60), 100.0 * Report.SegmentChangeMax, static_cast<long long>(Report.SegmentsChangedOver1Percent));
			Described += Shape;
		}
		if (Report.PointsNotFinite > 0)
		{
			Described += "broken   " + std::to_string(Report.PointsNotFinite) + " points are not finite numbers (kept as they are, inside nothing)\n";
		}
		if (Report.bAfterFit && Report.PointsUnresolved > 0)
		{
			// Never a silent claim that the repairs left nothing inside.
			Described += "left     " + std::to_string(Report.PointsUnresolved) + " points inside (" + std::string(TCHAR_TO_UTF8(*Report.UnresolvedReasons)) + ")\n";
		}
		return Described;
	}
}
