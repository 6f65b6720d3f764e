#pragma once

#include "alembicIO.h"

#include <functional>
#include <string>
#include <vector>

// The groom record as JSON, in the shape of the Alembic fixtures' *.expected.json: the five arrays,
// plus the messages the reader gave ("log" without the trailing line break, "stderr" line by line).
namespace VelmoraCli
{
	class FJsonWriter;

	struct FReadMessages
	{
		std::vector<std::string> Log;
		std::vector<std::string> Stderr;
	};

	// Strict JSON: a number that is not finite is null (counted in "nonFiniteNumbers"), text that is not
	// UTF-8 has its bad bytes replaced. AddKeys, when given, writes more keys after the record's own.
	std::string GroomToJson(const GroomData& Groom, const FReadMessages& Messages, const std::function<void(FJsonWriter&)>& AddKeys = nullptr);

	// Parses a record; arrays that are absent stay empty. Every number keeps its exact float value
	// ("-0" is -0.0f). Throws std::runtime_error with the reason on malformed JSON, a wrong type, a
	// value beyond float range, or a count that is not a whole number or does not fit 32 bits. It
	// does not check that the arrays agree: the fixtures' records of damaged files do not.
	GroomData GroomFromJson(const std::string& Text);

	// Throws std::runtime_error with the reason unless the record is one the writer may store: whole
	// triples, counts of 0 or more that add up to the points, and no widths, one, one per strand or
	// one per point.
	void CheckGroomRecord(const GroomData& Groom);

	// The whole text of a record file; throws std::runtime_error with the reason, refusing anything
	// but a regular file (a FIFO or a device would block or never end).
	std::string ReadRecordText(const std::string& Path);

	// Reads a groom the way the fit does, collecting every message the reader gave instead of printing it.
	GroomData ReadGroomCollecting(const std::string& Path, FReadMessages& OutMessages, bool& bOutReadFailed);
}
