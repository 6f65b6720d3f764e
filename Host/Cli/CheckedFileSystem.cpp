#include "CheckedFileSystem.h"

#include <assimp/IOStream.hpp>

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace VelmoraCli
{
	namespace
	{
		class FCheckedFile : public Assimp::IOStream
		{
		public:
			FCheckedFile(FCheckedFileSystem& InOwner, std::string InPath, FILE* InFile)
			    : Owner(InOwner), Path(std::move(InPath)), File(InFile)
			{
			}

			~FCheckedFile() override
			{
				// Buffered bytes reach the file here: a failure now is as real as one in Write.
				if (std::fclose(File) != 0)
				{
					Owner.NoteFailure(Path, errno);
				}
			}

			size_t Read(void* Buffer, size_t Size, size_t Count) override { return std::fread(Buffer, Size, Count, File); }

			size_t Write(const void* Buffer, size_t Size, size_t Count) override
			{
				errno = 0;
				const size_t Written = std::fwrite(Buffer, Size, Count, File);
				if (Written != Count)
				{
					Owner.NoteFailure(Path, errno != 0 ? errno : EIO);
				}
				return Written;
			}

			aiReturn Seek(size_t Offset, aiOrigin Origin) override
			{
				const int Whence = Origin == aiOrigin_SET ? SEEK_SET : Origin == aiOrigin_CUR ? SEEK_CUR
				                                                                              : SEEK_END;
				return std::fseek(File, static_cast<long>(Offset), Whence) == 0 ? aiReturn_SUCCESS : aiReturn_FAILURE;
			}

			size_t Tell() const override
			{
				const long Position = std::ftell(File);
				return Position < 0 ? 0 : static_cast<size_t>(Position);
			}

			size_t FileSize() const override
			{
				const long Position = std::ftell(File);
				std::fseek(File, 0, SEEK_END);
				const long Size = std::ftell(File);
				std::fseek(File, Position, SEEK_SET);
				return Size < 0 ? 0 : static_cast<size_t>(Size);
			}

			void Flush() override
			{
				if (std::fflush(File) != 0)
				{
					Owner.NoteFailure(Path, errno);
				}
			}

		private:
			FCheckedFileSystem& Owner;
			std::string Path;
			FILE* File;
		};
	}

	Assimp::IOStream* FCheckedFileSystem::Open(const char* Path, const char* Mode)
	{
		FILE* File = std::fopen(Path, Mode);
		if (!File)
		{
			if (Mode && Mode[0] != 'r')
			{
				NoteFailure(Path, errno);
			}
			return nullptr;
		}
		return new FCheckedFile(*this, Path, File);
	}

	void FCheckedFileSystem::Close(Assimp::IOStream* File)
	{
		delete File;
	}

	void FCheckedFileSystem::NoteFailure(const std::string& Path, int Error)
	{
		if (Failure.empty())
		{
			Failure = "'" + Path + "': " + std::error_code(Error, std::generic_category()).message();
		}
	}
}
