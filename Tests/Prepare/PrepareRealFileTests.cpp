// The node on a given file: the Houdini groom's linear curve, picked, scaled and written. The figures of
// the given files are pinned through the command that calls this node (Tests/Cli/PrepareCommandTests.cpp).
#include "CheckedGroomWrites.h"
#include "PrepareTestHelpers.h"

#include "velmoraFitBPLibrary.h"

using namespace PrepareTest;

TEST(PrepareNode, PrepareGroomWritesAndReportsAsTheRecordSays)
{
	VELMORA_REQUIRE_REAL_FILE(Path, "cortex_widthTest.abc");
	const std::filesystem::path Target = VelmoraTest::MakeTempDir("prepare-node") / "prepared.abc";
	FvelmoraPrepareOptions Options;
	Options.ObjectPaths.Add(TEXT("/linear"));
	Options.Scale = 2.0;
	const FvelmoraPrepareReport Report = CheckedGroom::PrepareGroom(FString(UTF8_TO_TCHAR(Path.string().c_str())),
	                                                                FString(UTF8_TO_TCHAR(Target.string().c_str())), Options);
	EXPECT_TRUE(Report.bSucceeded) << TCHAR_TO_UTF8(*Report.Error);
	EXPECT_EQ(Report.Strands, 1);
	EXPECT_EQ(Report.Points, 4);
	EXPECT_EQ(Report.Colours, 4);
	ASSERT_EQ(Report.ObjectsMerged.Num(), 1);
	EXPECT_EQ(Report.ObjectsMerged[0], FString(TEXT("/linear/curve")));
	EXPECT_GT(Report.Done.Num(), 0);
	EXPECT_GT(Report.Dropped.Num(), 0);
	bool bReadFailed = false;
	const GroomData Read = ReadGroom(Target.string(), bReadFailed);
	ASSERT_FALSE(bReadFailed);
	EXPECT_EQ(Read.vertexCounts, (std::vector<int32_t>{4}));
	EXPECT_EQ(Read.groomColors.size(), 12u);
	float MaxX = Read.positions[0];
	for (size_t I = 0; I < Read.positions.size(); I += 3)
	{
		MaxX = std::max(MaxX, Read.positions[I]);
	}
	EXPECT_EQ(Report.BoundsMax.X, static_cast<double>(MaxX));

	Options.ObjectPaths = {TEXT("/nowhere")};
	const FvelmoraPrepareReport Refused = CheckedGroom::PrepareGroom(FString(UTF8_TO_TCHAR(Path.string().c_str())),
	                                                                 FString(UTF8_TO_TCHAR(Target.string().c_str())), Options);
	EXPECT_FALSE(Refused.bSucceeded);
	EXPECT_EQ(Refused.Strands, 0);
	EXPECT_EQ(Refused.Done.Num(), 0);
	EXPECT_NE(FString(Refused.Error).Find(TEXT("no object /nowhere in the file")), INDEX_NONE);
}
