#pragma once

#include "CoreMinimal.h"
#include "alembicIO.h"

#include <memory>
#include <string>

class AActor;
class UStaticMeshComponent;
struct FCollisionQueryParams;
struct FHitResult;

// Traces the segment Start -> End against Component's complex collision and returns the impact point,
// or the zero vector, with a warning, when it meets nothing. bOutHit, when given, tells the two apart, so a
// real hit at the world origin is not taken for a miss. About one hit in fifty draws a green debug line.
FVector ComponentTrace(const FVector& Start, const FVector& End, UStaticMeshComponent* Component, bool* bOutHit = nullptr);

// The groom fit: reading the groom, one trace per strand, the moves, the optional repairs, the report of
// how the groom lies on the mesh, and the write.
namespace GroomFitting
{
	class FMeshQuery;

	// The fit's repairs, each off by default so the plain fit keeps its behaviour.
	struct FFitOptions
	{
		// A strand whose trace misses is moved so its root lands on the nearest surface point.
		bool bSnapMissesToNearest = false;
		// A moved strand is turned about its new root by the rotation that takes the groom's normal at the
		// root (or, for spherical fits, the direction from the origin) to the surface normal at the hit.
		bool bOrientToSurface = false;
		// Along how much of the strand, from the root, the turn fades out: the first segment turns fully,
		// segments from OrientFalloff on keep their direction, every segment keeps its length. 0 turns the
		// whole strand as one.
		double OrientFalloff = DefaultOrientFalloff;
		// After the move, a strand with points inside the mesh is turned about its root (where it is on the
		// surface) by the least turn that brings them all out, the tip standing about PenetrationOffset
		// further out. Where that cannot be done, or turns it over 30 degrees, its points are also brought out
		// root to tip, each kept at its segment's length from the point before (within 1%): to where the
		// surface plus PenetrationOffset along its normal is seen from there, or turned from there towards the
		// outside, the points beyond one moved moving with it; the way that leaves fewer points inside, then
		// turns the strand less, is kept.
		bool bResolvePenetration = false;
		double PenetrationOffset = 0.1;

		// Enough for the root's few segments to follow the surface on a head in centimetres, short of most
		// strands, so their run beyond keeps the groom's style.
		static constexpr double DefaultOrientFalloff = 2.0;

		bool AnyRepair() const { return bSnapMissesToNearest || bOrientToSurface || bResolvePenetration; }
	};

	enum class EProjection : uint8
	{
		SurfaceNormal,
		Spherical,
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
		// Whether a file fit got as far as a whole groom record.
		bool bGroomRead = false;
		// What a fit did; bAfterFit is false for a groom only measured.
		bool bAfterFit = false;
		EProjection Projection = EProjection::SurfaceNormal;
		// Strands with a root to trace, those whose trace met the mesh and those whose trace did not.
		int64 Traced = 0;
		int64 Hits = 0;
		int64 Misses = 0;
		// The strands whose trace met nothing, in order (a picture rings them from this, not by guessing).
		TArray<int32> MissedStrands;
		// What the repairs did; points left inside are those no repair could bring out.
		int64 MissesSnapped = 0;
		int64 StrandsOriented = 0;
		int64 PointsResolved = 0;
		int64 PointsUnresolved = 0;
		// Why points were left inside: "12 enclosed by another shell", and so on.
		FString UnresolvedReasons;

		// How the repairs changed the strands' shape against the plain fit, which only moves them; measured
		// when orientation or the penetration resolve ran. The turn of each strand's root-to-tip direction,
		// in degrees (strands of two or more points with distinct finite ends), and the strands turned more
		// than 30 and 60 degrees.
		bool bShapeMeasured = false;
		int64 StrandsShaped = 0;
		double TurnMedian = 0.0;
		double TurnP99 = 0.0;
		double TurnMax = 0.0;
		int64 StrandsTurnedOver30 = 0;
		int64 StrandsTurnedOver60 = 0;
		// Those turned more than 30 degrees, in order (for a picture to mark).
		TArray<int32> TurnedStrands;
		// The largest change of a segment's length, as a fraction of the length, and the segments changed by
		// more than 1%.
		double SegmentChangeMax = 0.0;
		int64 SegmentsChangedOver1Percent = 0;

		// How the groom lies on the mesh, when it was measured.
		bool bMeasured = false;
		int64 Strands = 0;
		int64 Points = 0;
		// Roots within SurfaceTolerance of the surface, and the others (strands without points count in neither).
		int64 RootsOnSurface = 0;
		int64 RootsOffSurface = 0;
		double SurfaceTolerance = 0.0;
		// Unsigned distance of each root from the surface.
		FDistanceSummary RootDistance;
		// Points inside the solid the mesh bounds, and the strands that have at least one.
		int64 PointsInside = 0;
		int64 StrandsInside = 0;
		// Points that are not finite numbers, as the source had them: kept as they are, inside nothing, and
		// a root among them neither on the surface nor off it.
		int64 PointsNotFinite = 0;
		// After a measured fit: how far each strand's root moved.
		FDistanceSummary Displacement;

		// Why the fit, the write or the measure did nothing, when it did not: the line it logged as an
		// Error or, for a groom that could not be read, what the reader said.
		FString FailureReason;
	};

	// How a file fit goes beyond the repairs.
	struct FFitFileSettings
	{
		// Measure the fitted groom against the mesh into the report.
		bool bMeasure = false;
		// Write beside the target and move the file into place only when whole; a caller that stages its
		// own output turns it off and names the staged file as the target.
		bool bReplaceWhenWhole = true;
	};

	// The default distance under which a root counts as on the surface, in world units.
	constexpr double DefaultSurfaceTolerance = 1e-3;

	// An engine string as UTF-8 bytes (paths, messages), and back.
	std::string TextToUtf8(const FString& Text);
	FString Utf8ToText(const std::string& Utf8);

	// The number 0..100 that ComponentTrace draws from one rand() value; a line is drawn above 98.
	int32 DebugLineDraw(int32 RandomValue);

	// V scaled to unit length, or V unchanged when its squared length is not above 1e-8f.
	FVector Normalize(const FVector& V);

	// How far a surface-normal trace reaches to either side of the placed root.
	constexpr double SurfaceNormalReach = 5.0;

	// Surface-normal projection: SurfaceNormalReach to either side of the root placed at Origin + root,
	// along the strand's normal.
	void SurfaceNormalSegment(const GroomData& Groom, int32 CurveIndex, int32 RootIndex, const FVector& Origin, FVector& OutStart, FVector& OutEnd);

	// Spherical projection: 20 units from Origin in the direction of the root seen from (0, 0, 0).
	void SphericalSegment(const GroomData& Groom, int32 RootIndex, const FVector& Origin, FVector& OutStart, FVector& OutEnd);

	// Moves the PointCount points from RootIndex by the one offset that puts the root on Hit - ActorLocation,
	// in double precision, each stored back in single precision once. False when a point that was finite is
	// not finite in single precision once moved; a point that was not finite stays so, and
	// OutKeptNotFinite, when given, gets how many there were.
	bool MoveStrand(GroomData& Groom, int32 RootIndex, int32 PointCount, const FVector& Hit, const FVector& ActorLocation, int32* OutKeptNotFinite = nullptr);

	// MoveStrand, and the strand turned about its moved root by the rotation taking GroomNormal onto
	// SurfaceNormal (both of unit length): the move and the turn in double precision, each point stored back
	// once. With a Falloff above zero each segment turns by less the further along the strand it starts,
	// none from Falloff on, and is laid on from the point before, so every segment keeps its length. False,
	// and OutKeptNotFinite, as MoveStrand.
	bool MoveAndOrientStrand(GroomData& Groom, int32 RootIndex, int32 PointCount, const FVector& Hit, const FVector& ActorLocation, const FVector& GroomNormal,
	                         const FVector& SurfaceNormal, int32* OutKeptNotFinite = nullptr, double Falloff = 0.0);

	// How much of the turn a segment starting Along the strand from its root takes: 1 at the root, easing
	// to 0 at Falloff and beyond; 1 everywhere for a Falloff of 0.
	double OrientWeight(double Along, double Falloff);

	// The query of TheComp's collision triangles in world space, made once per mesh, placement and
	// geometry and shared while they stay the same. Null, with the reason, when the component has no mesh
	// or its mesh has no usable triangles.
	std::shared_ptr<const FMeshQuery> GetMeshQuery(const UStaticMeshComponent* TheComp, FString& OutError);

	// Fits every strand of the record onto TheComp: picks and logs the projection, traces each strand with
	// points once, moves it onto its hit (a strand whose trace misses stays where it is) and applies the
	// repairs of Options. Query answers for TheComp; when null, one is made if an option needs it.
	// OutReport, when given, gets the fit's figures (and displacements) and, with bMeasure, how the fitted
	// groom lies on the mesh, measured in the same pass (left out when the mesh cannot be queried). False,
	// with one Error line, when
	// the point counts do not fit the points, the options are not usable, the mesh cannot be queried for
	// the repairs asked for, or a point would leave single precision's finite range; the record's points
	// may then have moved and must not be written.
	bool FitRecord(GroomData& Groom, UStaticMeshComponent* TheComp, const FVector& Origin, const FVector& ActorLocation,
	               const FFitOptions& Options = FFitOptions(), const FMeshQuery* Query = nullptr, FFitReport* OutReport = nullptr, bool bMeasure = false);

	// Reports on Groom as it would lie in the world (each point placed at Placement + point) against the
	// mesh, into OutReport's measured figures. False, with a one-line reason, on a groom whose counts do
	// not fit its points.
	bool MeasureGroom(const GroomData& Groom, const FMeshQuery& Query, const FVector& Placement, double SurfaceTolerance, FFitReport& OutReport,
	                  FString& OutError);

	// How Groom's strands differ in shape from Reference's (the same strands, as a plain fit left them):
	// fills OutReport's shape figures. False, with a one-line reason, when the two do not hold the same
	// strands of the same points.
	bool MeasureShapeAgainst(const GroomData& Groom, const GroomData& Reference, FFitReport& OutReport, FString& OutError);

	// The fit a Blueprint asks for: reads SourcePath, fits onto TheComp with Options, writes TargetPath and,
	// when asked, measures the result. False, with the reason logged, when nothing was written.
	bool FitGroomFile(AActor* Source, UStaticMeshComponent* TheComp, const FVector& Origin, const FString& SourcePath, const FString& TargetPath,
	                  const FFitOptions& Options, const FFitFileSettings& Settings, FFitReport& OutReport);

	// FitGroomFile in its two halves, for a caller with other work to do between reading and fitting.
	// Reads SourcePath; false, with one Error line and an empty record, when the groom cannot be read whole.
	// OutReadReason, when given, gets what the reader said. OutCarried, when given, gets the source's params
	// the record does not hold, for the fitted file (a Warning names any that cannot be carried).
	bool ReadGroomForFit(const FString& SourcePath, const FString& TargetPath, GroomData& OutGroom, FString* OutReadReason = nullptr,
	                     std::vector<FGroomParam>* OutCarried = nullptr);
	// Fits the record read from a file onto TheComp (Source and TheComp must be valid) and writes TargetPath,
	// with the params carried from its source.
	bool FitAndWriteGroom(AActor* Source, UStaticMeshComponent* TheComp, const FVector& Origin, GroomData& Groom, const FString& TargetPath,
	                      const FFitOptions& Options, const FFitFileSettings& Settings, FFitReport& OutReport,
	                      const std::vector<FGroomParam>& Carried = std::vector<FGroomParam>());

	// Measures the groom file at GroomPath, placed at Placement, against TheComp; changes nothing. False,
	// with the reason logged, when the groom or the mesh cannot be measured.
	bool ReportGroomFile(const UStaticMeshComponent* TheComp, const FVector& Placement, const FString& GroomPath, FFitReport& OutReport);

	// Writes the record, with the params carried from its source, to a temporary file of a name no other
	// file has beside the file TargetPath names (through any links), and renames it over that file once
	// whole, with the earlier file's permission bits, so a failure leaves the earlier file (or none). Where
	// the folder takes no new file, writes in place. False, with the reason in one line, on failure;
	// OutWarnings gets what was left out of the file and, when written in place, that it was.
	bool WriteGroomReplacing(const std::string& TargetPath, const GroomData& Groom, const std::vector<FGroomParam>& Carried, std::vector<std::string>& OutWarnings,
	                         std::string& OutError);

	// WriteGroomReplacing, with its warnings logged and a failure as one Error line.
	bool WriteRecordReplacing(const std::string& TargetPath, const GroomData& Groom, FFitReport* OutReport = nullptr,
	                          const std::vector<FGroomParam>& Carried = std::vector<FGroomParam>());
}
