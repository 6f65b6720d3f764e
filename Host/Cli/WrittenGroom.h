#pragma once

#include "alembicIO.h"

#include <string>

// A groom file just written, read back before it replaces anything: a writer that missed a failed
// write (a full disk, a file-size limit) must not get a truncated file into place.
namespace VelmoraCli
{
	// True when Path reads as a groom with Expected's strand and point counts. Shown names the file in
	// OutError.
	bool ReadsBackWhole(const std::string& Path, const GroomData& Expected, const std::string& Shown, std::string& OutError);

	// The last line of a message: the groom writer's exceptions span lines and end with the cause.
	std::string LastLineOf(const std::string& Message);

	// The same, for counts alone.
	bool ReadsBackWhole(const std::string& Path, size_t Strands, size_t Points, const std::string& Shown, std::string& OutError);
}
