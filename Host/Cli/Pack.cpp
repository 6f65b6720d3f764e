#include "Commands.h"
#include "CliPath.h"
#include "GroomJson.h"
#include "Options.h"
#include "StagedOutput.h"
#include "StreamCapture.h"
#include "ErrorText.h"

#include <algorithm>
#include <cstdio>
#include <exception>

namespace VelmoraCli
{
	const char* const PackUsage =
	    "usage: velmora pack RECORD.json OUT.abc [--quiet] [--as-is]\n"
	    "       velmora pack RECORD.json -o OUT.abc [--quiet]\n"
	    "\n"
	    "Writes a groom record given as JSON (the arrays positions, vertexCounts, widths, groomColors and\n"
	    "surfaceNormals, as 'velmora inspect --json' prints them) to an Alembic file, exactly as the fit\n"
	    "writes its result, and says \"writing to file: OUT.abc\" once it is written. Every number is kept\n"
	    "exactly (-0 stays -0). The record is checked first, and refused with the reason when its arrays\n"
	    "disagree: positions, groomColors and surfaceNormals must hold whole x, y, z triples, vertexCounts\n"
	    "must be 0 or more and add up to the points, and widths and groomColors must each hold none, one,\n"
	    "one per strand or one per point.\n"
	    "\n"
	    "options:\n"
	    "  -o, --output OUT.abc   the output file (instead of the second argument)\n"
	    "  -q, --quiet            print nothing but errors\n"
	    "  --as-is                write the record exactly as the writer is handed it, its counts unchecked,\n"
	    "                         to make the damaged files a reader must survive (counts may reach at most\n"
	    "                         16777216 points past the record's points)\n"
	    "\n"
	    "The output appears only when whole; on bad input the command exits with status 1 and one line\n"
	    "saying why (2 for a bad command line). OUT.abc must be a regular file or not exist yet, and not be\n"
	    "RECORD.json; links and permissions are handled as 'velmora fit --help' tells.\n"
	    "\n"
	    "example: velmora pack groom.json groom.abc\n";

	namespace
	{
		struct FPackRequest
		{
			std::string RecordPath;
			std::string OutputPath;
			bool bQuiet = false;
			// Write the record whatever its counts say, as the writer would be handed it.
			bool bAsIs = false;
		};

		// How far the counts of a record written as it is may reach past its points: the writer makes one
		// texture coordinate per counted point, so this bounds what a small record can make it allocate.
		constexpr int64_t AsIsSurplusPoints = int64_t(1) << 24;

		EParsed ParsePack(const std::vector<std::string>& Args, FPackRequest& Out, std::string& OutError)
		{
			const std::vector<FOption> Options = {
			    FileOption({"-o", "--output"}, Out.OutputPath),
			    FlagOption({"-q", "--quiet"}, Out.bQuiet),
			    FlagOption({"--as-is"}, Out.bAsIs),
			};
			std::vector<std::string> Files;
			const EParsed Parsed = ParseArguments(Args, Options, Files, OutError);
			if (Parsed != EParsed::Run)
			{
				return Parsed;
			}
			if (!TakeInputsAndOutput(Files, 1, Out.OutputPath, "RECORD.json OUT.abc", OutError))
			{
				return EParsed::Bad;
			}
			Out.RecordPath = Files[0];
			return EParsed::Run;
		}

		// The one bound a record written as it is keeps: what its counts make the writer allocate.
		bool CheckAsIsRecord(const GroomData& Groom, std::string& OutError)
		{
			int64_t Counted = 0;
			for (const int32_t Count : Groom.vertexCounts)
			{
				Counted += std::max<int32_t>(Count, 0);
			}
			const int64_t Points = static_cast<int64_t>(Groom.positions.size() / 3);
			if (Counted > Points + AsIsSurplusPoints)
			{
				OutError = "the vertexCounts add up to " + std::to_string(Counted) + " points, more than " + std::to_string(AsIsSurplusPoints) +
				           " beyond the " + std::to_string(Points) + " the record holds";
				return false;
			}
			return true;
		}

		bool Pack(const FPackRequest& Request, std::string& OutError)
		{
			const std::vector<FInputFile> Inputs = {{Request.RecordPath, "record"}};
			if (!CheckOutputsAgainstInputs({{Request.OutputPath, "output"}}, Inputs, OutError) || !FStagedOutput::CheckTarget(Request.OutputPath, Inputs, OutError))
			{
				return false;
			}
			GroomData Groom;
			try
			{
				// The whole record is checked before anything is written.
				Groom = GroomFromJson(ReadRecordText(Request.RecordPath));
				if (!Request.bAsIs)
				{
					CheckGroomRecord(Groom);
				}
			}
			catch (const std::exception& Exception)
			{
				OutError = "cannot read record '" + Request.RecordPath + "': " + LastLineOf(Exception.what());
				return false;
			}
			if (Request.bAsIs && !CheckAsIsRecord(Groom, OutError))
			{
				OutError = "cannot write record '" + Request.RecordPath + "' as it is: " + OutError;
				return false;
			}

			FStagedOutput Output(Request.OutputPath);
			if (!Output.Prepare(OutError, Inputs))
			{
				return false;
			}
			std::string WriteFailure;
			std::vector<std::string> LeftOut;
			{
				// The writer announces and complains about its staging path; the user hears of the target.
				FScopedStreamCapture Quiet;
				try
				{
					WriteGroom(Output.GetStagingPath(), Groom, Output.GetStagingPath(), {}, &LeftOut);
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
				OutError = "cannot write '" + Request.OutputPath + "': " + Output.NameTarget(WriteFailure);
				return false;
			}
			if (!Output.Commit(OutError))
			{
				return false;
			}
			if (!Request.bQuiet)
			{
				// Only a record taken as it is can hold counts that fit no scope.
				for (const std::string& Line : LeftOut)
				{
					std::printf("left out %s: no scope of a groom file fits it\n", Line.c_str());
				}
				std::printf("writing to file: %s\n", Request.OutputPath.c_str());
			}
			return true;
		}
	}

	int RunPack(const std::vector<std::string>& Args)
	{
		return RunCommand("pack", Args, ParsePack, Pack);
	}
}
