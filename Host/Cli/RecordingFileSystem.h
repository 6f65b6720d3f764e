#pragma once

#include <assimp/DefaultIOSystem.h>

#include <string>
#include <vector>

// The importer reads more than the file it is given: an OBJ's material library, a glTF's buffers and
// images. Every file it opens, or tries to, is an input of the command, so this file system keeps the
// list: each path once, in the order first asked for, made absolute against the working directory.
namespace VelmoraCli
{
	class FRecordingFileSystem : public Assimp::DefaultIOSystem
	{
	public:
		// More distinct files than a mesh ever refers to; a file naming more is refused, and so is a name
		// longer than any file system takes.
		static constexpr size_t MaxFiles = 4096;
		static constexpr size_t MaxPathBytes = 4096;

		Assimp::IOStream* Open(const char* Path, const char* Mode = "rb") override;

		// Adds Path to the list; false (and the list marked as not whole) when it is full or Path too long.
		bool Record(const char* Path);

		const std::vector<std::string>& GetFilesRead() const { return FilesRead; }
		// Set once a file was refused for going beyond MaxFiles or MaxPathBytes: the list is then not whole.
		bool HasOverflowed() const { return bOverflowed; }

	private:
		std::vector<std::string> FilesRead;
		bool bOverflowed = false;
	};
}
