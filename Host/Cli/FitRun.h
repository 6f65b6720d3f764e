#pragma once

#include "CoreMinimal.h"
#include "Host/MeshBuilders.h"
#include "Progress.h"
#include "StagedOutput.h"
#include "GroomFitting.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

// One fit as the command runs it: a host world with the groom's actor and the mesh as a static mesh
// component, the fit a Blueprint's FitGroomToStaticMesh (or, with repairs, FitGroomToStaticMeshWithOptions)
// runs, and the output moved into place only when whole.
namespace VelmoraCli
{
	struct FFitRequest
	{
		std::string GroomPath;
		std::string OutputPath;
		// The mesh's file, when it came from one: the output must not replace it.
		std::string MeshPath;
		FVector Origin = FVector::ZeroVector;
		FVector ActorLocation = FVector::ZeroVector;
		FVector MeshLocation = FVector::ZeroVector;
		FRotator MeshRotation = FRotator::ZeroRotator;
		FVector MeshScale = FVector::OneVector;
		// Double-sided is how SkeletalMeshToStaticMesh makes a head; single-sided is the engine's default
		// for any other mesh.
		Host::ECollisionSides CollisionSides = Host::ECollisionSides::DoubleSided;
		EProgressMode Progress = EProgressMode::Auto;
		// The fit's repairs, all off by default: the plain fit.
		GroomFitting::FFitOptions Options;
		// Measure the fitted groom against the mesh; and the groom as exported (placed at the origin), before the fit.
		bool bMeasure = false;
		bool bMeasureBefore = false;
	};

	struct FFitReport
	{
		int64 Strands = 0;
		int64 Points = 0;
		// Strands with a root to trace (at least one point).
		int64 Traced = 0;
		int64 MeshTriangles = 0;
		// The mesh file has a skin: its skinned meshes stand at rest.
		bool bMeshSkinned = false;
		// "surface normal" or "spherical".
		std::string Mode;
		int64 Hits = 0;
		int64 Misses = 0;
		// Seconds per stage; the read, trace and write stages are told apart by the fit's progress task.
		double MeshSeconds = 0;
		double ReadSeconds = 0;
		double TraceSeconds = 0;
		double WriteSeconds = 0;
		double TotalSeconds = 0;
		// The fit's log lines as the engine prints them, runs of one line folded into "(xN)", and what
		// the groom file code printed.
		std::vector<std::string> Log;
		// The fit's own figures and, when measured, the fitted groom against the mesh; with bMeasureBefore,
		// the groom as exported.
		GroomFitting::FFitReport Quality;
		GroomFitting::FFitReport Before;
		// World bounds: the groom as the fit places it for its traces (each point at the origin plus the
		// point), and the mesh with the component's transform. Invalid when unknown.
		FBox GroomBounds = FBox(ForceInit);
		FBox MeshBounds = FBox(ForceInit);
		// What looked wrong before the fit, one line each.
		std::vector<std::string> Warnings;
		// The fit ran and its figures are filled, whether or not it left a groom to write.
		bool bFitRan = false;
		// Traces ran and none met the mesh, and no repair placed a root: nothing was written.
		bool bNothingHit = false;

		nlohmann::json ToJson() const;
		// The human-readable summary, several lines.
		std::string Describe() const;
	};

	// The groom read ahead of the fit, while the mesh is still being imported, and what reading it said.
	struct FGroomReadAhead
	{
		// Why the groom is not even a file to read, or empty.
		std::string FileError;
		bool bRead = false;
		GroomData Groom;
		// The source's params the record does not hold, for the fitted file.
		std::vector<FGroomParam> Carried;
		// The log lines and printed lines of the read, as the command shows them, and the reader's reason
		// when it failed.
		std::vector<std::string> Lines;
		std::string ReadReason;
		double Seconds = 0;
	};

	// Bounds of the groom's points placed at Placement, and of the mesh's vertices moved by Transform; both
	// pass over points that are not finite. Invalid when there is nothing to bound.
	FBox GroomWorldBounds(const GroomData& Groom, const FVector& Placement);
	FBox MeshWorldBounds(const Host::FMeshData& Mesh, const FTransform& Transform);
	// "(x, y, z)-(x, y, z)", or "(none)".
	std::string DescribeBox(const FBox& Box);
	// {"min": [x, y, z], "max": [x, y, z]}, or null.
	nlohmann::json BoxToJson(const FBox& Box);

	// Reads the groom at GroomPath as the fit would, its messages held back for the fit's summary.
	void ReadGroomAhead(const std::string& GroomPath, FGroomReadAhead& OutAhead);

	// Fits the groom at Request.GroomPath (or the one Ahead read from it) onto Mesh and writes
	// Request.OutputPath. False with a one-line reason (and no output file) on bad input, and when traces
	// ran and none met the mesh with no repair placing a root instead (OutReport.bNothingHit): the reason
	// then gives both world bounds. OutReport's bounds are filled when not given. With Ahead, its groom is
	// the fitted record afterwards (also when nothing was written, for a picture of the failure). With
	// Staged (prepared for Request.OutputPath), the fitted groom is left there uncommitted, for the caller
	// to commit with its other outputs.
	bool RunFitOnMesh(const FFitRequest& Request, const Host::FMeshData& Mesh, FFitReport& OutReport, std::string& OutError, FGroomReadAhead* Ahead = nullptr,
	                  FStagedOutput* Staged = nullptr);
}
