// The fit's output file: where it says it writes, names that are not ASCII, and writes that fail.

#include "CheckedGroomWrites.h"
#include "FittingTestHelpers.h"
#include "GroomFitting.h"
#include "Host/Log.h"
#include "TestPaths.h"
#include "velmoraBPLibrary.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

namespace
{
	// A disk of its own for the rest of this process: a small file system mounted at Folder, seen by no
	// other process. False where the system does not allow it (no CAP_SYS_ADMIN).
	bool MountSmallDisk(const std::filesystem::path& Folder)
	{
		return unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
		       mount("velmora-test", Folder.c_str(), "tmpfs", 0, "size=64k") == 0;
	}
}

TEST_F(FitWrite, AFullDiskIsAnErrorThatKeepsTheEarlierTarget)
{
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	const std::filesystem::path Disk = Dir / "disk";
	std::filesystem::create_directory(Disk);
	const pid_t Probe = fork();
	if (Probe == 0)
	{
		_exit(MountSmallDisk(Disk) ? 0 : 1);
	}
	int Status = 1;
	waitpid(Probe, &Status, 0);
	if (!WIFEXITED(Status) || WEXITSTATUS(Status) != 0)
	{
		GTEST_SKIP() << "no small file system can be mounted here for this process alone";
	}
	// About 400 KB of groom for a disk of 64 KB.
	CheckedGroom::WriteGroom((Dir / "source.abc").string(), MakeStrands(400, 16));
	const auto Child = [&]
	{
		MountSmallDisk(Disk);
		std::ofstream(Disk / "kept.abc") << "an earlier fit";
		Host::FScopedLogCapture Log;
		testing::internal::CaptureStdout();
		Fit(Dir / "source.abc", Disk / "kept.abc");
		testing::internal::GetCapturedStdout();
		const std::vector<std::string> Errors = Log.TextsAt(ELogVerbosity::Error);
		const bool bReported = !Errors.empty() && Errors.back() == "Could not write file: " + (Disk / "kept.abc").string() + " (No space left on device)";
		const bool bKept = ReadBytes(Disk / "kept.abc") == "an earlier fit";
		const bool bCleaned = std::distance(std::filesystem::directory_iterator(Disk), std::filesystem::directory_iterator()) == 1;
		std::exit(int(bReported) | int(bKept) << 1 | int(bCleaned) << 2);
	};
	EXPECT_EXIT(Child(), testing::ExitedWithCode(7), "") << "1: reported, 2: earlier target kept, 4: temporary file removed";
}

// Replacing a file keeps what the user made of it: a link stays a link to the file it names, which is
// replaced, and the file keeps its permission bits.
TEST_F(FitWrite, WritesThroughALinkAndKeepsTheEarlierFilesPermissions)
{
	std::filesystem::create_directory(Dir / "store");
	std::ofstream(Dir / "store" / "groom.abc") << "an earlier fit";
	std::filesystem::permissions(Dir / "store" / "groom.abc", std::filesystem::perms(0640), std::filesystem::perm_options::replace);
	std::filesystem::create_symlink(std::filesystem::path("store") / "groom.abc", Dir / "link.abc");

	const GroomData Groom = MakeStrands(3, 4);
	std::vector<std::string> Warnings;
	std::string Error;
	testing::internal::CaptureStdout();
	ASSERT_TRUE(GroomFitting::WriteGroomReplacing((Dir / "link.abc").string(), Groom, {}, Warnings, Error)) << Error;
	testing::internal::GetCapturedStdout();
	EXPECT_TRUE(Warnings.empty());
	EXPECT_TRUE(std::filesystem::is_symlink(Dir / "link.abc"));
	EXPECT_EQ(std::filesystem::read_symlink(Dir / "link.abc"), std::filesystem::path("store") / "groom.abc");
	EXPECT_EQ(ReadGroom((Dir / "store" / "groom.abc").string()).positions, Groom.positions);
	EXPECT_EQ(std::filesystem::status(Dir / "store" / "groom.abc").permissions(), std::filesystem::perms(0640));
	EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir / "store"), std::filesystem::directory_iterator()), 1);
}

// A folder that takes no new file, holding a file that may be written: the file is written in place, with
// a warning that a failed write would not have kept the earlier one.
TEST_F(FitWrite, AFolderThatTakesNoNewFileIsWrittenInPlaceWithAWarning)
{
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	const std::filesystem::path Locked = Dir / "locked";
	std::filesystem::create_directory(Locked);
	std::ofstream(Locked / "groom.abc") << "an earlier fit";
	const auto Child = [&]
	{
		// Root passes every permission check, so the write runs as nobody, who owns the file but may not
		// add to the folder.
		if (geteuid() == 0)
		{
			for (std::filesystem::path Up = Dir; Up != Up.root_path(); Up = Up.parent_path())
			{
				std::filesystem::permissions(Up, std::filesystem::perms::others_exec, std::filesystem::perm_options::add);
			}
			if (chown(Locked.c_str(), 65534, 65534) != 0 || chown((Locked / "groom.abc").c_str(), 65534, 65534) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
			{
				std::exit(99);
			}
		}
		std::filesystem::permissions(Locked, std::filesystem::perms(0555), std::filesystem::perm_options::replace);
		const GroomData Groom = MakeStrands(3, 4);
		std::vector<std::string> Warnings;
		std::string Error;
		testing::internal::CaptureStdout();
		const bool bWritten = GroomFitting::WriteGroomReplacing((Locked / "groom.abc").string(), Groom, {}, Warnings, Error);
		testing::internal::GetCapturedStdout();
		const bool bWarned = Warnings.size() == 1 && Warnings[0] == "no temporary file can be made beside " + (Locked / "groom.abc").string() +
		                                                                " (Permission denied), so it is written in place: if the write fails, the earlier file is lost";
		const bool bRead = ReadGroom((Locked / "groom.abc").string()).positions == Groom.positions;
		std::exit(int(bWritten) | int(bWarned) << 1 | int(bRead) << 2);
	};
	EXPECT_EXIT(Child(), testing::ExitedWithCode(7), "") << "1: written, 2: warned, 4: the new groom is there";
	std::filesystem::permissions(Locked, std::filesystem::perms(0755), std::filesystem::perm_options::replace);
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
			// source.abc, whole.abc and kept.abc: no temporary file left.
			const bool bCleaned = std::distance(std::filesystem::directory_iterator(Dir), std::filesystem::directory_iterator()) == 3;
			// The limit holds for the death test's own capture of standard error too: the exit status tells.
			std::exit(int(bReported) | int(bKept) << 1 | int(bCleaned) << 2);
		};
		EXPECT_EXIT(Child(), testing::ExitedWithCode(7), "") << "1: reported, 2: earlier target kept, 4: temporary file removed";
	}
}
