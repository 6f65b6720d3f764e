#include "TestPaths.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace VelmoraTest
{
	std::optional<std::filesystem::path> SharedDir()
	{
		// VELMORA_SHARED lets a run point elsewhere; the build records the folder beside the checkout.
		if (const char* Override = std::getenv("VELMORA_SHARED"); Override && *Override)
		{
			const std::filesystem::path Dir(Override);
			return std::filesystem::is_directory(Dir) ? std::optional(Dir) : std::nullopt;
		}
		const std::filesystem::path Dir(VELMORA_SHARED_DIR);
		return std::filesystem::is_directory(Dir) ? std::optional(Dir) : std::nullopt;
	}

	std::optional<std::filesystem::path> AlembicFixturesDir()
	{
		const auto Shared = SharedDir();
		if (!Shared)
		{
			return std::nullopt;
		}
		const std::filesystem::path Dir = *Shared / "fixtures" / "alembic";
		return std::filesystem::is_directory(Dir) ? std::optional(Dir) : std::nullopt;
	}

	std::optional<std::filesystem::path> RealWorldDir()
	{
		const auto Shared = SharedDir();
		if (!Shared)
		{
			return std::nullopt;
		}
		const std::filesystem::path Dir = *Shared / "realworld";
		return std::filesystem::is_directory(Dir) ? std::optional(Dir) : std::nullopt;
	}

	std::optional<std::filesystem::path> RealFile(const std::string& Name)
	{
		const auto Dir = RealWorldDir();
		if (!Dir || !std::filesystem::exists(*Dir / Name))
		{
			return std::nullopt;
		}
		return *Dir / Name;
	}

	namespace
	{
		struct FTempRoot
		{
			std::filesystem::path Path;
			FTempRoot()
			{
				const std::filesystem::path Base = std::filesystem::temp_directory_path();
				Path = Base / ("velmora-test-" + std::to_string(::getpid()));
				std::filesystem::create_directories(Path);
			}
			~FTempRoot()
			{
				std::error_code Ignored;
				std::filesystem::remove_all(Path, Ignored);
			}
		};
	}

	std::filesystem::path MakeTempDir(const std::string& Label)
	{
		static FTempRoot Root;
		static int Counter = 0;
		const std::filesystem::path Dir = Root.Path / (Label + "-" + std::to_string(++Counter));
		std::filesystem::create_directories(Dir);
		return Dir;
	}

	std::vector<std::string> Listing(const std::filesystem::path& Dir)
	{
		std::vector<std::string> Names;
		for (const auto& Entry : std::filesystem::directory_iterator(Dir))
		{
			Names.push_back(Entry.path().filename().string());
		}
		std::sort(Names.begin(), Names.end());
		return Names;
	}
}
