#pragma once

#include "Host/MeshBuilders.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Mesh files come from anywhere and the importer trusts them: some loop for ever, overflow the stack or
// ask for gigabytes. The import therefore runs in a child process with limits, and only the flat mesh
// comes back.
namespace VelmoraCli
{
	struct FMeshImportLimits
	{
		// Address space the import may add to the process. A 5-million-triangle OBJ head takes about
		// 1.5 GB and 4 s of processor time.
		uint64_t MemoryMB = 3072;
		// Processor time; wall-clock time is allowed twice this, plus a little, for a busy machine. Zero
		// scales it with the size of the file (ImportTimeFor).
		uint64_t TimeSeconds = 0;
		// Stack of the importing thread: deep enough for any sane node tree.
		uint64_t StackMB = 64;
		// Triangles the file's nodes may place, instances counted, before anything is built. Zero allows
		// DefaultMaxTriangles or as many as the file stores, whichever is more: a big scan still reads, and
		// only instancing (a small file placing one mesh at thousands of nodes) is held to the default.
		uint64_t MaxTriangles = 0;
	};

	// Far beyond any head, and some 700 MB for the fit to hold.
	constexpr uint64_t DefaultMaxTriangles = 2000000;

	// The triangle limit for a file storing StoredTriangles under Limits.
	uint64_t TriangleLimitFor(const FMeshImportLimits& Limits, uint64_t StoredTriangles);

	// The processor time an import of a file of FileBytes gets by default: a few seconds, and more per
	// megabyte, up to a minute. A 5-million-triangle OBJ head (some 200 MB) takes about 4 s.
	uint64_t ImportTimeFor(uint64_t FileBytes);
	constexpr uint64_t MaxDefaultImportSeconds = 60;

	// Fills the mesh, a flag, the files the import read and, on failure, a one-line reason. Runs in the child.
	using FMeshImport = std::function<bool(Host::FMeshData& OutMesh, bool& bOutFlag, std::vector<std::string>& OutFilesRead, std::string& OutError)>;

	// Runs Import in a child process under Limits and hands its result back. When the child crashes, runs
	// out of memory or time, the result is false and OutError reads "cannot read mesh '<Path>': <why>".
	// With no time limit given, the limit is ImportTimeFor the size of the file at Path. WhileImporting,
	// when given, runs in this process while the child imports. OutFilesRead, when given, receives the
	// files the import named whenever the child answered, whether it loaded the mesh or not. OutText, when
	// given, receives what a successful Import left in its error text (at most 64 KB): a small answer other
	// than a mesh.
	bool RunGuardedImport(const std::string& Path, const FMeshImportLimits& Limits, const FMeshImport& Import, Host::FMeshData& OutMesh, bool& bOutFlag,
	                      std::string& OutError, const std::function<void()>& WhileImporting = {}, std::vector<std::string>* OutFilesRead = nullptr,
	                      std::string* OutText = nullptr);

	// For an import running in the child: the file refers to MoreBytes in other files (a glTF's buffers),
	// and a time limit scaled with the file's size grows to cover them too, up to the default's most.
	// A limit given stays as it is.
	void AllowImportTimeFor(uint64_t MoreBytes);

}
