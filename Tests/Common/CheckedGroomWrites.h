#pragma once

// The product's calls that write a groom file, each followed by the model of the engine's groom import on
// what it wrote: every fitted, prepared or written groom goes into the editor next, so none may make the
// import read past an array. Same names and arguments as the calls they stand for.

#include "EngineGroomImport.h"
#include "GroomFitting.h"
#include "GroomPrepare.h"
#include "alembicIO.h"
#include "velmoraBPLibrary.h"
#include "velmoraFitBPLibrary.h"

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace CheckedGroom
{
	// What tells one content of a path from the next: a write makes, replaces (a new inode) or rewrites it.
	struct FFileStamp
	{
		bool bExists = false;
		dev_t Device = 0;
		ino_t Inode = 0;
		off_t Size = 0;
		timespec Modified{};

		bool operator==(const FFileStamp& Other) const
		{
			return bExists == Other.bExists && Device == Other.Device && Inode == Other.Inode && Size == Other.Size &&
			       Modified.tv_sec == Other.Modified.tv_sec && Modified.tv_nsec == Other.Modified.tv_nsec;
		}
	};

	inline FFileStamp StampOf(const std::string& Path)
	{
		struct stat Status;
		FFileStamp Stamp;
		if (::stat(Path.c_str(), &Status) == 0 && S_ISREG(Status.st_mode))
		{
			Stamp = {true, Status.st_dev, Status.st_ino, Status.st_size, Status.st_mtim};
		}
		return Stamp;
	}

	// The standard error the test program started with, which no capture of the test's output redirects.
	inline const int UncapturedStderr = ::dup(2);

	// The model's verdict on Path as a test expectation. Most product calls run inside a capture of their
	// output, which would swallow the failure's message; it is written where the capture does not reach too.
	inline void ExpectImportsCleanly(const std::string& Path, const std::vector<std::string>& ExpectedUnmodelled = {})
	{
		const testing::AssertionResult Result = EngineImport::ImportsCleanly(Path, ExpectedUnmodelled);
		if (!Result && UncapturedStderr >= 0)
		{
			dprintf(UncapturedStderr, "%s\n", Result.message());
		}
		EXPECT_TRUE(Result);
	}

	// A groom file a call may write; after the call it is checked if it was written, and left alone if the
	// call refused (an earlier file kept, or none made).
	class FGroomOutput
	{
	public:
		explicit FGroomOutput(std::string InPath)
		    : Path(std::move(InPath)), Before(StampOf(Path))
		{
		}
		explicit FGroomOutput(const FString& InPath)
		    : FGroomOutput(std::string(TCHAR_TO_UTF8(*InPath)))
		{
		}

		void ExpectImportsCleanlyIfWritten(const std::vector<std::string>& ExpectedUnmodelled = {}) const
		{
			const FFileStamp After = StampOf(Path);
			if (After.bExists && !(After == Before))
			{
				ExpectImportsCleanly(Path, ExpectedUnmodelled);
			}
		}

	private:
		std::string Path;
		FFileStamp Before;
	};

	// The groom files (*.abc) at or below a folder a command runs in: after the command, each it made or
	// replaced there is checked. A command writes its outputs whole or not at all, so every such file is one.
	class FGroomFolderOutputs
	{
	public:
		explicit FGroomFolderOutputs(std::filesystem::path InDir)
		    : Dir(std::move(InDir)), Before(Stamps())
		{
		}

		void ExpectImportsCleanlyIfWritten(const std::vector<std::string>& ExpectedUnmodelled = {}) const
		{
			for (const auto& [Path, Stamp] : Stamps())
			{
				const auto Found = Before.find(Path);
				if (Found == Before.end() || !(Found->second == Stamp))
				{
					ExpectImportsCleanly(Path, ExpectedUnmodelled);
				}
			}
		}

	private:
		std::map<std::string, FFileStamp> Stamps() const
		{
			std::map<std::string, FFileStamp> Found;
			std::error_code Error;
			for (std::filesystem::recursive_directory_iterator It(Dir, std::filesystem::directory_options::skip_permission_denied, Error), End; !Error && It != End;
			     It.increment(Error))
			{
				const std::string Path = It->path().string();
				const FFileStamp Stamp = StampOf(Path);
				if (It->path().extension() == ".abc" && Stamp.bExists)
				{
					Found.emplace(Path, Stamp);
				}
			}
			return Found;
		}

		std::filesystem::path Dir;
		std::map<std::string, FFileStamp> Before;
	};

	inline void WriteGroom(const std::string& Path, const GroomData& Groom)
	{
		::WriteGroom(Path, Groom);
		ExpectImportsCleanly(Path);
	}

	// As WriteGroom, without its line on standard output.
	inline void WriteGroomQuietly(const std::string& Path, const GroomData& Groom, const std::vector<FGroomParam>& Carried = {},
	                              std::vector<std::string>* OutLeftOut = nullptr, const std::vector<std::string>& ExpectedUnmodelled = {})
	{
		std::ostringstream Quiet;
		std::streambuf* const Previous = std::cout.rdbuf(Quiet.rdbuf());
		try
		{
			::WriteGroom(Path, Groom, Path, Carried, OutLeftOut);
		}
		catch (...)
		{
			std::cout.rdbuf(Previous);
			throw;
		}
		std::cout.rdbuf(Previous);
		ExpectImportsCleanly(Path, ExpectedUnmodelled);
	}

	inline void FitGroomToStaticMesh(AActor* Source, UStaticMeshComponent* TheComp, FVector Origin, const FString& SourcePath, const FString& TargetPath)
	{
		const FGroomOutput Output(TargetPath);
		UvelmoraBPLibrary::FitGroomToStaticMesh(Source, TheComp, Origin, SourcePath, TargetPath);
		Output.ExpectImportsCleanlyIfWritten();
	}

	inline FvelmoraFitReport FitGroomToStaticMeshWithOptions(AActor* Source, UStaticMeshComponent* TheComp, FVector Origin, const FString& SourcePath,
	                                                         const FString& TargetPath, const FvelmoraFitOptions& Options)
	{
		const FGroomOutput Output(TargetPath);
		FvelmoraFitReport Report = UvelmoraFitBPLibrary::FitGroomToStaticMeshWithOptions(Source, TheComp, Origin, SourcePath, TargetPath, Options);
		Output.ExpectImportsCleanlyIfWritten();
		return Report;
	}

	inline bool FitGroomFile(AActor* Source, UStaticMeshComponent* TheComp, const FVector& Origin, const FString& SourcePath, const FString& TargetPath,
	                         const GroomFitting::FFitOptions& Options, const GroomFitting::FFitFileSettings& Settings, GroomFitting::FFitReport& OutReport)
	{
		const FGroomOutput Output(TargetPath);
		const bool bWritten = GroomFitting::FitGroomFile(Source, TheComp, Origin, SourcePath, TargetPath, Options, Settings, OutReport);
		Output.ExpectImportsCleanlyIfWritten();
		return bWritten;
	}

	inline bool PrepareGroomFile(const std::string& SourcePath, const std::string& TargetPath, const GroomPrepare::FPrepareOptions& Options,
	                             GroomPrepare::FPrepareReport& OutReport)
	{
		const FGroomOutput Output(TargetPath);
		const bool bWritten = GroomPrepare::PrepareGroomFile(SourcePath, TargetPath, Options, OutReport);
		Output.ExpectImportsCleanlyIfWritten();
		return bWritten;
	}

	inline FvelmoraPrepareReport PrepareGroom(const FString& SourcePath, const FString& TargetPath, const FvelmoraPrepareOptions& Options)
	{
		const FGroomOutput Output(TargetPath);
		FvelmoraPrepareReport Report = UvelmoraFitBPLibrary::PrepareGroom(SourcePath, TargetPath, Options);
		Output.ExpectImportsCleanlyIfWritten();
		return Report;
	}
}
