#include "CheckedGroomWrites.h"
#include "GroomTestUtils.h"

#include "Host/Log.h"
#include "Host/MeshBuilders.h"
#include "MeshFiles.h"

#include <Alembic/AbcCoreOgawa/All.h>
#include <Alembic/AbcGeom/All.h>

#include <array>
#include <cstdio>
#include <pthread.h>
#include <sys/wait.h>

namespace
{
	using namespace Alembic::AbcGeom;

	// A curves object of two straight strands, tagged by the x of their points so a test can tell which one
	// the reader found.
	void AddCurves(const OObject& Parent, const std::string& Name, float Tag)
	{
		const std::vector<V3f> Points{{Tag, 0, 1}, {Tag, 0, 2}, {Tag, 1, 1}, {Tag, 1, 2}};
		const std::vector<int32_t> Counts{2, 2};
		OCurves Curves(Parent, Name);
		Curves.getSchema().set(OCurvesSchema::Sample(P3fArraySample(Points), Int32ArraySample(Counts), kLinear));
	}

	// Depth plain objects nested one in the other below the top, with the curves inside the innermost.
	// The writer finishes an object when it is released, so the chain is let go from its deepest end.
	void WriteNestedGroom(const std::filesystem::path& Path, int Depth)
	{
		OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive(), Path.string());
		std::vector<OObject> Chain{Archive.getTop()};
		for (int Level = 0; Level < Depth; ++Level)
		{
			Chain.push_back(OObject(Chain.back(), "n"));
		}
		AddCurves(Chain.back(), "groom", 7.0f);
		while (!Chain.empty())
		{
			Chain.pop_back();
		}
	}

	// Runs Body on a thread with a small stack, as the editor's or a worker's could be: work that grows the
	// stack with the depth of the file overflows it. Sanitized frames are several times larger.
	template<class BODY>
	void RunOnSmallStack(BODY&& Body)
	{
#if defined(__SANITIZE_ADDRESS__)
		constexpr size_t StackBytes = 2 * 1024 * 1024;
#else
		constexpr size_t StackBytes = 256 * 1024;
#endif
		pthread_attr_t Attributes;
		pthread_attr_init(&Attributes);
		pthread_attr_setstacksize(&Attributes, StackBytes);
		pthread_t Thread;
		auto Entry = [](void* Argument) -> void*
		{
			(*static_cast<BODY*>(Argument))();
			return nullptr;
		};
		ASSERT_EQ(pthread_create(&Thread, &Attributes, Entry, &Body), 0);
		pthread_join(Thread, nullptr);
		pthread_attr_destroy(&Attributes);
	}

	struct FCliRun
	{
		int ExitCode = -1;
		std::string Stdout;
	};

	// The command with a 1 MB stack (4 MB sanitized): a walk that recurses per level of the file overflows
	// it well before the depths the tests use.
	FCliRun RunCliOnSmallStack(const std::string& Arguments, const std::filesystem::path& Dir)
	{
#if defined(__SANITIZE_ADDRESS__)
		const std::string StackKB = "4096";
#else
		const std::string StackKB = "1024";
#endif
		const std::string Command = "cd '" + Dir.string() + "' && ulimit -s " + StackKB + " && '" VELMORA_CLI_PATH "' " + Arguments + " 2>/dev/null";
		const CheckedGroom::FGroomFolderOutputs Outputs(Dir);
		FCliRun Run;
		FILE* Pipe = popen(Command.c_str(), "r");
		if (!Pipe)
		{
			return Run;
		}
		std::array<char, 4096> Buffer;
		for (size_t Read; (Read = fread(Buffer.data(), 1, Buffer.size(), Pipe)) > 0;)
		{
			Run.Stdout.append(Buffer.data(), Read);
		}
		const int Status = pclose(Pipe);
		Run.ExitCode = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
		if (Run.ExitCode == 0)
		{
			Outputs.ExpectImportsCleanlyIfWritten();
		}
		return Run;
	}

	// Objects below the top: the curves inside the innermost lie one level deeper.
	constexpr int DeepNesting = 6000;
	constexpr int NestingAtTheBound = 999;

	struct FDeepRead
	{
		GroomData Groom;
		bool bFailed = false;
		std::vector<std::string> Errors;
		std::vector<std::string> Warnings;
	};

	FDeepRead ReadOnSmallStack(const std::filesystem::path& Path)
	{
		FDeepRead Read;
		RunOnSmallStack([&]
		                {
			Host::FScopedLogCapture Log;
			Read.Groom = ReadGroom(Path.string(), Read.bFailed);
			Read.Errors = Log.TextsAt(ELogVerbosity::Error);
			Read.Warnings = Log.TextsAt(ELogVerbosity::Warning); });
		return Read;
	}
}

// Alembic's objects hold their parents: letting go of a deep curves object releases its ancestors one
// nested call per level. Down to the bound that fits a small thread stack, with either library.
TEST(DeepHierarchy, CurvesAtTheDepthBoundAreReadOnASmallStack)
{
	const std::filesystem::path Path = VelmoraTest::MakeTempDir("deep") / "bound.abc";
	WriteNestedGroom(Path, NestingAtTheBound);
	// In a child, so a crash fails the test rather than ending the test program.
	const auto ReadsTheCurves = [&]
	{
		const FDeepRead Read = ReadOnSmallStack(Path);
		return !Read.bFailed && Read.Errors.empty() && Read.Groom.vertexCounts == std::vector<int32_t>({2, 2}) && Read.Groom.positions.size() == 12 &&
		       Read.Groom.positions[0] == 7.0f;
	};
	EXPECT_EXIT(std::exit(ReadsTheCurves() ? 0 : 3), testing::ExitedWithCode(0), "");
}

TEST(DeepHierarchy, CurvesDeeperThanTheBoundAreRefusedWithOneError)
{
	const std::filesystem::path Path = VelmoraTest::MakeTempDir("deep") / "deep.abc";
	WriteNestedGroom(Path, DeepNesting);
	const auto RefusesClearly = [&]
	{
		const FDeepRead Read = ReadOnSmallStack(Path);
		const bool bOneError = Read.Errors.size() == 1 && Read.Warnings.empty() &&
		                       Read.Errors[0] == "Error reading Alembic file: " + Path.string() + ": its first curves object lies 6001 levels of objects deep; grooms are read down to 1000 levels";
		return Read.bFailed && bOneError && Read.Groom.positions.empty() && Read.Groom.vertexCounts.empty();
	};
	EXPECT_EXIT(std::exit(RefusesClearly() ? 0 : 3), testing::ExitedWithCode(0), "");
}

// Below the bound the search goes on as ever: a deep subtree without curves comes before a shallow one.
TEST(DeepHierarchy, ADeepSubtreeWithoutCurvesIsSearchedPast)
{
	const std::filesystem::path Path = VelmoraTest::MakeTempDir("deep") / "past.abc";
	{
		OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive(), Path.string());
		std::vector<OObject> Chain{OObject(Archive.getTop(), "rig")};
		for (int Level = 0; Level < DeepNesting; ++Level)
		{
			Chain.push_back(OObject(Chain.back(), "n"));
		}
		while (!Chain.empty())
		{
			Chain.pop_back();
		}
		AddCurves(OObject(Archive.getTop(), "hair"), "groom", 5.0f);
	}
	const auto FindsTheShallowCurves = [&]
	{
		const FDeepRead Read = ReadOnSmallStack(Path);
		return !Read.bFailed && Read.Groom.positions.size() == 12 && Read.Groom.positions[0] == 5.0f;
	};
	EXPECT_EXIT(std::exit(FindsTheShallowCurves() ? 0 : 3), testing::ExitedWithCode(0), "");
}

TEST(DeepHierarchy, SearchKeepsPreOrderAcrossDeepSubtrees)
{
	const std::filesystem::path Path = VelmoraTest::MakeTempDir("deep") / "order.abc";
	{
		OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive(), Path.string());
		// Child 0 holds curves 40 levels down; child 1 holds curves right away. Child 0's subtree comes first.
		std::vector<OObject> Chain{OObject(Archive.getTop(), "first")};
		for (int Level = 0; Level < 40; ++Level)
		{
			Chain.push_back(OObject(Chain.back(), "n"));
		}
		// A curves object with curves below it: the parent is met first.
		OCurves Outer(Chain.back(), "outer");
		{
			const std::vector<V3f> Points{{1, 0, 0}, {1, 0, 1}};
			const std::vector<int32_t> Counts{2};
			Outer.getSchema().set(OCurvesSchema::Sample(P3fArraySample(Points), Int32ArraySample(Counts), kLinear));
		}
		AddCurves(Outer, "inner", 2.0f);
		AddCurves(OObject(Archive.getTop(), "second"), "late", 3.0f);
		Outer.reset();
		while (!Chain.empty())
		{
			Chain.pop_back();
		}
	}
	testing::internal::CaptureStderr();
	const GroomData Groom = ReadGroom(Path.string());
	testing::internal::GetCapturedStderr();
	ASSERT_EQ(Groom.vertexCounts, std::vector<int32_t>{2});
	EXPECT_EQ(Groom.positions[0], 1.0f);
}

TEST(DeepHierarchy, InspectAndFitReadAGroomAtTheBoundAndRefuseADeeperOne)
{
	const std::filesystem::path Dir = VelmoraTest::MakeTempDir("deep-cli");
	WriteNestedGroom(Dir / "bound.abc", NestingAtTheBound);
	WriteNestedGroom(Dir / "deep.abc", DeepNesting);
	std::string Error;
	ASSERT_TRUE(VelmoraCli::SaveMeshFile((Dir / "head.obj").string(), Host::BuildSphere(10.f, 8, 16), Error)) << Error;

	const FCliRun Inspect = RunCliOnSmallStack("inspect bound.abc", Dir);
	EXPECT_EQ(Inspect.ExitCode, 0) << Inspect.Stdout;
	EXPECT_NE(Inspect.Stdout.find("strands         2"), std::string::npos) << Inspect.Stdout;
	const FCliRun Fit = RunCliOnSmallStack("fit bound.abc head.obj fitted.abc --quiet", Dir);
	EXPECT_EQ(Fit.ExitCode, 0);
	EXPECT_TRUE(std::filesystem::is_regular_file(Dir / "fitted.abc"));

	const FCliRun Refused = RunCliOnSmallStack("inspect deep.abc", Dir);
	EXPECT_EQ(Refused.ExitCode, 1) << Refused.Stdout;
	EXPECT_NE(Refused.Stdout.find("lies 6001 levels of objects deep"), std::string::npos) << Refused.Stdout;
	const FCliRun NotFitted = RunCliOnSmallStack("fit deep.abc head.obj deep-fitted.abc --quiet", Dir);
	EXPECT_EQ(NotFitted.ExitCode, 1);
	EXPECT_FALSE(std::filesystem::exists(Dir / "deep-fitted.abc"));
}
