#include "Commands.h"
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
	    "  --json                   print the report as JSON\n"
	    "  --mesh-memory-limit MB   memory the mesh import may take (default 3072)\n"
	    "  --mesh-time-limit S      processor seconds the mesh import may take (default 60)\n"
	    "\n"
	    "Exit status: 0 when the groom was measured, whatever the figures; 1 for a groom or mesh that cannot\n"
	    "be read (with one line saying why); 2 for a bad command line.\n"
	    "\n"
	    "example: velmora check fitted.abc head.obj --actor-location 0,0,160 --json\n";

	int RunCheck(const std::vector<std::string>& Args)
	{
		std::vector<std::string> Files;
		FVector Placement = FVector::ZeroVector;
		bool bPlacementGiven = false;
		FVector MeshLocation = FVector::ZeroVector;
		FRotator MeshRotation = FRotator::ZeroRotator;
		FVector MeshScale = FVector::OneVector;
		bool bJson = false;
		FMeshImportLimits MeshLimits;
		std::string Error;
		const auto Usage = [](const std::string& Message)
		{
			std::fprintf(stderr, "velmora check: %s (see velmora check --help)\n", Message.c_str());
			return 2;
		};
		const auto Fail = [](const std::string& Message)
		{
			std::fprintf(stderr, "velmora check: %s\n", Message.c_str());
			return 1;
		};
		for (size_t Index = 0; Index < Args.size();)
		{
			const std::string& Arg = Args[Index];
			std::string Name = Arg, Inline;
			SplitInlineValue(Arg, Name, Inline);
			if (Name == "-h" || Name == "--help")
			{
				std::fputs(CheckUsage, stdout);
				return 0;
			}
			if (IsMeshLimitOption(Arg))
			{
				if (!ParseMeshLimitOption(Args, Index, MeshLimits, Error))
				{
					return Usage(Error);
				}
				continue;
			}
			if (Name == "--origin" || Name == "--actor-location" || Name == "--mesh-location" || Name == "--mesh-rotation" || Name == "--mesh-scale")
			{
				FVector Value;
				if (!ParseVectorOption(Args, Index, Name == "--mesh-scale", Value, Error))
				{
					return Usage(Error);
				}
				if (Name == "--origin" || Name == "--actor-location")
				{
					// One groom stands in one place: the two names are for the two moments of a fit.
					if (bPlacementGiven && Value != Placement)
					{
						return Usage("--origin and --actor-location both place the groom; give one");
					}
					Placement = Value;
					bPlacementGiven = true;
				}
				else if (Name == "--mesh-location")
				{
					MeshLocation = Value;
				}
				else if (Name == "--mesh-rotation")
				{
					MeshRotation = FRotator(Value.X, Value.Y, Value.Z);
				}
				else
				{
					MeshScale = Value;
				}
				continue;
			}
			if (Arg == "--json")
			{
				bJson = true;
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
		if (Files.size() != 2)
		{
			return Usage(Files.size() > 2 ? "too many files" : "expects GROOM.abc MESH");
		}
		const std::string& GroomPath = Files[0];
		std::error_code FileError;
		if (!std::filesystem::exists(GroomPath, FileError))
		{
			return Fail("groom '" + GroomPath + "' does not exist");
		}
		if (!std::filesystem::is_regular_file(GroomPath, FileError))
		{
			return Fail("groom '" + GroomPath + "' is not a file");
		}
		Host::FMeshData Mesh;
		if (!LoadMeshFile(Files[1], Mesh, Error, MeshLimits))
		{
			return Fail(Error);
		}

		UWorld* World = Host::NewWorld();
		AActor* MeshActor = Host::SpawnActorWithoutRoot(World);
		UStaticMeshComponent* Component =
		    Host::AddStaticMeshComponent(MeshActor, Host::NewStaticMesh(Mesh), FTransform(MeshRotation, MeshLocation, MeshScale));
		GroomFitting::FFitReport Report;
		std::string Reason;
		{
			Host::FScopedLogCapture Capture;
			FScopedStreamCapture Streams;
			GroomFitting::ReportGroomFile(Component, Placement, FString(UTF8_TO_TCHAR(GroomPath.c_str())), Report);
			std::string Ignored;
			Streams.Finish(Ignored, Ignored);
			// The last error says why a measurement failed; the reader's own lines come before it.
			for (const Host::FLogLine& Line : Capture.GetLines())
			{
				if (Line.Verbosity == ELogVerbosity::Error)
				{
					Reason = Line.Utf8Text();
				}
			}
		}
		if (!Report.bMeasured)
		{
			return Fail("cannot measure groom '" + GroomPath + "'" + (Reason.empty() ? std::string() : ": " + Reason));
		}

		if (bJson)
		{
			nlohmann::json Json = QualityToJson(Report);
			Json["groom"] = GroomPath;
			Json["mesh"] = Files[1];
			Json["meshTriangles"] = Mesh.NumTriangles();
			Json["placement"] = {Placement.X, Placement.Y, Placement.Z};
			std::printf("%s\n", Json.dump(2).c_str());
			return 0;
		}
		std::printf("groom    %s: %lld strands, %lld points\nmesh     %s: %d triangles\n%s", GroomPath.c_str(), static_cast<long long>(Report.Strands),
		            static_cast<long long>(Report.Points), Files[1].c_str(), Mesh.NumTriangles(), DescribeQuality(Report).c_str());
		return 0;
	}
}
