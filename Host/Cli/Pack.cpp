#include "Commands.h"
#include "GroomJson.h"
#include "Options.h"
#include "StagedOutput.h"
#include "StreamCapture.h"
#include "ErrorText.h"

#include <cstdio>
#include <exception>

namespace VelmoraCli
{
	const char* const PackUsage =
	    "usage: velmora pack RECORD.json OUT.abc [--quiet]\n"
	    "       velmora pack RECORD.json -o OUT.abc [--quiet]\n"
	    "\n"
	    "Writes a groom record given as JSON (the arrays positions, vertexCounts, widths, groomColors and\n"
	    "surfaceNormals, as 'velmora inspect --json' prints them) to an Alembic file, exactly as the fit\n"
	    "writes its result, and says \"writing to file: OUT.abc\" once it is written. Every number is kept\n"
	    "exactly (-0 stays -0). The record is checked first, and refused with the reason when its arrays\n"
	    "disagree: positions, groomColors and surfaceNormals must hold whole x, y, z triples, vertexCounts\n"
	    "must be 0 or more and add up to the points, and widths must be empty, one value, one per strand or\n"
	    "one per point.\n"
	    "\n"
	    "options:\n"
	    "  -o, --output OUT.abc   the output file (instead of the second argument)\n"
	    "  -q, --quiet            print nothing but errors\n"
	    "\n"
	    "The output appears only when whole; on bad input the command exits with status 1 and one line\n"
	    "saying why (2 for a bad command line). OUT.abc must be a regular file or not exist yet, and not be\n"
	    "RECORD.json; links and permissions are handled as 'velmora fit --help' tells.\n"
	    "\n"
	    "example: velmora pack groom.json groom.abc\n";

	int RunPack(const std::vector<std::string>& Args)
	{
		std::vector<std::string> Files;
		std::string OutputPath;
		bool bQuiet = false;
		std::string Error;
		const auto Usage = [](const std::string& Message)
		{
			std::fprintf(stderr, "velmora pack: %s (see velmora pack --help)\n", Message.c_str());
			return 2;
		};
		for (size_t Index = 0; Index < Args.size();)
		{
			const std::string& Arg = Args[Index];
			std::string Name = Arg, Inline;
			SplitInlineValue(Arg, Name, Inline);
			if (Name == "-h" || Name == "--help")
			{
				std::fputs(PackUsage, stdout);
				return 0;
			}
			if (Name == "-o" || Name == "--output")
			{
				if (!ParseFileOption(Args, Index, OutputPath, Error))
				{
					return Usage(Error);
				}
				continue;
			}
			if (Arg == "-q" || Arg == "--quiet")
			{
				bQuiet = true;
			}
			else
			{
				if (!TakeFileArgument(Args, Index, Files, Error))
				{
					return Usage(Error);
				}
				continue;
			}
			++Index;
		}
		if (Files.size() == 2 && OutputPath.empty())
		{
			OutputPath = Files[1];
			Files.pop_back();
		}
		if (Files.size() != 1 || OutputPath.empty())
		{
			return Usage(Files.size() > 1 ? "too many files" : "expects RECORD.json OUT.abc");
		}
		const std::string& RecordPath = Files[0];
		const auto Fail = [](const std::string& Message)
		{
			std::fprintf(stderr, "velmora pack: %s\n", Message.c_str());
			return 1;
		};

		if (!FStagedOutput::CheckTarget(OutputPath, {{RecordPath, "record"}}, Error))
		{
			return Fail(Error);
		}
		GroomData Groom;
		try
		{
			// The whole record is checked before anything is written.
			Groom = GroomFromJson(ReadRecordText(RecordPath));
			CheckGroomRecord(Groom);
		}
		catch (const std::exception& Exception)
		{
			return Fail("cannot read record '" + RecordPath + "': " + LastLineOf(Exception.what()));
		}

		FStagedOutput Output(OutputPath);
		if (!Output.Prepare(Error, {{RecordPath, "record"}}))
		{
			return Fail(Error);
		}
		std::string WriteFailure;
		{
			// The writer announces and complains about its staging path; the user hears of the target.
			FScopedStreamCapture Quiet;
			try
			{
				WriteGroom(Output.GetStagingPath(), Groom);
			}
			catch (const std::exception& Exception)
			{
				WriteFailure = LastLineOf(Exception.what());
			}
			catch (...)
			{
				WriteFailure = "unknown error";
			}
		}
		if (!WriteFailure.empty())
		{
			return Fail("cannot write '" + OutputPath + "': " + Output.NameTarget(WriteFailure));
		}
		if (!Output.Commit(Error))
		{
			return Fail(Error);
		}
		if (!bQuiet)
		{
			std::printf("writing to file: %s\n", OutputPath.c_str());
		}
		return 0;
	}
}
