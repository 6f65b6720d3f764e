#pragma once

#include <string>

// Output files that appear whole or not at all: they are written into a private directory beside the
// target and moved into place only on Commit. Files a format writes beside the main one (an OBJ's .mtl,
// a glTF's .bin) move with it. Whatever was not committed is removed when the object goes.
namespace VelmoraCli
{
	class FStagedOutput
	{
	public:
		explicit FStagedOutput(std::string TargetPath);
		~FStagedOutput();
		FStagedOutput(const FStagedOutput&) = delete;
		FStagedOutput& operator=(const FStagedOutput&) = delete;

		// Makes the private directory. False with a one-line reason when the target cannot be written
		// there (no such directory, no permission, the target is a directory).
		bool Prepare(std::string& OutError);

		// Where to write: the target's file name inside the private directory.
		const std::string& GetStagingPath() const { return StagingPath; }

		// Moves every staged file beside the target, replacing files of the same names.
		bool Commit(std::string& OutError);

	private:
		std::string TargetPath;
		std::string StagingDirectory;
		std::string StagingPath;
	};
}
