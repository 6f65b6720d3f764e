#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One hair groom in memory: strands (open curves) of points, with per-strand or per-point attributes.
// Every value stays exactly as the file holds it; nothing converts units, axes or handedness.
struct GroomData
{
	// All points of all strands as x, y, z triples, strand after strand; a strand's first point is its root.
	std::vector<float> positions;
	// Points per strand, in strand order.
	std::vector<int32_t> vertexCounts;
	// One width for the groom, per strand or per point: as many as the file holds, indices expanded.
	std::vector<float> widths;
	// x, y, z triples of the "groom_color" attribute.
	std::vector<float> groomColors;
	// x, y, z triples of the "surface_normal" attribute.
	std::vector<float> surfaceNormals;
};

// Logs a UTF-8 text to LogTemp at Warning, unchanged (a trailing line break stays in the line).
void LogMessage(std::string message);

// Reads the first curves object (pre-order) of an Alembic file at sample 0. Never throws: a failure is
// logged and the record holds what was read before it.
GroomData ReadGroom(std::string path);

// As above, and tells the caller whether reading failed (the archive could not be opened or the library
// raised an error), so a half-read record is never taken for a whole one.
GroomData ReadGroom(std::string path, bool& bOutReadFailed);

// How Alembic gets at a groom file to read. The engine's Alembic opens files by narrow name, which
// Windows takes in the ANSI code page, so there the plugin opens the file itself (by its wide name) and
// hands Alembic the stream, read on demand. Elsewhere narrow names are UTF-8 and the library's own
// memory-mapped read by name is the faster.
enum class EGroomReadRoute
{
	ByName,
	Stream
};

// The route this platform takes.
EGroomReadRoute PlatformGroomReadRoute();

// As above, by the given route (tests take the other platform's route with it).
GroomData ReadGroom(std::string path, bool& bOutReadFailed, EGroomReadRoute route);

// Writes the record as one cubic curves object "groom" with widths, per-point texture coordinates and
// the "groom_color" and "surface_normal" vector attributes, and says on standard output where it writes.
// Throws when the file cannot be opened or any write to it fails (the system's reason in the text), or
// when the library refuses the record; what was written by then stays behind for the caller to remove.
void WriteGroom(std::string path, const GroomData& groom);

// As above, but the line on standard output names announcedPath: the file the caller means to make,
// when path is a temporary file on the way to it.
void WriteGroom(std::string path, const GroomData& groom, const std::string& announcedPath);
