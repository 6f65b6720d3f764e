#include "CliTestUtils.h"
#include "DemoScene.h"

#include <algorithm>

using namespace CliTest;

TEST(DemoCommand, WritesTheHeadBothGroomsAndThePicture)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("demo");
	const FRun Run = RunVelmora("demo --strands 2000 -o out", Dir);
	ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
	EXPECT_EQ(ListDir(Dir / "out"), (std::vector<std::string>{"demo.png", "fitted.abc", "head.obj", "plain.abc", "source.abc"}));
	EXPECT_NE(Run.Stdout.find("mode     surface normal projection"), std::string::npos) << Run.Stdout;
	EXPECT_NE(Run.Stdout.find("velmora fit out/source.abc out/head.obj out/fitted.abc"), std::string::npos);

	const std::string Png = ReadText(Dir / "out" / "demo.png");
	ASSERT_GT(Png.size(), 1000u);
	EXPECT_EQ(Png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));

	// Each fitted root is on the head or, for a stray the fit could not reach, where it was exported.
	const GroomData Source = ReadGroomQuietly(Dir / "out" / "source.abc");
	const GroomData Fitted = ReadGroomQuietly(Dir / "out" / "fitted.abc");
	Host::FMeshData Head;
	std::string Error;
	ASSERT_TRUE(VelmoraCli::LoadMeshFile((Dir / "out" / "head.obj").string(), Head, Error)) << Error;
	ASSERT_EQ(Fitted.vertexCounts.size(), 2000u);
	EXPECT_EQ(Fitted.surfaceNormals, Source.surfaceNormals);
	EXPECT_EQ(Fitted.groomColors, Source.groomColors);
	int32 Moved = 0;
	for (size_t Strand = 0; Strand < 2000; Strand += 10)
	{
		if (Root(Fitted, Strand) != Root(Source, Strand))
		{
			++Moved;
			EXPECT_LT(DistanceToMesh(Root(Fitted, Strand), Head), 1e-3) << "strand " << Strand;
		}
	}
	EXPECT_GT(Moved, 190);
}

TEST(DemoCommand, GroomSitsOffTheScalpWithANormalPerStrandAndAColourPerPoint)
{
	const Host::FMeshData Head = VelmoraCli::BuildDemoHead();
	VelmoraCli::FDemoGroomOptions Options;
	Options.Strands = 400;
	Options.StrayShare = 0.0;
	const GroomData Groom = VelmoraCli::BuildDemoGroom(Head, Options);
	ASSERT_EQ(Groom.vertexCounts.size(), 400u);
	EXPECT_EQ(Groom.surfaceNormals.size(), 3u * 400);
	// Each point has its strand's colour, as the engine's groom import shows colours.
	ASSERT_EQ(Groom.groomColors.size(), 3u * Groom.positions.size() / 3);
	EXPECT_EQ(Groom.widths.size(), Groom.positions.size() / 3);
	const size_t Points = static_cast<size_t>(Groom.vertexCounts[0]);
	for (size_t Point = 1; Point < Points; ++Point)
	{
		EXPECT_TRUE(std::equal(Groom.groomColors.begin(), Groom.groomColors.begin() + 3, Groom.groomColors.begin() + 3 * Point)) << "point " << Point << " of strand 0";
	}
	EXPECT_FALSE(std::equal(Groom.groomColors.begin(), Groom.groomColors.begin() + 3 * Points, Groom.groomColors.begin() + 3 * Points))
	    << "strands have colours of their own";
	for (size_t Strand = 0; Strand < 400; Strand += 20)
	{
		const FVector RootPoint = Root(Groom, Strand);
		const double Distance = DistanceToMesh(RootPoint, Head);
		EXPECT_GT(Distance, 0.5) << "strand " << Strand;
		EXPECT_LT(Distance, 3.6) << "strand " << Strand;
		EXPECT_GT(RootPoint.Z, -6.0) << "roots stay on the scalp, above the ears and the nape";
	}
	// The same seed gives the same groom.
	EXPECT_EQ(VelmoraCli::BuildDemoGroom(Head, Options).positions, Groom.positions);
}

// The groom floats off the head as exported grooms do, each strand's root some way off the scalp: the rest of
// the strand stands off it no less, falling over the head as hair does, never through it and back out.
TEST(DemoCommand, GroomFallsOverItsHeadNotThroughIt)
{
	const Host::FMeshData Head = VelmoraCli::BuildDemoHead();
	VelmoraCli::FDemoGroomOptions Options;
	Options.Strands = 20000;
	const GroomData Groom = VelmoraCli::BuildDemoGroom(Head, Options);
	// How far each point stands off the head, along the way from the head's centre.
	const auto Clearance = [](const FVector& Point)
	{ return Point.Size() - Host::HeadRadius(Point); };
	double Deepest = 0.0;
	size_t First = 0;
	for (size_t Strand = 0; Strand < Groom.vertexCounts.size(); First += static_cast<size_t>(Groom.vertexCounts[Strand]), ++Strand)
	{
		const double RootClearance = Clearance(Root(Groom, Strand));
		for (int32 Point = 1; Point < Groom.vertexCounts[Strand]; ++Point)
		{
			const size_t Index = 3 * (First + static_cast<size_t>(Point));
			Deepest = std::max(Deepest, RootClearance - Clearance(FVector(Groom.positions[Index], Groom.positions[Index + 1], Groom.positions[Index + 2])));
		}
	}
	EXPECT_LT(Deepest, 0.1);
}

TEST(DemoCommand, RefusesBadOptions)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("demo-bad");
	for (const char* Arguments : {"--strands 0", "--strands many", "--strands 2.5", "--strands", "--seed -1", "extra"})
	{
		SCOPED_TRACE(Arguments);
		const FRun Run = RunVelmora(std::string("demo ") + Arguments, Dir);
		EXPECT_EQ(Run.ExitCode, 2);
		EXPECT_NE(Run.Stderr.find("(see velmora demo --help)"), std::string::npos) << Run.Stderr;
	}
	std::ofstream(Dir / "file") << "x";
	const FRun Blocked = RunVelmora("demo -o file", Dir);
	EXPECT_EQ(Blocked.ExitCode, 1);
	EXPECT_EQ(Blocked.Stderr.rfind("velmora demo: cannot make directory 'file'", 0), 0u) << Blocked.Stderr;
	EXPECT_EQ(ListDir(Dir), std::vector<std::string>{"file"});
}
