#pragma once

#include "CoreMinimal.h"
#include "alembicIO.h"

#include <memory>
#include <string>

class AActor;
class UStaticMeshComponent;

// How good a fit is, and the fit's optional repairs: nearest surface points, inside/outside tests and
// a report of a groom against the surface of a static mesh component, all in world space.
namespace GroomFitQuality
{
	// The fit's repairs, each off by default so the plain fit keeps its behaviour.
	struct FFitOptions
	{
		// A strand whose trace misses is moved so its root lands on the nearest surface point.
		bool bSnapMissesToNearest = false;
		// A moved strand is turned about its new root by the rotation that takes the groom's normal at the
		// root (or, for spherical fits, the direction from the origin) to the surface normal at the hit.
		bool bOrientToSurface = false;
		// After the move, every point inside the mesh goes to the nearest surface point plus
		// PenetrationOffset along the surface normal; the points keep their order.
		bool bResolvePenetration = false;
		double PenetrationOffset = 0.1;
	};

	// Minimum, median and maximum of a set of distances; all zero when the set is empty.
	struct FDistanceSummary
	{
		int64 Count = 0;
		double Min = 0.0;
		double Median = 0.0;
		double Max = 0.0;
	};

	struct FFitReport
	{
		int64 Strands = 0;
		int64 Points = 0;
		// Roots within SurfaceTolerance of the surface, and the others (strands without points count in neither).
		int64 RootsOnSurface = 0;
		int64 RootsOffSurface = 0;
		double SurfaceTolerance = 0.0;
		// Unsigned distance of each root from the surface.
		FDistanceSummary RootDistance;
		// Points inside the closed (or nearly closed) mesh, and the strands that have at least one.
		int64 PointsInside = 0;
		int64 StrandsInside = 0;
		// Filled by a fit only: how far each strand's root moved, traces that hit and missed, and the
		// strands each repair touched.
		bool bAfterFit = false;
		FDistanceSummary Displacement;
		int64 Hits = 0;
		int64 Misses = 0;
		int64 MissesSnapped = 0;
		int64 StrandsOriented = 0;
		int64 PointsResolved = 0;
	};

	// The component's mesh (LOD 0) in world space, with the spatial structures the queries need. Built once
	// per fit or report.
	class FMeshQuery
	{
	public:
		// Null, with a one-line reason in OutError, when the component has no mesh, the mesh has no
		// triangles, or its geometry is not finite.
		static std::unique_ptr<FMeshQuery> Create(const UStaticMeshComponent* Component, FString& OutError);
		virtual ~FMeshQuery() = default;

		// The nearest surface point to Point and the outward surface normal there. False when the mesh has
		// nothing to offer (never for a mesh Create accepted) or Point is not finite.
		virtual bool NearestPoint(const FVector& Point, FVector& OutNearest, FVector& OutNormal) const = 0;
		// The outward normal of the surface at a point on it, looking no further than Tolerance from it
		// (so much faster than NearestPoint) and as far as needed when nothing is that near.
		virtual bool SurfaceNormal(const FVector& SurfacePoint, double Tolerance, FVector& OutNormal) const = 0;
		// Winding-number test: robust to small holes, +1 inside a closed outward-facing mesh, 0 outside.
		virtual bool IsInside(const FVector& Point) const = 0;
		virtual double WindingNumber(const FVector& Point) const = 0;
	};

	// The default distance under which a root counts as on the surface, in world units.
	constexpr double DefaultSurfaceTolerance = 1e-3;

	// Reports on Groom as it would lie in the world (each point placed at Placement + point) against the
	// mesh. False, with a one-line reason, on a groom whose counts do not fit its points or whose points
	// are not finite.
	bool MeasureGroom(const GroomData& Groom, const FMeshQuery& Mesh, const FVector& Placement, double SurfaceTolerance,
	                  FFitReport& OutReport, FString& OutError);

	// FitGroomToStaticMesh with the repairs of Options: reads SourcePath, fits, writes TargetPath (replacing
	// it only when whole) and measures the fitted groom against the mesh. False, with the reason logged,
	// when nothing was written.
	bool FitGroomFile(AActor* Source, UStaticMeshComponent* TheComp, const FVector& Origin, const FString& SourcePath,
	                  const FString& TargetPath, const FFitOptions& Options, FFitReport& OutReport);

	// Measures the groom file at GroomPath, placed at Placement, against TheComp; changes nothing. False,
	// with the reason logged, when the groom or the mesh cannot be measured.
	bool ReportGroomFile(const UStaticMeshComponent* TheComp, const FVector& Placement, const FString& GroomPath,
	                     FFitReport& OutReport);
}
