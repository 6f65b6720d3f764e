#pragma once

#include "alembicIO.h"

#include <string>
#include <vector>

// The groom record as JSON, in the shape of the Alembic fixtures' *.expected.json: the five arrays,
// plus the messages the reader gave ("log" without the trailing line break, "stderr" line by line).
namespace VelmoraCli
{
	struct FReadMessages
	{
		std::vector<std::string> Log;
		std::vector<std::string> Stderr;
	};

	std::string GroomToJson(const GroomData& Groom, const FReadMessages& Messages);

	// Parses a record; arrays that are absent stay empty. Throws std::runtime_error with the reason on
	// malformed JSON, a wrong type, or a count that does not fit 32 bits.
	GroomData GroomFromJson(const std::string& Text);

	// Reads a groom the way the fit does, collecting every message the reader gave instead of printing it.
	GroomData ReadGroomCollecting(const std::string& Path, FReadMessages& OutMessages, bool& bOutReadFailed);
}
