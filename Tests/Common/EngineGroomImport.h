#pragma once

// What Unreal Engine 5.5.2's groom import makes of a groom file, for the suite: an oracle written from
// what the engine's translator and builder are known to do, apart from the plugin's own code. It reads the
// file with the Alembic API as the import does, but never reads past a sample: where the import would
// read past one (or through the null data pointer of an empty one), that is recorded as a violation, and
// importing such a file takes the editor down.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace EngineImport
{
	// How widths reach the builder. None: the file has no width, and the builder gives every point 0.01.
	enum class EWidthLayout : uint8_t
	{
		None,
		PerPoint,
		PerStrand,
		One,
		// Curves objects that differ.
		Mixed,
	};

	enum class EColourFate : uint8_t
	{
		// No groom_color.
		None,
		// A per-point groom_color of three floats: the only colour the builder uses.
		KeptPerPoint,
		Dropped,
	};

	enum class ERootUVSource : uint8_t
	{
		None,
		// The curves schema's uv.
		SchemaUV,
		// The arbitrary param groom_root_uv, which wins over uv.
		GroomRootUV,
		Mixed,
	};

	// One curves object, as the import reads it before merging.
	struct FImportedObject
	{
		std::string Path;
		int64_t Strands = 0;
		int64_t Points = 0;
		EWidthLayout Widths = EWidthLayout::None;
		EColourFate Colours = EColourFate::None;
		// Why a groom_color was dropped.
		std::string ColourNote;
		ERootUVSource RootUVs = ERootUVSource::None;
		bool bGuides = false;
	};

	struct FEngineGroom
	{
		// Why the import would not take the file as a groom ("holds a polymesh: /Eyes/high-poly"), or "".
		std::string Refusal;
		std::vector<FImportedObject> Objects;
		int64_t Strands = 0;
		int64_t Points = 0;
		// Every curves object merged, in pre-order: points with the parent chain's matrices applied (x, y, z
		// each), and what the builder gets per point and per strand. A value the import would read past a
		// sample for is NaN here.
		std::vector<double> Positions;
		EWidthLayout Widths = EWidthLayout::None;
		std::vector<float> PointWidths;
		EColourFate Colours = EColourFate::None;
		// r, g, b per point, when every object's colours are kept.
		std::vector<float> PointColours;
		ERootUVSource RootUVSource = ERootUVSource::None;
		// u, v per strand, when every object has root UVs.
		std::vector<float> RootUVs;
		bool bGuides = false;
		// Strands whose groom_guide is not zero.
		int64_t GuideStrands = 0;
		// The groom_* params as the import files them, by name.
		std::vector<std::string> StrandAttributes;
		std::vector<std::string> PointAttributes;
		// Where the import would read past a sample, one line each: "width: reads 9 values per point from a
		// sample of 3".
		std::vector<std::string> Violations;
		// What this model does not know the import's answer to (a scope the facts do not cover, a library
		// refusal): never taken for clean.
		std::vector<std::string> Unmodelled;
	};

	// The file at Path as the engine's groom import takes it.
	FEngineGroom ImportGroom(const std::string& Path);

	// Everything above in a few lines, for a failure message.
	std::string Describe(const FEngineGroom& Groom);

	// Success when the import takes the file as a groom without a violation, and the model knows every
	// answer it gives but for exactly the Unmodelled lines a caller expects.
	testing::AssertionResult ImportsCleanly(const std::string& Path, const std::vector<std::string>& ExpectedUnmodelled = {});
}
