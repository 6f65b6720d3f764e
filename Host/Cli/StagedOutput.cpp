#include "StagedOutput.h"

#include <filesystem>
#include <random>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace VelmoraCli
{
	FStagedOutput::FStagedOutput(std::string InTargetPath)
	    : TargetPath(std::move(InTargetPath))
	{
	}

	FStagedOutput::~FStagedOutput()
	{
		if (!StagingDirectory.empty())
		{
			std::error_code Ignored;
			fs::remove_all(StagingDirectory, Ignored);
		}
	}

	bool FStagedOutput::Prepare(std::string& OutError)
	{
		const fs::path Target(TargetPath);
		if (TargetPath.empty() || !Target.has_filename())
		{
			OutError = "cannot write '" + TargetPath + "': not a file name";
			return false;
		}
		std::error_code Error;
		if (fs::is_directory(Target, Error))
		{
			OutError = "cannot write '" + TargetPath + "': it is a directory";
			return false;
		}
		const fs::path Directory = Target.parent_path().empty() ? fs::path(".") : Target.parent_path();
		if (fs::exists(Directory, Error) && !fs::is_directory(Directory, Error))
		{
			OutError = "cannot write '" + TargetPath + "': '" + Directory.string() + "' is not a directory";
			return false;
		}
		if (!fs::is_directory(Directory, Error))
		{
			OutError = "cannot write '" + TargetPath + "': directory '" + Directory.string() + "' does not exist";
			return false;
		}
		std::random_device Seed;
		for (int Attempt = 0; Attempt < 16; ++Attempt)
		{
			const fs::path Candidate = Directory / (".velmora-partial-" + std::to_string(Seed()));
			if (fs::create_directory(Candidate, Error))
			{
				StagingDirectory = Candidate.string();
				StagingPath = (Candidate / Target.filename()).string();
				return true;
			}
			if (Error)
			{
				OutError = "cannot write '" + TargetPath + "': " + Error.message();
				return false;
			}
		}
		OutError = "cannot write '" + TargetPath + "': no private directory could be made beside it";
		return false;
	}

	bool FStagedOutput::Commit(std::string& OutError)
	{
		std::error_code Error;
		if (StagingDirectory.empty() || !fs::is_regular_file(StagingPath, Error))
		{
			OutError = "cannot write '" + TargetPath + "': nothing was written";
			return false;
		}
		const fs::path Directory = fs::path(StagingPath).parent_path().parent_path();
		// The main file goes last, so it only appears once its companions are in place.
		std::vector<fs::path> Staged;
		for (const fs::directory_entry& Entry : fs::directory_iterator(StagingDirectory, Error))
		{
			if (Entry.path() != fs::path(StagingPath))
			{
				Staged.push_back(Entry.path());
			}
		}
		Staged.push_back(StagingPath);
		for (const fs::path& File : Staged)
		{
			fs::rename(File, Directory / File.filename(), Error);
			if (Error)
			{
				OutError = "cannot write '" + (Directory / File.filename()).string() + "': " + Error.message();
				return false;
			}
		}
		return true;
	}
}
