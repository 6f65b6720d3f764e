#pragma once

#include "CoreMinimal.h"
#include "StagedOutput.h"

#include <string>
#include <vector>

// Paths on the command line are bytes: they reach the file system exactly as given (UTF-8 or not),
// messages show them as the user spelt them, JSON shows them as text (see JsonWriter.h), and the plugin,
// which takes FStrings, gets a name that survives the trip to text and back.
namespace VelmoraCli
{
	bool IsValidUtf8(const std::string& Bytes);

	// Bytes that are not UTF-8 become U+FFFD, one per byte that cannot start or continue a character.
	std::string RepairUtf8(const std::string& Bytes);

	enum class EPluginPathKind
	{
		// The file is there: it is opened and named by its descriptor when its name is not text.
		Existing,
		// The file is still to be made: its directory is opened and the name taken within it.
		ToMake,
	};

	// The name the plugin is given for a path. A UTF-8 path goes as it is; any other reaches the plugin as
	// /proc/self/fd/N (or /proc/self/fd/N/NAME), naming the same file while this object lives.
	class FPluginPath
	{
	public:
		FPluginPath(const std::string& Path, EPluginPathKind Kind);
		~FPluginPath();
		FPluginPath(const FPluginPath&) = delete;
		FPluginPath& operator=(const FPluginPath&) = delete;

		FString Get() const { return FString(UTF8_TO_TCHAR(PluginPath.c_str())); }
		const std::string& GetUtf8() const { return PluginPath; }

		// Line with the name the plugin used replaced by the user's own spelling.
		std::string ToUser(std::string Line) const;

	private:
		std::string UserPath;
		std::string PluginPath;
		int Descriptor = -1;
	};

	// Every file an output of the command may not be: the command's inputs (the groom, the mesh, every file
	// the importer opened) and its other outputs. A path that exists is compared by the file it is (device
	// and inode, through links); one that does not yet by its directory's identity and its name, so
	// "out.abc" and "./out.abc" collide before either is written. False, with "cannot write 'OUT': it is the
	// same file as the ROLE 'PATH'", for the first output that names an input or an earlier output.
	bool CheckOutputsAgainstInputs(const std::vector<FInputFile>& Outputs, const std::vector<FInputFile>& Inputs, std::string& OutError);
}
