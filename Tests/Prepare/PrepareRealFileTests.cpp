#include "PrepareTestHelpers.h"

#include "velmoraFitBPLibrary.h"

using namespace PrepareTest;
using GroomPrepare::FPrepareOptions;

namespace
{
	// A file of ../shared/realworld, or nothing (the test then skips).
	std::optional<std::filesystem::path> RealFile(const std::string& Name)
	{
		const auto Dir = VelmoraTest::RealWorldDir();
		if (!Dir || !std::filesystem::exists(*Dir / Name))
		{
			return std::nullopt;
		}
		return *Dir / Name;
	}
}

#define VELMORA_REQUIRE_REAL_FILE(Var, Name)                                                      \
	const auto Var##Opt = RealFile(Name);                                                         \
	if (!Var##Opt)                                                                                \
	{                                                                                             \
		GTEST_SKIP() << Name << " not found in ../shared/realworld beside the checkout; skipped"; \
	}                                                                                             \
	const std::filesystem::path Var = *Var##Opt

TEST(PrepareRealFiles, BlenderGroomLandsAtItsWorldBoundsWithNormalsFromN)
{
	VELMORA_REQUIRE_REAL_FILE(Path, "unity_FHeadModel.abc");
	const FPrepared Prepared = Prepare(Path);
	ASSERT_TRUE(Prepared.bOk) << Prepared.Report.Error;
	EXPECT_EQ(Prepared.Report.Strands, 4053);
	EXPECT_EQ(Prepared.Report.Points, 36477);
	ASSERT_EQ(Prepared.Report.Objects.size(), 1u);
	EXPECT_EQ(Prepared.Report.Objects[0].Path, "/Head/Curves");
	EXPECT_EQ(Prepared.Report.Objects[0].Transforms, (std::vector<std::string>{"/Head"}));
	const double Min[3] = {-1.018, 2.192, -1.105};
	const double Max[3] = {1.003, 5.006, 1.392};
	for (int Axis = 0; Axis < 3; ++Axis)
	{
		EXPECT_NEAR(Prepared.Report.BoundsMin[Axis], Min[Axis], 1e-3) << Axis;
		EXPECT_NEAR(Prepared.Report.BoundsMax[Axis], Max[Axis], 1e-3) << Axis;
	}
	// Blender declares no scope for N (constant, to Alembic) but writes one per curve: the count decides.
	EXPECT_EQ(Prepared.Groom.surfaceNormals.size(), 3u * 4053u);
	EXPECT_TRUE(HasLine(Prepared.Report.DoneLines, "surface_normal from N of /Head/Curves (constant scope, per strand, 4053 values")) << Joined(Prepared.Report.DoneLines);
	EXPECT_TRUE(Prepared.Groom.groomColors.empty());
	EXPECT_TRUE(HasDrop(Prepared.Report, "/Head/Curves", GroomPrepare::EDropKind::UVs));
}

TEST(PrepareRealFiles, BlenderGroomStandsZUpInCentimetres)
{
	VELMORA_REQUIRE_REAL_FILE(Path, "unity_FHeadModel.abc");
	FPrepareOptions Options;
	Options.bYUp = true;
	Options.Scale = 100.0;
	const FPrepared Prepared = Prepare(Path, Options);
	ASSERT_TRUE(Prepared.bOk) << Prepared.Report.Error;
	// World (x, y, z) becomes (x, -z, y), in centimetres: the head stands on Z from 219 to 501.
	const double Min[3] = {-101.8, -139.2, 219.2};
	const double Max[3] = {100.3, 110.5, 500.6};
	for (int Axis = 0; Axis < 3; ++Axis)
	{
		EXPECT_NEAR(Prepared.Report.BoundsMin[Axis], Min[Axis], 0.1) << Axis;
		EXPECT_NEAR(Prepared.Report.BoundsMax[Axis], Max[Axis], 0.1) << Axis;
	}
	// Every normal is still of unit length after the turn.
	for (size_t I = 0; I < Prepared.Groom.surfaceNormals.size(); I += 3)
	{
		const double X = Prepared.Groom.surfaceNormals[I], Y = Prepared.Groom.surfaceNormals[I + 1], Z = Prepared.Groom.surfaceNormals[I + 2];
		ASSERT_NEAR(X * X + Y * Y + Z * Z, 1.0, 1e-5) << I / 3;
	}
}

TEST(PrepareRealFiles, CortexCurvesMergesItsThreeObjects)
{
	VELMORA_REQUIRE_REAL_FILE(Path, "cortex_curves.abc");
	const FPrepared Prepared = Prepare(Path);
	ASSERT_TRUE(Prepared.bOk) << Prepared.Report.Error;
	EXPECT_EQ(Prepared.Groom.vertexCounts, (std::vector<int32_t>{11, 4, 2}));
	EXPECT_EQ(Prepared.Report.Points, 17);
	ASSERT_EQ(Prepared.Report.Objects.size(), 3u);
	EXPECT_EQ(Prepared.Report.Objects[0].Path, "/nurbsCircle/object");
	EXPECT_TRUE(HasDrop(Prepared.Report, "/nurbsCircle/object", GroomPrepare::EDropKind::PeriodicKeptOpen));
	EXPECT_TRUE(HasDrop(Prepared.Report, "/curve/object", GroomPrepare::EDropKind::Velocities));
}

TEST(PrepareRealFiles, CortexWidthTestGivesOneColourPerPointFromCd)
{
	VELMORA_REQUIRE_REAL_FILE(Path, "cortex_widthTest.abc");
	const FPrepared Prepared = Prepare(Path);
	ASSERT_TRUE(Prepared.bOk) << Prepared.Report.Error;
	EXPECT_EQ(Prepared.Report.Strands, 2);
	EXPECT_EQ(Prepared.Report.Points, 8);
	// Cd is per point in both objects, so groom_color holds one colour per point: 8 triples.
	EXPECT_EQ(Prepared.Groom.groomColors.size(), 3u * 8u);
	EXPECT_EQ(Prepared.Groom.widths.size(), 8u);
	ASSERT_EQ(Prepared.Report.Attributes.size(), 4u);
	EXPECT_EQ(Prepared.Report.Attributes[0].Source, "Cd");
	EXPECT_EQ(Prepared.Report.Attributes[0].Scope, "vertex");
	EXPECT_TRUE(HasDrop(Prepared.Report, "/cubic/curve", GroomPrepare::EDropKind::ArbitraryParam));
	EXPECT_TRUE(HasDrop(Prepared.Report, "/cubic/curve", GroomPrepare::EDropKind::Knots));
}

TEST(PrepareRealFiles, RefusesAnHdf5ArchiveAndAFileWithoutCurves)
{
	VELMORA_REQUIRE_REAL_FILE(Hdf5, "alembic_prman_cube.abc");
	FPrepared Prepared = Prepare(Hdf5);
	EXPECT_FALSE(Prepared.bOk);
	EXPECT_EQ(Prepared.Report.Error, Hdf5.string() + ": an HDF5 Alembic archive; re-export it as Ogawa");
	VELMORA_REQUIRE_REAL_FILE(Scene, "blender_default.abc");
	Prepared = Prepare(Scene);
	EXPECT_FALSE(Prepared.bOk);
	EXPECT_EQ(Prepared.Report.Error, Scene.string() + ": no curves object in the file");
}

TEST(PrepareNode, PrepareGroomWritesAndReportsAsTheRecordSays)
{
	VELMORA_REQUIRE_REAL_FILE(Path, "cortex_widthTest.abc");
	const std::filesystem::path Target = VelmoraTest::MakeTempDir("prepare-node") / "prepared.abc";
	FvelmoraPrepareOptions Options;
	Options.ObjectPaths.Add(TEXT("/linear"));
	Options.Scale = 2.0;
	const FvelmoraPrepareReport Report = UvelmoraFitBPLibrary::PrepareGroom(FString(UTF8_TO_TCHAR(Path.string().c_str())),
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
	const FvelmoraPrepareReport Refused = UvelmoraFitBPLibrary::PrepareGroom(FString(UTF8_TO_TCHAR(Path.string().c_str())),
	                                                                         FString(UTF8_TO_TCHAR(Target.string().c_str())), Options);
	EXPECT_FALSE(Refused.bSucceeded);
	EXPECT_EQ(Refused.Strands, 0);
	EXPECT_EQ(Refused.Done.Num(), 0);
	EXPECT_NE(FString(Refused.Error).Find(TEXT("no object /nowhere in the file")), INDEX_NONE);
}

TEST(PrepareRealFiles, SurveyListsCortexCurvesAndTheBlenderWorldBounds)
{
	VELMORA_REQUIRE_REAL_FILE(Cortex, "cortex_curves.abc");
	GroomPrepare::FGroomSurvey Survey;
	ASSERT_TRUE(GroomPrepare::SurveyGroomFile(Cortex.string(), Survey)) << Survey.Error;
	std::vector<std::string> Curves;
	int64_t Points = 0;
	for (const GroomPrepare::FSurveyedObject& Object : Survey.Objects)
	{
		if (Object.Kind == "Curve")
		{
			Curves.push_back(Object.Path);
			Points += Object.Points;
		}
	}
	EXPECT_EQ(Curves, (std::vector<std::string>{"/nurbsCircle/object", "/curve/object", "/linearLine/object"}));
	EXPECT_EQ(Points, 17);
	EXPECT_EQ(Survey.FitReads, "/nurbsCircle/object");

	VELMORA_REQUIRE_REAL_FILE(Blender, "unity_FHeadModel.abc");
	ASSERT_TRUE(GroomPrepare::SurveyGroomFile(Blender.string(), Survey)) << Survey.Error;
	const auto Head = std::find_if(Survey.Objects.begin(), Survey.Objects.end(), [](const GroomPrepare::FSurveyedObject& Object)
	                               { return Object.Path == "/Head/Curves"; });
	ASSERT_NE(Head, Survey.Objects.end());
	EXPECT_EQ(Head->Samples, 250);
	const double Min[3] = {-1.018, 2.192, -1.105};
	const double Max[3] = {1.003, 5.006, 1.392};
	for (int Axis = 0; Axis < 3; ++Axis)
	{
		EXPECT_NEAR(Head->WorldBoundsMin[Axis], Min[Axis], 1e-3) << Axis;
		EXPECT_NEAR(Head->WorldBoundsMax[Axis], Max[Axis], 1e-3) << Axis;
	}
	EXPECT_EQ(std::count_if(Head->Attributes.begin(), Head->Attributes.end(), [](const GroomPrepare::FSurveyedAttribute& A)
	                        { return A.Role == "normals" && A.Count == 4053; }),
	          1);
}
