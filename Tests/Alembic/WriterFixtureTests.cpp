// Writing each writer fixture's record the way the product does must give a file equivalent to
// the reference library's, hashes and de-duplication included.

#include "AlembicTestSupport.h"
#include "TestPaths.h"

#include <gtest/gtest.h>

namespace
{
	class WriterFixture : public testing::TestWithParam<std::string>
	{
	};

	TEST_P(WriterFixture, ReproducesTheReferenceFile)
	{
		VELMORA_REQUIRE_FIXTURES(Dir);
		const std::string Name = GetParam();
		const auto Record = AlembicTest::LoadRecordJson(Dir / (Name + ".record.json"));
		const std::filesystem::path Written = VelmoraTest::MakeTempDir("writer") / (Name + ".abc");
		AlembicTest::WriteGroomLikeTheProduct(Written.string(), Record);

		const std::vector<std::string> Diffs = AlembicTest::CompareOgawaTrees(Dir / (Name + ".abc"), Written);
		EXPECT_TRUE(Diffs.empty()) << Diffs.size() << " differences, first: " << (Diffs.empty() ? "" : Diffs.front());
	}

	TEST_P(WriterFixture, ReadsBackWhatWasWritten)
	{
		VELMORA_REQUIRE_FIXTURES(Dir);
		const std::string Name = GetParam();
		auto Record = AlembicTest::LoadRecordJson(Dir / (Name + ".record.json"));
		const std::filesystem::path Written = VelmoraTest::MakeTempDir("roundtrip") / (Name + ".abc");
		AlembicTest::WriteGroomLikeTheProduct(Written.string(), Record);

		const auto Read = AlembicTest::ReadGroomLikeTheProduct(Written.string());
		const bool HasPoints = !Record.Positions.empty();
		EXPECT_EQ(Read.Positions, Record.Positions);
		EXPECT_EQ(Read.VertexCounts, Record.VertexCounts);
		EXPECT_EQ(Read.Widths, Record.Widths);
		EXPECT_EQ(Read.GroomColors, Record.GroomColors);
		EXPECT_EQ(Read.SurfaceNormals, Record.SurfaceNormals);
		EXPECT_TRUE(Read.Log.empty() || !HasPoints);
	}

	INSTANTIATE_TEST_SUITE_P(WriterFixtures, WriterFixture,
	                         testing::Values("writer_basic", "writer_empty", "writer_onepoint", "writer_widths_single", "big_groom"));
}
