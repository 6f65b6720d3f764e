#include "Commands.h"
#include "CliPath.h"
#include "JsonWriter.h"
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
	    "  --report FILE.json       also write the summary and the report as JSON to FILE.json (not the\n"
	    "                           output, nor any file the fit reads)\n"
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
	    "OUT.abc must be a regular file or not exist yet, and not be GROOM.abc, MESH or any file the mesh\n"
	    "importer reads beside it (an OBJ's .mtl, a glTF's .bin) under any name. A\n"
	    "link there is written through: the file it names is replaced, the link stays. A file you may not\n"
	    "write is refused; a replaced file keeps its permissions; a new one gets 0666 less the umask.\n"
	    "Interrupted (Ctrl-C, SIGTERM, SIGHUP), the command leaves nothing behind and ends by that signal\n"
	    "(status 128 + its number).\n"
	    "\n"
	    "example: velmora fit groom.abc head.obj fitted.abc --origin 0,0,160 --on-miss nearest --orient --resolve-penetration --report r.json\n";

	namespace
	{
		struct FFitCommand
		{
			FFitRequest Fit;
			FPlacement Placement;
			std::string ReportPath;
			bool bJson = false;
			bool bQuiet = false;
			FMeshImportLimits MeshLimits;
		};

		EParsed ParseFit(const std::vector<std::string>& Args, FFitCommand& Out, std::string& OutError)
		{
			FFitRequest& Request = Out.Fit;
			GroomFitting::FFitOptions& Repairs = Request.Options;
			const auto Set = [](std::function<void()> Apply)
			{
				return [Apply](const FOptionValue&, std::string&)
				{
					Apply();
					return true;
				};
			};
			std::vector<FOption> Options = {
			    {{"--on-miss"}, EValue::Required, "keep or nearest", [&Repairs](const FOptionValue& Value, std::string& OutReason)
			     {
				     if (Value.Text != "keep" && Value.Text != "nearest")
				     {
					     OutReason = "--on-miss expects keep or nearest, not '" + Value.Text + "'";
					     return false;
				     }
				     Repairs.bSnapMissesToNearest = Value.Text == "nearest";
				     return true;
			     }},
			    {{"--resolve-penetration"}, EValue::OptionalNumber, "a finite distance of 0 or more", [&Repairs](const FOptionValue& Value, std::string& OutReason)
			     {
				     double Offset = Repairs.PenetrationOffset;
				     if (Value.bGiven && (!ParseNumber(Value.Text, Offset) || !(Offset >= 0) || Offset > std::numeric_limits<float>::max()))
				     {
					     OutReason = "--resolve-penetration expects a finite distance of 0 or more, not '" + Value.Text + "'";
					     return false;
				     }
				     Repairs.bResolvePenetration = true;
				     Repairs.PenetrationOffset = Offset;
				     return true;
			     }},
			    {{"--orient"}, EValue::None, "", Set([&Repairs]
			                                         { Repairs.bOrientToSurface = true; })},
			    {{"--single-sided"}, EValue::None, "", Set([&Request]
			                                               { Request.CollisionSides = Host::ECollisionSides::SingleSided; })},
			    {{"--progress"}, EValue::None, "", Set([&Request]
			                                           { Request.Progress = EProgressMode::Always; })},
			    {{"--no-progress"}, EValue::None, "", Set([&Request]
			                                              { Request.Progress = EProgressMode::Off; })},
			    FileOption({"--report"}, Out.ReportPath),
			    FileOption({"-o", "--output"}, Request.OutputPath),
			    FlagOption({"--json"}, Out.bJson),
			    FlagOption({"-q", "--quiet"}, Out.bQuiet),
			};
			AddPlacementOptions(Options, Out.Placement);
			AddMeshLimitOptions(Options, Out.MeshLimits);
			std::vector<std::string> Files;
			const EParsed Parsed = ParseArguments(Args, Options, Files, OutError);
			if (Parsed != EParsed::Run)
			{
				return Parsed;
			}
			if (!TakeInputsAndOutput(Files, 2, Request.OutputPath, "GROOM.abc MESH OUT.abc", OutError))
			{
				return EParsed::Bad;
			}
			Request.GroomPath = Files[0];
			Request.MeshPath = Files[1];
			Request.Origin = Out.Placement.Origin;
			Request.ActorLocation = Out.Placement.ActorLocation;
			Request.MeshLocation = Out.Placement.MeshLocation;
			Request.MeshRotation = Out.Placement.MeshRotation;
			Request.MeshScale = Out.Placement.MeshScale;
			// The report costs a measure of every point: only when it is printed.
			Request.bMeasure = Repairs.AnyRepair() || !Out.ReportPath.empty();
			if (Out.bQuiet && Request.Progress == EProgressMode::Auto)
			{
				Request.Progress = EProgressMode::Off;
			}
			return EParsed::Run;
		}

		bool WriteReport(FStagedOutput& Output, const std::string& ReportPath, const std::string& Text, std::string& OutError)
		{
			std::ofstream File(Output.GetStagingPath(), std::ios::binary | std::ios::trunc);
			File << Text;
			File.close();
			if (!File)
			{
				OutError = "cannot write '" + ReportPath + "'";
				return false;
			}
			return Output.Commit(OutError);
		}

		bool Fit(const FFitCommand& Command, std::string& OutError)
		{
			const FFitRequest& Request = Command.Fit;
			std::vector<FInputFile> Inputs = {{Request.GroomPath, "groom"}, {Request.MeshPath, "mesh"}};
			std::vector<FInputFile> Outputs = {{Request.OutputPath, "output"}};
			if (!Command.ReportPath.empty())
			{
				Outputs.push_back({Command.ReportPath, "report"});
			}
			// Before the mesh is read, so a target that cannot be written costs nothing; whether or not the
			// outputs exist yet.
			if (!CheckOutputsAgainstInputs(Outputs, Inputs, OutError) || !FStagedOutput::CheckTarget(Request.OutputPath, Inputs, OutError))
			{
				return false;
			}
			// The report's place too, so a bad one costs no work.
			std::optional<FStagedOutput> ReportOutput;
			if (!Command.ReportPath.empty())
			{
				ReportOutput.emplace(Command.ReportPath);
				std::vector<FInputFile> ReportInputs = Inputs;
				ReportInputs.push_back({Request.OutputPath, "output"});
				if (!ReportOutput->Prepare(OutError, ReportInputs))
				{
					return false;
				}
			}

			const auto MeshStart = std::chrono::steady_clock::now();
			Host::FMeshData Mesh;
			FFitReport Report;
			// The groom is read while the mesh is imported in its own process.
			FGroomReadAhead Ahead;
			std::vector<std::string> FilesRead;
			if (!LoadMeshFile(
			        Request.MeshPath, Mesh, OutError, Command.MeshLimits, [&]
			        { ReadGroomAhead(Request.GroomPath, Ahead); }, &FilesRead))
			{
				return false;
			}
			// Every file the importer read (an OBJ's .mtl, a glTF's .bin) is an input too; nothing is written yet.
			for (const std::string& File : FilesRead)
			{
				Inputs.push_back({File, "file the mesh importer read"});
			}
			if (!CheckOutputsAgainstInputs(Outputs, Inputs, OutError))
			{
				return false;
			}
			Report.MeshSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - MeshStart).count();
			if (!RunFitOnMesh(Request, Mesh, Report, OutError, &Ahead))
			{
				return false;
			}

			nlohmann::json Json = Report.ToJson();
			Json["groom"] = Request.GroomPath;
			Json["mesh"] = Request.MeshPath;
			Json["output"] = Request.OutputPath;
			Json["options"] = OptionsToJson(Request.Options);
			const std::string Text = ToStrictJson(Json);
			if (ReportOutput && !WriteReport(*ReportOutput, Command.ReportPath, Text, OutError))
			{
				OutError += " (the fitted groom was written to '" + Request.OutputPath + "')";
				return false;
			}
			if (Command.bJson)
			{
				std::fputs(Text.c_str(), stdout);
			}
			else if (!Command.bQuiet)
			{
				for (const std::string& Line : Report.Log)
				{
					std::printf("%s\n", Line.c_str());
				}
				std::printf("fitted %s onto %s -> %s\n%s", Request.GroomPath.c_str(), Request.MeshPath.c_str(), Request.OutputPath.c_str(), Report.Describe().c_str());
			}
			return true;
		}
	}

	int RunFit(const std::vector<std::string>& Args)
	{
		FFitCommand Command;
		std::string Error;
		const EParsed Parsed = ParseFit(Args, Command, Error);
		return RunCommand("fit", Parsed, Error, [&](std::string& OutError)
		                  { return Fit(Command, OutError); });
	}
}
