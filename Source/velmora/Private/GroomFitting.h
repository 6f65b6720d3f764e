#pragma once

#include "CoreMinimal.h"
#include "alembicIO.h"

#include <string>

class UStaticMeshComponent;

namespace GroomFitQuality
{
	struct FFitOptions;
	struct FFitReport;
	class FMeshQuery;
}

// Traces the segment Start -> End against Component's complex collision and returns the impact point,
// or the zero vector, with a warning, when it meets nothing. bOutHit, when given, tells the two apart, so a
// real hit at the world origin is not taken for a miss. About one hit in fifty draws a green debug line.
FVector ComponentTrace(const FVector& Start, const FVector& End, UStaticMeshComponent* Component, bool* bOutHit = nullptr);

// The steps of the groom fit, reachable one by one for the tests.
namespace GroomFitting
{
	// The number 0..100 that ComponentTrace draws from one rand() value; a line is drawn above 98.
	int32 DebugLineDraw(int32 RandomValue);

	// V scaled to unit length, or V unchanged when its squared length is not above 1e-8f.
	FVector Normalize(const FVector& V);

	// Surface-normal projection: 5 units to either side of the root placed at Origin + root, along the
	// strand's normal.
	void SurfaceNormalSegment(const GroomData& Groom, int32 CurveIndex, int32 RootIndex, const FVector& Origin, FVector& OutStart, FVector& OutEnd);

	// Spherical projection: 20 units from Origin in the direction of the root seen from (0, 0, 0).
	void SphericalSegment(const GroomData& Groom, int32 RootIndex, const FVector& Origin, FVector& OutStart, FVector& OutEnd);

	// Moves the PointCount points from RootIndex by the one offset that puts the root on Hit - ActorLocation.
	void MoveStrand(GroomData& Groom, int32 RootIndex, int32 PointCount, const FVector& Hit, const FVector& ActorLocation);

	// Fits every strand of the record onto TheComp: picks and logs the projection, then traces each strand
	// with points once and moves it onto its hit (a strand whose trace misses stays where it is). False,
	// with one Error line and nothing traced, when the point counts do not fit the points.
	bool FitRecord(GroomData& Groom, UStaticMeshComponent* TheComp, const FVector& Origin, const FVector& ActorLocation);

	// FitRecord with the repairs of Options, counting what it did in OutReport (when given): a missed
	// strand snapped to the nearest surface point, moved strands turned to the surface, points inside the
	// mesh pushed out. Query answers for TheComp; when null, one is made if an option needs it. False,
	// with one Error line and nothing changed, when the counts do not fit the points, the options are
	// not usable or the mesh cannot be queried.
	bool FitRecord(GroomData& Groom, UStaticMeshComponent* TheComp, const FVector& Origin, const FVector& ActorLocation,
	               const GroomFitQuality::FFitOptions& Options, GroomFitQuality::FFitReport* OutReport);
	bool FitRecord(GroomData& Groom, UStaticMeshComponent* TheComp, const FVector& Origin, const FVector& ActorLocation,
	               const GroomFitQuality::FFitOptions& Options, const GroomFitQuality::FMeshQuery* Query, GroomFitQuality::FFitReport* OutReport);

	// Turns the strand's points about its root by the rotation taking GroomNormal onto SurfaceNormal (both of
	// unit length).
	void OrientStrand(GroomData& Groom, int32 RootIndex, int32 PointCount, const FVector& GroomNormal, const FVector& SurfaceNormal);

	// For a point inside the mesh: true, with where it goes, the nearest surface point plus Offset along
	// the surface normal (tried again from there where the surface folds back within Offset).
	bool ResolvePenetration(const GroomFitQuality::FMeshQuery& Query, const FVector& Point, double Offset, FVector& OutPoint);

	// Writes the record to a temporary file beside TargetPath and renames it over TargetPath once complete,
	// so a failure leaves the earlier file (or none). False, with one Error line, on failure.
	bool WriteRecordReplacing(const std::string& TargetPath, const GroomData& Groom);

	// Where the record is written before it replaces TargetPath.
	std::string TemporaryPathFor(const std::string& TargetPath);
}
