#include "Commands.h"
#include "GroomJson.h"

#include <cstdio>
#include <exception>

namespace VelmoraCli
{
	const char* const PackUsage =
	    "usage: velmora pack RECORD.json OUT.abc\n"
	    "\n"
	    "Writes a groom record given as JSON (the arrays positions, vertexCounts, widths, groomColors and\n"
	    "surfaceNormals, as 'velmora inspect --json' prints them) to an Alembic file, exactly as the fit\n"
	    "writes its result. Every number is kept exactly (-0 stays -0). The record is checked first, and\n"
	    "refused with the reason when its arrays disagree: positions, groomColors and surfaceNormals must\n"
	    "hold whole x, y, z triples, vertexCounts must be 0 or more and add up to the points, and widths\n"
	    "must be empty, one value, one per strand or one per point.\n"
	    "\n"
	    "example: velmora pack groom.json groom.abc\n";

	int RunPack(const std::vector<std::string>& Args)
	{
		if (Args.size() == 1 && (Args[0] == "-h" || Args[0] == "--help"))
		{
			std::fputs(PackUsage, stdout);
			return 0;
		}
		if (Args.size() != 2)
		{
			std::fputs(PackUsage, stderr);
			return 2;
		}
		GroomData Groom;
		try
		{
			// The whole record is checked before anything is written.
			Groom = GroomFromJson(ReadRecordText(Args[0]));
			CheckGroomRecord(Groom);
		}
		catch (const std::exception& Error)
		{
			std::fprintf(stderr, "velmora pack: %s: %s\n", Args[0].c_str(), Error.what());
			return 1;
		}
		try
		{
			WriteGroom(Args[1], Groom);
		}
		catch (const std::exception& Error)
		{
			std::fprintf(stderr, "velmora pack: %s: %s\n", Args[1].c_str(), Error.what());
			return 1;
		}
		return 0;
	}
}
