#include "Commands.h"
#include "CliPath.h"
#include "FitRun.h"
#include "JsonWriter.h"
#include "MeshFiles.h"
#include "Options.h"
#include "SafeText.h"
#include "StagedOutput.h"
#include "velmoraBPLibrary.h"

#include "Engine/StaticMesh.h"
#include "Host/Log.h"
#include "Host/SkeletalMeshes.h"
#include "StaticMeshResources.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <functional>
#include <unordered_map>
#include <vector>

namespace VelmoraCli
{
	const char* const ConvertUsage =
	    "usage: velmora convert SKINNED_MESH OUT [options]\n"
	    "\n"
	    "Loads the most detailed level (LOD 0) of a skinned mesh file as a skeletal mesh, turns it into a\n"
	    "static mesh with the same UvelmoraBPLibrary::SkeletalMeshToStaticMesh the editor runs, and writes\n"
	    "that static mesh's positions and triangles to OUT in the format its extension names.\n"
	    "SKINNED_MESH is any file assimp reads (FBX, glTF/GLB, DAE, ...). Its meshes with bones, placed by\n"
	    "their skin at rest, and the meshes hanging off its bones make the skeletal mesh (every mesh when it\n"
	    "has no bones); nodes named ..._LOD1, ..._LOD2 and so on are left out.\n"
	    "\n"
	    "options:\n"
	    "  -o, --output OUT         the output file (instead of the second argument)\n"
	    "  --json                   print the summary and the log as JSON on stdout\n"
	    "  -q, --quiet              print nothing but errors\n"
	    "  --mesh-memory-limit MB   memory the mesh import may take (default 3072)\n"
	    "  --mesh-time-limit S      processor seconds the mesh import may take (default 60)\n"
	    "  --mesh-max-triangles N   triangles the mesh's nodes may place, instances counted (default 2000000,\n"
	    "                           or as many as the file stores)\n"
	    "\n"
	    "OUT appears only when whole, with the file its format writes beside it (a glTF's buffer, named\n"
	    "OUT's name.velmora-XXXXXX.bin, which replaces the one an earlier run wrote). It must be a regular\n"
	    "file or not exist yet, and not be SKINNED_MESH; links and permissions are handled as 'velmora fit\n"
	    "--help' tells. An OBJ is written without a material library.\n"
	    "\n"
	    "example: velmora convert head_skinned.fbx head_static.obj\n";

	namespace
	{
		struct FConvertRequest
		{
			std::string InputPath;
			std::string OutputPath;
			bool bJson = false;
			bool bQuiet = false;
			FMeshImportLimits MeshLimits;
		};

		EParsed ParseConvert(const std::vector<std::string>& Args, FConvertRequest& Out, std::string& OutError)
		{
			std::vector<FOption> Options = {
			    FileOption({"-o", "--output"}, Out.OutputPath),
			    FlagOption({"--json"}, Out.bJson),
			    FlagOption({"-q", "--quiet"}, Out.bQuiet),
			};
			AddMeshLimitOptions(Options, Out.MeshLimits);
			std::vector<std::string> Files;
			const EParsed Parsed = ParseArguments(Args, Options, Files, OutError);
			if (Parsed != EParsed::Run)
			{
				return Parsed;
			}
			if (!TakeInputsAndOutput(Files, 1, Out.OutputPath, "SKINNED_MESH OUT", OutError))
			{
				return EParsed::Bad;
			}
			Out.InputPath = Files[0];
			return EParsed::Run;
		}

		// The static mesh SkeletalMeshToStaticMesh makes of Loaded, as positions and triangles.
		bool ConvertMesh(const Host::FMeshData& Loaded, Host::FMeshData& Converted, UStaticMesh*& Static, std::vector<std::string>& Log, std::string& OutError)
		{
			Host::FSkeletalLOD LOD;
			LOD.Positions = Loaded.Positions;
			LOD.Indices = Loaded.Indices;
			LOD.IndexSize = sizeof(uint32);
			USkeletalMesh* Skeletal = Host::MakeSkeletalMesh(LOD);

			{
				Host::FScopedLogCapture Capture;
				Static = UvelmoraBPLibrary::SkeletalMeshToStaticMesh(Skeletal);
				Log = Capture.Formatted();
			}
			const FStaticMeshRenderData* RenderData = Static ? Static->GetRenderData() : nullptr;
			if (!RenderData || RenderData->LODResources.Num() == 0)
			{
				// The Blueprint node tells why only in its log, which the summary shows as it would after a
				// conversion.
				OutError = "SkeletalMeshToStaticMesh made no static mesh";
				return false;
			}
			const FStaticMeshLODResources& Resources = RenderData->LODResources[0];
			for (uint32 Vertex = 0; Vertex < Resources.VertexBuffers.PositionVertexBuffer.GetNumVertices(); ++Vertex)
			{
				Converted.Positions.Add(Resources.VertexBuffers.PositionVertexBuffer.VertexPosition(Vertex));
			}
			Resources.IndexBuffer.GetCopy(Converted.Indices);
			return true;
		}

		// The file holds positions only, so corners the render data split at one position (for their normals
		// or UVs) are one vertex, as the exporters that index by position write them; the summary then counts
		// what the file holds.
		void WeldEqualPositions(Host::FMeshData& Mesh)
		{
			struct FPositionHash
			{
				size_t operator()(const FVector3f& P) const
				{
					// +0 and -0 are one position.
					const auto Bits = [](float Value)
					{ return std::hash<float>()(Value == 0.0f ? 0.0f : Value); };
					return Bits(P.X) ^ (Bits(P.Y) * 0x9e3779b97f4a7c15ull) ^ (Bits(P.Z) * 0xc2b2ae3d27d4eb4full);
				}
			};
			std::unordered_map<FVector3f, uint32, FPositionHash> First;
			First.reserve(static_cast<size_t>(Mesh.Positions.Num()));
			std::vector<uint32> Remap(static_cast<size_t>(Mesh.Positions.Num()));
			TArray<FVector3f> Welded;
			for (int32 Vertex = 0; Vertex < Mesh.Positions.Num(); ++Vertex)
			{
				const auto [At, bNew] = First.try_emplace(Mesh.Positions[Vertex], static_cast<uint32>(Welded.Num()));
				if (bNew)
				{
					Welded.Add(Mesh.Positions[Vertex]);
				}
				Remap[static_cast<size_t>(Vertex)] = At->second;
			}
			for (uint32& Index : Mesh.Indices)
			{
				Index = Index < Remap.size() ? Remap[Index] : Index;
			}
			Mesh.Positions = std::move(Welded);
		}

		bool Convert(const FConvertRequest& Request, std::string& OutError)
		{
			const std::vector<FInputFile> Outputs = {{Request.OutputPath, "output"}};
			std::vector<FInputFile> Inputs = {{Request.InputPath, "mesh"}};
			if (!CheckOutputsAgainstInputs(Outputs, Inputs, OutError) || !FStagedOutput::CheckTarget(Request.OutputPath, Inputs, OutError))
			{
				return false;
			}
			Host::FMeshData Loaded;
			bool bSkinned = false;
			std::vector<std::string> FilesRead;
			std::string SkinWarning;
			if (!LoadSkinnedMeshFile(Request.InputPath, Loaded, bSkinned, OutError, Request.MeshLimits, &FilesRead, &SkinWarning))
			{
				return false;
			}
			std::vector<std::string> Warnings;
			if (!SkinWarning.empty())
			{
				Warnings.push_back(SkinWarning);
			}
			if (!Request.bJson && !Request.bQuiet)
			{
				for (const std::string& Warning : Warnings)
				{
					std::fprintf(stderr, "velmora convert: warning: %s\n", SafeText::Escaped(Warning).c_str());
				}
			}
			// Every file the importer read is an input the output may not replace.
			for (const std::string& File : FilesRead)
			{
				Inputs.push_back({File, "file the mesh importer read"});
			}
			if (!CheckOutputsAgainstInputs(Outputs, Inputs, OutError))
			{
				return false;
			}
			// Staged under a name of the target's: a glTF names its .bin after it.
			FStagedOutput Output(Request.OutputPath, EStagedName::Target);
			if (!Output.Prepare(OutError, Inputs))
			{
				return false;
			}
			Host::FMeshData Converted;
			UStaticMesh* Static = nullptr;
			std::vector<std::string> Log;
			bool bConverted = ConvertMesh(Loaded, Converted, Static, Log, OutError);
			if (bConverted && Converted.NumTriangles() == 0)
			{
				OutError = "every triangle of '" + Request.InputPath + "' has no area at rest: the static mesh would be empty";
				bConverted = false;
			}
			if (!bConverted)
			{
				for (const std::string& Line : Request.bJson || Request.bQuiet ? std::vector<std::string>() : Log)
				{
					std::printf("%s\n", Line.c_str());
				}
				return false;
			}
			WeldEqualPositions(Converted);
			if (!SaveMeshFile(Output.GetStagingPath(), Converted, OutError) || !Output.Commit(OutError))
			{
				// Messages name the staging path; the user knows the file by its own name.
				OutError = Output.NameTarget(OutError);
				return false;
			}
			const std::string& InputPath = Request.InputPath;
			const std::string& OutputPath = Request.OutputPath;
			// Where the static mesh stands, to check a character's size and up axis at a glance.
			const FBox Bounds = MeshWorldBounds(Converted, FTransform::Identity);
			if (Request.bJson)
			{
				const nlohmann::json Json = {
				    {"input", InputPath},
				    {"output", OutputPath},
				    {"skinned", bSkinned},
				    {"inputVertices", Loaded.Positions.Num()},
				    {"inputTriangles", Loaded.NumTriangles()},
				    {"vertices", Converted.Positions.Num()},
				    {"triangles", Converted.NumTriangles()},
				    {"degenerateTriangles", Loaded.NumTriangles() - Converted.NumTriangles()},
				    {"bounds", BoxToJson(Bounds)},
				    {"size", Bounds.IsValid ? nlohmann::json{Bounds.GetSize().X, Bounds.GetSize().Y, Bounds.GetSize().Z} : nlohmann::json(nullptr)},
				    {"asset", TCHAR_TO_UTF8(*Static->GetPathName())},
				    {"warnings", Warnings},
				    {"log", Log},
				};
				std::fputs(ToStrictJson(Json).c_str(), stdout);
			}
			else if (!Request.bQuiet)
			{
				for (const std::string& Line : Log)
				{
					std::printf("%s\n", Line.c_str());
				}
				if (!bSkinned)
				{
					std::printf("note: %s has no bones; all of its meshes were taken as LOD 0\n", InputPath.c_str());
				}
				std::printf("converted %s (%d vertices, %d triangles) -> %s (%d vertices, %d triangles; %d degenerate left out)\n", InputPath.c_str(),
				            Loaded.Positions.Num(), Loaded.NumTriangles(), OutputPath.c_str(), Converted.Positions.Num(), Converted.NumTriangles(),
				            Loaded.NumTriangles() - Converted.NumTriangles());
				if (Bounds.IsValid)
				{
					const FVector Size = Bounds.GetSize();
					std::printf("bounds   %s, size %g x %g x %g\n", DescribeBox(Bounds).c_str(), Size.X, Size.Y, Size.Z);
				}
			}
			return true;
		}
	}

	int RunConvert(const std::vector<std::string>& Args)
	{
		return RunCommand("convert", Args, ParseConvert, Convert);
	}
}
