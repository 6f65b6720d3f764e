// libFuzzer target: the JSON record `velmora pack` reads. Any input either parses into a record or is
// refused with an exception the command reports; a parsed record written out as JSON reads back the same.

#include "GroomJson.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

namespace
{
	bool AllFinite(const std::vector<float>& Values)
	{
		for (const float Value : Values)
		{
			if (!std::isfinite(Value))
			{
				return false;
			}
		}
		return true;
	}

	bool SameBits(const std::vector<float>& A, const std::vector<float>& B)
	{
		return A.size() == B.size() && (A.empty() || std::memcmp(A.data(), B.data(), A.size() * sizeof(float)) == 0);
	}

	[[noreturn]] void Broken(const char* What)
	{
		std::fprintf(stderr, "groom record round trip broke: %s\n", What);
		std::abort();
	}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
	GroomData Groom;
	try
	{
		Groom = VelmoraCli::GroomFromJson(std::string(reinterpret_cast<const char*>(Data), Size));
	}
	catch (const std::exception&)
	{
		return 0;
	}

	// Numbers beyond float range parse to infinities, which JSON cannot spell; the round trip is only
	// promised for finite records.
	if (!AllFinite(Groom.positions) || !AllFinite(Groom.widths) || !AllFinite(Groom.groomColors) || !AllFinite(Groom.surfaceNormals))
	{
		return 0;
	}
	GroomData Back;
	try
	{
		Back = VelmoraCli::GroomFromJson(VelmoraCli::GroomToJson(Groom, {}));
	}
	catch (const std::exception& Error)
	{
		std::fprintf(stderr, "%s\n", Error.what());
		Broken("the record's own JSON does not parse");
	}
	if (!SameBits(Back.positions, Groom.positions) || Back.vertexCounts != Groom.vertexCounts || !SameBits(Back.widths, Groom.widths) ||
	    !SameBits(Back.groomColors, Groom.groomColors) || !SameBits(Back.surfaceNormals, Groom.surfaceNormals))
	{
		Broken("the record read back differs");
	}
	return 0;
}
