#include "Commands.h"
#include "MeshFiles.h"
#include "Options.h"
#include "StagedOutput.h"
#include "velmoraBPLibrary.h"

#include "Engine/StaticMesh.h"
#include "Host/Log.h"
#include "Host/SkeletalMeshes.h"
#include "StaticMeshResources.h"

#include <nlohmann/json.hpp>

#include <cstdio>

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
	    "\n"
	    "OUT (and a file its format writes beside it, such as an OBJ's .mtl) appears only when whole. It must\n"
	    "be a regular file or not exist yet, and not be SKINNED_MESH; links and permissions are handled as\n"
	    "'velmora fit --help' tells.\n"
	    "\n"
	    "example: velmora convert head_skinned.fbx head_static.obj\n";

	int RunConvert(const std::vector<std::string>& Args)
	{
		std::vector<std::string> Files;
		std::string OutputPath;
		bool bJson = false;
		bool bQuiet = false;
		FMeshImportLimits MeshLimits;
		std::string LimitError;
		const auto Usage = [](const std::string& Message)
		{
			std::fprintf(stderr, "velmora convert: %s (see velmora convert --help)\n", Message.c_str());
			return 2;
		};
		std::string Error;
		for (size_t Index = 0; Index < Args.size();)
		{
			const std::string& Arg = Args[Index];
			std::string Name = Arg, Inline;
			SplitInlineValue(Arg, Name, Inline);
			if (Name == "-h" || Name == "--help")
			{
				std::fputs(ConvertUsage, stdout);
				return 0;
			}
			if (IsMeshLimitOption(Arg))
			{
				if (!ParseMeshLimitOption(Args, Index, MeshLimits, LimitError))
				{
					return Usage(LimitError);
				}
				continue;
			}
			if (Name == "-o" || Name == "--output")
			{
				if (!ParseFileOption(Args, Index, OutputPath, Error))
				{
					return Usage(Error);
				}
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
		if (Files.size() == 2 && OutputPath.empty())
		{
			OutputPath = Files[1];
			Files.pop_back();
		}
		if (Files.size() != 1 || OutputPath.empty())
		{
			return Usage(Files.size() > 1 ? "too many files" : "expects SKINNED_MESH OUT");
		}
		const auto Fail = [](const std::string& Message)
		{
			std::fprintf(stderr, "velmora convert: %s\n", Message.c_str());
			return 1;
		};

		const std::vector<FInputFile> Inputs = {{Files[0], "mesh"}};
		if (!FStagedOutput::CheckTarget(OutputPath, Inputs, Error))
		{
			return Fail(Error);
		}
		Host::FMeshData Loaded;
		bool bSkinned = false;
		if (!LoadSkinnedMeshFile(Files[0], Loaded, bSkinned, Error, MeshLimits))
		{
			return Fail(Error);
		}
		// Staged under the target's own name: an OBJ names its .mtl, a glTF its .bin.
		FStagedOutput Output(OutputPath, EStagedName::Target);
		if (!Output.Prepare(Error, Inputs))
		{
			return Fail(Error);
		}

		Host::FSkeletalLOD LOD;
		LOD.Positions = Loaded.Positions;
		LOD.Indices = Loaded.Indices;
		LOD.IndexSize = sizeof(uint32);
		USkeletalMesh* Skeletal = Host::MakeSkeletalMesh(LOD);

		std::vector<std::string> Log;
		UStaticMesh* Static = nullptr;
		{
			Host::FScopedLogCapture Capture;
			Static = UvelmoraBPLibrary::SkeletalMeshToStaticMesh(Skeletal);
			Log = Capture.Formatted();
		}
		const FStaticMeshRenderData* RenderData = Static ? Static->GetRenderData() : nullptr;
		if (!RenderData || RenderData->LODResources.Num() == 0)
		{
			return Fail("the conversion made no static mesh" + (Log.empty() ? std::string() : ": " + Log.back()));
		}
		const FStaticMeshLODResources& Resources = RenderData->LODResources[0];
		Host::FMeshData Converted;
		for (uint32 Vertex = 0; Vertex < Resources.VertexBuffers.PositionVertexBuffer.GetNumVertices(); ++Vertex)
		{
			Converted.Positions.Add(Resources.VertexBuffers.PositionVertexBuffer.VertexPosition(Vertex));
		}
		Resources.IndexBuffer.GetCopy(Converted.Indices);

		if (!SaveMeshFile(Output.GetStagingPath(), Converted, Error) || !Output.Commit(Error))
		{
			// Messages name the staging path; the user knows the file by its own name.
			return Fail(Output.NameTarget(Error));
		}

		if (bJson)
		{
			const nlohmann::json Json = {
			    {"input", Files[0]},
			    {"output", OutputPath},
			    {"skinned", bSkinned},
			    {"inputVertices", Loaded.Positions.Num()},
			    {"inputTriangles", Loaded.NumTriangles()},
			    {"vertices", Converted.Positions.Num()},
			    {"triangles", Converted.NumTriangles()},
			    {"degenerateTriangles", Loaded.NumTriangles() - Converted.NumTriangles()},
			    {"asset", TCHAR_TO_UTF8(*Static->GetPathName())},
			    {"log", Log},
			};
			// JSON holds text: bytes of a path that are not UTF-8 show as U+FFFD.
			std::printf("%s\n", Json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
		}
		else if (!bQuiet)
		{
			for (const std::string& Line : Log)
			{
				std::printf("%s\n", Line.c_str());
			}
			if (!bSkinned)
			{
				std::printf("note: %s has no bones; all of its meshes were taken as LOD 0\n", Files[0].c_str());
			}
			std::printf("converted %s (%d vertices, %d triangles) -> %s (%d vertices, %d triangles; %d degenerate left out)\n", Files[0].c_str(), Loaded.Positions.Num(),
			            Loaded.NumTriangles(), OutputPath.c_str(), Converted.Positions.Num(), Converted.NumTriangles(), Loaded.NumTriangles() - Converted.NumTriangles());
		}
		return 0;
	}
}
