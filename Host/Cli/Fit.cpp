#include "Commands.h"
#include "FitRun.h"
#include "MeshFiles.h"
#include "Options.h"
#include "QualityReport.h"
#include "StagedOutput.h"

#include <chrono>
#include <cmath>
#include <limits>
#include <cstdio>
#include <fstream>
#include <optional>

namespace VelmoraCli
{
	const char* const FitUsage =
	    "usage: velmora fit GROOM.abc MESH OUT.abc [options]\n"
	    "       velmora fit GROOM.abc MESH -o OUT.abc [options]\n"
	    "\n"
	    "Puts the root of every strand of GROOM.abc on the surface of MESH and writes the fitted groom to\n"
	    "OUT.abc, with the same UvelmoraBPLibrary::FitGroomToStaticMesh a Blueprint calls in the editor.\n"
	    "MESH is any file assimp reads (OBJ, FBX, glTF/GLB, PLY, STL, ...): every mesh in it, triangulated\n"
	    "and placed by its node transforms, becomes one static mesh component in a world. Coordinates are\n"
	    "taken as the files hold them. The static mesh's collision is made as SkeletalMeshToStaticMesh\n"
	    "makes it: its triangles, double-sided, standing in for simple collision too.\n"
	    "\n"
	    "A groom with one surface normal per strand is fitted along those normals (each root placed at\n"
	    "origin + root, traced 5 units either way); any other groom is fitted by rays from the origin\n"
	    "towards each root (20 units long). A strand whose ray meets nothing stays where it was, unless\n"
	    "--on-miss nearest says otherwise.\n"
	    "\n"
	    "After the fit the summary reports how the fitted groom lies on the mesh: roots on the surface\n"
	    "(within 0.001) and off it, their distance from it, points inside the mesh, how far the roots moved\n"
	    "and what the repairs below did. 'velmora check' gives the same report for any groom.\n"
	    "\n"
	    "repairs (all off by default, which is the plain fit a Blueprint's FitGroomToStaticMesh makes):\n"
	    "  --on-miss keep|nearest   a strand whose trace misses stays where it was (keep), or has its root\n"
	    "                           moved to the nearest surface point (nearest)\n"
	    "  --orient                 turn each moved strand about its new root so the groom's normal there\n"
	    "                           (or, without normals, the direction from the origin) follows the surface\n"
	    "  --resolve-penetration [OFFSET]\n"
	    "                           move every point left inside the mesh to the nearest surface point,\n"
	    "                           OFFSET outside it (default 0.1)\n"
	    "  --report FILE.json       also write the summary and the report as JSON to FILE.json\n"
	    "\n"
	    "options (vectors as X,Y,Z or three numbers; all default to zero, scale to one):\n"
	    "  --origin X,Y,Z           the fit's origin\n"
	    "  --actor-location X,Y,Z   location of the groom's actor: fitted points are stored relative to it\n"
	    "  --mesh-location X,Y,Z    where the mesh component stands\n"
	    "  --mesh-rotation P,Y,R    its rotation: pitch, yaw, roll in degrees\n"
	    "  --mesh-scale S|X,Y,Z     its scale\n"
	    "  --single-sided           give the mesh single-sided collision, the engine's default for a mesh\n"
	    "                           not made by SkeletalMeshToStaticMesh: traces that leave the mesh from\n"
	    "                           inside, as the fit's do, pass through it and miss, as in the editor\n"
	    "  -o, --output OUT.abc     the output file (instead of the third argument)\n"
	    "  --json                   print the summary and the log as JSON on stdout\n"
	    "  -q, --quiet              print nothing but errors\n"
	    "  --progress               show progress even when stderr is not a terminal\n"
	    "  --no-progress            never show progress\n"
	    "  --mesh-memory-limit MB   memory the mesh import may take (default 3072)\n"
	    "  --mesh-time-limit S      processor seconds the mesh import may take (default 60)\n"
	    "\n"
	    "The output appears only when the fit succeeded; on bad input the command exits with status 1 and\n"
	    "one line saying why (2 for a bad command line).\n"
	    "OUT.abc must be a regular file or not exist yet, and not be GROOM.abc or MESH under any name. A\n"
	    "link there is written through: the file it names is replaced, the link stays. A file you may not\n"
	    "write is refused; a replaced file keeps its permissions; a new one gets 0666 less the umask.\n"
	    "Interrupted (Ctrl-C, SIGTERM, SIGHUP), the command leaves nothing behind and ends by that signal\n"
	    "(status 128 + its number).\n"
	    "\n"
	    "example: velmora fit groom.abc head.obj fitted.abc --origin 0,0,160 --on-miss nearest --orient --resolve-penetration --report r.json\n";

	int RunFit(const std::vector<std::string>& Args)
	{
		FFitRequest Request;
		std::vector<std::string> Files;
		bool bJson = false;
		bool bQuiet = false;
		std::string ReportPath;
		FMeshImportLimits MeshLimits;
		std::string Error;
		const auto Usage = [](const std::string& Message)
		{
			std::fprintf(stderr, "velmora fit: %s (see velmora fit --help)\n", Message.c_str());
			return 2;
		};
		for (size_t Index = 0; Index < Args.size();)
		{
			const std::string& Arg = Args[Index];
			std::string Name = Arg, Inline;
			const bool bInline = SplitInlineValue(Arg, Name, Inline);
			if (Name == "-h" || Name == "--help")
			{
				std::fputs(FitUsage, stdout);
				return 0;
			}
			if (Name == "--origin" || Name == "--actor-location" || Name == "--mesh-location" || Name == "--mesh-rotation" || Name == "--mesh-scale")
			{
				FVector Value;
				if (!ParseVectorOption(Args, Index, Name == "--mesh-scale", Value, Error))
				{
					return Usage(Error);
				}
				// The rotation is an angle; everything else ends up in the groom's floats.
				if (Name != "--mesh-rotation" && !CheckFloatVector(Name, Value, Name == "--mesh-scale", Error))
				{
					return Usage(Error);
				}
				if (Name == "--origin")
				{
					Request.Origin = Value;
				}
				else if (Name == "--actor-location")
				{
					Request.ActorLocation = Value;
				}
				else if (Name == "--mesh-location")
				{
					Request.MeshLocation = Value;
				}
				else if (Name == "--mesh-rotation")
				{
					Request.MeshRotation = FRotator(Value.X, Value.Y, Value.Z);
				}
				else
				{
					Request.MeshScale = Value;
				}
				continue;
			}
			if (Name == "--on-miss")
			{
				const std::string Value = bInline ? Inline : Index + 1 < Args.size() ? Args[Index + 1]
				                                                                     : std::string();
				if (Value != "keep" && Value != "nearest")
				{
					return Usage("--on-miss expects keep or nearest" + (Value.empty() ? std::string() : ", not '" + Value + "'"));
				}
				Request.Options.bSnapMissesToNearest = Value == "nearest";
				Index += bInline ? 1 : 2;
				continue;
			}
			if (Name == "--resolve-penetration")
			{
				// The offset is optional: a number right after the option is it.
				double Offset = Request.Options.PenetrationOffset;
				const bool bNext = !bInline && Index + 1 < Args.size() && ParseNumber(Args[Index + 1], Offset);
				if (bInline && !ParseNumber(Inline, Offset))
				{
					return Usage("--resolve-penetration expects a distance, not '" + Inline + "'");
				}
				if (!(Offset >= 0) || !std::isfinite(Offset) || Offset > std::numeric_limits<float>::max())
				{
					return Usage("--resolve-penetration expects a finite distance of 0 or more, not '" + (bInline ? Inline : Args[Index + 1]) + "'");
				}
				Request.Options.bResolvePenetration = true;
				Request.Options.PenetrationOffset = Offset;
				Index += bNext ? 2 : 1;
				continue;
			}
			if (Name == "--report")
			{
				if ((!bInline && Index + 1 >= Args.size()) || (bInline && Inline.empty()))
				{
					return Usage("--report expects a file name");
				}
				ReportPath = bInline ? Inline : Args[Index + 1];
				Index += bInline ? 1 : 2;
				continue;
			}
			if (IsMeshLimitOption(Arg))
			{
				if (!ParseMeshLimitOption(Args, Index, MeshLimits, Error))
				{
					return Usage(Error);
				}
				continue;
			}
			if (Name == "-o" || Name == "--output")
			{
				if (!ParseFileOption(Args, Index, Request.OutputPath, Error))
				{
					return Usage(Error);
				}
				continue;
			}
			if (Arg == "--json")
			{
				bJson = true;
			}
			else if (Arg == "--orient")
			{
				Request.Options.bOrientToSurface = true;
			}
			else if (Arg == "-q" || Arg == "--quiet")
			{
				bQuiet = true;
			}
			else if (Arg == "--single-sided")
			{
				Request.CollisionSides = Host::ECollisionSides::SingleSided;
			}
			else if (Arg == "--progress")
			{
				Request.Progress = EProgressMode::Always;
			}
			else if (Arg == "--no-progress")
			{
				Request.Progress = EProgressMode::Off;
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
		if (Files.size() == 3 && Request.OutputPath.empty())
		{
			Request.OutputPath = Files[2];
			Files.pop_back();
		}
		if (Files.size() != 2 || Request.OutputPath.empty())
		{
			return Usage(Files.size() > 3 || (Files.size() == 3 && !Request.OutputPath.empty()) ? "too many files" : "expects GROOM.abc MESH OUT.abc");
		}
		Request.GroomPath = Files[0];
		Request.MeshPath = Files[1];
		// The report costs a measure of every point: only when it is printed.
		Request.bMeasure = Request.Options.AnyRepair() || !ReportPath.empty();
		if (bQuiet && Request.Progress == EProgressMode::Auto)
		{
			Request.Progress = EProgressMode::Off;
		}

		// Before the mesh is read, so a target that cannot be written costs nothing.
		const std::vector<FInputFile> Inputs = {{Request.GroomPath, "groom"}, {Request.MeshPath, "mesh"}};
		if (!FStagedOutput::CheckTarget(Request.OutputPath, Inputs, Error))
		{
			std::fprintf(stderr, "velmora fit: %s\n", Error.c_str());
			return 1;
		}
		// The report's place too, so a bad one costs no work.
		std::optional<FStagedOutput> ReportOutput;
		if (!ReportPath.empty())
		{
			ReportOutput.emplace(ReportPath);
			std::vector<FInputFile> ReportInputs = Inputs;
			ReportInputs.push_back({Request.OutputPath, "output"});
			if (!ReportOutput->Prepare(Error, ReportInputs))
			{
				std::fprintf(stderr, "velmora fit: %s\n", Error.c_str());
				return 1;
			}
		}

		const auto MeshStart = std::chrono::steady_clock::now();
		Host::FMeshData Mesh;
		FFitReport Report;
		// The groom is read while the mesh is imported in its own process.
		FGroomReadAhead Ahead;
		if (!LoadMeshFile(Files[1], Mesh, Error, MeshLimits, [&] { ReadGroomAhead(Request.GroomPath, Ahead); }))
		{
			std::fprintf(stderr, "velmora fit: %s\n", Error.c_str());
			return 1;
		}
		Report.MeshSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - MeshStart).count();
		if (!RunFitOnMesh(Request, Mesh, Report, Error, &Ahead))
		{
			std::fprintf(stderr, "velmora fit: %s\n", Error.c_str());
			return 1;
		}

		nlohmann::json Json = Report.ToJson();
		Json["groom"] = Request.GroomPath;
		Json["mesh"] = Files[1];
		Json["output"] = Request.OutputPath;
		Json["options"] = OptionsToJson(Request.Options);
		if (ReportOutput)
		{
			const bool bWritten = [&]
			{
				std::ofstream File(ReportOutput->GetStagingPath(), std::ios::binary | std::ios::trunc);
				File << Json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
				File.close();
				if (!File)
				{
					Error = "cannot write '" + ReportPath + "'";
				}
				return static_cast<bool>(File);
			}() && ReportOutput->Commit(Error);
			if (!bWritten)
			{
				std::fprintf(stderr, "velmora fit: %s (the fitted groom was written to '%s')\n", Error.c_str(), Request.OutputPath.c_str());
				return 1;
			}
		}
		if (bJson)
		{
			// JSON holds text: bytes of a path that are not UTF-8 show as U+FFFD.
			std::printf("%s\n", Json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
		}
		else if (!bQuiet)
		{
			for (const std::string& Line : Report.Log)
			{
				std::printf("%s\n", Line.c_str());
			}
			std::printf("fitted %s onto %s -> %s\n%s", Request.GroomPath.c_str(), Files[1].c_str(), Request.OutputPath.c_str(), Report.Describe().c_str());
		}
		return 0;
	}
}
