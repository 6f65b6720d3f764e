#pragma once

#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

// Output files that appear whole or not at all, and leave nothing behind however the process ends.
//
// Where the file system allows, the output is an unnamed file in the target's directory (O_TMPFILE),
// handed to the writer as /proc/self/fd/N and linked into place on Commit, after it reached the disk:
// the kernel frees it with the process, even one killed outright. Otherwise, and for formats that write
// files beside the main one by name (an OBJ's .mtl, a glTF's .bin, which move with it), the output is
// written into a private directory `.velmora-XXXXXX` beside the target, holding a lock file locked while
// the process lives. Whatever was not committed is removed when the object goes and when a signal ends
// the process (an interrupt, a closed pipe, an abort, a crash); what a process killed outright left is
// removed by the next output prepared in that directory, once no process holds its lock.
//
// Targets: only regular files are replaced, keeping their permission bits (a new file gets the usual
// 0666 less the umask). A symbolic link is written through: the file it names is replaced and the link
// stays; a link to nothing is refused. A target that is one of the command's inputs (the same file,
// however it is named) is refused.
namespace VelmoraCli
{
	// A file the command reads, which it must not overwrite. Role names it in messages ("groom").
	struct FInputFile
	{
		std::string Path;
		std::string Role;
	};

	enum class EStagedName
	{
		// A short fixed name: nothing refers to the file by name, and a writer adding a suffix to it
		// stays within the file-name limit however long the target's name is.
		Short,
		// The same short name, always in the private directory: for a writer that makes its own file beside
		// the name it is given and renames it into that name (the plugin's groom writers).
		ShortInFolder,
		// The target's own name, for formats whose companions are named after it and named in it.
		Target,
	};

	class FStagedOutput
	{
	public:
		explicit FStagedOutput(std::string TargetPath, EStagedName Naming = EStagedName::Short);
		~FStagedOutput();
		FStagedOutput(const FStagedOutput&) = delete;
		FStagedOutput& operator=(const FStagedOutput&) = delete;

		// Whether TargetPath may be written: a regular file or nothing yet, in an existing directory, and
		// none of Inputs. False with a one-line reason naming the target as given.
		static bool CheckTarget(const std::string& TargetPath, const std::vector<FInputFile>& Inputs, std::string& OutError);

		// Checks the target and makes the private directory. False with a one-line reason.
		bool Prepare(std::string& OutError, const std::vector<FInputFile>& Inputs = {});

		// Where to write.
		const std::string& GetStagingPath() const { return StagingPath; }

		// Message with every mention of the staging directory replaced by the target as the user gave it.
		std::string NameTarget(std::string Message) const;

		// Moves every staged file beside the target, replacing files of the same names.
		bool Commit(std::string& OutError);

		// Whether the output is an unnamed file (nothing of it shows in the directory until Commit).
		bool IsUnnamed() const { return File >= 0; }

		// Removes from Directory the staging of processes that died without removing it: only names of
		// the staging's own shape, owned by this user, whose lock no process holds. Returns how many.
		static int RemoveAbandoned(const std::string& Directory);

	private:
		bool PrepareUnnamed(const std::string& Directory);
		bool PrepareNamed(const std::string& Directory, std::string& OutError);
		bool CommitUnnamed(std::string& OutError);
		bool CommitNamed(std::string& OutError);

		std::string TargetPath;
		EStagedName Naming;
		// Where the main file goes: the target, or the file a link there names.
		std::string FinalPath;
		std::string StagingDirectory;
		std::string StagingPath;
		int Slot = -1;
		// The unnamed file, or -1.
		int File = -1;
		// The lock file held open (and locked) in the staging directory, or -1.
		int LockFile = -1;
		// The unnamed file or the staging directory, which another output of this process passes over.
		struct stat LiveInfo = {};
		bool bLive = false;
	};
}
