// The product's writer on each writer fixture's record must give a file equivalent to the reference
// library's block by block, sample keys, object hashes and de-duplication included; only the writing
// library's version may differ, its number (root block 1) and its string in the archive metadata.

#include "AlembicTestSupport.h"
#include "TestPaths.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
	using AlembicTest::SameBits;

	std::string FirstDifference(const std::vector<std::string>& Diffs)
	{
		return std::to_string(Diffs.size()) + " differences, first: " + (Diffs.empty() ? "" : Diffs.front());
	}

	// writer_onepoint ends with a strand of no points, which has no value in the per-point uv the writer
	// gives every groom: whether the engine's import reads a root UV for it there is not known.
	std::vector<std::string> UnknownToTheImportModel(const std::string& Name)
	{
		if (Name != "writer_onepoint")
		{
			return {};
		}
		return {"uv: strand 2 holds no points; whether the import reads a root UV for it at point 5, past the sample of 5, is not known"};
	}

	class WriterFixture : public testing::TestWithParam<std::string>
	{
	};

	// A record without widths or colours, and one with a single width, are not written as the reference
	// library's plain write of them but as the engine's groom import reads them safely (no empty arrays, a
	// single width at constant scope); the groom writer's own tests pin those files.
	class ReferenceWriterFixture : public WriterFixture
	{
	};

	TEST_P(ReferenceWriterFixture, ReproducesTheReferenceFile)
	{
		VELMORA_REQUIRE_FIXTURES(Dir);
		const std::string Name = GetParam();
		const AlembicTest::FGroomRecord Record = AlembicTest::LoadRecordJson(Dir / (Name + ".record.json"));
		const std::filesystem::path Written = VelmoraTest::MakeTempDir("writer") / (Name + ".abc");
		AlembicTest::WriteGroomQuietly(Written.string(), Record.Groom, UnknownToTheImportModel(Name));

		const std::vector<std::string> Diffs = AlembicTest::CompareOgawaTrees(Dir / (Name + ".abc"), Written);
		EXPECT_TRUE(Diffs.empty()) << FirstDifference(Diffs);
	}

	TEST_P(WriterFixture, ReadsBackWhatWasWritten)
	{
		VELMORA_REQUIRE_FIXTURES(Dir);
		const std::string Name = GetParam();
		const GroomData Groom = AlembicTest::LoadRecordJson(Dir / (Name + ".record.json")).Groom;
		const std::filesystem::path Written = VelmoraTest::MakeTempDir("roundtrip") / (Name + ".abc");
		AlembicTest::WriteGroomQuietly(Written.string(), Groom, UnknownToTheImportModel(Name));

		const AlembicTest::FGroomRecord Read = AlembicTest::ReadGroomCollecting(Written.string());
		EXPECT_TRUE(SameBits(Read.Groom.positions, Groom.positions));
		EXPECT_EQ(Read.Groom.vertexCounts, Groom.vertexCounts);
		EXPECT_TRUE(SameBits(Read.Groom.widths, Groom.widths));
		EXPECT_TRUE(SameBits(Read.Groom.groomColors, Groom.groomColors));
		EXPECT_TRUE(SameBits(Read.Groom.surfaceNormals, Groom.surfaceNormals));
		EXPECT_TRUE(Read.Log.empty());
		// A record without colours is written without "groom_color", which the reader says is not there.
		EXPECT_EQ(Read.Stderr, Groom.groomColors.empty() ? std::vector<std::string>{"Propertygroom_color not found."} : std::vector<std::string>());
	}

	INSTANTIATE_TEST_SUITE_P(WriterFixtures, WriterFixture,
	                         testing::Values("writer_basic", "writer_empty", "writer_onepoint", "writer_widths_single", "big_groom"));
	INSTANTIATE_TEST_SUITE_P(WriterFixtures, ReferenceWriterFixture, testing::Values("writer_basic", "writer_onepoint", "big_groom"));

	// The comparison itself must see what a reader never looks at: a changed sample key, a changed value.
	TEST(WriterFixtureComparison, SeesAChangedSampleKeyAndAChangedValue)
	{
		VELMORA_REQUIRE_FIXTURES(Dir);
		const std::filesystem::path Original = Dir / "writer_basic.abc";
		EXPECT_TRUE(AlembicTest::CompareOgawaTrees(Original, Original).empty());

		// The first position's x sits at byte 211, after the 8-byte size and 16-byte key of its block.
		std::vector<uint8_t> Bytes = AlembicTest::ReadFileBytes(Original);
		ASSERT_EQ(Bytes.size(), 1659u);
		Bytes[211 - 8] ^= 0x01;
		const std::filesystem::path KeyChanged = VelmoraTest::MakeTempDir("compare") / "key.abc";
		AlembicTest::WriteFileBytes(KeyChanged, Bytes);
		EXPECT_FALSE(AlembicTest::CompareOgawaTrees(Original, KeyChanged).empty());
		EXPECT_FALSE(AlembicTest::CompareOgawaTrees(Original, Dir / "malformed" / "writer_basic_flip_position.abc").empty());

		// Another release's number in root block 1 is no difference.
		Bytes = AlembicTest::ReadFileBytes(Original);
		uint64_t Root = 0, VersionSlot = 0;
		std::memcpy(&Root, Bytes.data() + 8, 8);
		std::memcpy(&VersionSlot, Bytes.data() + Root + 16, 8);
		const int32_t OtherRelease = 10806;
		std::memcpy(Bytes.data() + (VersionSlot & 0x7fffffffffffffffULL) + 8, &OtherRelease, 4);
		const std::filesystem::path OtherVersion = VelmoraTest::MakeTempDir("compare") / "version.abc";
		AlembicTest::WriteFileBytes(OtherVersion, Bytes);
		EXPECT_TRUE(AlembicTest::CompareOgawaTrees(Original, OtherVersion).empty());
	}
}
