#include "GroomTestUtils.h"

#include "Host/Log.h"

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
