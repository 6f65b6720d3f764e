#include "Commands.h"
#include "CliPath.h"
#include "ErrorText.h"
#include "JsonWriter.h"
#include "FitPicture.h"
#include "FitRun.h"
#include "GroomPrepare.h"
#include "MeshFiles.h"
#include "Options.h"
#include "QualityReport.h"
#include "SafeText.h"
#include "StagedOutput.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <limits>
#include <cstdio>
#include <cerrno>
#include <cstring>
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
	    "and placed by its node transforms (a character's skinned meshes at rest, as 'velmora convert'\n"
	    "places them), or only those --mesh-part names, becomes one static mesh\n"
	    "component in a world. Coordinates are taken as the files hold them. The static mesh's collision\n"
	    "is made as SkeletalMeshToStaticMesh makes it: its triangles, double-sided, standing in for simple\n"
	    "collision too.\n"
	    "\n"
	    "A groom with one surface normal per strand is fitted along those normals (each root placed at\n"
	    "origin + root, traced 5 units either way); any other groom is fitted by rays from the origin\n"
	    "towards each root (20 units long). A strand whose ray meets nothing stays where it was, unless\n"
	    "--on-miss nearest says otherwise.\n"
	    "\n"
	    "The summary gives the world bounds of the groom as the fit places it (each point at the origin\n"
	    "plus the point) and of the mesh as it stands. Before the fit, a warning (on stderr, and in --json's\n"
	    "\"warnings\") says when the groom lies far from the mesh, when it is more than three times the mesh's\n"
	    "size or the mesh twenty times its size (units), when a surface-normal fit's mesh is less than 10\n"
	    "across (its traces may cross the head and land roots on the far side), when a spherical fit's\n"
	    "origin is outside the mesh's bounds, and when the groom file holds\n"
	    "more than the fit reads (other curves objects, transforms, normals or colours under other names),\n"
	    "with the 'velmora prepare' line that makes the groom the fit reads. A fit in which no trace meets\n"
	    "the mesh (and no repair places a root) fails: status 1, one line with both bounds, nothing written\n"
	    "but a --picture asked for. Some misses are no failure: the summary counts them.\n"
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
	    "  --orient-falloff LENGTH  with --orient (which it implies), the turn fades out along the first\n"
	    "                           LENGTH of each strand, so the rest keeps its direction (default 2);\n"
	    "                           0 turns each strand as one. Every segment keeps its length\n"
	    "  --resolve-penetration [OFFSET]\n"
	    "                           bring the points left inside the mesh out, root to tip, towards the\n"
	    "                           nearest surface point OFFSET outside it (default 0.1), each kept at its\n"
	    "                           segment's length from the point before; the points beyond follow\n"
	    "  --picture FILE.png       also draw the fit: the groom before and after on the mesh, from the front\n"
	    "                           and the side, with the figures (written also when nothing hit)\n"
	    "  --report FILE.json       also write the summary and the report as JSON to FILE.json (not the\n"
	    "                           output, nor any file the fit reads)\n"
	    "\n"
	    "options (vectors as X,Y,Z or three numbers; all default to zero, scale to one):\n"
	    "  --origin X,Y,Z           the fit's origin, where the groom is placed (\"the groom is placed at\n"
	    "                           ORIGIN\"), and the actor's location unless --actor-location is given\n"
	    "  --actor-location X,Y,Z   location of the groom's actor: fitted points are stored relative to it\n"
	    "                           (default: the origin); misses keep the groom file's coordinates\n"
	    "  --mesh-location X,Y,Z    where the mesh component stands\n"
	    "  --mesh-rotation P,Y,R    its rotation: pitch, yaw, roll in degrees\n"
	    "  --mesh-scale S|X,Y,Z     its scale\n"
	    "  --mesh-part NAME         fit onto this part of MESH only: a mesh or a node of the file (a node\n"
	    "                           takes every mesh at or below it); repeat for several. 'velmora inspect\n"
	    "                           MESH' lists the parts\n"
	    "  --single-sided           give the mesh single-sided collision, the engine's default for a mesh\n"
	    "                           not made by SkeletalMeshToStaticMesh: traces that leave the mesh from\n"
	    "                           inside, as the fit's do, pass through it and miss, as in the editor\n"
	    "  -o, --output OUT.abc     the output file (instead of the third argument)\n"
	    "  --json                   print the summary and the log as JSON on stdout\n"
	    "  -q, --quiet              print nothing but errors\n"
	    "  -v, --verbose            also print the plugin's own log lines, as the editor's log shows them\n"
	    "                           (--json always has them, as \"log\")\n"
	    "  --progress               show progress even when stderr is not a terminal\n"
	    "  --no-progress            never show progress\n"
	    "  --mesh-memory-limit MB   memory the mesh import may take (default 3072)\n"
	    "  --mesh-time-limit S      processor seconds the mesh import may take (default 60)\n"
	    "  --mesh-max-triangles N   triangles the mesh's nodes may place, instances counted (default 2000000,\n"
	    "                           or as many as the file stores)\n"
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
			std::string PicturePath;
			std::vector<std::string> MeshParts;
			bool bJson = false;
			bool bQuiet = false;
			bool bVerbose = false;
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
			    {{"--orient-falloff"}, EValue::Required, "a finite length of 0 or more", [&Repairs](const FOptionValue& Value, std::string& OutReason)
			     {
				     double Falloff = 0.0;
				     if (!ParseNumber(Value.Text, Falloff) || !(Falloff >= 0) || Falloff > std::numeric_limits<float>::max())
				     {
					     OutReason = "--orient-falloff expects a finite length of 0 or more, not '" + Value.Text + "'";
					     return false;
				     }
				     Repairs.bOrientToSurface = true;
				     Repairs.OrientFalloff = Falloff;
				     return true;
			     }},
			    {{"--single-sided"}, EValue::None, "", Set([&Request]
			                                               { Request.CollisionSides = Host::ECollisionSides::SingleSided; })},
			    {{"--progress"}, EValue::None, "", Set([&Request]
			                                           { Request.Progress = EProgressMode::Always; })},
			    {{"--no-progress"}, EValue::None, "", Set([&Request]
			                                              { Request.Progress = EProgressMode::Off; })},
			    FileOption({"--report"}, Out.ReportPath),
			    FileOption({"--picture"}, Out.PicturePath),
			    {{"--mesh-part"}, EValue::Required, "the name of a mesh or node of MESH", [&Out](const FOptionValue& Value, std::string&)
			     {
				     Out.MeshParts.push_back(Value.Text);
				     return true;
			     }},
			    FileOption({"-o", "--output"}, Request.OutputPath),
			    FlagOption({"--json"}, Out.bJson),
			    FlagOption({"-q", "--quiet"}, Out.bQuiet),
			    FlagOption({"-v", "--verbose"}, Out.bVerbose),
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
			// The groom's actor stands where the groom is placed unless told otherwise: the fitted groom is
			// then in the file's own frame, hits and misses alike.
			Request.ActorLocation = Out.Placement.bActorLocationGiven ? Out.Placement.ActorLocation : Out.Placement.Origin;
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

		// Stages the report; it is committed with the fit's other outputs.
		bool WriteReport(FStagedOutput& Output, const std::string& ReportPath, const std::string& Text, std::string& OutError)
		{
			std::ofstream File(Output.GetStagingPath(), std::ios::binary | std::ios::trunc);
			File << Text;
			File.close();
			if (!File)
			{
				OutError = "cannot write '" + ReportPath + "': " + std::strerror(errno);
				return false;
			}
			return true;
		}

		// Moves the staged outputs into place in order, the groom first. A failure names the output that
		// failed and those already in place; the rest keep their earlier files.
		bool CommitOutputs(const std::vector<std::pair<FStagedOutput*, std::string>>& Outputs, std::string& OutError)
		{
			std::string Written;
			for (const auto& [Output, Path] : Outputs)
			{
				if (!Output)
				{
					continue;
				}
				if (!Output->Commit(OutError))
				{
					OutError = Output->NameTarget(OutError) + (Written.empty() ? std::string(" (nothing was written)") : " (written before it: " + Written + "; the rest are as they were)");
					return false;
				}
				Written += (Written.empty() ? "'" : ", '") + Path + "'";
			}
			return true;
		}

		// Path as a shell reads it back: as it is when it holds nothing the shell treats specially.
		std::string ShellQuoted(const std::string& Path)
		{
			const bool bPlain = !Path.empty() && std::all_of(Path.begin(), Path.end(), [](unsigned char C)
			                                                 { return std::isalnum(C) || C == '/' || C == '.' || C == '_' || C == '-' || C == '+' || C == ',' || C >= 0x80; });
			if (bPlain)
			{
				return Path;
			}
			std::string Quoted = "'";
			for (const char C : Path)
			{
				Quoted += C == '\'' ? std::string("'\\''") : std::string(1, C);
			}
			return Quoted + "'";
		}

		// What the groom file holds beyond the one curves object, in the world's space, with "surface_normal"
		// and "groom_color", that the fit reads; each line names the command that makes the groom it reads.
		void AddFileWarnings(const GroomPrepare::FGroomSurvey& Survey, const std::string& GroomPath, std::vector<std::string>& OutWarnings)
		{
			if (!Survey.Error.empty() || Survey.FitReads.empty())
			{
				return;
			}
			const std::string Fix = " (to write the groom the fit reads: velmora prepare " + ShellQuoted(GroomPath) + " PREPARED.abc)";
			// A deep object by the end of its path, escaped: each warning is one line of a bounded length.
			const auto Shown = [](const std::string& Path)
			{
				return SafeText::ShortPath(Path);
			};
			int64 Objects = 0, Strands = 0;
			const GroomPrepare::FSurveyedObject* Read = nullptr;
			for (const GroomPrepare::FSurveyedObject& Object : Survey.Objects)
			{
				if (Object.Kind == "Curve")
				{
					++Objects;
					Strands += Object.Strands;
				}
			}
			if (Survey.FitReadsIndex >= 0)
			{
				Read = &Survey.Objects[static_cast<size_t>(Survey.FitReadsIndex)];
			}
			if (!Read)
			{
				return;
			}
			if (Objects > 1)
			{
				OutWarnings.push_back("the groom file holds " + std::to_string(static_cast<long long>(Objects)) + " curves objects (" +
				                      Counted(Strands, "strand") + "); the fit reads only the first, " + Shown(Read->Path) + " (" + Counted(Read->Strands, "strand") + ")" + Fix);
			}
			if (Read->TransformCount > 0 && !Read->bIdentityTransform)
			{
				OutWarnings.push_back("the curves object " + Shown(Read->Path) + " lies under " + std::to_string(Read->TransformCount) +
				                      " transform(s) (" + (Read->Transforms.empty() ? std::string("...") : Shown(Read->Transforms.front())) +
				                      (Read->Transforms.size() > 1 ? ", ..." : "") + ") that the fit does not apply" + Fix);
			}
			const auto Has = [&](const char* Name)
			{
				for (const GroomPrepare::FSurveyedAttribute& Attribute : Read->Attributes)
				{
					if (Attribute.Name == Name)
					{
						return true;
					}
				}
				return false;
			};
			if (Has("N") && !Has("surface_normal"))
			{
				OutWarnings.push_back("the curves object " + Shown(Read->Path) + " has normals 'N' but no 'surface_normal', which the fit reads" + Fix);
			}
			for (const char* Colour : {"Cd", "color", "Cs"})
			{
				if (Has(Colour) && !Has("groom_color"))
				{
					OutWarnings.push_back("the curves object " + Shown(Read->Path) + " has colours '" + Colour + "' but no 'groom_color', which the fit reads" + Fix);
					break;
				}
			}
		}

		double LargestExtent(const FBox& Box)
		{
			const FVector Size = Box.GetSize();
			return std::max({Size.X, Size.Y, Size.Z});
		}

		// How the groom stands against the mesh before the fit: far apart, of sizes in other units, or a
		// spherical fit's origin outside the mesh.
		void AddPlacementWarnings(const FFitRequest& Request, const GroomData& Groom, const FFitReport& Report, std::vector<std::string>& OutWarnings)
		{
			const FBox& GroomBox = Report.GroomBounds;
			const FBox& MeshBox = Report.MeshBounds;
			if (!GroomBox.IsValid || !MeshBox.IsValid)
			{
				return;
			}
			const std::string Bounds = ": groom at " + DescribeBox(GroomBox) + ", mesh at " + DescribeBox(MeshBox);
			const double MeshSize = LargestExtent(MeshBox);
			const double GroomSize = LargestExtent(GroomBox);
			const FBox Near = MeshBox.ExpandBy(MeshSize);
			const bool bApart = GroomBox.Min.X > Near.Max.X || GroomBox.Max.X < Near.Min.X || GroomBox.Min.Y > Near.Max.Y || GroomBox.Max.Y < Near.Min.Y ||
			                    GroomBox.Min.Z > Near.Max.Z || GroomBox.Max.Z < Near.Min.Z;
			if (bApart)
			{
				OutWarnings.push_back("the groom lies far outside the mesh (see --origin and --mesh-location)" + Bounds);
			}
			// Hair never reaches far beyond what it grows on, while a beard on a whole character is a tenth of
			// its size: other units show as a groom a few times the mesh, or a mesh some twenty times the groom.
			if (MeshSize > 0 && GroomSize > 0 && (GroomSize > 3 * MeshSize || MeshSize > 20 * GroomSize))
			{
				char Ratio[64];
				std::snprintf(Ratio, sizeof(Ratio), "%.3g", GroomSize / MeshSize);
				OutWarnings.push_back(std::string("the groom is ") + Ratio + " times the size of the mesh: other units? (see --mesh-scale)" + Bounds);
			}
			const bool bSurfaceNormal = Groom.surfaceNormals.size() / 3 == Groom.vertexCounts.size();
			// A trace takes the crossing furthest back along the normal: on a mesh no larger than the trace is
			// long, it runs through the head and lands the root on the far side.
			if (bSurfaceNormal && MeshSize > 0 && MeshSize < 2 * GroomFitting::SurfaceNormalReach)
			{
				char Size[64];
				std::snprintf(Size, sizeof(Size), "%.3g", MeshSize);
				OutWarnings.push_back(std::string("the mesh is ") + Size + " units across, and each strand's trace reaches " +
				                      std::to_string(static_cast<int>(GroomFitting::SurfaceNormalReach)) +
				                      " units to either side of its root: roots may land on the far side of the head. The engine works in centimetres "
				                      "(see --mesh-scale)" +
				                      Bounds);
			}
			if (!bSurfaceNormal && !MeshBox.IsInsideOrOn(Request.Origin))
			{
				char Origin[128];
				std::snprintf(Origin, sizeof(Origin), "(%.4g, %.4g, %.4g)", Request.Origin.X, Request.Origin.Y, Request.Origin.Z);
				OutWarnings.push_back(std::string("the spherical fit's origin ") + Origin + " is outside the mesh's bounds " + DescribeBox(MeshBox) +
				                      ": its rays start outside the head (see --origin)");
			}
		}

		// Stages the picture; it is committed with the fit's other outputs.
		bool WritePicture(FStagedOutput& Output, const FFitPicture& Picture, std::string& OutError)
		{
			if (!WriteFitPicture(Output.GetStagingPath(), Picture, OutError))
			{
				OutError = Output.NameTarget(OutError);
				return false;
			}
			return true;
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
			if (!Command.PicturePath.empty())
			{
				Outputs.push_back({Command.PicturePath, "picture"});
			}
			// Before the mesh is read, so a target that cannot be written costs nothing; whether or not the
			// outputs exist yet.
			if (!CheckOutputsAgainstInputs(Outputs, Inputs, OutError) || !FStagedOutput::CheckTarget(Request.OutputPath, Inputs, OutError))
			{
				return false;
			}
			// Every output is staged before the work and committed together after it: a failure leaves
			// every earlier file as it was.
			FStagedOutput GroomOutput(Request.OutputPath);
			if (!GroomOutput.Prepare(OutError, Inputs))
			{
				return false;
			}
			// The report's and the picture's places too, so a bad one costs no work.
			std::vector<FInputFile> OtherInputs = Inputs;
			OtherInputs.push_back({Request.OutputPath, "output"});
			std::optional<FStagedOutput> ReportOutput;
			if (!Command.ReportPath.empty())
			{
				ReportOutput.emplace(Command.ReportPath);
				if (!ReportOutput->Prepare(OutError, OtherInputs))
				{
					return false;
				}
				OtherInputs.push_back({Command.ReportPath, "report"});
			}
			std::optional<FStagedOutput> PictureOutput;
			if (!Command.PicturePath.empty())
			{
				PictureOutput.emplace(Command.PicturePath);
				if (!PictureOutput->Prepare(OutError, OtherInputs))
				{
					return false;
				}
			}

			const auto MeshStart = std::chrono::steady_clock::now();
			Host::FMeshData Mesh;
			FFitReport Report;
			// The groom is read, and its file surveyed, while the mesh is imported in its own process.
			FGroomReadAhead Ahead;
			GroomPrepare::FGroomSurvey Survey;
			std::vector<std::string> FilesRead;
			if (!LoadMeshFile(
			        Request.MeshPath, Mesh, OutError, Command.MeshLimits, [&]
			        {
				        ReadGroomAhead(Request.GroomPath, Ahead);
				        if (Ahead.bRead)
				        {
					        Report.GroomBounds = GroomWorldBounds(Ahead.Groom, Request.Origin);
					        const FPluginPath Groom(Request.GroomPath, EPluginPathKind::Existing);
					        GroomPrepare::SurveyGroomFile(Groom.GetUtf8(), Survey, GroomPrepare::ESurveyDepth::Structure);
				        } },
			        &FilesRead, Command.MeshParts, &Report.bMeshSkinned))
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
			Report.MeshBounds = MeshWorldBounds(Mesh, FTransform(Request.MeshRotation, Request.MeshLocation, Request.MeshScale));
			if (Request.ActorLocation != Request.Origin)
			{
				Report.Warnings.push_back("--actor-location differs from --origin: hits are stored relative to the actor location, while misses keep "
				                          "the groom file's coordinates, so the two may not line up (give only --origin to keep one frame)");
			}
			if (Ahead.bRead)
			{
				AddPlacementWarnings(Request, Ahead.Groom, Report, Report.Warnings);
				AddFileWarnings(Survey, Request.GroomPath, Report.Warnings);
			}
			if (!Command.bQuiet)
			{
				for (const std::string& Warning : Report.Warnings)
				{
					std::fprintf(stderr, "velmora fit: warning: %s\n", SafeText::Escaped(Warning).c_str());
				}
				std::fflush(stderr);
			}
			// The picture shows the groom as read beside the fitted one, which the fit makes of the same record.
			std::optional<GroomData> Before;
			if (PictureOutput && Ahead.bRead)
			{
				Before = Ahead.Groom;
			}
			if (!RunFitOnMesh(Request, Mesh, Report, OutError, &Ahead, &GroomOutput))
			{
				// A fit that met nothing is worth a look: its log says why when it can (single-sided collision),
				// and the picture asked for shows where things stand.
				if (Report.bNothingHit && Command.bVerbose && !Command.bJson && !Command.bQuiet)
				{
					for (const std::string& Line : Report.Log)
					{
						std::printf("%s\n", SafeText::Escaped(Line).c_str());
					}
					std::fflush(stdout);
				}
				std::string PictureError;
				if (Report.bNothingHit && PictureOutput && Before)
				{
					const bool bPicture = WritePicture(*PictureOutput, MakeFitPicture(Request, Mesh, *Before, nullptr, Report), PictureError) &&
					                      PictureOutput->Commit(PictureError);
					OutError += bPicture ? " (the picture was written to '" + Command.PicturePath + "')" : " (and " + PictureOutput->NameTarget(PictureError) + ")";
				}
				return false;
			}
			if (PictureOutput && Before && !WritePicture(*PictureOutput, MakeFitPicture(Request, Mesh, *Before, &Ahead.Groom, Report), OutError))
			{
				OutError += " (nothing was written)";
				return false;
			}

			nlohmann::json Json = Report.ToJson();
			Json["groom"] = Request.GroomPath;
			Json["mesh"] = Request.MeshPath;
			Json["output"] = Request.OutputPath;
			if (!Command.MeshParts.empty())
			{
				Json["meshParts"] = Command.MeshParts;
			}
			if (!Command.PicturePath.empty())
			{
				Json["picture"] = Command.PicturePath;
			}
			Json["options"] = OptionsToJson(Request.Options);
			const std::string Text = ToStrictJson(Json);
			if (ReportOutput && !WriteReport(*ReportOutput, Command.ReportPath, Text, OutError))
			{
				OutError += " (nothing was written)";
				return false;
			}
			if (!CommitOutputs({{&GroomOutput, Request.OutputPath},
			                    {ReportOutput ? &*ReportOutput : nullptr, Command.ReportPath},
			                    {PictureOutput && Before ? &*PictureOutput : nullptr, Command.PicturePath}},
			                   OutError))
			{
				return false;
			}
			if (Command.bJson)
			{
				std::fputs(Text.c_str(), stdout);
			}
			else if (!Command.bQuiet)
			{
				// The plugin's lines are for its log; the summary says what happened in the command's words.
				// The reader's lines may name what the file holds: escaped, each is one line.
				for (const std::string& Line : Command.bVerbose ? Report.Log : std::vector<std::string>())
				{
					std::printf("%s\n", SafeText::Escaped(Line).c_str());
				}
				std::printf("fitted %s onto %s -> %s\n%s", Request.GroomPath.c_str(), Request.MeshPath.c_str(), Request.OutputPath.c_str(), Report.Describe().c_str());
				if (!Command.PicturePath.empty())
				{
					std::printf("picture  %s\n", Command.PicturePath.c_str());
				}
			}
			return true;
		}
	}

	int RunFit(const std::vector<std::string>& Args)
	{
		return RunCommand("fit", Args, ParseFit, Fit);
	}
}
