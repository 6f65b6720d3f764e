#pragma once

#include "alembicIO.h"

#include <cstdint>
#include <string>
#include <vector>

// Turns a groom as DCC tools write it (curves objects under transforms, colours and normals under their
// own names) into the groom the plugin reads: one curves object in the world's space, with "groom_color"
// and "surface_normal". What the plugin's groom cannot hold is said, never silently lost.
namespace GroomPrepare
{
	struct FPrepareOptions
	{
		// Full object paths ("/Head/Curves"); each picks the curves objects at or below it. Empty: every one.
		std::vector<std::string> ObjectPaths;
		// The sample to read, an index into the samples of the most sampled curves object picked; every
		// object is read at that sample's time.
		int32_t Frame = 0;
		// Turn a Y-up groom Z-up, (x, y, z) -> (x, -z, y): what the engine's groom import does with Rotation X = -90.
		bool bYUp = false;
		// Units: every point (and width) is multiplied by it after the transforms.
		double Scale = 1.0;
		// Then, to place the groom: bCenter moves the centre of its bounds to the origin, and Translation
		// is added to every point.
		bool bCenter = false;
		double Translation[3] = {0, 0, 0};
	};

	// What the preparation and the survey both say of an object: its counts and curves (for a curves
	// object) and the transforms that place it.
	struct FObjectFacts
	{
		std::string Path;
		int64_t Strands = 0;
		int64_t Points = 0;
		// "linear" or "cubic"; "bezier", "b-spline", ...; "non-periodic" or "periodic".
		std::string CurveType;
		std::string Basis;
		std::string Wrap;
		// How many Xforms above it make its world transform (those above one that does not inherit do
		// not), the paths of the nearest of them (outermost first; at most 32, and no more than fit in
		// MaxNamedTransformBytes, so a deep file's list stays small), and whether that transform is the
		// identity.
		int32_t TransformCount = 0;
		std::vector<std::string> Transforms;
		bool bIdentityTransform = true;
	};

	// The most bytes of paths FObjectFacts::Transforms holds.
	constexpr size_t MaxNamedTransformBytes = 1024;

	// One curves object merged into the groom.
	struct FPreparedObject : FObjectFacts
	{
		// Its world matrix, row after row (points are row vectors: p * M), before the up axis and scale.
		double Matrix[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
		// The sample read.
		int64_t Sample = 0;
	};

	enum class EAttributeTarget : uint8_t
	{
		Colour,
		Normal,
		Width,
		RootUV,
	};

	// Where one attribute of the prepared groom came from, for one object.
	struct FAttributeMapping
	{
		std::string ObjectPath;
		EAttributeTarget Target = EAttributeTarget::Colour;
		// The name in the file: "groom_color", "Cd", "N", "width", ...
		std::string Source;
		// The scope the file declares ("constant", "uniform", "varying", "vertex", ...) and how the values
		// were taken by their count ("one for the object", "per strand", "per point").
		std::string Scope;
		std::string Layout;
		int64_t Values = 0;
	};

	enum class EDropKind : uint8_t
	{
		// A periodic curve is kept as an open one: its points as stored, no closing segment.
		PeriodicKeptOpen,
		// The curve's type and basis: its points are kept and written as the plugin writes every groom.
		CurveBasis,
		Knots,
		Orders,
		PositionWeights,
		Velocities,
		UVs,
		// An attribute that not every merged object has, or whose count fits neither the strands nor the points.
		Attribute,
		// An arbitrary param the groom has no place for.
		ArbitraryParam,
	};

	// Something of the source the prepared groom does not hold.
	struct FDropped
	{
		std::string ObjectPath;
		EDropKind Kind = EDropKind::ArbitraryParam;
		// The property's name, where there is one.
		std::string Name;
		// Type, extent, scope and count, or why.
		std::string Detail;
	};

	struct FPrepareReport
	{
		bool bSucceeded = false;
		int64_t Strands = 0;
		int64_t Points = 0;
		// What the written groom holds: triples of each, and widths.
		int64_t Colours = 0;
		int64_t Normals = 0;
		int64_t Widths = 0;
		// Root UVs written as "groom_root_uv", one per strand (0 when the source has none).
		int64_t RootUVs = 0;
		// The sample index asked for and the time read.
		int32_t Frame = 0;
		double Time = 0.0;
		// Bounds of the prepared points (all zero without points).
		double BoundsMin[3] = {0, 0, 0};
		double BoundsMax[3] = {0, 0, 0};
		// What was added to every point after the scale (centring and translation together).
		double Moved[3] = {0, 0, 0};
		std::vector<FPreparedObject> Objects;
		std::vector<FAttributeMapping> Attributes;
		std::vector<FDropped> Dropped;
		// One line for each thing done, and one for each thing dropped.
		std::vector<std::string> DoneLines;
		std::vector<std::string> DroppedLines;
		// Why nothing was prepared, in one line.
		std::string Error;
	};

	// One attribute of a curves object as the file holds it.
	struct FSurveyedAttribute
	{
		// "N", "width", "uv", ".velocities" or the arbitrary param's name.
		std::string Name;
		// "normals", "widths", "uvs", "velocities" or "arbitrary".
		std::string Role;
		// "float32_t", "uint8_t", ...; values per element; "rgb", "vector", ...
		std::string Type;
		int32_t Extent = 0;
		std::string Interpretation;
		std::string Scope;
		bool bIndexed = false;
		bool bScalar = false;
		// Elements in the sample read (indices for an indexed one), 0 for a scalar or compound one.
		int64_t Count = 0;
	};

	// One object of the file.
	struct FSurveyedObject : FObjectFacts
	{
		// The schema without its prefix and version ("Curve", "Xform", "PolyMesh", ...), or "Object".
		std::string Kind;
		// The index in FGroomSurvey::Objects of the object it lies in, -1 at the top.
		int32_t Parent = -1;
		int64_t Samples = 0;
		// Bounds of its points with every transform applied (curves objects with points only).
		bool bHasWorldBounds = false;
		double WorldBoundsMin[3] = {0, 0, 0};
		double WorldBoundsMax[3] = {0, 0, 0};
		std::vector<FSurveyedAttribute> Attributes;
	};

	struct FGroomSurvey
	{
		// Every object below the top, in pre-order.
		std::vector<FSurveyedObject> Objects;
		// The curves object the fit reads (the first, in pre-order), "" when there is none.
		std::string FitReads;
		// Its index in Objects, -1 when there is none: two objects may share a path.
		int32_t FitReadsIndex = -1;
		// The time the survey read every object at: the first sample of the most sampled curves object.
		double Time = 0.0;
		std::string Error;
	};

	enum class ESurveyDepth
	{
		// Everything, world bounds included (every point is read).
		Whole,
		// Objects, transforms, counts and attributes, without reading a point: cheap on any groom. Curve
		// types and world bounds are left out.
		Structure,
	};

	// What the file at the UTF-8 SourcePath holds, for a look before preparing it; changes nothing.
	// False, with OutSurvey.Error set, when it cannot be read ("an HDF5 Alembic archive; re-export it as
	// Ogawa", a damaged file, ...).
	bool SurveyGroomFile(const std::string& SourcePath, FGroomSurvey& OutSurvey, ESurveyDepth Depth = ESurveyDepth::Whole);

	// Reads the groom at the UTF-8 SourcePath as Options asks into OutGroom, and into OutParams, when given,
	// what the written groom holds beyond the record (its root UVs as "groom_root_uv"). False, with
	// OutReport.Error set and OutGroom empty, when it cannot be made sound.
	bool PrepareGroomRecord(const std::string& SourcePath, const FPrepareOptions& Options, GroomData& OutGroom, FPrepareReport& OutReport,
	                        std::vector<FGroomParam>* OutParams = nullptr);

	// PrepareGroomRecord, then the groom written to TargetPath by the plugin's writer, beside it first and
	// moved into place once whole. False, with OutReport.Error set, when nothing was written.
	bool PrepareGroomFile(const std::string& SourcePath, const std::string& TargetPath, const FPrepareOptions& Options, FPrepareReport& OutReport);

	const char* DropKindName(EDropKind Kind);
	const char* AttributeTargetName(EAttributeTarget Target);
}
