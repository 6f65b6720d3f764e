#include "CheckedGroomWrites.h"
#include "ChildCases.h"
#include "PrepareTestHelpers.h"

#include <cmath>
#include <fstream>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using namespace PrepareTest;
using GroomPrepare::EDropKind;
using GroomPrepare::FPrepareOptions;

namespace
{
	std::filesystem::path TempFile(const std::string& Name)
	{
		return VelmoraTest::MakeTempDir("prepare") / Name;
	}

	// Two strands under /a, one under /b/inner, a polymesh-free Xform with nothing below, all identity.
	std::filesystem::path WriteTwoObjects()
	{
		const std::filesystem::path Path = TempFile("two.abc");
		WriteAbc(Path, [](OObject Top, OArchive&)
		         {
			         OXform A = AddXform(Top, "a", XformSample());
			         AddCurves(A, "curves", Lines({{0, 0, 0, 0, 0, 1}, {1, 0, 0, 1, 0, 1, 1, 0, 2}}));
			         AddXform(Top, "empty", XformSample());
			         OXform B = AddXform(Top, "b", XformSample());
			         OXform Inner = AddXform(B, "inner", XformSample());
			         AddCurves(Inner, "curves", Lines({{5, 5, 5, 5, 5, 6}})); });
		return Path;
	}
}

TEST(PrepareObjects, MergesEveryCurvesObjectInPreOrder)
{
	const FPrepared Prepared = Prepare(WriteTwoObjects());
	ASSERT_TRUE(Prepared.bOk) << Prepared.Report.Error;
	EXPECT_EQ(Prepared.Groom.vertexCounts, (std::vector<int32_t>{2, 3, 2}));
	EXPECT_EQ(Prepared.Groom.positions, (std::vector<float>{0, 0, 0, 0, 0, 1, 1, 0, 0, 1, 0, 1, 1, 0, 2, 5, 5, 5, 5, 5, 6}));
	ASSERT_EQ(Prepared.Report.Objects.size(), 2u);
	EXPECT_EQ(Prepared.Report.Objects[0].Path, "/a/curves");
	EXPECT_EQ(Prepared.Report.Objects[1].Path, "/b/inner/curves");
	EXPECT_EQ(Prepared.Report.Objects[1].TransformCount, 2);
	EXPECT_EQ(Prepared.Report.Objects[1].Transforms, (std::vector<std::string>{"/b", "/b/inner"}));
	EXPECT_TRUE(Prepared.Report.Objects[1].bIdentityTransform);
	EXPECT_EQ(Prepared.Report.Strands, 3);
	EXPECT_EQ(Prepared.Report.Points, 7);
	EXPECT_TRUE(HasLine(Prepared.Report.DoneLines, "merged /b/inner/curves: 1 strand, 2 points")) << Joined(Prepared.Report.DoneLines);
	EXPECT_EQ(Prepared.Report.BoundsMin[2], 0.0);
	EXPECT_EQ(Prepared.Report.BoundsMax[0], 5.0);
}

TEST(PrepareObjects, ObjectPathsPickTheCurvesAtOrBelowThem)
{
	const std::filesystem::path Path = WriteTwoObjects();
	FPrepareOptions Options;
	Options.ObjectPaths = {"/b"};
	FPrepared Prepared = Prepare(Path, Options);
	ASSERT_TRUE(Prepared.bOk) << Prepared.Report.Error;
	EXPECT_EQ(Prepared.Groom.vertexCounts, (std::vector<int32_t>{2}));
	ASSERT_EQ(Prepared.Report.Objects.size(), 1u);
	EXPECT_EQ(Prepared.Report.Objects[0].Path, "/b/inner/curves");

	// A path names a whole object, not a prefix of its name; the file's order wins over the list's.
	Options.ObjectPaths = {"/b/inner/curves", "/a/curves"};
	Prepared = Prepare(Path, Options);
	ASSERT_TRUE(Prepared.bOk) << Prepared.Report.Error;
	EXPECT_EQ(Prepared.Groom.vertexCounts, (std::vector<int32_t>{2, 3, 2}));

	Options.ObjectPaths = {"/a/curv"};
	Prepared = Prepare(Path, Options);
	EXPECT_FALSE(Prepared.bOk);
	EXPECT_NE(Prepared.Report.Error.find("no object /a/curv in the file"), std::string::npos) << Prepared.Report.Error;
	EXPECT_TRUE(Prepared.Groom.positions.empty());

	Options.ObjectPaths = {"/empty"};
	Prepared = Prepare(Path, Options);
	EXPECT_FALSE(Prepared.bOk);
	EXPECT_NE(Prepared.Report.Error.find("the object /empty holds no curves object"), std::string::npos) << Prepared.Report.Error;
}

TEST(PrepareTransforms, AppliesTheWholeXformChainAndHonoursInherits)
{
	const std::filesystem::path Path = TempFile("chain.abc");
	WriteAbc(Path, [](OObject Top, OArchive&)
	         {
		         OXform Moved = AddXform(Top, "moved", Translate(10, 20, 30));
		         OXform Scaled = AddXform(Moved, "scaled", ScaleBy(2, 2, 2));
		         XformSample Turn;
		         Turn.setZRotation(90.0);
		         OXform Turned = AddXform(Scaled, "turned", Turn);
		         AddCurves(Turned, "curves", Lines({{1, 0, 0, 1, 0, 1}}));
		         XformSample Alone = ScaleBy(3, 3, 3);
		         Alone.setInheritsXforms(false);
		         OXform Own = AddXform(Moved, "own", Alone);
		         AddCurves(Own, "curves", Lines({{1, 1, 1}})); });
	const FPrepared Prepared = Prepare(Path);
	ASSERT_TRUE(Prepared.bOk) << Prepared.Report.Error;
	// (1, 0, 0) turned to (0, 1, 0), doubled, moved.
	EXPECT_TRIPLE_NEAR(Prepared.Groom.positions, 0, 10.0, 22.0, 30.0, 1e-5);
	EXPECT_TRIPLE_NEAR(Prepared.Groom.positions, 1, 10.0, 22.0, 32.0, 1e-5);
	// Under an Xform that does not inherit, the ones above it count for nothing.
	EXPECT_TRIPLE_NEAR(Prepared.Groom.positions, 2, 3.0, 3.0, 3.0, 1e-6);
	ASSERT_EQ(Prepared.Report.Objects.size(), 2u);
	EXPECT_EQ(Prepared.Report.Objects[0].Transforms, (std::vector<std::string>{"/moved", "/moved/scaled", "/moved/scaled/turned"}));
	EXPECT_EQ(Prepared.Report.Objects[1].Transforms, (std::vector<std::string>{"/moved/own"}));
	EXPECT_FALSE(Prepared.Report.Objects[1].bIdentityTransform);
	EXPECT_TRUE(HasLine(Prepared.Report.DoneLines, "applied to /moved/own/curves the world transform of /moved/own")) << Joined(Prepared.Report.DoneLines);
}

TEST(PrepareTransforms, ReadsEveryObjectAtTheFramesTime)
{
	const std::filesystem::path Path = TempFile("animated.abc");
	WriteAbc(Path, [](OObject Top, OArchive& Archive)
	         {
		         const uint32_t PerFrame = Archive.addTimeSampling(TimeSampling(1.0 / 24.0, 0.0));
		         OXform Moving(Top, "moving", PerFrame);
		         XformSample Start = Translate(0, 0, 0);
		         XformSample End = Translate(100, 0, 0);
		         Moving.getSchema().set(Start);
		         Moving.getSchema().set(End);
		         OCurves Curves = AddCurves(Moving, "curves", Lines({{0, 0, 0, 0, 0, 1}}), PerFrame);
		         SetCurves(Curves, Lines({{0, 0, 5, 0, 0, 6}}));
		         // A constant object holds at every frame.
		         AddCurves(Top, "still", Lines({{7, 7, 7}})); });
	FPrepareOptions Options;
	FPrepared Prepared = Prepare(Path, Options);
	ASSERT_TRUE(Prepared.bOk) << Prepared.Report.Error;
	EXPECT_TRIPLE_NEAR(Prepared.Groom.positions, 0, 0.0, 0.0, 0.0, 0.0);

	Options.Frame = 1;
	Prepared = Prepare(Path, Options);
	ASSERT_TRUE(Prepared.bOk) << Prepared.Report.Error;
	EXPECT_TRIPLE_NEAR(Prepared.Groom.positions, 0, 100.0, 0.0, 5.0, 0.0);
	EXPECT_TRIPLE_NEAR(Prepared.Groom.positions, 2, 7.0, 7.0, 7.0, 0.0);
	EXPECT_NEAR(Prepared.Report.Time, 1.0 / 24.0, 1e-12);
	EXPECT_EQ(Prepared.Report.Objects[0].Sample, 1);
	EXPECT_EQ(Prepared.Report.Objects[1].Sample, 0);

	Options.Frame = 2;
	Prepared = Prepare(Path, Options);
	EXPECT_FALSE(Prepared.bOk);
	EXPECT_NE(Prepared.Report.Error.find("frame 2 is out of range: /moving/curves has 2 samples (frames 0 to 1)"), std::string::npos) << Prepared.Report.Error;
	Options.Frame = -1;
	EXPECT_FALSE(Prepare(Path, Options).bOk);
}

TEST(PrepareTransforms, TurnsYUpIntoZUpThenScales)
{
	const std::filesystem::path Path = TempFile("yup.abc");
	WriteAbc(Path, [](OObject Top, OArchive&)
	         {
		         FCurvesRecipe Recipe = Lines({{1, 2, 3, 1, 3, 3}});
		         Recipe.Normals = {0, 1, 0};
		         Recipe.Widths = {0.5f, 0.25f};
		         AddCurves(AddXform(Top, "small", ScaleBy(0.1, 0.1, 0.1)), "curves", Recipe); });
	FPrepareOptions Options;
	Options.bYUp = true;
	Options.Scale = 100.0;
	const FPrepared Prepared = Prepare(Path, Options);
	ASSERT_TRUE(Prepared.bOk) << Prepared.Report.Error;
	EXPECT_TRIPLE_NEAR(Prepared.Groom.positions, 0, 10.0, -30.0, 20.0, 1e-4);
	EXPECT_TRIPLE_NEAR(Prepared.Groom.positions, 1, 10.0, -30.0, 30.0, 1e-4);
	// A normal along +Y points along +Z once the groom stands Z-up; widths follow both scales.
	EXPECT_TRIPLE_NEAR(Prepared.Groom.surfaceNormals, 0, 0.0, 0.0, 1.0, 1e-6);
	ASSERT_EQ(Prepared.Groom.widths.size(), 2u);
	EXPECT_NEAR(Prepared.Groom.widths[0], 5.0, 1e-5);
	EXPECT_NEAR(Prepared.Groom.widths[1], 2.5, 1e-5);
	EXPECT_TRUE(HasLine(Prepared.Report.DoneLines, "widths from width of /small/curves (vertex scope, per point, 2 values, times 10 with the transform and scale)"))
	    << Joined(Prepared.Report.DoneLines);
	EXPECT_TRUE(HasLine(Prepared.Report.DoneLines, "turned Y-up into Z-up")) << Joined(Prepared.Report.DoneLines);
	EXPECT_TRUE(HasLine(Prepared.Report.DoneLines, "scaled by 100")) << Joined(Prepared.Report.DoneLines);

	Options.Scale = 0.0;
	EXPECT_FALSE(Prepare(Path, Options).bOk);
	Options.Scale = 1e40;
	const FPrepared Overflow = Prepare(Path, Options);
	EXPECT_FALSE(Overflow.bOk);
	EXPECT_NE(Overflow.Report.Error.find("/small/curves: a point is not finite after the transform and scale"), std::string::npos) << Overflow.Report.Error;
}

TEST(PrepareAttributes, ColoursFromCdPerPointPerStrandOrConstant)
{
	const std::filesystem::path Path = TempFile("colours.abc");
	WriteAbc(Path, [](OObject Top, OArchive&)
	         {
		         FCurvesRecipe PerPoint = Lines({{0, 0, 0, 0, 0, 1}});
		         PerPoint.ColourName = "Cd";
		         PerPoint.Colours = {1, 0, 0, 0, 1, 0};
		         PerPoint.ColourScope = kVertexScope;
		         AddCurves(Top, "perPoint", PerPoint);
		         FCurvesRecipe PerStrand = Lines({{1, 0, 0, 1, 0, 1, 1, 0, 2}, {2, 0, 0}});
		         PerStrand.ColourName = "color";
		         PerStrand.Colours = {0, 0, 1, 1, 1, 0};
		         AddCurves(Top, "perStrand", PerStrand);
		         FCurvesRecipe Constant = Lines({{3, 0, 0, 3, 0, 1}, {4, 0, 0}});
		         Constant.ColourName = "Cs";
		         Constant.Colours = {0.5f, 0.5f, 0.5f};
		         Constant.ColourScope = kConstantScope;
		         AddCurves(Top, "constant", Constant); });
	const FPrepared Prepared = Prepare(Path);
	ASSERT_TRUE(Prepared.bOk) << Prepared.Report.Error;
	// One object per point makes the whole groom's colours per point.
	EXPECT_EQ(Prepared.Groom.groomColors,
	          (std::vector<float>{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 1, 1, 0, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f}));
	EXPECT_EQ(Prepared.Report.Colours, 9);
	ASSERT_EQ(Prepared.Report.Attributes.size(), 3u);
	EXPECT_EQ(Prepared.Report.Attributes[1].Source, "color");
	EXPECT_EQ(Prepared.Report.Attributes[1].Scope, "uniform");
	EXPECT_EQ(Prepared.Report.Attributes[1].Layout, "per point");
	EXPECT_TRUE(HasLine(Prepared.Report.DoneLines, "groom_color from Cs of /constant (constant scope, one for the object, written per point, 3 values)")) << Joined(Prepared.Report.DoneLines);

	// Without a per-point object, each point still gets its strand's colour: the engine's groom import
	// shows colours only so.
	FPrepareOptions Options;
	Options.ObjectPaths = {"/perStrand", "/constant"};
	const FPrepared PerStrand = Prepare(Path, Options);
	ASSERT_TRUE(PerStrand.bOk) << PerStrand.Report.Error;
	EXPECT_EQ(PerStrand.Groom.groomColors, (std::vector<float>{0, 0, 1, 0, 0, 1, 0, 0, 1, 1, 1, 0, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f}));
}

TEST(PrepareAttributes, ThePluginsOwnNamesComeFirst)
{
	const std::filesystem::path Path = TempFile("own.abc");
	WriteAbc(Path, [](OObject Top, OArchive&)
	         {
		         FCurvesRecipe Recipe = Lines({{0, 0, 0, 0, 0, 1}});
		         Recipe.ColourName = "Cd";
		         Recipe.Colours = {1, 0, 0};
		         Recipe.Normals = {1, 0, 0};
		         OCurves Curves(Top, "curves");
		         OCompoundProperty Params = Curves.getSchema().getArbGeomParams();
		         AddParams(Curves, Recipe);
		         OV3fArrayProperty Colour(Params, "groom_color", MetaData());
		         const std::vector<V3f> Green = {V3f(0, 1, 0)};
		         Colour.set(V3fArraySample(Green));
		         MetaData Vector;
		         Vector.set("interpretation", "vector");
		         OV3fArrayProperty Normal(Params, "surface_normal", Vector);
		         const std::vector<V3f> Up = {V3f(0, 0, 2)};
		         Normal.set(V3fArraySample(Up));
		         SetCurves(Curves, Recipe); });
	const FPrepared Prepared = Prepare(Path);
	ASSERT_TRUE(Prepared.bOk) << Prepared.Report.Error;
	EXPECT_EQ(Prepared.Groom.groomColors, (std::vector<float>{0, 1, 0, 0, 1, 0}));
	EXPECT_EQ(Prepared.Groom.surfaceNormals, (std::vector<float>{0, 0, 1}));
	EXPECT_TRUE(HasDrop(Prepared.Report, "/curves", EDropKind::ArbitraryParam));
	EXPECT_TRUE(HasLine(Prepared.Report.DroppedLines, "/curves: arbitrary param Cd ignored (float32_t x3 (rgb), uniform scope)")) << Joined(Prepared.Report.DroppedLines);
	EXPECT_TRUE(HasLine(Prepared.Report.DroppedLines, "/curves: normals N dropped (surface_normal used)")) << Joined(Prepared.Report.DroppedLines);
}

TEST(PrepareAttributes, NormalsFromNTurnedByTheInverseTranspose)
{
	const std::filesystem::path Path = TempFile("normals.abc");
	WriteAbc(Path, [](OObject Top, OArchive&)
	         {
		         FCurvesRecipe PerCurve = Lines({{0, 0, 0, 0, 0, 1}, {1, 0, 0, 1, 0, 1}});
		         PerCurve.Normals = {1, 1, 0, 0, 0, 1};
		         AddCurves(AddXform(Top, "stretched", ScaleBy(2, 1, 1)), "curves", PerCurve);
		         FCurvesRecipe PerPoint = Lines({{0, 0, 0, 0, 0, 1, 0, 0, 2}, {1, 1, 1, 1, 1, 2}});
		         PerPoint.Normals = {0, 1, 0, 9, 9, 9, 9, 9, 9, -1, 0, 0, 9, 9, 9};
		         PerPoint.NormalScope = kVertexScope;
		         XformSample Mirror = ScaleBy(-1, 1, 1);
		         AddCurves(AddXform(Top, "mirrored", Mirror), "curves", PerPoint); });
	const FPrepared Prepared = Prepare(Path);
	ASSERT_TRUE(Prepared.bOk) << Prepared.Report.Error;
	ASSERT_EQ(Prepared.Groom.surfaceNormals.size(), 12u);
	// (1, 1, 0) under a stretch of 2 along X leans towards Y: (0.5, 1, 0) made unit.
	const double Length = std::sqrt(1.25);
	EXPECT_TRIPLE_NEAR(Prepared.Groom.surfaceNormals, 0, 0.5 / Length, 1.0 / Length, 0.0, 1e-6);
	EXPECT_TRIPLE_NEAR(Prepared.Groom.surfaceNormals, 1, 0.0, 0.0, 1.0, 1e-6);
	// Per point: each strand's root normal; a mirror turns the normal with the surface it belongs to.
	EXPECT_TRIPLE_NEAR(Prepared.Groom.surfaceNormals, 2, 0.0, 1.0, 0.0, 1e-6);
	EXPECT_TRIPLE_NEAR(Prepared.Groom.surfaceNormals, 3, 1.0, 0.0, 0.0, 1e-6);
	EXPECT_EQ(Prepared.Report.Normals, 4);
	EXPECT_TRUE(HasLine(Prepared.Report.DoneLines, "surface_normal from N of /mirrored/curves (vertex scope, per point, written per strand, 2 values, turned with the transform)")) << Joined(Prepared.Report.DoneLines);
}

TEST(PrepareAttributes, AnAttributeSomeObjectsLackIsDroppedWithALine)
{
	const std::filesystem::path Path = TempFile("partial.abc");
	WriteAbc(Path, [](OObject Top, OArchive&)
	         {
		         FCurvesRecipe With = Lines({{0, 0, 0, 0, 0, 1}});
		         With.ColourName = "Cd";
		         With.Colours = {1, 0, 0};
		         With.Normals = {0, 0, 1};
		         With.Widths = {0.1f};
		         With.WidthScope = kConstantScope;
		         AddCurves(Top, "with", With);
		         AddCurves(Top, "without", Lines({{1, 0, 0, 1, 0, 1}})); });
	const FPrepared Prepared = Prepare(Path);
	ASSERT_TRUE(Prepared.bOk) << Prepared.Report.Error;
	EXPECT_TRUE(Prepared.Groom.groomColors.empty());
	EXPECT_TRUE(Prepared.Groom.surfaceNormals.empty());
	EXPECT_TRUE(Prepared.Groom.widths.empty());
	EXPECT_TRUE(HasLine(Prepared.Report.DroppedLines, "/with: colours Cd dropped: /without has none")) << Joined(Prepared.Report.DroppedLines);
	EXPECT_TRUE(HasLine(Prepared.Report.DroppedLines, "/with: normals N dropped: /without has none")) << Joined(Prepared.Report.DroppedLines);

	// Alone, each point gets the constant width and the strand's colour.
	FPrepareOptions Options;
	Options.ObjectPaths = {"/with"};
	const FPrepared Alone = Prepare(Path, Options);
	ASSERT_TRUE(Alone.bOk) << Alone.Report.Error;
	EXPECT_EQ(Alone.Groom.widths, (std::vector<float>{0.1f, 0.1f}));
	EXPECT_EQ(Alone.Groom.groomColors, (std::vector<float>{1, 0, 0, 1, 0, 0}));
}

TEST(PrepareAttributes, SaysWhatTheGroomCannotHold)
{
	const std::filesystem::path Path = TempFile("cannot.abc");
	WriteAbc(Path, [](OObject Top, OArchive&)
	         {
		         FCurvesRecipe Loop = Lines({{0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}});
		         Loop.Type = kCubic;
		         Loop.Basis = kBsplineBasis;
		         Loop.Wrap = kPeriodic;
		         Loop.Orders = {4};
		         Loop.Knots = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
		         Loop.ExtraFloatName = "ramp";
		         AddCurves(Top, "loop", Loop);
		         AddCurves(Top, "open", Lines({{0, 0, 0, 0, 0, 1}})); });
	const FPrepared Prepared = Prepare(Path);
	ASSERT_TRUE(Prepared.bOk) << Prepared.Report.Error;
	// The periodic curve keeps its four points, as an open strand.
	EXPECT_EQ(Prepared.Groom.vertexCounts, (std::vector<int32_t>{4, 2}));
	EXPECT_EQ(Prepared.Report.Objects[0].Wrap, "periodic");
	EXPECT_EQ(Prepared.Report.Objects[0].Basis, "b-spline");
	EXPECT_TRUE(HasDrop(Prepared.Report, "/loop", EDropKind::PeriodicKeptOpen));
	EXPECT_TRUE(HasDrop(Prepared.Report, "/loop", EDropKind::Knots));
	EXPECT_TRUE(HasDrop(Prepared.Report, "/loop", EDropKind::Orders));
	EXPECT_TRUE(HasDrop(Prepared.Report, "/loop", EDropKind::CurveBasis));
	EXPECT_TRUE(HasDrop(Prepared.Report, "/loop", EDropKind::ArbitraryParam));
	EXPECT_FALSE(HasDrop(Prepared.Report, "/open", EDropKind::PeriodicKeptOpen));
	EXPECT_FALSE(HasDrop(Prepared.Report, "/open", EDropKind::Knots));
	EXPECT_TRUE(HasLine(Prepared.Report.DroppedLines, "/loop: periodic curves kept as open ones")) << Joined(Prepared.Report.DroppedLines);
	EXPECT_TRUE(HasLine(Prepared.Report.DroppedLines, "/loop: knots dropped (11 values)")) << Joined(Prepared.Report.DroppedLines);
	EXPECT_TRUE(HasLine(Prepared.Report.DroppedLines, "/loop: arbitrary param ramp ignored (float32_t x1, vertex scope)")) << Joined(Prepared.Report.DroppedLines);
	EXPECT_EQ(Prepared.Report.Dropped.size(), Prepared.Report.DroppedLines.size());
}

TEST(PrepareRefusals, RefusesWhatItCannotMakeSoundInOneLine)
{
	const std::filesystem::path NoCurves = TempFile("nocurves.abc");
	WriteAbc(NoCurves, [](OObject Top, OArchive&)
	         { AddXform(Top, "only", XformSample()); });
	FPrepared Prepared = Prepare(NoCurves);
	EXPECT_FALSE(Prepared.bOk);
	EXPECT_EQ(Prepared.Report.Error, NoCurves.string() + ": no curves object in the file");

	const std::filesystem::path Hdf5 = TempFile("old.abc");
	{
		std::ofstream Out(Hdf5, std::ios::binary);
		const char Magic[] = "\x89HDF\r\n\x1a\n";
		Out.write(Magic, 8);
		Out << std::string(600, '\0');
	}
	Prepared = Prepare(Hdf5);
	EXPECT_FALSE(Prepared.bOk);
	EXPECT_EQ(Prepared.Report.Error, Hdf5.string() + ": an HDF5 Alembic archive; re-export it as Ogawa");

	const std::filesystem::path Text = TempFile("text.abc");
	std::ofstream(Text) << "not an archive at all, just some text that is long enough";
	Prepared = Prepare(Text);
	EXPECT_FALSE(Prepared.bOk);
	EXPECT_NE(Prepared.Report.Error.find(Text.string() + ": "), std::string::npos);

	Prepared = Prepare(TempFile("missing.abc"));
	EXPECT_FALSE(Prepared.bOk);
	EXPECT_NE(Prepared.Report.Error.find("cannot open it (No such file or directory)"), std::string::npos) << Prepared.Report.Error;

	const std::filesystem::path Uneven = TempFile("uneven.abc");
	WriteAbc(Uneven, [](OObject Top, OArchive&)
	         {
		         OCurves Curves(Top, "curves");
		         const std::vector<V3f> Points = {V3f(0, 0, 0), V3f(0, 0, 1), V3f(0, 0, 2)};
		         const std::vector<int32_t> Counts = {2, 2};
		         Curves.getSchema().set(OCurvesSchema::Sample(P3fArraySample(Points), Int32ArraySample(Counts), kLinear)); });
	Prepared = Prepare(Uneven);
	EXPECT_FALSE(Prepared.bOk);
	EXPECT_EQ(Prepared.Report.Error, Uneven.string() + ": /curves: its strand counts add up to 4 points but it holds 3");
	for (const FPrepared* Failed : {&Prepared})
	{
		EXPECT_FALSE(Failed->Report.bSucceeded);
		EXPECT_EQ(Failed->Report.Error.find('\n'), std::string::npos);
		EXPECT_TRUE(Failed->Report.Objects.empty());
		EXPECT_TRUE(Failed->Report.DoneLines.empty());
	}
}

TEST(PrepareFiles, WritesAGroomThePluginsReaderReadsBack)
{
	const std::filesystem::path Source = TempFile("source.abc");
	WriteAbc(Source, [](OObject Top, OArchive&)
	         {
		         FCurvesRecipe Recipe = Lines({{0, 0, 0, 0, 0, 1, 0, 0, 2}, {1, 0, 0, 1, 0, 1}});
		         Recipe.ColourName = "Cd";
		         Recipe.Colours = {1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 0, 0, 1, 1};
		         Recipe.ColourScope = kVertexScope;
		         Recipe.Normals = {0, 0, 1, 1, 0, 0};
		         Recipe.Widths = {1, 2};
		         Recipe.WidthScope = kUniformScope;
		         AddCurves(AddXform(Top, "up", Translate(0, 0, 10)), "curves", Recipe); });
	const std::filesystem::path Target = Source.parent_path() / "prepared.abc";
	GroomPrepare::FPrepareReport Report;
	ASSERT_TRUE(CheckedGroom::PrepareGroomFile(Source.string(), Target.string(), FPrepareOptions(), Report)) << Report.Error;
	EXPECT_TRUE(Report.bSucceeded);
	GroomData Expected;
	GroomPrepare::FPrepareReport Again;
	ASSERT_TRUE(GroomPrepare::PrepareGroomRecord(Source.string(), FPrepareOptions(), Expected, Again));
	bool bReadFailed = false;
	const GroomData Read = ReadGroom(Target.string(), bReadFailed);
	ASSERT_FALSE(bReadFailed);
	EXPECT_EQ(Read.positions, Expected.positions);
	EXPECT_EQ(Read.vertexCounts, Expected.vertexCounts);
	EXPECT_EQ(Read.groomColors, Expected.groomColors);
	EXPECT_EQ(Read.surfaceNormals, Expected.surfaceNormals);
	EXPECT_EQ(Read.widths, Expected.widths);
	EXPECT_EQ(Read.groomColors.size(), 15u);
	EXPECT_EQ(Read.positions[2], 10.0f);
	for (const auto& Entry : std::filesystem::directory_iterator(Target.parent_path()))
	{
		EXPECT_TRUE(Entry.path() == Target || Entry.path().filename().string().find("prepared.abc") == std::string::npos) << "left beside it: " << Entry.path();
	}
	EXPECT_TRUE(HasLine(Report.DoneLines, "wrote " + Target.string())) << Joined(Report.DoneLines);

	// A target that cannot be written is one line, and an earlier file there stays as it was.
	const std::filesystem::path Blocked = Source.parent_path() / "missing-folder" / "out.abc";
	EXPECT_FALSE(CheckedGroom::PrepareGroomFile(Source.string(), Blocked.string(), FPrepareOptions(), Report));
	EXPECT_FALSE(Report.bSucceeded);
	EXPECT_NE(Report.Error.find("Could not open file: " + Blocked.string()), std::string::npos) << Report.Error;
	const auto Before = std::filesystem::file_size(Target);
	EXPECT_FALSE(CheckedGroom::PrepareGroomFile(TempFile("missing.abc").string(), Target.string(), FPrepareOptions(), Report));
	EXPECT_EQ(std::filesystem::file_size(Target), Before);
}

TEST(PrepareSurvey, ListsEveryObjectWithItsAttributesTransformsAndWorldBounds)
{
	const std::filesystem::path Path = TempFile("survey.abc");
	WriteAbc(Path, [](OObject Top, OArchive&)
	         {
		         FCurvesRecipe First = Lines({{0, 0, 0, 0, 0, 1}, {1, 0, 0, 1, 0, 2}});
		         First.Normals = {0, 0, 1, 0, 0, 1};
		         First.ColourName = "Cd";
		         First.Colours = {1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 1};
		         First.ColourScope = kVertexScope;
		         First.ExtraFloatName = "ramp";
		         AddCurves(AddXform(Top, "moved", Translate(0, 0, 10)), "first", First);
		         AddCurves(Top, "second", Lines({{5, 5, 5}})); });
	GroomPrepare::FGroomSurvey Survey;
	ASSERT_TRUE(GroomPrepare::SurveyGroomFile(Path.string(), Survey)) << Survey.Error;
	EXPECT_EQ(Survey.FitReads, "/moved/first");
	ASSERT_EQ(Survey.Objects.size(), 3u);
	EXPECT_EQ(Survey.Objects[0].Path, "/moved");
	EXPECT_EQ(Survey.Objects[0].Kind, "Xform");
	EXPECT_EQ(Survey.Objects[0].Samples, 1);
	const GroomPrepare::FSurveyedObject& Curves = Survey.Objects[1];
	EXPECT_EQ(Curves.Kind, "Curve");
	EXPECT_EQ(Curves.Strands, 2);
	EXPECT_EQ(Curves.Points, 4);
	EXPECT_EQ(Curves.CurveType, "linear");
	EXPECT_EQ(Curves.Transforms, (std::vector<std::string>{"/moved"}));
	ASSERT_TRUE(Curves.bHasWorldBounds);
	EXPECT_EQ(Curves.WorldBoundsMin[2], 10.0);
	EXPECT_EQ(Curves.WorldBoundsMax[2], 12.0);
	std::vector<std::string> Attributes;
	for (const GroomPrepare::FSurveyedAttribute& Attribute : Curves.Attributes)
	{
		Attributes.push_back(Attribute.Role + " " + Attribute.Name + ": " + Attribute.Type + " x" + std::to_string(Attribute.Extent) + " " + Attribute.Interpretation + ", " +
		                     Attribute.Scope + ", " + std::to_string(Attribute.Count));
	}
	EXPECT_EQ(Attributes, (std::vector<std::string>{"normals N: float32_t x3 normal, uniform, 2", "arbitrary Cd: float32_t x3 rgb, vertex, 4",
	                                                "arbitrary ramp: float32_t x1 , vertex, 2"}));
	EXPECT_EQ(Survey.Objects[2].Path, "/second");
	EXPECT_TRUE(Survey.Objects[2].Transforms.empty());

	const std::filesystem::path Hdf5 = TempFile("survey-old.abc");
	std::ofstream(Hdf5, std::ios::binary) << std::string("\x89HDF\r\n\x1a\n", 8) << std::string(100, '\0');
	EXPECT_FALSE(GroomPrepare::SurveyGroomFile(Hdf5.string(), Survey));
	EXPECT_EQ(Survey.Error, Hdf5.string() + ": an HDF5 Alembic archive; re-export it as Ogawa");
	EXPECT_TRUE(Survey.Objects.empty());
}

TEST(PrepareSurvey, NamesTheNearestTransformsThatFitInAKilobyteAndKnowsEachParent)
{
	// Forty transforms "/t00/t01/.../t39", the path at level L 4L bytes long, and a curves object in the last.
	const std::filesystem::path Path = TempFile("survey-deep.abc");
	WriteAbc(Path, [](OObject Top, OArchive&)
	         {
		         OObject Parent = Top;
		         for (int Level = 0; Level < 40; ++Level)
		         {
			         Parent = AddXform(Parent, (Level < 10 ? "t0" : "t") + std::to_string(Level), Translate(0, 0, 1));
		         }
		         AddCurves(Parent, "hair", Lines({{0, 0, 0, 0, 0, 1}})); });
	GroomPrepare::FGroomSurvey Survey;
	ASSERT_TRUE(GroomPrepare::SurveyGroomFile(Path.string(), Survey)) << Survey.Error;
	ASSERT_EQ(Survey.Objects.size(), 41u);
	EXPECT_EQ(Survey.FitReadsIndex, 40);
	const GroomPrepare::FSurveyedObject& Curves = Survey.Objects[40];
	EXPECT_EQ(Curves.TransformCount, 40);
	// 160 + 156 + 152 + 148 + 144 + 140 bytes fit in 1024; the next, 136, does not.
	ASSERT_EQ(Curves.Transforms.size(), 6u);
	EXPECT_EQ(Curves.Transforms.front(), Survey.Objects[34].Path);
	EXPECT_EQ(Curves.Transforms.back(), Survey.Objects[39].Path);
	for (size_t Index = 0; Index < Survey.Objects.size(); ++Index)
	{
		EXPECT_EQ(Survey.Objects[Index].Parent, static_cast<int32_t>(Index) - 1) << Survey.Objects[Index].Path;
	}
}

TEST(PrepareAttributes, ACountThatFitsNeitherStrandsNorPointsIsDroppedOnce)
{
	const std::filesystem::path Path = TempFile("odd.abc");
	WriteAbc(Path, [](OObject Top, OArchive&)
	         {
		         FCurvesRecipe Recipe = Lines({{0, 0, 0, 0, 0, 1, 0, 0, 2}, {1, 0, 0, 1, 0, 1}});
		         Recipe.ColourName = "Cd";
		         Recipe.Colours = {1, 0, 0, 0, 1, 0, 0, 0, 1};
		         Recipe.ColourScope = kVaryingScope;
		         Recipe.Normals = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
		         Recipe.NormalScope = kVaryingScope;
		         AddCurves(Top, "curves", Recipe); });
	const FPrepared Prepared = Prepare(Path);
	ASSERT_TRUE(Prepared.bOk) << Prepared.Report.Error;
	EXPECT_TRUE(Prepared.Groom.groomColors.empty());
	EXPECT_TRUE(Prepared.Groom.surfaceNormals.empty());
	EXPECT_EQ(Prepared.Report.DroppedLines,
	          (std::vector<std::string>{"/curves: colours Cd dropped: 3 values (varying scope) for 2 strands of 5 points",
	                                    "/curves: normals N dropped: 4 values (varying scope) for 2 strands of 5 points",
	                                    "/curves: linear no basis curves keep their points; the groom records no curve type (its writer marks every groom cubic)"}))
	    << Joined(Prepared.Report.DroppedLines);
}

// Alembic 1.8.6 itself cannot read every damaged file without crashing (a property whose sample slot
// names no data block crashes its getDimensions; an Xform's ops or a curve type of another size make it
// read past what it holds). So the file here holds what the reader reads, under a transform, and neither
// the preparation nor the reader may crash on any copy with one byte damaged; the preparation answers
// whole or refuses in one line.
TEST(PrepareRefusals, DamagedFilesCrashNeitherThePreparationNorTheReader)
{
	const std::filesystem::path Whole = TempFile("whole.abc");
	WriteAbc(Whole, [](OObject Top, OArchive&)
	         {
		         FCurvesRecipe Recipe = Lines({{0, 0, 0, 0, 0, 1, 0, 0, 2}, {1, 0, 0, 1, 0, 1}});
		         Recipe.Widths = {1};
		         Recipe.WidthScope = kConstantScope;
		         XformSample Turn = Translate(1, 2, 3);
		         Turn.setZRotation(30.0);
		         AddCurves(AddXform(Top, "moved", Turn), "curves", Recipe); });
	std::ifstream In(Whole, std::ios::binary);
	const std::string Bytes((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
	const std::filesystem::path Damaged = TempFile("damaged.abc");
	std::ofstream(Damaged, std::ios::binary) << Bytes;
	// Every byte in turn set to 0xff (and the file cut short there every seventh time), then to 0x00.
	const auto PreparesWholeOrRefuses = [&](size_t Case)
	{
		static bool bSilenced = false;
		if (!bSilenced)
		{
			testing::internal::CaptureStderr();
			bSilenced = true;
		}
		const size_t At = Case / 2;
		std::string Copy = Bytes;
		Copy[At] = static_cast<char>(Case % 2 == 0 ? 0xff : 0x00);
		if (Case % 2 == 0 && At % 7 == 0)
		{
			Copy.resize(At);
		}
		// A file cut short gets a name of its own; the others are written over one of the
		// same size, never truncated (a file system may flush a file truncated and written
		// again, which for thousands of copies takes seconds).
		const std::filesystem::path Target = Copy.size() == Bytes.size() ? Damaged : TempFile("cut-" + std::to_string(At) + ".abc");
		std::fstream(Target, std::ios::binary | std::ios::in | std::ios::out | (Target == Damaged ? std::ios::openmode() : std::ios::trunc)) << Copy;
		GroomData Groom;
		GroomPrepare::FPrepareReport Report;
		const bool bOk = GroomPrepare::PrepareGroomRecord(Target.string(), FPrepareOptions(), Groom, Report);
		GroomPrepare::FGroomSurvey Survey;
		GroomPrepare::SurveyGroomFile(Target.string(), Survey);
		bool bFailed = false;
		ReadGroom(Target.string(), bFailed);
		return bOk ? Groom.positions.size() == 3u * static_cast<size_t>(Report.Points)
		           : Groom.positions.empty() && Report.Error.find('\n') == std::string::npos;
	};
	std::vector<std::string> Endings;
	const std::vector<size_t> Failing = VelmoraTest::FailingCasesInChildren(2 * Bytes.size(), PreparesWholeOrRefuses, &Endings);
	std::string Where;
	for (size_t I = 0; I < Failing.size(); ++I)
	{
		Where += " " + std::to_string(Failing[I] / 2) + (Failing[I] % 2 ? ":00" : ":ff") + " (" + Endings[I] + ")";
	}
	EXPECT_TRUE(Failing.empty()) << Failing.size() << " damaged copies crash or are answered in part, at byte:value" << Where;
}
