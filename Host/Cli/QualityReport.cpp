#include "QualityReport.h"

#include "ErrorText.h"

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
		std::snprintf(Text, sizeof(Text),
		              "roots    %lld on the surface (within %g), %lld off it\n"
		              "distance of roots from the surface: min %.4g, median %.4g, max %.4g\n",
		              static_cast<long long>(Report.RootsOnSurface), Report.SurfaceTolerance, static_cast<long long>(Report.RootsOffSurface),
		              Report.RootDistance.Min, Report.RootDistance.Median, Report.RootDistance.Max);
		std::string Described = Text;
		Described += "inside   " + Counted(Report.PointsInside, "point") + " of " + Counted(Report.StrandsInside, "strand") + " inside the mesh\n";
		if (Report.bAfterFit)
		{
			std::snprintf(Text, sizeof(Text), "moved    roots by min %.4g, median %.4g, max %.4g\n", Report.Displacement.Min, Report.Displacement.Median,
			              Report.Displacement.Max);
			Described += Text;
			Described += "repairs  " + Counted(Report.MissesSnapped, "miss", "misses") + " snapped, " + Counted(Report.StrandsOriented, "strand") + " oriented, " +
			             Counted(Report.PointsResolved, "point") + " pushed out of the mesh\n";
		}
		if (Report.bShapeMeasured)
		{
			char Shape[512];
			std::snprintf(Shape, sizeof(Shape),
			              "shape    root-to-tip turn against the %s: median %.3g, p99 %.3g, max %.3g degrees; %lld %s over 30, %lld over 60\n"
			              "segments length changed by at most %.3g%%; %lld segments by more than 1%%\n",
			              Report.bAfterFit ? "plain fit" : "reference", Report.TurnMedian, Report.TurnP99, Report.TurnMax, static_cast<long long>(Report.StrandsTurnedOver30),
			              Report.StrandsTurnedOver30 == 1 ? "strand" : "strands", static_cast<long long>(Report.StrandsTurnedOver60), 100.0 * Report.SegmentChangeMax, static_cast<long long>(Report.SegmentsChangedOver1Percent));
			Described += Shape;
		}
		if (Report.PointsNotFinite > 0)
		{
			Described += "broken   " + Counted(Report.PointsNotFinite, "point") + (Report.PointsNotFinite == 1 ? " is not a finite number (kept as it is" : " are not finite numbers (kept as they are") + ", inside nothing)\n";
		}
		if (Report.bAfterFit && Report.PointsUnresolved > 0)
		{
			// Never a silent claim that the repairs left nothing inside.
			Described += "left     " + Counted(Report.PointsUnresolved, "point") + " inside (" + std::string(TCHAR_TO_UTF8(*Report.UnresolvedReasons)) + ")\n";
		}
		return Described;
	}
}
