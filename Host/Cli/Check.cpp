#include "Commands.h"
#include "CliPath.h"
#include "ErrorText.h"
#include "FitRun.h"
#include "JsonWriter.h"
#include "MeshFiles.h"
#include "Options.h"
#include "QualityReport.h"
#include "StreamCapture.h"
#include "GroomFitting.h"

#include "Components/StaticMeshComponent.h"
#include "GameFramework/Actor.h"
#include "Host/Log.h"
#include "Host/World.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace VelmoraCli
{
	const char* const CheckUsage =
	    "usage: velmora check GROOM.abc MESH [options]\n"
	    "\n"
	    "Reports how GROOM.abc lies on MESH, before or after a fit, without changing anything: roots on the\n"
	    "surface (within 0.001) and off it, their distance from the surface (min, median, max), and the points\n"
	    "inside the mesh and the strands they belong to. Inside means a winding number above one half, so a\n"
	    "head with a small hole still has an inside. It asks the same UvelmoraFitBPLibrary::ReportGroomFit a\n"
	    "Blueprint calls in the editor. MESH is read and placed as 'velmora fit' does.\n"
	    "\n"
	    "options (vectors as X,Y,Z or three numbers; all default to zero, scale to one):\n"
	    "  --origin X,Y,Z           where the groom stands: each point is measured at X,Y,Z + point. Give\n"
	    "                           the fit's --origin for a groom before the fit\n"
	    "  --actor-location X,Y,Z   the same, for a fitted groom: the fit's --actor-location\n"
	    "  --mesh-location X,Y,Z    where the mesh component stands\n"
	    "  --mesh-rotation P,Y,R    its rotation: pitch, yaw, roll in degrees\n"
	    "  --mesh-scale S|X,Y,Z     its scale\n"
	    "  --mesh-part NAME         measure against this part of MESH only, as 'velmora fit' takes it\n"
	    "  --reference PLAIN.abc    also measure how GROOM.abc's strands differ in shape from the same\n"
	    "                           strands in PLAIN.abc (a plain fit of the same groom): how far each\n"
	    "                           root-to-tip direction turned and how much each segment's length changed\n"
	    "  --json                   print the report as JSON\n"
	    "  -q, --quiet              print nothing but errors (the exit status still tells)\n"
	    "  --mesh-memory-limit MB   memory the mesh import may take (default 3072)\n"
	    "  --mesh-time-limit S      processor seconds the mesh import may take (default 60)\n"
	    "  --mesh-max-triangles N   triangles the mesh's nodes may place, instances counted (default 2000000,\n"
	    "                           or as many as the file stores)\n"
	    "\n"
	    "Exit status: 0 when the groom was measured, whatever the figures; 1 for a groom or mesh that cannot\n"
	    "be read (with one line saying why); 2 for a bad command line.\n"
	    "\n"
	    "example: velmora check fitted.abc head.obj --actor-location 0,0,160 --json\n"
	    "         velmora check repaired.abc head.obj --reference plain.abc\n";

	namespace
	{
		struct FCheckRequest
		{
			std::string GroomPath;
			std::string MeshPath;
			FPlacement Placement;
			std::vector<std::string> MeshParts;
			std::string ReferencePath;
			bool bJson = false;
			bool bQuiet = false;
			FMeshImportLimits MeshLimits;
		};

		EParsed ParseCheck(const std::vector<std::string>& Args, FCheckRequest& Out, std::string& OutError)
		{
			std::vector<FOption> Options = {
			    FlagOption({"--json"}, Out.bJson),
			    FlagOption({"-q", "--quiet"}, Out.bQuiet),
			    FileOption({"--reference"}, Out.ReferencePath, "a groom file"),
			    {{"--mesh-part"}, EValue::Required, "the name of a mesh or node of MESH", [&Out](const FOptionValue& Value, std::string&)
			     {
				     Out.MeshParts.push_back(Value.Text);
				     return true;
			     }},
			};
			AddPlacementOptions(Options, Out.Placement);
			AddMeshLimitOptions(Options, Out.MeshLimits);
			std::vector<std::string> Files;
			const EParsed Parsed = ParseArguments(Args, Options, Files, OutError);
			if (Parsed != EParsed::Run)
			{
				return Parsed;
			}
			const FPlacement& Placement = Out.Placement;
			// One groom stands in one place: the two names are for the two moments of a fit.
			if (Placement.bOriginGiven && Placement.bActorLocationGiven && Placement.Origin != Placement.ActorLocation)
			{
				OutError = "--origin and --actor-location both place the groom; give one";
				return EParsed::Bad;
			}
			if (Files.size() != 2)
			{
				OutError = Files.size() > 2 ? "too many files" : "expects GROOM.abc MESH";
				return EParsed::Bad;
			}
			Out.GroomPath = Files[0];
			Out.MeshPath = Files[1];
			return EParsed::Run;
		}

		FVector GroomPlacement(const FPlacement& Placement)
		{
			return Placement.bActorLocationGiven ? Placement.ActorLocation : Placement.Origin;
		}

		// Measures the groom against the mesh placed as asked. False with the reason.
		bool MeasureGroomOnMesh(const FCheckRequest& Request, const Host::FMeshData& Mesh, GroomFitting::FFitReport& Report, std::string& OutError)
		{
			const FPlacement& Placement = Request.Placement;
			UWorld* World = Host::NewWorld();
			AActor* MeshActor = Host::SpawnActorWithoutRoot(World);
			UStaticMeshComponent* Component = Host::AddStaticMeshComponent(MeshActor, Host::NewStaticMesh(Mesh),
			                                                               FTransform(Placement.MeshRotation, Placement.MeshLocation, Placement.MeshScale));
			// A groom whose name is not text reaches the plugin by its descriptor.
			const FPluginPath PluginGroom(Request.GroomPath, EPluginPathKind::Existing);
			{
				// What the plugin logs is its own; the reason comes with the report.
				Host::FScopedLogCapture Quiet;
				FScopedStreamCapture Streams;
				GroomFitting::ReportGroomFile(Component, GroomPlacement(Placement), PluginGroom.Get(), Report);
				std::string Ignored;
				Streams.Finish(Ignored, Ignored);
			}
			const std::string Reason = PluginGroom.ToUser(LastLineOf(TCHAR_TO_UTF8(*Report.FailureReason)));
			if (!Report.bMeasured)
			{
				OutError = "cannot measure groom '" + Request.GroomPath + "'" + (Reason.empty() ? std::string() : ": " + Reason);
				return false;
			}
			return true;
		}

		// The shape figures of the groom read ahead against the reference groom's.
		bool MeasureShape(const FCheckRequest& Request, const FGroomReadAhead& Ahead, GroomFitting::FFitReport& Report, std::string& OutError)
		{
			if (!Ahead.bRead)
			{
				OutError = "cannot read groom '" + Request.GroomPath + "'" + (Ahead.ReadReason.empty() ? std::string() : ": " + Ahead.ReadReason);
				return false;
			}
			FGroomReadAhead Reference;
			ReadGroomAhead(Request.ReferencePath, Reference);
			if (!Reference.bRead)
			{
				const std::string& Reason = Reference.ReadReason;
				OutError = !Reference.FileError.empty() ? "reference " + Reference.FileError
				                                        : "cannot read reference groom '" + Request.ReferencePath + "'" + (Reason.empty() ? std::string() : ": " + Reason);
				return false;
			}
			FString Reason;
			if (!GroomFitting::MeasureShapeAgainst(Ahead.Groom, Reference.Groom, Report, Reason))
			{
				OutError = "cannot compare '" + Request.GroomPath + "' with '" + Request.ReferencePath + "': " + TCHAR_TO_UTF8(*Reason);
				return false;
			}
			return true;
		}

		bool Check(const FCheckRequest& Request, std::string& OutError)
		{
			const std::string& GroomPath = Request.GroomPath;
			std::error_code FileError;
			if (!std::filesystem::exists(GroomPath, FileError))
			{
				OutError = "groom '" + GroomPath + "' does not exist";
				return false;
			}
			if (!std::filesystem::is_regular_file(GroomPath, FileError))
			{
				OutError = "groom '" + GroomPath + "' is not a file";
				return false;
			}
			Host::FMeshData Mesh;
			// The groom is read for its bounds while the mesh is imported in its own process.
			FGroomReadAhead Ahead;
			bool bSkinned = false;
			if (!LoadMeshFile(
			        Request.MeshPath, Mesh, OutError, Request.MeshLimits, [&]
			        { ReadGroomAhead(GroomPath, Ahead); },
			        nullptr, Request.MeshParts, &bSkinned))
			{
				return false;
			}
			GroomFitting::FFitReport Report;
			if (!MeasureGroomOnMesh(Request, Mesh, Report, OutError) || (!Request.ReferencePath.empty() && !MeasureShape(Request, Ahead, Report, OutError)))
			{
				return false;
			}
			const FPlacement& Placed = Request.Placement;
			const FBox GroomBounds = Ahead.bRead ? GroomWorldBounds(Ahead.Groom, GroomPlacement(Placed)) : FBox(ForceInit);
			const FBox MeshBounds = MeshWorldBounds(Mesh, FTransform(Placed.MeshRotation, Placed.MeshLocation, Placed.MeshScale));
			if (Request.bQuiet)
			{
				return true;
			}
			if (Request.bJson)
			{
				const FVector Placement = GroomPlacement(Request.Placement);
				nlohmann::json Json = QualityToJson(Report);
				Json["groom"] = GroomPath;
				Json["mesh"] = Request.MeshPath;
				Json["meshTriangles"] = Mesh.NumTriangles();
				Json["meshSkinned"] = bSkinned;
				Json["placement"] = {Placement.X, Placement.Y, Placement.Z};
				Json["bounds"] = {{"groom", BoxToJson(GroomBounds)}, {"mesh", BoxToJson(MeshBounds)}};
				if (!Request.MeshParts.empty())
				{
					Json["meshParts"] = Request.MeshParts;
				}
				std::fputs(ToStrictJson(Json).c_str(), stdout);
				return true;
			}
			std::printf("groom    %s: %s, %s\nmesh     %s: %s%s\ngroom at %s\nmesh at  %s\n%s", GroomPath.c_str(), Counted(Report.Strands, "strand").c_str(),
			            Counted(Report.Points, "point").c_str(), Request.MeshPath.c_str(), Counted(Mesh.NumTriangles(), "triangle").c_str(),
			            bSkinned ? " (skinned: placed at rest)" : "", DescribeBox(GroomBounds).c_str(), DescribeBox(MeshBounds).c_str(),
			            DescribeQuality(Report).c_str());
			return true;
		}
	}

	int RunCheck(const std::vector<std::string>& Args)
	{
		return RunCommand("check", Args, ParseCheck, Check);
	}
}
