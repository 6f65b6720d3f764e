#include "Commands.h"
#include "ErrorText.h"
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
#include <vector>

namespace VelmoraCli
{
	const char* const DemoUsage =
	    "usage: velmora demo [-o DIR] [--strands N] [--quiet]\n"
	    "\n"
	    "Shows the fit at work with nothing of yours: builds a head-like mesh and a groom of some 20,000\n"
	    "strands on its scalp (one normal per strand, its colour on each point, roots lifted off the surface as\n"
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

	namespace
	{
		struct FDemoRequest
		{
			std::string Directory = "velmora-demo";
			FDemoGroomOptions GroomOptions;
			bool bQuiet = false;
		};

		EParsed ParseDemo(const std::vector<std::string>& Args, FDemoRequest& Out, std::string& OutError)
		{
			const std::vector<FOption> Options = {
			    FileOption({"-o", "--output"}, Out.Directory, "a directory"),
			    FlagOption({"-q", "--quiet"}, Out.bQuiet),
			    {{"--strands"}, EValue::Required, "a whole number from 1 to 1000000", [&Out](const FOptionValue& Value, std::string& OutReason)
			     {
				     uint64_t Number = 0;
				     if (!ParseWholeNumber(Value.Name, Value.Text, "a whole number", 1, 1000000, Number, OutReason))
				     {
					     return false;
				     }
				     Out.GroomOptions.Strands = static_cast<int32>(Number);
				     return true;
			     }},
			    {{"--seed"}, EValue::Required, "a whole number from 0 to 4294967295", [&Out](const FOptionValue& Value, std::string& OutReason)
			     {
				     uint64_t Number = 0;
				     if (!ParseWholeNumber(Value.Name, Value.Text, "a whole number", 0, 4294967295u, Number, OutReason))
				     {
					     return false;
				     }
				     Out.GroomOptions.Seed = static_cast<uint32_t>(Number);
				     return true;
			     }},
			};
			std::vector<std::string> Files;
			const EParsed Parsed = ParseArguments(Args, Options, Files, OutError);
			if (Parsed == EParsed::Run && !Files.empty())
			{
				OutError = "unexpected argument '" + Files[0] + "'";
				return EParsed::Bad;
			}
			return Parsed;
		}

		// The files the demo writes, in its folder.
		struct FDemoFiles
		{
			std::string Head, Source, Plain, Fitted, Picture;

			explicit FDemoFiles(const std::filesystem::path& Folder)
			    : Head((Folder / "head.obj").string()), Source((Folder / "source.abc").string()), Plain((Folder / "plain.abc").string()), Fitted((Folder / "fitted.abc").string()), Picture((Folder / "demo.png").string())
			{
			}
		};

		bool WriteDemoInputs(const FDemoFiles& Files, const Host::FMeshData& Head, const GroomData& Source, std::string& OutError)
		{
			const auto SaveHead = [&](const std::string& Path, std::string& OutWriteError)
			{ return SaveMeshFile(Path, Head, OutWriteError); };
			const auto SaveSource = [&](const std::string& Path, std::string& OutWriteError)
			{
				FScopedStreamCapture Quiet; // the writer names its staging path; the summary names the real one
				try
				{
					WriteGroom(Path, Source);
				}
				catch (const std::exception& Exception)
				{
					OutWriteError = "cannot write '" + Files.Source + "': " + LastLineOf(Exception.what());
					return false;
				}
				return true;
			};
			return WriteStaged(Files.Head, EStagedName::Target, SaveHead, OutError) && WriteStaged(Files.Source, EStagedName::Short, SaveSource, OutError);
		}

		// The plain fit, as a Blueprint's FitGroomToStaticMesh makes it, measured before and after, and the
		// fit with every repair.
		bool FitDemo(const FDemoFiles& Files, const Host::FMeshData& Head, bool bQuiet, FFitReport& PlainReport, FFitReport& Report, std::string& OutError)
		{
			FFitRequest PlainRequest;
			PlainRequest.GroomPath = Files.Source;
			PlainRequest.OutputPath = Files.Plain;
			PlainRequest.Progress = bQuiet ? EProgressMode::Off : EProgressMode::Auto;
			PlainRequest.bMeasure = true;
			PlainRequest.bMeasureBefore = true;
			if (!RunFitOnMesh(PlainRequest, Head, PlainReport, OutError))
			{
				return false;
			}
			FFitRequest Request = PlainRequest;
			Request.OutputPath = Files.Fitted;
			Request.bMeasureBefore = false;
			Request.Options.bSnapMissesToNearest = true;
			Request.Options.bOrientToSurface = true;
			Request.Options.bResolvePenetration = true;
			return RunFitOnMesh(Request, Head, Report, OutError);
		}

		// The picture of the three grooms, from the two fitted files as written.
		bool DrawDemoPicture(const FDemoFiles& Files, const Host::FMeshData& Head, const GroomData& Source, const FFitReport& PlainReport, const FFitReport& Report,
		                     std::string& OutError)
		{
			GroomData Grooms[2];
			const std::string ReadBack[2] = {Files.Plain, Files.Fitted};
			for (int Index = 0; Index < 2; ++Index)
			{
				bool bReadFailed = false;
				{
					FScopedStreamCapture Quiet;
					Grooms[Index] = ReadGroom(ReadBack[Index], bReadFailed);
				}
				if (bReadFailed)
				{
					OutError = "cannot read back '" + ReadBack[Index] + "'";
					return false;
				}
			}
			const auto SavePicture = [&](const std::string& Path, std::string& OutWriteError)
			{ return WriteDemoPicture(Path, Head, Source, Grooms[0], Grooms[1], PlainReport, Report, OutWriteError); };
			return WriteStaged(Files.Picture, EStagedName::Short, SavePicture, OutError);
		}

		void PrintDemoSummary(const FDemoFiles& Files, const Host::FMeshData& Head, const FFitReport& PlainReport, const FFitReport& Report,
		                      std::chrono::steady_clock::time_point Start)
		{
			const std::string& HeadPath = Files.Head;
			const std::string& SourcePath = Files.Source;
			const std::string& PlainPath = Files.Plain;
			const std::string& FittedPath = Files.Fitted;
			const std::string& PicturePath = Files.Picture;
			const double Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
			std::printf("velmora demo: a head of %s and a groom of %s, fitted in %.2f s\n", Counted(Head.NumTriangles(), "triangle").c_str(),
			            Counted(Report.Strands, "strand").c_str(), Seconds);
			std::printf("%s", Report.Describe().c_str());
			std::printf("the plain fit left %s off the scalp and %s of %s inside the head; with the repairs: %lld and %lld\n",
			            Counted(PlainReport.Quality.RootsOffSurface, "root").c_str(), Counted(PlainReport.Quality.PointsInside, "point").c_str(),
			            Counted(PlainReport.Quality.StrandsInside, "strand").c_str(), static_cast<long long>(Report.Quality.RootsOffSurface),
			            static_cast<long long>(Report.Quality.PointsInside));
			std::printf("wrote %s, %s, %s, %s and %s\n", HeadPath.c_str(), SourcePath.c_str(), PlainPath.c_str(), FittedPath.c_str(), PicturePath.c_str());
			std::printf("the same fit by hand: velmora fit %s %s %s --on-miss nearest --orient --resolve-penetration\n", SourcePath.c_str(), HeadPath.c_str(),
			            FittedPath.c_str());
			std::printf("and its report: velmora check %s %s\n", FittedPath.c_str(), HeadPath.c_str());
		}

		bool Demo(const FDemoRequest& Request, std::string& OutError)
		{
			const std::string& Directory = Request.Directory;
			std::error_code FileError;
			// The folders this run makes, deepest first: a run that fails takes away those it left empty.
			std::vector<std::filesystem::path> Made;
			for (std::filesystem::path At = std::filesystem::absolute(Directory, FileError); !At.empty() && At != At.parent_path() &&
			                                                                                 !std::filesystem::exists(std::filesystem::symlink_status(At, FileError));
			     At = At.parent_path())
			{
				Made.push_back(At);
			}
			const auto Fail = [&]
			{
				for (const std::filesystem::path& Folder : Made)
				{
					std::error_code Ignored;
					if (std::filesystem::is_empty(Folder, Ignored))
					{
						std::filesystem::remove(Folder, Ignored);
					}
				}
				return false;
			};
			std::filesystem::create_directories(Directory, FileError);
			if (FileError || !std::filesystem::is_directory(Directory, FileError))
			{
				OutError = "cannot make directory '" + Directory + "'" + (FileError ? ": " + FileError.message() : std::string());
				return Fail();
			}
			const FDemoFiles Files{std::filesystem::path(Directory)};
			const auto Start = std::chrono::steady_clock::now();
			const Host::FMeshData Head = BuildDemoHead();
			const GroomData Source = BuildDemoGroom(Head, Request.GroomOptions);
			FFitReport PlainReport, Report;
			if (!WriteDemoInputs(Files, Head, Source, OutError) || !FitDemo(Files, Head, Request.bQuiet, PlainReport, Report, OutError) ||
			    !DrawDemoPicture(Files, Head, Source, PlainReport, Report, OutError))
			{
				return Fail();
			}
			if (!Request.bQuiet)
			{
				PrintDemoSummary(Files, Head, PlainReport, Report, Start);
			}
			return true;
		}
	}

	int RunDemo(const std::vector<std::string>& Args)
	{
		return RunCommand("demo", Args, ParseDemo, Demo);
	}
}
