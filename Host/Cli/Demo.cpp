#include "Commands.h"
#include "GroomFitting.h"
#include "MeshQuery.h"
#include "DemoScene.h"
#include "FitRun.h"
#include "MeshFiles.h"
#include "Options.h"
#include "Picture.h"
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
		constexpr FColor8 Paper{246, 243, 238};
		constexpr FColor8 Ink{40, 40, 46};
		constexpr FColor8 Faint{120, 118, 112};
		constexpr FColor8 Skin{214, 196, 180};
		constexpr FColor8 Miss{220, 30, 30};

		bool SameStrand(const GroomData& A, const GroomData& B, size_t First, int32_t Count)
		{
			for (size_t Index = 3 * First; Index < 3 * (First + Count); ++Index)
			{
				if (A.positions[Index] != B.positions[Index])
				{
					return false;
				}
			}
			return true;
		}

		constexpr FColor8 Inside{30, 90, 210};

		std::string Upper(std::string Text)
		{
			for (char& Character : Text)
			{
				Character = static_cast<char>(std::toupper(static_cast<unsigned char>(Character)));
			}
			return Text;
		}

		// Per strand, the first point the plain fit left inside the head (a root on the surface is on it,
		// not in it), or -1.
		std::vector<int64> FirstPointsInside(const Host::FMeshData& Head, const GroomData& Groom)
		{
			std::vector<int64> Result(Groom.vertexCounts.size(), -1);
			UWorld* World = Host::NewWorld();
			UStaticMeshComponent* Component = Host::AddStaticMeshComponent(Host::SpawnActorWithoutRoot(World), Host::NewStaticMesh(Head));
			FString Error;
			const std::shared_ptr<const GroomFitting::FMeshQuery> Query = GroomFitting::GetMeshQuery(Component, Error);
			if (!Query)
			{
				return Result;
			}
			int64 First = 0;
			for (size_t Strand = 0; Strand < Groom.vertexCounts.size(); ++Strand)
			{
				const int32_t Count = std::max(0, Groom.vertexCounts[Strand]);
				for (int64 Point = First + 1; Point < First + Count && 3 * static_cast<size_t>(Point) + 2 < Groom.positions.size(); ++Point)
				{
					const FVector Position(Groom.positions[3 * Point], Groom.positions[3 * Point + 1], Groom.positions[3 * Point + 2]);
					FVector Nearest, Normal;
					if (Query->IsInside(Position) && Query->NearestPoint(Position, Nearest, Normal) && (Position - Nearest).Size() > GroomFitting::DefaultSurfaceTolerance)
					{
						Result[Strand] = Point;
						break;
					}
				}
				First += Count;
			}
			return Result;
		}

		// The head three times: the groom as exported, after the plain fit and after the fit with its repairs,
		// with the report's figures above each.
		FPicture DrawDemo(const Host::FMeshData& Head, const GroomData& Source, const GroomData& Plain, const GroomData& Fitted, const FFitReport& PlainReport,
		                  const FFitReport& Report)
		{
			constexpr int32 Panel = 420;
			constexpr int32 Header = 132;
			constexpr int32 Footer = 80;
			FPicture Picture(3 * Panel, Header + Panel + Footer, Paper);
			Picture.DrawText(20, 18, "VELMORA: A GROOM FITTED ONTO A HEAD, PLAIN AND WITH REPAIRS", 3, Ink);
			char Line[256];
			std::snprintf(Line, sizeof(Line), "%lld STRANDS, %lld POINTS, %s PROJECTION. REPAIRS: NEAREST, ORIENT, RESOLVE",
			              static_cast<long long>(Report.Strands), static_cast<long long>(Report.Points), Upper(Report.Mode).c_str());
			Picture.DrawText(24, 56, Line, 2, Faint);

			// Missed strands stayed as exported in the plain fit; strands it left inside the head.
			std::vector<FVector> MissedRoots;
			const std::vector<int64> InsidePoints = FirstPointsInside(Head, Plain);
			// A sample of the strands, so the scalp shows through and the roots can be seen on it or off it;
			// missed strands and strands inside the head always.
			const size_t Stride = std::max<size_t>(1, Source.vertexCounts.size() / 1500);
			std::vector<bool> Shown(Source.vertexCounts.size()), Marked(Source.vertexCounts.size());
			for (size_t Strand = 0; Strand < Shown.size(); Strand += Stride)
			{
				Shown[Strand] = true;
			}
			const bool bComparable = Source.vertexCounts == Plain.vertexCounts && Source.positions.size() == Plain.positions.size();
			size_t First = 0;
			for (size_t Strand = 0; bComparable && Strand < Source.vertexCounts.size(); ++Strand)
			{
				const int32_t Count = Source.vertexCounts[Strand];
				if (Count > 0 && SameStrand(Source, Plain, First, Count))
				{
					MissedRoots.emplace_back(Source.positions[3 * First], Source.positions[3 * First + 1], Source.positions[3 * First + 2]);
					Shown[Strand] = true;
				}
				// Fewer than all, or they would hide the head.
				if (InsidePoints[Strand] >= 0 && Strand % std::max<size_t>(1, Stride / 3) == 0)
				{
					Marked[Strand] = true;
				}
				First += static_cast<size_t>(std::max(0, Count));
			}

			if (Stride > 1)
			{
				std::snprintf(Line, sizeof(Line), "1 IN %zu STRANDS SHOWN, ROOTS DOTTED", Stride);
				Picture.DrawText(24, 80, Line, 2, Faint);
			}
			if (!MissedRoots.empty())
			{
				Picture.DrawText(3 * Panel - 24 - FPicture::TextWidth("O  MISSED BY THE PLAIN FIT", 2), 80, "O  MISSED BY THE PLAIN FIT", 2, Miss);
			}
			if (std::count(Marked.begin(), Marked.end(), true) > 0)
			{
				Picture.DrawText(3 * Panel - 24 - FPicture::TextWidth("-  LEFT INSIDE THE HEAD BY THE PLAIN FIT", 2), 104, "-  LEFT INSIDE THE HEAD BY THE PLAIN FIT", 2, Inside);
			}

			// Nearly in profile, where a root off the scalp shows against the sky.
			const FVector Eye(0.3, -1.0, 0.15);
			const FVector Centre(-1.5, 0.0, 3.0);
			constexpr double Span = 42.0;
			const GroomData* Grooms[3] = {&Source, &Plain, &Fitted};
			const GroomFitting::FFitReport Figures[3] = {PlainReport.Before, PlainReport.Quality, Report.Quality};
			const char* Captions[3] = {"AS EXPORTED", "PLAIN FIT", "WITH REPAIRS"};
			for (int Side = 0; Side < 3; ++Side)
			{
				FView View(Picture, Side * Panel, Header, Panel, Eye, Centre, Span);
				View.DrawMesh(Head, Skin);
				std::vector<bool> Unmarked = Shown;
				for (size_t Strand = 0; Side > 0 && Strand < Unmarked.size(); ++Strand)
				{
					Unmarked[Strand] = Unmarked[Strand] && !Marked[Strand];
				}
				View.DrawGroom(*Grooms[Side], Unmarked, FColor8{25, 20, 18});
				if (Side > 0)
				{
					View.DrawGroom(*Grooms[Side], Marked, Inside, Inside);
				}
				if (Side < 2)
				{
					for (const FVector& Root : MissedRoots)
					{
						View.DrawRing(Root, 7.0, Miss);
					}
				}
				const int32 CaptionWidth = FPicture::TextWidth(Captions[Side], 2);
				Picture.DrawText(Side * Panel + (Panel - CaptionWidth) / 2, Header + Panel + 6, Captions[Side], 2, Ink);
				const GroomFitting::FFitReport& Figure = Figures[Side];
				if (Figure.bMeasured)
				{
					std::snprintf(Line, sizeof(Line), "ROOTS OFF THE SCALP %lld", static_cast<long long>(Figure.RootsOffSurface));
					Picture.DrawText(Side * Panel + 20, Header + Panel + 30, Line, 2, Figure.RootsOffSurface > 0 ? Miss : Faint);
					std::snprintf(Line, sizeof(Line), "POINTS INSIDE %lld (%lld STRANDS)", static_cast<long long>(Figure.PointsInside), static_cast<long long>(Figure.StrandsInside));
					Picture.DrawText(Side * Panel + 20, Header + Panel + 50, Line, 2, Figure.PointsInside > 0 ? Inside : Faint);
				}
				if (Side > 0 && Figure.bAfterFit)
				{
					std::snprintf(Line, sizeof(Line), "MISSES %lld%s", static_cast<long long>(Figure.Misses), Figure.MissesSnapped > 0 ? ", SNAPPED" : "");
					Picture.DrawText(Side * Panel + 20, Header + 8, Line, 2, Figure.Misses > Figure.MissesSnapped ? Miss : Faint);
				}
			}
			Picture.FillRect(Panel, Header, 1, Panel, FColor8{210, 206, 198});
			Picture.FillRect(2 * Panel, Header, 1, Panel, FColor8{210, 206, 198});
			return Picture;
		}

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
			const FPicture Picture = DrawDemo(Head, Source, Grooms[0], Grooms[1], PlainReport, Report);
			const auto SavePicture = [&](const std::string& Path, std::string& OutWriteError)
			{ return Picture.SavePng(Path, OutWriteError); };
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

		bool Demo(const FDemoRequest& Request, std::string& OutError)
		{
			const std::string& Directory = Request.Directory;
			std::error_code FileError;
			std::filesystem::create_directories(Directory, FileError);
			if (FileError || !std::filesystem::is_directory(Directory, FileError))
			{
				OutError = "cannot make directory '" + Directory + "'" + (FileError ? ": " + FileError.message() : std::string());
				return false;
			}
			const FDemoFiles Files{std::filesystem::path(Directory)};
			const auto Start = std::chrono::steady_clock::now();
			const Host::FMeshData Head = BuildDemoHead();
			const GroomData Source = BuildDemoGroom(Head, Request.GroomOptions);
			FFitReport PlainReport, Report;
			if (!WriteDemoInputs(Files, Head, Source, OutError) || !FitDemo(Files, Head, Request.bQuiet, PlainReport, Report, OutError) ||
			    !DrawDemoPicture(Files, Head, Source, PlainReport, Report, OutError))
			{
				return false;
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
		FDemoRequest Request;
		std::string Error;
		const EParsed Parsed = ParseDemo(Args, Request, Error);
		return RunCommand("demo", Parsed, Error, [&](std::string& OutError)
		                  { return Demo(Request, OutError); });
	}
}
