// The product's reader on every shared fixture, damaged ones included, must give exactly what it gave
// on the reference library: the same record, bit for bit, and the same messages.

#include "AlembicTestSupport.h"
#include "TestPaths.h"

#include <gtest/gtest.h>

namespace
{
	using AlembicTest::FGroomRecord;

	// Fixture names relative to the fixtures folder, as the expected messages spell them.
	std::vector<std::string> FixtureNames()
	{
		std::vector<std::string> Names;
		const auto Dir = VelmoraTest::AlembicFixturesDir();
		if (!Dir)
		{
			return Names;
		}
		for (const char* Sub : {"", "malformed/"})
		{
			for (const auto& Entry : std::filesystem::directory_iterator(*Dir / Sub))
			{
				const std::string File = Entry.path().filename().string();
				const std::string Suffix = ".expected.json";
				if (File.size() > Suffix.size() && File.compare(File.size() - Suffix.size(), Suffix.size(), Suffix) == 0)
				{
					Names.push_back(std::string(Sub) + File.substr(0, File.size() - Suffix.size()));
				}
			}
		}
		std::sort(Names.begin(), Names.end());
		return Names;
	}

	void ExpectSameRecord(const FGroomRecord& Expected, const FGroomRecord& Actual)
	{
		using AlembicTest::SameBits;
		EXPECT_TRUE(SameBits(Expected.Groom.positions, Actual.Groom.positions)) << Actual.Groom.positions.size() << " positions";
		EXPECT_EQ(Expected.Groom.vertexCounts, Actual.Groom.vertexCounts);
		EXPECT_TRUE(SameBits(Expected.Groom.widths, Actual.Groom.widths)) << Actual.Groom.widths.size() << " widths";
		EXPECT_TRUE(SameBits(Expected.Groom.groomColors, Actual.Groom.groomColors)) << Actual.Groom.groomColors.size() << " colours";
		EXPECT_TRUE(SameBits(Expected.Groom.surfaceNormals, Actual.Groom.surfaceNormals)) << Actual.Groom.surfaceNormals.size() << " normals";
		EXPECT_EQ(Expected.Log, Actual.Log);
		EXPECT_EQ(Expected.Stderr, Actual.Stderr);
	}

	class FixtureRead : public testing::TestWithParam<std::string>
	{
	};

	TEST_P(FixtureRead, GivesTheReferenceRecordAndMessages)
	{
		VELMORA_REQUIRE_FIXTURES(Dir);
		const std::string Name = GetParam();
		const FGroomRecord Expected = AlembicTest::LoadRecordJson(Dir / (Name + ".expected.json"));
		AlembicTest::FScopedCurrentDir InFixtures(Dir);
		bool bReadFailed = false;
		ExpectSameRecord(Expected, AlembicTest::ReadGroomCollecting(Name + ".abc", &bReadFailed));
		// Every failure the reference reports is a logged one, and only those count as failed reads.
		EXPECT_EQ(bReadFailed, !Expected.Log.empty());
	}

	INSTANTIATE_TEST_SUITE_P(AllFixtures, FixtureRead, testing::ValuesIn(FixtureNames()), [](const testing::TestParamInfo<std::string>& Info)
	                         {
		std::string Id = Info.param;
		for (char& C : Id)
		{
			C = std::isalnum(static_cast<unsigned char>(C)) ? C : '_';
		}
		return Id; });
	GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(FixtureRead);

	TEST(FixtureRead, ReportsTheCallersPathInOpenErrors)
	{
		VELMORA_REQUIRE_FIXTURES(Dir);
		const std::string Path = (Dir / "malformed" / "writer_basic_flip_frozen.abc").string();
		const FGroomRecord Record = AlembicTest::ReadGroomCollecting(Path);
		ASSERT_EQ(Record.Log.size(), 1u);
		EXPECT_EQ(Record.Log[0],
		          "Error reading Alembic file: IArchive::IArchive( iFileName )\nERROR: EXCEPTION:\nOgawa file not cleanly closed while being written: " + Path);
	}
}
