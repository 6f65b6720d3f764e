#pragma once

#include <cstdint>
#include <string>

namespace Assimp
{
	class Importer;
}

// A mesh file's header says how much follows: counts of vertices and faces, lengths of buffers and
// chunks. The importer believes it and sizes its work by it, so a few bytes that claim a billion
// vertices cost a minute or gigabytes before the importer finds the data missing. These checks compare
// the claims with the bytes there are, and refuse a file whose header cannot be true before the
// importer sees it. They only refuse what no valid file can hold: anything they cannot judge is left
// to the importer.
namespace VelmoraCli
{
	// False with a one-line reason when the file at Path, in the format Importer would read it as (PLY,
	// STL, glTF/GLB or binary FBX; other formats pass), claims more than it holds. OutReferencedBytes,
	// when given, receives the size of the other files the header names (a glTF's buffer files).
	bool CheckMeshHeader(const Assimp::Importer& Importer, const std::string& Path, std::string& OutReason, uint64_t* OutReferencedBytes = nullptr);
}
