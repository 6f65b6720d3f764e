#include "Commands.h"
#include "DemoScene.h"
#include "FitRun.h"
#include "MeshFiles.h"
#include "Options.h"
#include "Picture.h"
#include "StagedOutput.h"
#include "StreamCapture.h"
#include "WrittenGroom.h"

#include <algorithm>
#include <chrono>
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
	    "exported grooms often are, a few too far for the fit to reach), fits it with the same call\n"
	    "'velmora fit' makes, and writes into DIR (velmora-demo by default):\n"
	    "  head.obj     the head\n"
	    "  source.abc   the groom as exported\n"
	    "  fitted.abc   the groom after the fit\n"
	    "  demo.png     the groom before and after the fit on the head; red rings mark strands the fit missed\n"
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

		// Two views of the head side by side, the groom as exported and as fitted, with a caption each.
		FPicture DrawDemo(const Host::FMeshData& Head, const GroomData& Source, const GroomData& Fitted, const FFitReport& Report)
		{
			constexpr int32 Panel = 500;
			constexpr int32 Header = 92;
			constexpr int32 Footer = 40;
			FPicture Picture(2 * Panel, Header + Panel + Footer, Paper);
			Picture.DrawText(20, 20, "VELMORA: A GROOM FITTED ONTO A HEAD", 3, Ink);
			char Line[256];
			std::snprintf(Line, sizeof(Line), "%lld STRANDS, %lld POINTS, %s PROJECTION: %lld HITS, %lld MISSES", static_cast<long long>(Report.Strands),
			              static_cast<long long>(Report.Points), Report.Mode.c_str(), static_cast<long long>(Report.Hits), static_cast<long long>(Report.Misses));
			Picture.DrawText(24, 58, Line, 2, Faint);

			// Missed strands stayed as exported: their roots, in both views.
			std::vector<FVector> MissedRoots;
			// A sample of the strands, so the scalp shows through and the roots can be seen on it or off it;
			// missed strands always.
			const size_t Stride = std::max<size_t>(1, Source.vertexCounts.size() / 2500);
			std::vector<bool> Shown(Source.vertexCounts.size());
			for (size_t Strand = 0; Strand < Shown.size(); Strand += Stride)
			{
				Shown[Strand] = true;
			}
			const bool bComparable = Source.vertexCounts == Fitted.vertexCounts && Source.positions.size() == Fitted.positions.size();
			size_t First = 0;
			for (size_t Strand = 0; bComparable && Strand < Source.vertexCounts.size(); ++Strand)
			{
				const int32_t Count = Source.vertexCounts[Strand];
				if (Count > 0 && SameStrand(Source, Fitted, First, Count))
				{
					MissedRoots.emplace_back(Source.positions[3 * First], Source.positions[3 * First + 1], Source.positions[3 * First + 2]);
					Shown[Strand] = true;
				}
				First += static_cast<size_t>(std::max(0, Count));
			}

			if (Stride > 1)
			{
				std::snprintf(Line, sizeof(Line), "1 IN %zu STRANDS SHOWN, ROOTS DOTTED", Stride);
				Picture.DrawText(24, Header + 10, Line, 2, Faint);
			}
			// Nearly in profile, where a root off the scalp shows against the sky.
			const FVector Eye(0.3, -1.0, 0.15);
			const FVector Centre(-1.5, 0.0, 3.0);
			constexpr double Span = 42.0;
			const GroomData* Grooms[2] = {&Source, &Fitted};
			const char* Captions[2] = {"BEFORE: AS EXPORTED, ROOTS OFF THE SCALP", "AFTER: FITTED, ROOTS ON THE SCALP"};
			for (int Side = 0; Side < 2; ++Side)
			{
				FView View(Picture, Side * Panel, Header, Panel, Eye, Centre, Span);
				View.DrawMesh(Head, Skin);
				View.DrawGroom(*Grooms[Side], Shown, FColor8{25, 20, 18});
				for (const FVector& Root : MissedRoots)
				{
					View.DrawRing(Root, 7.0, Miss);
				}
				const int32 CaptionWidth = FPicture::TextWidth(Captions[Side], 2);
				Picture.DrawText(Side * Panel + (Panel - CaptionWidth) / 2, Header + Panel + 8, Captions[Side], 2, Ink);
			}
			Picture.FillRect(Panel, Header, 1, Panel, FColor8{210, 206, 198});
			if (!MissedRoots.empty())
			{
				Picture.DrawText(2 * Panel - 24 - FPicture::TextWidth("O  MISSED: LEFT AS EXPORTED", 2), Header + 10, "O  MISSED: LEFT AS EXPORTED", 2, Miss);
			}
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
			    return ReadsBackWhole(Path, Source, SourcePath, OutError);
		    },
		    Error);
		if (!bSourceWritten)
		{
			return Fail(Error);
		}

		FFitRequest Request;
		Request.GroomPath = SourcePath;
		Request.OutputPath = FittedPath;
		Request.Progress = bQuiet ? EProgressMode::Off : EProgressMode::Auto;
		FFitReport Report;
		if (!RunFitOnMesh(Request, Head, Report, Error))
		{
			return Fail(Error);
		}

		bool bReadFailed = false;
		GroomData Fitted;
		{
			FScopedStreamCapture Quiet;
			Fitted = ReadGroom(FittedPath, bReadFailed);
		}
		if (bReadFailed)
		{
			return Fail("cannot read back '" + FittedPath + "'");
		}
		const FPicture Picture = DrawDemo(Head, Source, Fitted, Report);
		if (!WriteStaged(
		        PicturePath, EStagedName::Short, [&](const std::string& Path, std::string& OutError)
		        { return Picture.SavePng(Path, OutError); },
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
			std::printf("wrote %s, %s, %s and %s\n", HeadPath.c_str(), SourcePath.c_str(), FittedPath.c_str(), PicturePath.c_str());
			std::printf("the same fit by hand: velmora fit %s %s %s\n", SourcePath.c_str(), HeadPath.c_str(), FittedPath.c_str());
		}
		return 0;
	}
}
