#include "CheckedGroomWrites.h"
#include "GroomTestUtils.h"

#include "Host/Log.h"

#include <Alembic/AbcCoreOgawa/All.h>
#include <Alembic/AbcGeom/All.h>

#include <algorithm>
#include <cstring>
#include <tuple>

using GroomTest::ExpectSameRecord;

namespace
{
	// Every *.expected.json below the fixtures folder, as paths relative to it.
	std::vector<std::filesystem::path> ExpectedFiles(const std::filesystem::path& Dir)
	{
		std::vector<std::filesystem::path> Files;
		for (const auto& Entry : std::filesystem::recursive_directory_iterator(Dir))
		{
			if (Entry.path().filename().string().ends_with(".expected.json"))
			{
				Files.push_back(std::filesystem::relative(Entry.path(), Dir));
			}
		}
		std::sort(Files.begin(), Files.end());
		return Files;
	}
}

TEST(GroomReader, MissingFileGivesEmptyRecordAndOneWarning)
{
	const std::string Path = (VelmoraTest::MakeTempDir("reader") / "missing.abc").string();
	Host::FScopedLogCapture Capture;
	bool bReadFailed = false;
	const GroomData Groom = ReadGroom(Path, bReadFailed);
	EXPECT_TRUE(bReadFailed);
	EXPECT_TRUE(Groom.positions.empty() && Groom.vertexCounts.empty() && Groom.widths.empty());
	ASSERT_EQ(Capture.GetLines().size(), 1u);
	EXPECT_EQ(Capture.GetLines()[0].Verbosity, ELogVerbosity::Warning);
	EXPECT_TRUE(Capture.GetLines()[0].Utf8Text().starts_with("Error reading Alembic file: "));
	EXPECT_TRUE(Capture.GetLines()[0].Utf8Text().ends_with(Path + "\n"));
}

TEST(GroomReader, FileWithoutCurvesGivesEmptyRecordSilently)
{
	VELMORA_REQUIRE_FIXTURES(Dir);
	Host::FScopedLogCapture Capture;
	bool bReadFailed = true;
	const GroomData Groom = ReadGroom((Dir / "no_curves.abc").string(), bReadFailed);
	EXPECT_FALSE(bReadFailed);
	EXPECT_TRUE(Groom.positions.empty() && Groom.vertexCounts.empty());
	EXPECT_TRUE(Capture.GetLines().empty());
}

// The route Windows takes for names its code page cannot hold gives every fixture, damaged ones included,
// the record and lines of the other.
TEST(GroomReader, TheStreamRouteReadsEveryFixtureAsTheNameRouteDoes)
{
	VELMORA_REQUIRE_FIXTURES(Dir);
	GroomTest::FScopedWorkingDirectory InFixtures(Dir);
	for (const std::filesystem::path& ExpectedPath : ExpectedFiles(Dir))
	{
		const std::string Name = ExpectedPath.string();
		GroomTest::ExpectBothRoutesAlike(Name.substr(0, Name.size() - std::strlen(".expected.json")) + ".abc");
	}
}

TEST(GroomReader, TheStreamRouteReadsFilesOfOtherToolsAsTheNameRouteDoes)
{
	const auto Dir = VelmoraTest::RealWorldDir();
	if (!Dir)
	{
		GTEST_SKIP() << "no ../shared/realworld beside the checkout; skipped";
	}
	GroomTest::FScopedWorkingDirectory InFolder(*Dir);
	std::vector<std::string> Names;
	for (const auto& Entry : std::filesystem::directory_iterator(*Dir))
	{
		if (Entry.path().extension() == ".abc")
		{
			Names.push_back(Entry.path().filename().string());
		}
	}
	std::sort(Names.begin(), Names.end());
	EXPECT_FALSE(Names.empty());
	for (const std::string& Name : Names)
	{
		GroomTest::ExpectBothRoutesAlike(Name);
	}
}

TEST(GroomReader, BothRoutesReadNamesThatAreNotAscii)
{
	const std::filesystem::path Path = VelmoraTest::MakeTempDir("reader-routes") / std::filesystem::path(u8"t\u00eate \u9aea.abc");
	const std::string Utf8(reinterpret_cast<const char*>(Path.u8string().c_str()));
	const GroomData Groom = GroomTest::MakeGroom({{0, 0, 0, 0, 1, 0}, {1, 2, 3}});
	CheckedGroom::WriteGroom(Utf8, Groom);
	for (const EGroomReadRoute Route : {EGroomReadRoute::ByName, EGroomReadRoute::Stream})
	{
		bool bReadFailed = true;
		ExpectSameRecord(ReadGroom(Utf8, bReadFailed, Route), Groom);
		EXPECT_FALSE(bReadFailed);
	}
}

// Through a stream the library words open failures without the name; the reader's lines do not change.
TEST(GroomReader, OpenErrorsNameTheFileAsTheLibraryDoes)
{
	const std::filesystem::path Dir = VelmoraTest::MakeTempDir("reader-open");
	const std::string Empty = (Dir / "empty.abc").string();
	std::ofstream(Empty).close();
	const std::string Unfrozen = (Dir / "unfrozen.abc").string();
	CheckedGroom::WriteGroom(Unfrozen, GroomTest::MakeGroom({{0, 0, 0, 0, 1, 0}}));
	{
		std::fstream Patch(Unfrozen, std::ios::in | std::ios::out | std::ios::binary);
		Patch.seekp(5);
		Patch.put(0);
	}
	const std::string Context = "Error reading Alembic file: IArchive::IArchive( iFileName )\nERROR: EXCEPTION:\n";
	const std::string Missing = (Dir / "missing.abc").string();
	for (const auto& [Path, Expected] : {std::pair{Empty, "Could not open as Ogawa file: " + Empty},
	                                     std::pair{Missing, "Could not open as Ogawa file: " + Missing},
	                                     std::pair{Unfrozen, "Ogawa file not cleanly closed while being written: " + Unfrozen}})
		for (const EGroomReadRoute Route : {EGroomReadRoute::ByName, EGroomReadRoute::Stream})
		{
			SCOPED_TRACE(Path);
			Host::FScopedLogCapture Capture;
			bool bReadFailed = false;
			ReadGroom(Path, bReadFailed, Route);
			EXPECT_TRUE(bReadFailed);
			ASSERT_EQ(Capture.GetLines().size(), 1u);
			EXPECT_EQ(Capture.GetLines()[0].Utf8Text(), Context + Expected + "\n");
		}
}

// Windows' choice, with stand-ins for its code page: by name wherever the library can open the name,
// the full one first, then the short one; a stream only where neither can be held.
TEST(GroomReadPlan, GoesByNameWheneverTheLibraryCanOpenTheFileByName)
{
	const auto AsciiOnly = [](const std::string& Path) -> std::string
	{
		return std::all_of(Path.begin(), Path.end(), [](char Byte)
		                   { return (Byte & 0x80) == 0; })
		           ? Path
		           : std::string();
	};
	const auto ShortPath = [](const std::string& Path) -> std::string
	{
		return Path.starts_with("C:/Gr\xc3\xb6\xc3\x9f"
		                        "e/")
		           ? "C:/GROSSE~1/" + Path.substr(std::strlen("C:/Gr\xc3\xb6\xc3\x9f"
		                                                      "e/"))
		           : std::string();
	};
	const auto Plan = [&](const std::string& Path)
	{
		return ChooseGroomReadPlan(Path, +AsciiOnly, +ShortPath);
	};

	const FGroomReadPlan Plain = Plan("C:/grooms/hair.abc");
	EXPECT_EQ(Plain.Route, EGroomReadRoute::ByName);
	EXPECT_EQ(Plain.LibraryName, "C:/grooms/hair.abc");

	// The folder has a short name the code page holds, and the file's own name is plain.
	const FGroomReadPlan Short = Plan("C:/Gr\xc3\xb6\xc3\x9f"
	                                  "e/hair.abc");
	EXPECT_EQ(Short.Route, EGroomReadRoute::ByName);
	EXPECT_EQ(Short.LibraryName, "C:/GROSSE~1/hair.abc");

	// The short form must be one the code page holds too.
	const FGroomReadPlan Neither = Plan("C:/Gr\xc3\xb6\xc3\x9f"
	                                    "e/\xe9\xab\xaa.abc");
	EXPECT_EQ(Neither.Route, EGroomReadRoute::Stream);
	EXPECT_EQ(Plan("C:/\xe9\xab\xaa/hair.abc").Route, EGroomReadRoute::Stream);
}

// Given another name for the file (its short name on Windows), the library's messages still name the
// path the caller gave.
TEST(GroomReadPlan, MessagesNameTheCallersPathWhateverNameTheLibraryWasGiven)
{
	const std::filesystem::path Dir = VelmoraTest::MakeTempDir("reader-plan");
	const std::string Unfrozen = (Dir / "unfrozen groom.abc").string();
	testing::internal::CaptureStdout();
	CheckedGroom::WriteGroom(Unfrozen, GroomTest::MakeGroom({{0, 0, 0, 0, 1, 0}}));
	testing::internal::GetCapturedStdout();
	{
		std::fstream Patch(Unfrozen, std::ios::in | std::ios::out | std::ios::binary);
		Patch.seekp(5);
		Patch.put(0);
	}
	std::filesystem::create_symlink(Unfrozen, Dir / "UNFROZ~1.ABC");

	const std::string Context = "Error reading Alembic file: IArchive::IArchive( iFileName )\nERROR: EXCEPTION:\n";
	const std::string Missing = (Dir / "missing groom.abc").string();
	for (const auto& [Path, LibraryName, Expected] : {std::tuple{Unfrozen, (Dir / "UNFROZ~1.ABC").string(), "Ogawa file not cleanly closed while being written: " + Unfrozen},
	                                                  std::tuple{Missing, (Dir / "MISSIN~1.ABC").string(), "Could not open as Ogawa file: " + Missing}})
	{
		SCOPED_TRACE(Path);
		FGroomReadPlan Plan;
		Plan.LibraryName = LibraryName;
		Host::FScopedLogCapture Capture;
		bool bReadFailed = false;
		ReadGroom(Path, bReadFailed, Plan);
		EXPECT_TRUE(bReadFailed);
		ASSERT_EQ(Capture.GetLines().size(), 1u);
		EXPECT_EQ(Capture.GetLines()[0].Utf8Text(), Context + Expected + "\n");
	}
}

// Alembic 1.8.6 resolves a widths index past the values by reading past them; the reader checks each,
// keeps what it read before (positions, counts) and says why.
TEST(GroomReader, AWidthsIndexPastTheValuesFailsTheReadPartWay)
{
	using namespace Alembic::AbcGeom;
	const std::string Path = (VelmoraTest::MakeTempDir("bad-index") / "groom.abc").string();
	const std::vector<V3f> Points = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}};
	const std::vector<int32_t> Counts = {2, 1};
	const std::vector<float> Widths = {0.1f, 0.2f};
	const std::vector<uint32_t> Indices = {0, 1, 1u << 30};
	{
		OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive(), Path);
		OCurves Curves(Archive.getTop(), "groom");
		Curves.getSchema().set(OCurvesSchema::Sample(P3fArraySample(Points), Int32ArraySample(Counts), kCubic, kNonPeriodic,
		                                             OFloatGeomParam::Sample(FloatArraySample(Widths), UInt32ArraySample(Indices), kVertexScope)));
	}
	for (const EGroomReadRoute Route : {EGroomReadRoute::ByName, EGroomReadRoute::Stream})
	{
		Host::FScopedLogCapture Log;
		bool bReadFailed = false;
		const GroomData Groom = ReadGroom(Path, bReadFailed, Route);
		EXPECT_TRUE(bReadFailed);
		EXPECT_EQ(Groom.positions.size(), 9u);
		EXPECT_EQ(Groom.vertexCounts, Counts);
		EXPECT_TRUE(Groom.widths.empty() && Groom.groomColors.empty() && Groom.surfaceNormals.empty());
		ASSERT_EQ(Log.GetLines().size(), 1u);
		EXPECT_EQ(Log.GetLines()[0].Utf8Text(), "Error reading Alembic file: Index 1073741824 of width is past its 2 values: the file is damaged.\n");
	}

	// Indices within the values are resolved as the library resolves them.
	{
		OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive(), Path);
		OCurves Curves(Archive.getTop(), "groom");
		const std::vector<uint32_t> Good = {1, 0, 1};
		Curves.getSchema().set(OCurvesSchema::Sample(P3fArraySample(Points), Int32ArraySample(Counts), kCubic, kNonPeriodic,
		                                             OFloatGeomParam::Sample(FloatArraySample(Widths), UInt32ArraySample(Good), kVertexScope)));
	}
	testing::internal::CaptureStderr();
	EXPECT_EQ(ReadGroom(Path).widths, (std::vector<float>{0.2f, 0.1f, 0.2f}));
	testing::internal::GetCapturedStderr();
}
