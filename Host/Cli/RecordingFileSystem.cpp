#include "RecordingFileSystem.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace VelmoraCli
{
	Assimp::IOStream* FRecordingFileSystem::Open(const char* Path, const char* Mode)
	{
		return Record(Path) ? DefaultIOSystem::Open(Path, Mode) : nullptr;
	}

	bool FRecordingFileSystem::Record(const char* Path)
	{
		if (!Path)
		{
			return false;
		}
		if (std::strlen(Path) > MaxPathBytes)
		{
			bOverflowed = true;
			return false;
		}
		std::error_code Error;
		std::filesystem::path Absolute = std::filesystem::absolute(Path, Error);
		std::string Name = Error ? std::string(Path) : Absolute.string();
		if (std::find(FilesRead.begin(), FilesRead.end(), Name) == FilesRead.end())
		{
			if (FilesRead.size() >= MaxFiles)
			{
				bOverflowed = true;
				return false;
			}
			FilesRead.push_back(std::move(Name));
		}
		return true;
	}
}
