// Damaged DCC transforms. Alembic 1.8.6 reads an Xform's values and animated channels as the file
// states them: an empty or too short array of values is indexed past its end, and animated channels
// whose dimensions understate their data are copied past the buffer they size. Each damaged file here
// is a whole file written by Alembic with one slot, block size or header word changed (dimensions are
// appended as a block of their own), found through the block that holds what was written.
#include "ChildCases.h"
#include "PrepareTestHelpers.h"

#include <cstdio>

using namespace PrepareTest;

namespace
{
	std::filesystem::path XformFile(const std::string& Name)
	{
		return VelmoraTest::MakeTempDir("prepare-xform") / Name;
	}

	// Past 256 channels an Xform keeps its values in an array: 86 moves, the first by (1, 2, 3).
	constexpr size_t ManyMoves = 86;

	std::vector<double> ManyChannelValues()
	{
		std::vector<double> Values(3 * ManyMoves, 0.0);
		Values[0] = 1.0;
		Values[1] = 2.0;
		Values[2] = 3.0;
		return Values;
	}

	std::filesystem::path WriteManyChannelXform(const std::string& Name)
	{
		const std::filesystem::path Path = XformFile(Name);
		WriteAbc(Path, [](OObject Top, OArchive&)
		         {
			         XformSample Moves;
			         const std::vector<double> Values = ManyChannelValues();
			         for (size_t I = 0; I < ManyMoves; ++I)
			         {
				         Moves.addOp(XformOp(kTranslateOperation, kTranslateHint), V3d(Values[3 * I], Values[3 * I + 1], Values[3 * I + 2]));
			         }
			         AddCurves(AddXform(Top, "rig", Moves), "curves", Lines({{0, 0, 0, 0, 0, 1}})); });
		return Path;
	}

	// A matrix that scales by (2, 3, 4) and moves by (1, 2, 3) at frame 1 and is the identity at frame 0:
	// its animated channels are the matrix's 0, 5, 10, 12, 13 and 14.
	const std::vector<uint32_t> AnimatedChannels = {0, 5, 10, 12, 13, 14};

	std::filesystem::path WriteAnimatedXform(const std::string& Name)
	{
		const std::filesystem::path Path = XformFile(Name);
		WriteAbc(Path, [](OObject Top, OArchive& Archive)
		         {
			         const uint32_t PerFrame = Archive.addTimeSampling(TimeSampling(1.0 / 24.0, 0.0));
			         OXform Rig(Top, "rig", PerFrame);
			         XformSample Still;
			         Still.setMatrix(M44d());
			         Rig.getSchema().set(Still);
			         M44d Moved;
			         Moved.setScale(V3d(2, 3, 4));
			         Moved[3][0] = 1;
			         Moved[3][1] = 2;
			         Moved[3][2] = 3;
			         XformSample Turned;
			         Turned.setMatrix(Moved);
			         Rig.getSchema().set(Turned);
			         OCurves Curves = AddCurves(Rig, "curves", Lines({{0, 0, 0, 0, 0, 1}}), PerFrame);
			         SetCurves(Curves, Lines({{0, 0, 0, 0, 0, 1}})); });
		return Path;
	}

	// The data slot of the Xform's array of values (its only sample).
	size_t FindValuesSlot(const std::string& Bytes)
	{
		const size_t Block = FindSampleBlock(Bytes, PodBytes(ManyChannelValues()));
		return Block == std::string::npos ? Block : FindOnlyArraySampleSlot(Bytes, Block);
	}

	// The info word of the header record of ".vals": one sample of float64 values with one component
	// each, as the writer records an Xform's array of values (see the property header layout).
	size_t FindValuesInfo(const std::string& Bytes)
	{
		const std::vector<size_t> Names = FindAll(Bytes, std::string("\x05.vals", 6));
		if (Names.size() != 1 || Names[0] < 5 || Bytes[Names[0] - 1] != 1)
		{
			return std::string::npos;
		}
		const size_t At = Names[0] - 5;
		uint32_t Info = 0;
		std::memcpy(&Info, Bytes.data() + At, sizeof(Info));
		const bool bArray = (Info & 0x3) == 2;
		const bool bOneByteSizes = (Info & 0xc) == 0;
		const bool bFloat64 = ((Info >> 4) & 0xf) == 11;
		const bool bNoIndices = (Info & 0x300) == 0;
		const bool bOneComponent = ((Info >> 12) & 0xff) == 1;
		return bArray && bOneByteSizes && bFloat64 && bNoIndices && bOneComponent ? At : std::string::npos;
	}

	// The data slot of the animated channels' only sample.
	size_t FindAnimatedChannelsSlot(const std::string& Bytes)
	{
		const size_t Block = FindSampleBlock(Bytes, PodBytes(AnimatedChannels));
		return Block == std::string::npos ? Block : FindOnlyArraySampleSlot(Bytes, Block);
	}

	// The preparation and the survey each refuse the file in one line that names the transform and
	// hand back nothing, each in a child process: a read past a buffer that crashes, or that a sanitizer
	// reports, fails the test instead of ending the suite.
	void ExpectTransformRefused(const std::filesystem::path& Path, const std::string& ObjectPath)
	{
		const std::string Expected = Path.string() + ": " + ObjectPath + ": its transform is damaged";
		const auto RefusesInOneLine = [&](size_t Case)
		{
			std::string Error;
			bool bNothingKept = false;
			if (Case == 0)
			{
				GroomData Groom;
				GroomPrepare::FPrepareReport Report;
				const bool bOk = GroomPrepare::PrepareGroomRecord(Path.string(), GroomPrepare::FPrepareOptions(), Groom, Report);
				Error = bOk ? "prepared" : Report.Error;
				bNothingKept = Groom.positions.empty() && Report.Objects.empty() && !Report.bSucceeded;
			}
			else
			{
				GroomPrepare::FGroomSurvey Survey;
				const bool bOk = GroomPrepare::SurveyGroomFile(Path.string(), Survey);
				Error = bOk ? "surveyed" : Survey.Error;
				bNothingKept = Survey.Objects.empty();
			}
			if (Error != Expected || !bNothingKept)
			{
				std::fprintf(stderr, "%s: %s\n", Case == 0 ? "PrepareGroomRecord" : "SurveyGroomFile", Error.c_str());
			}
			return Error == Expected && bNothingKept;
		};
		std::vector<std::string> Endings;
		const std::vector<size_t> Failing = VelmoraTest::FailingCasesInChildren(2, RefusesInOneLine, &Endings);
		std::string Why;
		for (size_t I = 0; I < Failing.size(); ++I)
		{
			Why += std::string(Failing[I] == 0 ? " the preparation" : " the survey") + " (" + Endings[I] + ")";
		}
		EXPECT_TRUE(Failing.empty()) << "not refused as \"" << Expected << "\" by" << Why;
	}
}

TEST(PrepareDamagedTransforms, WholeXformsWithArrayValuesOrAnimatedChannelsAreRead)
{
	const std::filesystem::path Many = WriteManyChannelXform("many.abc");
	ASSERT_NE(FindValuesSlot(ReadBytes(Many)), std::string::npos);
	ASSERT_NE(FindValuesInfo(ReadBytes(Many)), std::string::npos);
	FPrepared Prepared = Prepare(Many);
	ASSERT_TRUE(Prepared.bOk) << Prepared.Report.Error;
	EXPECT_TRIPLE_NEAR(Prepared.Groom.positions, 0, 1.0, 2.0, 3.0, 0.0);
	EXPECT_TRIPLE_NEAR(Prepared.Groom.positions, 1, 1.0, 2.0, 4.0, 0.0);
	GroomPrepare::FGroomSurvey Survey;
	EXPECT_TRUE(GroomPrepare::SurveyGroomFile(Many.string(), Survey)) << Survey.Error;

	const std::filesystem::path Animated = WriteAnimatedXform("animated.abc");
	ASSERT_NE(FindAnimatedChannelsSlot(ReadBytes(Animated)), std::string::npos);
	GroomPrepare::FPrepareOptions Options;
	Options.Frame = 1;
	Prepared = Prepare(Animated, Options);
	ASSERT_TRUE(Prepared.bOk) << Prepared.Report.Error;
	EXPECT_TRIPLE_NEAR(Prepared.Groom.positions, 0, 1.0, 2.0, 3.0, 0.0);
	EXPECT_TRIPLE_NEAR(Prepared.Groom.positions, 1, 1.0, 2.0, 7.0, 0.0);
	EXPECT_TRUE(GroomPrepare::SurveyGroomFile(Animated.string(), Survey)) << Survey.Error;
}

TEST(PrepareDamagedTransforms, AnEmptySampleOfValuesIsRefusedInOneLine)
{
	const std::filesystem::path Path = WriteManyChannelXform("empty-values.abc");
	std::string Bytes = ReadBytes(Path);
	const size_t Slot = FindValuesSlot(Bytes);
	ASSERT_NE(Slot, std::string::npos);
	StoreU64(Bytes, Slot, OgawaDataBit);
	WriteBytes(Path, Bytes);
	ExpectTransformRefused(Path, "/rig");
}

TEST(PrepareDamagedTransforms, ArrayValuesOfThreeComponentsAreRefusedInOneLine)
{
	// The same bytes read as 86 values of three components: the library copies 86 doubles of them.
	const std::filesystem::path Path = WriteManyChannelXform("three-component-values.abc");
	std::string Bytes = ReadBytes(Path);
	const size_t Info = FindValuesInfo(Bytes);
	ASSERT_NE(Info, std::string::npos);
	uint32_t Word = 0;
	std::memcpy(&Word, Bytes.data() + Info, sizeof(Word));
	Word = (Word & ~0xff000u) | (3u << 12);
	std::memcpy(Bytes.data() + Info, &Word, sizeof(Word));
	WriteBytes(Path, Bytes);
	ExpectTransformRefused(Path, "/rig");
}

TEST(PrepareDamagedTransforms, FewerValuesThanTheStepsHaveChannelsAreRefusedInOneLine)
{
	// The values' block says it ends two values early (what follows it is left unread).
	const std::filesystem::path Path = WriteManyChannelXform("few-values.abc");
	std::string Bytes = ReadBytes(Path);
	const size_t Slot = FindValuesSlot(Bytes);
	ASSERT_NE(Slot, std::string::npos);
	const size_t Block = static_cast<size_t>(LoadU64(Bytes, Slot) & ~OgawaDataBit);
	StoreU64(Bytes, Block, LoadU64(Bytes, Block) - 2 * sizeof(double));
	WriteBytes(Path, Bytes);
	ExpectTransformRefused(Path, "/rig");
}

TEST(PrepareDamagedTransforms, AnimatedChannelsWhoseDimensionsUnderstateTheirDataAreRefusedInOneLine)
{
	const std::filesystem::path Path = WriteAnimatedXform("understated-channels.abc");
	std::string Bytes = ReadBytes(Path);
	const size_t Slot = FindAnimatedChannelsSlot(Bytes);
	ASSERT_NE(Slot, std::string::npos);
	StoreU64(Bytes, Slot + 8, AppendDimensions(Bytes, 1));
	WriteBytes(Path, Bytes);
	ExpectTransformRefused(Path, "/rig");
}

TEST(PrepareDamagedTransforms, AnimatedChannelsWhoseDimensionsOverstateTheirDataAreRefusedInOneLine)
{
	const std::filesystem::path Path = WriteAnimatedXform("overstated-channels.abc");
	std::string Bytes = ReadBytes(Path);
	const size_t Slot = FindAnimatedChannelsSlot(Bytes);
	ASSERT_NE(Slot, std::string::npos);
	StoreU64(Bytes, Slot + 8, AppendDimensions(Bytes, 1000));
	WriteBytes(Path, Bytes);
	ExpectTransformRefused(Path, "/rig");
}
