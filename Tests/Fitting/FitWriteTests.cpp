// The fit's output file: where it says it writes, names that are not ASCII, and writes that fail.

#include "CheckedGroomWrites.h"
#include "FittingTestHelpers.h"
#include "Host/Log.h"
#include "TestPaths.h"
#include "velmoraBPLibrary.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sys/resource.h>

using namespace FittingTest;

namespace
{
	std::string ReadBytes(const std::filesystem::path& Path)
	{
		std::ifstream File(Path, std::ios::binary);
		return std::string(std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>());
	}

	FString ToFString(const std::filesystem::path& Path)
	{
		return FString(UTF8_TO_TCHAR(reinterpret_cast<const char*>(Path.u8string().c_str())));
	}

	// Straight strands of Points points along +Z from a row of roots; about 60 bytes a point on disk.
	GroomData MakeStrands(int32 NumStrands, int32 Points)
	{
		GroomData Groom;
		for (int32 Strand = 0; Strand < NumStrands; ++Strand)
		{
			Groom.vertexCounts.push_back(Points);
			for (int32 Point = 0; Point < Points; ++Point)
			{
				Groom.positions.insert(Groom.positions.end(), {float(Strand), 0.f, 2.f + Point});
				Groom.widths.push_back(0.01f);
			}
			Groom.groomColors.insert(Groom.groomColors.end(), {0.5f, 0.5f, 0.5f});
			Groom.surfaceNormals.insert(Groom.surfaceNormals.end(), {0.f, 0.f, 1.f});
		}
		return Groom;
	}
}

class FitWrite : public FitWorld
{
protected:
	std::filesystem::path Dir = VelmoraTest::MakeTempDir("fit-write");
	AActor* Source = Host::SpawnActor(World);
	UCountingMeshComponent* Floor = PlaceMesh(Host::BuildSphere(1.f, 8, 16));

	void Fit(const std::filesystem::path& From, const std::filesystem::path& To)
	{
		CheckedGroom::FitGroomToStaticMesh(Source, Floor, FVector::ZeroVector, ToFString(From), ToFString(To));
	}
};

TEST_F(FitWrite, SaysItWritesTheTargetNotTheTemporaryFile)
{
	CheckedGroom::WriteGroom((Dir / "source.abc").string(), MakeStrands(4, 3));
	Host::FScopedLogCapture Quiet;
	testing::internal::CaptureStdout();
	Fit(Dir / "source.abc", Dir / "fitted.abc");
	EXPECT_EQ(testing::internal::GetCapturedStdout(), "writing to file: " + (Dir / "fitted.abc").string() + "\n");
	EXPECT_EQ(ReadGroom((Dir / "fitted.abc").string()).vertexCounts, std::vector<int32_t>(4, 3));
}

TEST_F(FitWrite, NamesThatAreNotAsciiAreReadAndWritten)
{
	const std::filesystem::path Folder = Dir / std::filesystem::path(u8"Gr\u00f6\u00dfe \u9aea");
	std::filesystem::create_directory(Folder);
	const std::filesystem::path From = Folder / std::filesystem::path(u8"p\u00e9rruque.abc");
	const std::filesystem::path To = Folder / std::filesystem::path(u8"\u00e9tape \u2702.abc");
	CheckedGroom::WriteGroom(reinterpret_cast<const char*>(From.u8string().c_str()), MakeStrands(5, 2));

	Host::FScopedLogCapture Log;
	testing::internal::CaptureStdout();
	Fit(From, To);
	testing::internal::GetCapturedStdout();
	for (const std::string& Error : Log.TextsAt(ELogVerbosity::Error))
	{
		EXPECT_EQ(Error.find("could not"), std::string::npos) << Error;
		EXPECT_EQ(Error.find("failed"), std::string::npos) << Error;
	}
	EXPECT_EQ(ReadGroom(reinterpret_cast<const char*>(To.u8string().c_str())).vertexCounts, std::vector<int32_t>(5, 2));
}

TEST_F(FitWrite, AFullDiskIsAnErrorThatKeepsTheEarlierTarget)
{
	if (!std::ofstream("/dev/full").is_open())
	{
		GTEST_SKIP() << "/dev/full is not available here";
	}
	CheckedGroom::WriteGroom((Dir / "source.abc").string(), MakeStrands(200, 16));
	std::ofstream(Dir / "kept.abc") << "an earlier fit";
	// Every write to the temporary file goes to a full device.
	std::filesystem::create_symlink("/dev/full", Dir / "kept.abc.velmora-tmp");

	Host::FScopedLogCapture Log;
	testing::internal::CaptureStdout();
	EXPECT_NO_THROW(Fit(Dir / "source.abc", Dir / "kept.abc"));
	testing::internal::GetCapturedStdout();
	const std::vector<std::string> Errors = Log.TextsAt(ELogVerbosity::Error);
	ASSERT_FALSE(Errors.empty());
	EXPECT_EQ(Errors.back(), "Could not write file: " + (Dir / "kept.abc").string() + " (No space left on device)");
	EXPECT_EQ(ReadBytes(Dir / "kept.abc"), "an earlier fit");
}

TEST_F(FitWrite, WriteWithNoFolderNamesTheSystemsReason)
{
	const std::string Path = (Dir / "no" / "such" / "groom.abc").string();
	testing::internal::CaptureStdout();
	try
	{
		CheckedGroom::WriteGroom(Path, MakeStrands(1, 2));
		ADD_FAILURE() << "the write succeeded";
	}
	catch (const std::exception& Error)
	{
		EXPECT_EQ(std::string(Error.what()), "Could not open file: " + Path + " (No such file or directory)");
	}
	testing::internal::GetCapturedStdout();
}

// The library writes from destructors, where a failing stream ends the process: the fit's writes must
// fail quietly wherever the disk gives out, at the first byte, part way or at the very last byte.
TEST_F(FitWrite, AFileTooLargeForTheLimitIsAnErrorWhereverItIsHit)
{
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	CheckedGroom::WriteGroom((Dir / "source.abc").string(), MakeStrands(400, 16));
	{
		Host::FScopedLogCapture Quiet;
		testing::internal::CaptureStdout();
		Fit(Dir / "source.abc", Dir / "whole.abc");
		testing::internal::GetCapturedStdout();
	}
	const uintmax_t Whole = std::filesystem::file_size(Dir / "whole.abc");
	ASSERT_GT(Whole, 32u * 1024u);
	std::ofstream(Dir / "kept.abc") << "an earlier fit";
	const std::string Expected = "Could not write file: " + (Dir / "kept.abc").string() + " (File too large)";

	for (const uintmax_t Limit : {uintmax_t(0), uintmax_t(100), Whole / 2, Whole - 1})
	{
		SCOPED_TRACE(Limit);
		const auto Child = [&]
		{
			std::signal(SIGXFSZ, SIG_IGN);
			const rlimit FileSize{rlim_t(Limit), rlim_t(Limit)};
			setrlimit(RLIMIT_FSIZE, &FileSize);
			Host::FScopedLogCapture Log;
			testing::internal::CaptureStdout();
			Fit(Dir / "source.abc", Dir / "kept.abc");
			testing::internal::GetCapturedStdout();
			const std::vector<std::string> Errors = Log.TextsAt(ELogVerbosity::Error);
			const bool bReported = !Errors.empty() && Errors.back() == Expected;
			const bool bKept = ReadBytes(Dir / "kept.abc") == "an earlier fit";
			const bool bCleaned = !std::filesystem::exists(Dir / "kept.abc.velmora-tmp");
			// The limit holds for the death test's own capture of standard error too: the exit status tells.
			std::exit(int(bReported) | int(bKept) << 1 | int(bCleaned) << 2);
		};
		EXPECT_EXIT(Child(), testing::ExitedWithCode(7), "") << "1: reported, 2: earlier target kept, 4: temporary file removed";
	}
}
