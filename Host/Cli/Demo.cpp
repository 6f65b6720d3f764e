#include "Commands.h"
#include "GroomFitting.h"
#include "MeshQuery.h"
#include "DemoScene.h"
#include "FitRun.h"
#include "MeshFiles.h"
#include "Options.h"
#include "DemoPicture.h"
#include "StagedOutput.h"
#include "StreamCapture.h"
#include "ErrorText.h"

#include "Components/StaticMeshComponent.h"
#include "GameFramework/Actor.h"
#include "Host/World.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <memory>
#include <cmath>
#include <functional>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace VelmoraCli
{
	const char* const DemoUsage =
	    "usage: velmora demo [-o DIR] [--strands N] [--quiet]\n"
	    "\n"
	    "Shows the fit at work with nothing of yours: builds a head-like mesh and a groom of some 20,000\n"
	    "strands on its scalp (one normal and one colour per strand, roots lifted off the surface as\n"
	    "exported grooms often are, a few too far for the fit to reach), fits it twice with the same call\n"
	    "'velmora fit' makes, once plain and once with every repair on, and writes into DIR (velmora-demo\n"
	    "by default):\n"
	    "  head.obj     the head\n"
	    "  source.abc   the groom as exported\n"
	    "  plain.abc    the groom after the plain fit: strays left floating, strand ends inside the head\n"
	    "  fitted.abc   the groom after the fit with --on-miss nearest --orient --resolve-penetration\n"
	    "  demo.png     the three on the head with the report's figures; red rings mark strands the plain\n"
	    "               fit missed, blue strands are those it left inside the head\n"
	    "\n"
	    "options:\n"
	    "  -o, --output DIR   where to write (made if missing)\n"
	    "  --strands N        number of strands (default 20000)\n"
	    "  --seed N           seed of the groom's random layout (default 1)\n"
	    "  -q, --quiet        print nothing but errors\n"
	    "\n"
	    "example: velmora demo && xdg-open velmora-demo/demo.png\n";

	namespace
	{
		bool WriteStaged(const std::string& Path, EStagedName Naming, const std::function<bool(const std::string&, std::string&)>& Write, std::string& OutError)
		{
			FStagedOutput Output(Path, Naming);
			if (Output.Prepare(OutError) && Write(Output.GetStagingPath(), OutError) && Output.Commit(OutError))
			{
				return true;
			}
			OutError = Output.NameTarget(OutError);
			return false;
		}
	}

	int RunDemo(const std::vector<std::string>& Args)
	{
		std::string Directory = "velmora-demo";
		FDemoGroomOptions GroomOptions;
		bool bQuiet = false;
		const auto Usage = [](const std::string& Message)
		{
			std::fprintf(stderr, "velmora demo: %s (see velmora demo --help)\n", Message.c_str());
			return 2;
		};
		for (size_t Index = 0; Index < Args.size(); ++Index)
		{
			std::string Name = Args[Index], Value;
			const bool bInline = SplitInlineValue(Args[Index], Name, Value);
			const bool bTakesValue = Name == "-o" || Name == "--output" || Name == "--strands" || Name == "--seed";
			if (bTakesValue && !bInline)
			{
				if (Index + 1 >= Args.size())
				{
					return Usage(Name + " expects a value");
				}
				// "-o -q" is a slip, not a directory named "-q".
				if ((Name == "-o" || Name == "--output") && IsOption(Args[Index + 1]))
				{
					return Usage(Name + " expects a directory, not the option '" + Args[Index + 1] + "'");
				}
				Value = Args[++Index];
			}
			double Number = 0;
			if (Name == "-h" || Name == "--help")
			{
				std::fputs(DemoUsage, stdout);
				return 0;
			}
			else if (Name == "-o" || Name == "--output")
			{
				Directory = Value;
			}
			else if (Name == "--strands" || Name == "--seed")
			{
				const double Limit = Name == "--strands" ? 1000000.0 : 4294967295.0;
				if (!ParseNumber(Value, Number) || Number < (Name == "--strands" ? 1 : 0) || Number > Limit || Number != std::floor(Number))
				{
					return Usage(Name + " expects a whole number" + (Name == "--strands" ? " from 1 to 1000000" : "") + ", not '" + Value + "'");
				}
				if (Name == "--strands")
				{
					GroomOptions.Strands = static_cast<int32>(Number);
				}
				else
				{
					GroomOptions.Seed = static_cast<uint32_t>(Number);
				}
			}
			else if (Name == "-q" || Name == "--quiet")
			{
				bQuiet = true;
			}
			else
			{
				return Usage("unexpected argument '" + Args[Index] + "'");
			}
		}

		const auto Fail = [](const std::string& Message)
		{
			std::fprintf(stderr, "velmora demo: %s\n", Message.c_str());
			return 1;
		};
		std::error_code FileError;
		std::filesystem::create_directories(Directory, FileError);
		if (FileError || !std::filesystem::is_directory(Directory, FileError))
		{
			return Fail("cannot make directory '" + Directory + "'" + (FileError ? ": " + FileError.message() : std::string()));
		}
		const std::filesystem::path Folder(Directory);
		const std::string HeadPath = (Folder / "head.obj").string();
		const std::string SourcePath = (Folder / "source.abc").string();
		const std::string PlainPath = (Folder / "plain.abc").string();
		const std::string FittedPath = (Folder / "fitted.abc").string();
		const std::string PicturePath = (Folder / "demo.png").string();

		const auto Start = std::chrono::steady_clock::now();
		const Host::FMeshData Head = BuildDemoHead();
		const GroomData Source = BuildDemoGroom(Head, GroomOptions);
		std::string Error;
		if (!WriteStaged(
		        HeadPath, EStagedName::Target, [&](const std::string& Path, std::string& OutError)
		        { return SaveMeshFile(Path, Head, OutError); },
		        Error))
		{
			return Fail(Error);
		}
		const bool bSourceWritten = WriteStaged(
		    SourcePath, EStagedName::Short,
		    [&](const std::string& Path, std::string& OutError)
		    {
			    FScopedStreamCapture Quiet; // the writer names its staging path; the summary names the real one
			    try
			    {
				    WriteGroom(Path, Source);
			    }
			    catch (const std::exception& Exception)
			    {
				    OutError = "cannot write '" + SourcePath + "': " + LastLineOf(Exception.what());
				    return false;
			    }
			    return true;
		    },
		    Error);
		if (!bSourceWritten)
		{
			return Fail(Error);
		}

		// The plain fit, as a Blueprint's FitGroomToStaticMesh makes it, measured before and after.
		FFitRequest PlainRequest;
		PlainRequest.GroomPath = SourcePath;
		PlainRequest.OutputPath = PlainPath;
		PlainRequest.Progress = bQuiet ? EProgressMode::Off : EProgressMode::Auto;
		PlainRequest.bMeasure = true;
		PlainRequest.bMeasureBefore = true;
		FFitReport PlainReport;
		if (!RunFitOnMesh(PlainRequest, Head, PlainReport, Error))
		{
			return Fail(Error);
		}

		FFitRequest Request = PlainRequest;
		Request.OutputPath = FittedPath;
		Request.bMeasureBefore = false;
		Request.Options.bSnapMissesToNearest = true;
		Request.Options.bOrientToSurface = true;
		Request.Options.bResolvePenetration = true;
		Request.bMeasure = true;
		FFitReport Report;
		if (!RunFitOnMesh(Request, Head, Report, Error))
		{
			return Fail(Error);
		}

		GroomData Grooms[2];
		const std::string ReadBack[2] = {PlainPath, FittedPath};
		for (int Index = 0; Index < 2; ++Index)
		{
			bool bReadFailed = false;
			{
				FScopedStreamCapture Quiet;
				Grooms[Index] = ReadGroom(ReadBack[Index], bReadFailed);
			}
			if (bReadFailed)
			{
				return Fail("cannot read back '" + ReadBack[Index] + "'");
			}
		}
		if (!WriteStaged(
		        PicturePath, EStagedName::Short, [&](const std::string& Path, std::string& OutError)
		        { return WriteDemoPicture(Path, Head, Source, Grooms[0], Grooms[1], PlainReport, Report, OutError); },
		        Error))
		{
			return Fail(Error);
		}

		if (!bQuiet)
		{
			const double Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
			std::printf("velmora demo: a head of %d triangles and a groom of %lld strands, fitted in %.2f s\n", Head.NumTriangles(),
			            static_cast<long long>(Report.Strands), Seconds);
			std::printf("%s", Report.Describe().c_str());
			std::printf("the plain fit left %lld roots off the scalp and %lld points of %lld strands inside the head; with the repairs: %lld and %lld\n",
			            static_cast<long long>(PlainReport.Quality.RootsOffSurface), static_cast<long long>(PlainReport.Quality.PointsInside),
			            static_cast<long long>(PlainReport.Quality.StrandsInside), static_cast<long long>(Report.Quality.RootsOffSurface),
			            static_cast<long long>(Report.Quality.PointsInside));
			std::printf("wrote %s, %s, %s, %s and %s\n", HeadPath.c_str(), SourcePath.c_str(), PlainPath.c_str(), FittedPath.c_str(), PicturePath.c_str());
			std::printf("the same fit by hand: velmora fit %s %s %s --on-miss nearest --orient --resolve-penetration\n", SourcePath.c_str(), HeadPath.c_str(),
			            FittedPath.c_str());
			std::printf("and its report: velmora check %s %s\n", FittedPath.c_str(), HeadPath.c_str());
		}
		return 0;
	}
}
