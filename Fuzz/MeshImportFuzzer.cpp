// libFuzzer target: mesh files through the command's own import path, the importer in its guarded child
// process. The first byte picks the file name's extension (so seeds read "o" + an OBJ, "p" + a PLY, ...),
// the rest is the file. The importer may crash, loop or run out of memory in the child: that is the
// guard's to contain. What must hold here is that every input ends in a mesh whose triangles refer to
// its own finite vertices, or in a one-line reason, and that nothing crashes this process.

#include "MeshFiles.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace
{
	struct FFormat
	{
		char Selector;
		const char* Extension;
	};
	constexpr FFormat Formats[] = {{'o', "obj"}, {'p', "ply"}, {'s', "stl"}, {'g', "gltf"}, {'b', "glb"}, {'f', "fbx"}, {'d', "dae"}, {'x', "x"}, {'3', "3ds"}, {'m', "md2"}, {'n', "off"}, {'a', "ase"}};

	const char* ExtensionFor(uint8_t Selector)
	{
		for (const FFormat& Format : Formats)
		{
			if (Format.Selector == static_cast<char>(Selector))
			{
				return Format.Extension;
			}
		}
		return Formats[Selector % (sizeof(Formats) / sizeof(Formats[0]))].Extension;
	}

	// A folder of its own for each input, gone again when the input is done: libFuzzer ends without
	// running exit handlers.
	struct FScratch
	{
		std::filesystem::path Dir;

		FScratch()
		{
			char Template[] = "/tmp/velmora-fuzz-mesh-XXXXXX";
			if (!mkdtemp(Template))
			{
				std::perror("mkdtemp");
				std::abort();
			}
			Dir = Template;
		}
		~FScratch()
		{
			std::error_code Ignored;
			std::filesystem::remove_all(Dir, Ignored);
		}
	};

	[[noreturn]] void Broken(const char* What, const std::string& Detail)
	{
		std::fprintf(stderr, "mesh import broke its promise: %s: %s\n", What, Detail.c_str());
		std::abort();
	}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
	if (Size == 0)
	{
		return 0;
	}
	const FScratch Scratch;
	const std::filesystem::path Path = Scratch.Dir / (std::string("input.") + ExtensionFor(Data[0]));
	{
		std::ofstream File(Path, std::ios::binary | std::ios::trunc);
		File.write(reinterpret_cast<const char*>(Data + 1), static_cast<std::streamsize>(Size - 1));
	}

	// Small limits keep hostile inputs cheap; they are the same code path as the command's defaults.
	VelmoraCli::FMeshImportLimits Limits;
	Limits.MemoryMB = 256;
	Limits.TimeSeconds = 1;
	Host::FMeshData Mesh;
	std::string Error;
	if (VelmoraCli::LoadMeshFile(Path.string(), Mesh, Error, Limits))
	{
		if (Mesh.Indices.Num() % 3 != 0 || Mesh.Indices.Num() == 0)
		{
			Broken("triangle list", std::to_string(Mesh.Indices.Num()) + " indices");
		}
		for (const uint32 Index : Mesh.Indices)
		{
			if (Index >= static_cast<uint32>(Mesh.Positions.Num()))
			{
				Broken("index out of range", std::to_string(Index));
			}
		}
		for (const FVector3f& P : Mesh.Positions)
		{
			if (!std::isfinite(P.X) || !std::isfinite(P.Y) || !std::isfinite(P.Z))
			{
				Broken("vertex", "not finite");
			}
		}
	}
	else if (Error.empty() || Error.find('\n') != std::string::npos ||
	         (Error.rfind("cannot read mesh '", 0) != 0 && Error.rfind("mesh '", 0) != 0))
	{
		Broken("reason", Error);
	}
	return 0;
}
