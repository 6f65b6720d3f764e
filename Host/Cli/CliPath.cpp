#include "CliPath.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace VelmoraCli
{
	namespace
	{
		// Length of the UTF-8 character at Bytes[At], or 0 when none starts there.
		size_t Utf8CharacterLength(const std::string& Bytes, size_t At)
		{
			const auto Byte = [&](size_t Index)
			{ return static_cast<unsigned char>(Bytes[Index]); };
			const unsigned char Lead = Byte(At);
			if (Lead < 0x80)
			{
				return 1;
			}
			size_t Length = 0;
			unsigned Min = 0, Max = 0xBF;
			if (Lead >= 0xC2 && Lead <= 0xDF)
			{
				Length = 2, Min = 0x80;
			}
			else if (Lead >= 0xE0 && Lead <= 0xEF)
			{
				// No overlong forms, no UTF-16 surrogates.
				Length = 3, Min = Lead == 0xE0 ? 0xA0 : 0x80, Max = Lead == 0xED ? 0x9F : 0xBF;
			}
			else if (Lead >= 0xF0 && Lead <= 0xF4)
			{
				Length = 4, Min = Lead == 0xF0 ? 0x90 : 0x80, Max = Lead == 0xF4 ? 0x8F : 0xBF;
			}
			else
			{
				return 0;
			}
			if (At + Length > Bytes.size() || Byte(At + 1) < Min || Byte(At + 1) > Max)
			{
				return 0;
			}
			for (size_t Next = 2; Next < Length; ++Next)
			{
				if (Byte(At + Next) < 0x80 || Byte(At + Next) > 0xBF)
				{
					return 0;
				}
			}
			return Length;
		}

		struct FFileKey
		{
			bool bExists = false;
			dev_t Device = 0;
			ino_t Inode = 0;
			// For a file not there yet: its name in the directory the device and inode are of, or, when
			// that directory is not there either, the whole path made absolute.
			std::string Name;

			bool operator==(const FFileKey& Other) const
			{
				return bExists == Other.bExists && Device == Other.Device && Inode == Other.Inode && Name == Other.Name;
			}
		};

		FFileKey KeyOf(const std::string& Path)
		{
			FFileKey Key;
			struct stat Info = {};
			if (stat(Path.c_str(), &Info) == 0)
			{
				Key.bExists = true;
				Key.Device = Info.st_dev;
				Key.Inode = Info.st_ino;
				return Key;
			}
			const std::filesystem::path Native(Path);
			const std::filesystem::path Directory = Native.parent_path().empty() ? std::filesystem::path(".") : Native.parent_path();
			if (stat(Directory.c_str(), &Info) == 0 && Native.has_filename())
			{
				Key.Device = Info.st_dev;
				Key.Inode = Info.st_ino;
				Key.Name = Native.filename().string();
				return Key;
			}
			std::error_code Error;
			Key.Name = std::filesystem::absolute(Native, Error).lexically_normal().string();
			return Key;
		}
	}

	bool IsValidUtf8(const std::string& Bytes)
	{
		for (size_t At = 0; At < Bytes.size();)
		{
			const size_t Length = Utf8CharacterLength(Bytes, At);
			if (Length == 0)
			{
				return false;
			}
			At += Length;
		}
		return true;
	}

	std::string RepairUtf8(const std::string& Bytes)
	{
		std::string Text;
		Text.reserve(Bytes.size());
		for (size_t At = 0; At < Bytes.size();)
		{
			const size_t Length = Utf8CharacterLength(Bytes, At);
			if (Length == 0)
			{
				Text += "\xEF\xBF\xBD";
				++At;
				continue;
			}
			Text.append(Bytes, At, Length);
			At += Length;
		}
		return Text;
	}

	FPluginPath::FPluginPath(const std::string& Path, EPluginPathKind Kind)
	    : UserPath(Path), PluginPath(Path)
	{
		// The plugin's text must come back as the same bytes; a NUL-free valid UTF-8 name does.
		if (IsValidUtf8(Path) && std::string(TCHAR_TO_UTF8(*FString(UTF8_TO_TCHAR(Path.c_str())))) == Path)
		{
			return;
		}
		const std::filesystem::path Native(Path);
		const std::string Directory = Native.parent_path().empty() ? std::string(".") : Native.parent_path().string();
		const bool bExisting = Kind == EPluginPathKind::Existing;
		Descriptor = bExisting ? open(Path.c_str(), O_RDONLY | O_CLOEXEC) : open(Directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
		if (Descriptor >= 0)
		{
			PluginPath = "/proc/self/fd/" + std::to_string(Descriptor) + (bExisting ? std::string() : "/" + Native.filename().string());
		}
	}

	FPluginPath::~FPluginPath()
	{
		if (Descriptor >= 0)
		{
			close(Descriptor);
		}
	}

	std::string FPluginPath::ToUser(std::string Line) const
	{
		if (PluginPath == UserPath || PluginPath.empty())
		{
			return Line;
		}
		for (size_t At = Line.find(PluginPath); At != std::string::npos; At = Line.find(PluginPath, At + UserPath.size()))
		{
			Line.replace(At, PluginPath.size(), UserPath);
		}
		return Line;
	}

	bool CheckOutputsAgainstInputs(const std::vector<FInputFile>& Outputs, const std::vector<FInputFile>& Inputs, std::string& OutError)
	{
		std::vector<std::pair<FFileKey, const FInputFile*>> Taken;
		for (const FInputFile& Input : Inputs)
		{
			Taken.emplace_back(KeyOf(Input.Path), &Input);
		}
		for (const FInputFile& Output : Outputs)
		{
			const FFileKey Key = KeyOf(Output.Path);
			for (const auto& [Other, File] : Taken)
			{
				if (Other == Key)
				{
					OutError = "cannot write '" + Output.Path + "': it is the same file as the " + File->Role + " '" + File->Path + "'";
					return false;
				}
			}
			Taken.emplace_back(Key, &Output);
		}
		return true;
	}
}
