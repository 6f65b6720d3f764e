#include "GroomTestUtils.h"

#include "Host/Log.h"

#include <algorithm>
#include <cstring>

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

// The route Windows takes gives every fixture, damaged ones included, the record and lines of the other.
TEST(GroomReader, TheStreamRouteReadsEveryFixtureAsTheNameRouteDoes)
{
	VELMORA_REQUIRE_FIXTURES(Dir);
	GroomTest::FScopedWorkingDirectory InFixtures(Dir);
	for (const std::filesystem::path& ExpectedPath : ExpectedFiles(Dir))
	{
		const std::string Name = ExpectedPath.string();
		const std::string AbcPath = Name.substr(0, Name.size() - std::strlen(".expected.json")) + ".abc";
		SCOPED_TRACE(AbcPath);
		GroomData Records[2];
		std::vector<std::string> Lines[2];
		std::string Stderr[2];
		bool bFailed[2] = {};
		for (const int Route : {0, 1})
		{
			Host::FScopedLogCapture Capture;
			testing::internal::CaptureStderr();
			Records[Route] = ReadGroom(AbcPath, bFailed[Route], Route ? EGroomReadRoute::Stream : EGroomReadRoute::ByName);
			Stderr[Route] = testing::internal::GetCapturedStderr();
			Lines[Route] = Capture.Formatted();
		}
		ExpectSameRecord(Records[1], Records[0]);
		EXPECT_EQ(Lines[1], Lines[0]);
		EXPECT_EQ(Stderr[1], Stderr[0]);
		EXPECT_EQ(bFailed[1], bFailed[0]);
	}
}

TEST(GroomReader, BothRoutesReadNamesThatAreNotAscii)
{
	const std::filesystem::path Path = VelmoraTest::MakeTempDir("reader-routes") / std::filesystem::path(u8"t\u00eate \u9aea.abc");
	const std::string Utf8(reinterpret_cast<const char*>(Path.u8string().c_str()));
	const GroomData Groom = GroomTest::MakeGroom({{0, 0, 0, 0, 1, 0}, {1, 2, 3}});
	WriteGroom(Utf8, Groom);
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
	WriteGroom(Unfrozen, GroomTest::MakeGroom({{0, 0, 0, 0, 1, 0}}));
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
