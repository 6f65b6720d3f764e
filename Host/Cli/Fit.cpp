#include "Commands.h"
#include "FitRun.h"
#include "MeshFiles.h"
#include "Options.h"

#include <chrono>
#include <cstdio>

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
	    "taken as the files hold them.\n"
	    "\n"
	    "A groom with one surface normal per strand is fitted along those normals (each root placed at\n"
	    "origin + root, traced 5 units either way); any other groom is fitted by rays from the origin\n"
	    "towards each root (20 units long). A strand whose ray meets nothing stays where it was.\n"
	    "\n"
	    "options (vectors as X,Y,Z or three numbers; all default to zero, scale to one):\n"
	    "  --origin X,Y,Z           the fit's origin\n"
	    "  --actor-location X,Y,Z   location of the groom's actor: fitted points are stored relative to it\n"
	    "  --mesh-location X,Y,Z    where the mesh component stands\n"
	    "  --mesh-rotation P,Y,R    its rotation: pitch, yaw, roll in degrees\n"
	    "  --mesh-scale S|X,Y,Z     its scale\n"
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
	    "\n"
	    "example: velmora fit groom.abc head.obj fitted.abc --origin 0,0,160 --mesh-rotation 0,90,0\n";

	int RunFit(const std::vector<std::string>& Args)
	{
		FFitRequest Request;
		std::vector<std::string> Files;
		bool bJson = false;
		bool bQuiet = false;
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
				if (!bInline && Index + 1 >= Args.size())
				{
					return Usage(Name + " expects a file name");
				}
				Request.OutputPath = bInline ? Inline : Args[Index + 1];
				Index += bInline ? 1 : 2;
				continue;
			}
			if (Arg == "--json")
			{
				bJson = true;
			}
			else if (Arg == "-q" || Arg == "--quiet")
			{
				bQuiet = true;
			}
			else if (Arg == "--progress")
			{
				Request.Progress = EProgressMode::Always;
			}
			else if (Arg == "--no-progress")
			{
				Request.Progress = EProgressMode::Off;
			}
			else if (Arg == "--")
			{
				Files.insert(Files.end(), Args.begin() + static_cast<std::ptrdiff_t>(Index) + 1, Args.end());
				break;
			}
			else if (IsOption(Arg))
			{
				return Usage("unknown option '" + Arg + "'");
			}
			else
			{
				Files.push_back(Arg);
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
		if (bQuiet && Request.Progress == EProgressMode::Auto)
		{
			Request.Progress = EProgressMode::Off;
		}

		const auto MeshStart = std::chrono::steady_clock::now();
		Host::FMeshData Mesh;
		FFitReport Report;
		if (!LoadMeshFile(Files[1], Mesh, Error, MeshLimits))
		{
			std::fprintf(stderr, "velmora fit: %s\n", Error.c_str());
			return 1;
		}
		Report.MeshSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - MeshStart).count();
		if (!RunFitOnMesh(Request, Mesh, Report, Error))
		{
			std::fprintf(stderr, "velmora fit: %s\n", Error.c_str());
			return 1;
		}

		if (bJson)
		{
			nlohmann::json Json = Report.ToJson();
			Json["groom"] = Request.GroomPath;
			Json["mesh"] = Files[1];
			Json["output"] = Request.OutputPath;
			std::printf("%s\n", Json.dump(2).c_str());
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
