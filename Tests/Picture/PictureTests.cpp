#include "CheckedGroomWrites.h"
#include "DemoPicture.h"
#include "DemoScene.h"
#include "FitPicture.h"
#include "Picture.h"
#include "MeshFiles.h"
#include "TestPaths.h"
#include "velmoraFitBPLibrary.h"

#include "Components/StaticMeshComponent.h"
#include "GameFramework/Actor.h"
#include "Host/World.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <limits>

namespace
{
	namespace fs = std::filesystem;
	using namespace VelmoraCli;

	// Strands standing straight up from a grid of roots over Centre, all of one colour.
	GroomData UprightGroom(int32 Strands, const FVector& Centre, const FVector& Color, float Length = 6.0f)
	{
		GroomData Groom;
		const int32 Side = std::max(1, static_cast<int32>(std::ceil(std::sqrt(Strands))));
		for (int32 Strand = 0; Strand < Strands; ++Strand)
		{
			Groom.vertexCounts.push_back(5);
			for (int32 Point = 0; Point < 5; ++Point)
			{
				Groom.positions.push_back(static_cast<float>(Centre.X + (Strand % Side) * 0.8 - Side * 0.4));
				Groom.positions.push_back(static_cast<float>(Centre.Y + (Strand / Side) * 0.8 - Side * 0.4));
				Groom.positions.push_back(static_cast<float>(Centre.Z + Point * Length / 4));
			}
			Groom.groomColors.insert(Groom.groomColors.end(), {static_cast<float>(Color.X), static_cast<float>(Color.Y), static_cast<float>(Color.Z)});
		}
		return Groom;
	}

	bool IsGreen(uint32_t Pixel)
	{
		const uint32_t R = (Pixel >> 16) & 0xff, G = (Pixel >> 8) & 0xff, B = Pixel & 0xff;
		return G > 140 && R < 100 && B < 100;
	}

	// Pixels of the given kind in the rectangle [X0, X1) x [Y0, Y1).
	template<typename FTest>
	int64 CountPixels(const FPicturePixels& Picture, int32 X0, int32 Y0, int32 X1, int32 Y1, FTest Test)
	{
		int64 Count = 0;
		for (int32 Y = std::max(0, Y0); Y < std::min(Picture.Height, Y1); ++Y)
		{
			for (int32 X = std::max(0, X0); X < std::min(Picture.Width, X1); ++X)
			{
				Count += Test(Picture.At(X, Y)) ? 1 : 0;
			}
		}
		return Count;
	}

	struct FFitScene
	{
		Host::FMeshData Mesh = Host::BuildSphere(10.0f, 24, 48);
		GroomData Before = UprightGroom(64, FVector(0, 0, 12), FVector(0, 1, 0));
		GroomData After;
		FFitReport Report;
		FFitPicture Fit;

		FFitScene()
		{
			// The fit put every root 2 lower and stores them relative to an actor at (0, 0, 5).
			After = Before;
			for (size_t Coordinate = 2; Coordinate < After.positions.size(); Coordinate += 3)
			{
				After.positions[Coordinate] -= 7.0f;
			}
			Report.Strands = 64;
			Report.Points = 320;
			Report.Hits = 64;
			Report.Mode = "surface normal";
			Fit.GroomName = "groom.abc";
			Fit.MeshName = "head.obj";
			Fit.Mesh = &Mesh;
			Fit.Before = &Before;
			Fit.After = &After;
			Fit.AfterOffset = FVector(0, 0, 5);
			Fit.Report = &Report;
		}
	};

	TEST(PictureFile, FitPictureReadsBackWithTheStrandsInBothHalves)
	{
		const FFitScene Scene;
		const fs::path Path = VelmoraTest::MakeTempDir("picture") / "fit.png";
		std::string Error;
		ASSERT_TRUE(WriteFitPicture(Path.string(), Scene.Fit, Error)) << Error;

		FPicturePixels Drawn, Read;
		ASSERT_TRUE(DrawPicture(MakeFitPictureScene(Scene.Fit), Drawn, Error)) << Error;
		ASSERT_TRUE(ReadPicturePng(Path.string(), Read, Error)) << Error;
		EXPECT_EQ(Read.Width, Drawn.Width);
		EXPECT_EQ(Read.Height, Drawn.Height);
		EXPECT_EQ(Read.Pixels, Drawn.Pixels);
		ASSERT_GE(Read.Width, 800);
		ASSERT_GE(Read.Height, 800);
		EXPECT_NE(CountPixels(Read, 0, 0, Read.Width, Read.Height, [&](uint32_t Pixel)
		                      { return Pixel != Read.At(0, 0); }),
		          0);

		// Green strands before (left) and after (right), in the front view and in the side view.
		const int32 Half = Read.Width / 2;
		EXPECT_GT(CountPixels(Read, 0, 0, Half, Read.Height / 2, IsGreen), 50);
		EXPECT_GT(CountPixels(Read, Half, 0, Read.Width, Read.Height / 2, IsGreen), 50);
		EXPECT_GT(CountPixels(Read, 0, Read.Height / 2, Half, Read.Height, IsGreen), 50);
		EXPECT_GT(CountPixels(Read, Half, Read.Height / 2, Read.Width, Read.Height, IsGreen), 50);
	}

	TEST(PictureFile, UnwritablePlacesFailWithTheSystemsReason)
	{
		const FFitScene Scene;
		const fs::path Dir = VelmoraTest::MakeTempDir("picture-unwritable");
		std::string Error;
		const std::string Missing = (Dir / "no-such-folder" / "fit.png").string();
		EXPECT_FALSE(WriteFitPicture(Missing, Scene.Fit, Error));
		EXPECT_EQ(Error, "cannot write '" + Missing + "': No such file or directory");
		EXPECT_FALSE(WriteFitPicture(Dir.string(), Scene.Fit, Error));
		EXPECT_EQ(Error, "cannot write '" + Dir.string() + "': Is a directory");
		if (fs::exists("/dev/full"))
		{
			EXPECT_FALSE(WriteFitPicture("/dev/full", Scene.Fit, Error));
			EXPECT_EQ(Error, "cannot write '/dev/full': No space left on device");
		}
		EXPECT_EQ(std::distance(fs::directory_iterator(Dir), fs::directory_iterator()), 0);
	}

	TEST(PictureText, TitleAndFiguresAreDrawnInType)
	{
		FPictureScene Scene;
		// Wide enough that the text below takes one line each, so both pictures have one size.
		Scene.PanelSize = 300;
		Scene.Columns.resize(2);
		Scene.Columns[1].Figures.push_back({"", PictureColors::Miss});
		FPicturePixels Blank, Written;
		std::string Error;
		ASSERT_TRUE(DrawPicture(Scene, Blank, Error)) << Error;
		Scene.Title = "velmora fit: groom.abc onto head.obj";
		Scene.Columns[0].Caption = "before the fit";
		Scene.Columns[1].Figures[0].Text = "roots off the surface: 12 of 4053";
		ASSERT_TRUE(DrawPicture(Scene, Written, Error)) << Error;
		ASSERT_EQ(Written.Width, Blank.Width);
		ASSERT_EQ(Written.Height, Blank.Height);

		const auto Dark = [](uint32_t Pixel)
		{ return ((Pixel >> 8) & 0xff) < 110; };
		const auto Red = [](uint32_t Pixel)
		{ return ((Pixel >> 16) & 0xff) > 150 && ((Pixel >> 8) & 0xff) < 110; };
		// Glyphs: many dark pixels in the title's band, and grey levels between ink and paper at their edges.
		EXPECT_EQ(CountPixels(Blank, 0, 0, Blank.Width, 40, Dark), 0);
		EXPECT_GT(CountPixels(Written, 0, 0, Written.Width, 40, Dark), 300);
		EXPECT_GT(CountPixels(Written, 0, 0, Written.Width, 40, [](uint32_t Pixel)
		                      { const uint32_t G = (Pixel >> 8) & 0xff; return G > 90 && G < 200; }),
		          50);
		// The red figure sits under the right column only.
		EXPECT_GT(CountPixels(Written, Written.Width / 2, Written.Height - 60, Written.Width, Written.Height, Red), 50);
		EXPECT_EQ(CountPixels(Written, 0, 0, Written.Width / 2, Written.Height, Red), 0);
	}

	TEST(PictureText, BytesThatAreNotUtf8DrawAsReplacements)
	{
		EXPECT_EQ(DrawableText("t\xc3\xaate.abc"), "t\xc3\xaate.abc");
		EXPECT_EQ(DrawableText("a\xff"
		                       "b"),
		          "a\xef\xbf\xbd"
		          "b");
		EXPECT_EQ(DrawableText("\xc3"), "\xef\xbf\xbd");
		EXPECT_EQ(DrawableText("\xc0\xaf"), "\xef\xbf\xbd\xef\xbf\xbd") << "overlong";
		EXPECT_EQ(DrawableText("\xed\xa0\x80"), "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd") << "surrogate";
		EXPECT_EQ(DrawableText("line\nbreak\t"), "line break ");

		// A path of any bytes in the title leaves the rest of the picture drawn.
		FFitScene Scene;
		Scene.Fit.GroomName = "gr\xff\xfe"
		                      "oom.abc";
		FPicturePixels Picture;
		std::string Error;
		ASSERT_TRUE(DrawPicture(MakeFitPictureScene(Scene.Fit), Picture, Error)) << Error;
		EXPECT_GT(CountPixels(Picture, Picture.Width / 2, 0, Picture.Width, Picture.Height, IsGreen), 50);
	}

	TEST(PictureFraming, AGroomFarFromItsMeshStillLandsInFrame)
	{
		FFitScene Scene;
		// A groom in other units, far from the head.
		Scene.Before = UprightGroom(4, FVector(3000, -2000, 800), FVector(0, 1, 0), 600.0f);
		Scene.Fit.After = nullptr;
		FPicturePixels Picture;
		std::string Error;
		ASSERT_TRUE(DrawPicture(MakeFitPictureScene(Scene.Fit), Picture, Error)) << Error;
		EXPECT_GT(CountPixels(Picture, 0, 0, Picture.Width / 2, Picture.Height / 2, IsGreen), 3) << "front view";
		EXPECT_GT(CountPixels(Picture, 0, Picture.Height / 2, Picture.Width / 2, Picture.Height, IsGreen), 3) << "side view";
		EXPECT_EQ(CountPixels(Picture, Picture.Width / 2, 0, Picture.Width, Picture.Height, IsGreen), 0) << "nothing written, nothing drawn after";
	}

	TEST(PictureFraming, DegenerateAndHugeScenesDrawQuickly)
	{
		const float Huge = 3.0e38f;
		const float NaN = std::numeric_limits<float>::quiet_NaN();
		const float Inf = std::numeric_limits<float>::infinity();
		struct FCase
		{
			const char* Name;
			GroomData Groom;
			bool bMesh;
		};
		GroomData OnePoint;
		OnePoint.vertexCounts = {1};
		OnePoint.positions = {1, 2, 3};
		GroomData Enormous = UprightGroom(9, FVector(0, 0, 0), FVector(0, 1, 0));
		for (float& Coordinate : Enormous.positions)
		{
			Coordinate = Coordinate * 1.0e37f;
		}
		GroomData Extremes;
		Extremes.vertexCounts = {3, 2};
		Extremes.positions = {-Huge, -Huge, -Huge, Huge, Huge, Huge, 0, 0, 0, NaN, 1, 2, Inf, -Inf, 0};
		Extremes.groomColors = {NaN, 2, -1, 0.5f, 0.5f, 0.5f};
		GroomData BadCounts;
		BadCounts.vertexCounts = {2, -5, 1000000, 3};
		BadCounts.positions = {0, 0, 0, 1, 1, 1};
		GroomData AllNaN;
		AllNaN.vertexCounts = {2};
		AllNaN.positions = {NaN, NaN, NaN, NaN, NaN, NaN};
		FCase Cases[] = {
		    {"empty groom", GroomData(), true},
		    {"empty groom, no mesh", GroomData(), false},
		    {"one point", OnePoint, false},
		    {"one point and a mesh", OnePoint, true},
		    {"enormous coordinates", Enormous, true},
		    {"float extremes, NaN and infinity", Extremes, true},
		    {"counts that do not add up", BadCounts, false},
		    {"nothing finite", AllNaN, false},
		};
		const Host::FMeshData Mesh = Host::BuildSphere(1.0f, 8, 16);
		Host::FMeshData FarMesh = Host::Translated(Mesh, FVector3f(Huge, 0, 0));
		for (FCase& Case : Cases)
		{
			SCOPED_TRACE(Case.Name);
			FFitPicture Fit;
			Fit.Mesh = Case.bMesh ? &FarMesh : nullptr;
			Fit.Before = &Case.Groom;
			Fit.After = &Case.Groom;
			Fit.AfterOffset = FVector(1.0e300, 0, 0);
			const auto Start = std::chrono::steady_clock::now();
			FPicturePixels Picture;
			std::string Error;
			EXPECT_TRUE(DrawPicture(MakeFitPictureScene(Fit), Picture, Error)) << Error;
			EXPECT_GT(Picture.Width, 0);
			EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count(), 20.0) << "drawing hung";
		}
	}

	TEST(PictureFraming, ViewsStandTheMeshUpright)
	{
		const std::vector<FPictureView> ZUp = ChooseFrontAndSideViews(FBox(FVector(-8, -7, -12), FVector(9, 7, 12)));
		ASSERT_EQ(ZUp.size(), 2u);
		EXPECT_EQ(ZUp[0].Up, FVector(0, 0, 1));
		EXPECT_EQ(ZUp[0].Eye, FVector(1, 0, 0)) << "the engine's characters face +X";
		EXPECT_EQ(ZUp[1].Eye, FVector(0, -1, 0));
		// Named by the axes, never as a front a rotated mesh may not show.
		EXPECT_EQ(ZUp[0].Label, "from +X, Z up");
		EXPECT_EQ(ZUp[1].Label, "from -Y, Z up");
		// A Y-up head, as glTF and OBJ files from other tools hold it.
		const std::vector<FPictureView> YUp = ChooseFrontAndSideViews(FBox(FVector(-8.84, 157.8, -10.7), FVector(8.84, 189.2, 13.77)));
		ASSERT_EQ(YUp.size(), 2u);
		EXPECT_EQ(YUp[0].Up, FVector(0, 1, 0));
		EXPECT_EQ(YUp[0].Eye, FVector(0, 0, 1));
		EXPECT_EQ(ChooseFrontAndSideViews(FBox(ForceInit)).size(), 2u);
	}

	TEST(FitPictureScene, RingsTheStrandsTheFitLeftWhereTheyWere)
	{
		FFitScene Scene;
		// Strand 5 missed: fitted, it lies where it was read (in world space, through the two offsets). Strand
		// 7 hit where it already was: it did not move either, but the fit says it hit.
		for (const size_t Strand : {5, 7})
		{
			for (size_t Coordinate = 15 * Strand; Coordinate < 15 * (Strand + 1); ++Coordinate)
			{
				Scene.After.positions[Coordinate] = Scene.Before.positions[Coordinate] - (Coordinate % 3 == 2 ? 5.0f : 0.0f);
			}
		}
		Scene.Report.Hits = 63;
		Scene.Report.Misses = 1;
		Scene.Report.Quality.MissedStrands.Add(5);
		FPictureScene Picture = MakeFitPictureScene(Scene.Fit);
		ASSERT_EQ(Picture.Columns.size(), 2u);
		for (const FPictureColumn& Column : Picture.Columns)
		{
			ASSERT_EQ(Column.Rings.size(), 1u);
			EXPECT_EQ(Column.Rings[0], FVector(Scene.Before.positions[75], Scene.Before.positions[76], Scene.Before.positions[77]));
			ASSERT_EQ(Column.Grooms.size(), 1u);
			EXPECT_TRUE(Column.Grooms[0].AlwaysShown.at(5));
			EXPECT_EQ(std::count(Column.Grooms[0].AlwaysShown.begin(), Column.Grooms[0].AlwaysShown.end(), true), 1);
		}
		EXPECT_NE(Picture.Subtitle.at(1).Text.find("hits 63, misses 1 (left where they were)"), std::string::npos) << Picture.Subtitle.at(1).Text;

		// Snapped misses moved: nothing to ring.
		Scene.Report.Quality.MissesSnapped = 1;
		Picture = MakeFitPictureScene(Scene.Fit);
		EXPECT_TRUE(Picture.Columns[1].Rings.empty());
		EXPECT_NE(Picture.Subtitle.at(1).Text.find("(snapped to the nearest surface point)"), std::string::npos);
	}

	TEST(FitPictureScene, ShowsTheMeasuredFiguresUnderEachSide)
	{
		FFitScene Scene;
		Scene.Report.Before.bMeasured = true;
		Scene.Report.Before.RootsOffSurface = 64;
		Scene.Report.Quality.bMeasured = true;
		Scene.Report.Quality.bAfterFit = true;
		Scene.Report.Quality.RootsOnSurface = 64;
		Scene.Report.Quality.PointsInside = 7;
		Scene.Report.Quality.StrandsInside = 3;
		const FPictureScene Picture = MakeFitPictureScene(Scene.Fit);
		ASSERT_EQ(Picture.Columns.size(), 2u);
		ASSERT_FALSE(Picture.Columns[0].Figures.empty());
		EXPECT_EQ(Picture.Columns[0].Figures[0].Text, "roots off the surface: 64 of 64");
		ASSERT_GE(Picture.Columns[1].Figures.size(), 4u);
		EXPECT_EQ(Picture.Columns[1].Figures[1].Text, "points inside the mesh: 7 (3 strands)");
		EXPECT_EQ(Picture.Columns[1].Figures[3].Text.rfind("roots moved:", 0), 0u);
		EXPECT_NE(Picture.Subtitle[0].Text.find("64 strands, 320 points, surface normal projection; mesh of "), std::string::npos) << Picture.Subtitle[0].Text;
		ASSERT_EQ(Picture.Columns[1].Grooms.size(), 1u) << "nothing turned, nothing marked";

		// The strands the repairs turned most are drawn over the rest in their own colour.
		Scene.Report.Quality.TurnedStrands = {3, 9};
		const FPictureScene Marked = MakeFitPictureScene(Scene.Fit);
		ASSERT_EQ(Marked.Columns[1].Grooms.size(), 2u);
		const FPictureGroom& Turned = Marked.Columns[1].Grooms[1];
		ASSERT_TRUE(Turned.Color.has_value());
		EXPECT_EQ(Turned.Color->R, PictureColors::Turned.R);
		EXPECT_EQ(std::count(Turned.Shown.begin(), Turned.Shown.end(), true), 2);
		EXPECT_TRUE(Turned.Shown.at(3) && Turned.Shown.at(9));
		EXPECT_EQ(Turned.Offset, Scene.Fit.AfterOffset);
		EXPECT_NE(Marked.Legend.back().Text.find("turned over 30 degrees"), std::string::npos);
	}

	TEST(DemoPicture, ShowsThreeStagesWithTheMissedStrandsRinged)
	{
		const Host::FMeshData Head = BuildDemoHead();
		FDemoGroomOptions Options;
		Options.Strands = 300;
		const GroomData Source = BuildDemoGroom(Head, Options);
		GroomData Plain = Source;
		// Every strand but the first "fitted" 1 unit lower.
		for (size_t Coordinate = 3 * static_cast<size_t>(Source.vertexCounts[0]) + 2; Coordinate < Plain.positions.size(); Coordinate += 3)
		{
			Plain.positions[Coordinate] -= 1.0f;
		}
		FFitReport Report;
		const FPictureScene Scene = MakeDemoPictureScene(Head, Source, Plain, Plain, Report, Report);
		ASSERT_EQ(Scene.Columns.size(), 3u);
		EXPECT_EQ(Scene.Columns[0].Rings.size(), 1u);
		EXPECT_EQ(Scene.Columns[1].Rings.size(), 1u);
		EXPECT_TRUE(Scene.Columns[2].Rings.empty());
		// The strands the plain fit left inside are blue there, and another colour once repaired.
		ASSERT_EQ(Scene.Columns[1].Grooms.size(), 2u);
		ASSERT_EQ(Scene.Columns[2].Grooms.size(), 2u);
		ASSERT_TRUE(Scene.Columns[1].Grooms[1].Color && Scene.Columns[2].Grooms[1].Color);
		EXPECT_EQ(Scene.Columns[1].Grooms[1].Color->B, PictureColors::Inside.B);
		EXPECT_EQ(Scene.Columns[2].Grooms[1].Color->B, PictureColors::Repaired.B);
		EXPECT_NE(PictureColors::Repaired.B, PictureColors::Inside.B);
		FPicturePixels Picture;
		std::string Error;
		ASSERT_TRUE(DrawPicture(Scene, Picture, Error)) << Error;
		EXPECT_EQ(Picture.Width, 3 * 420);
	}
}

namespace
{
	TEST(PictureFraming, ARealYUpHeadStandsUprightUnderItsGroom)
	{
		const auto RealWorld = VelmoraTest::RealWorldDir();
		if (!RealWorld || !fs::exists(*RealWorld / "ninjaHead_Low.obj"))
		{
			GTEST_SKIP() << "../shared/realworld/ninjaHead_Low.obj not found beside the checkout; skipped";
		}
		Host::FMeshData Head;
		std::string Error;
		ASSERT_TRUE(LoadMeshFile((*RealWorld / "ninjaHead_Low.obj").string(), Head, Error)) << Error;
		// Strands standing up (+Y) from the crown, which is near y = 189.
		GroomData Groom = UprightGroom(100, FVector(0, 0, 0), FVector(0, 1, 0), 8.0f);
		for (size_t Point = 0; Point < Groom.positions.size(); Point += 3)
		{
			const float Up = Groom.positions[Point + 2];
			Groom.positions[Point + 2] = Groom.positions[Point + 1];
			Groom.positions[Point + 1] = 184.0f + Up;
		}
		FFitPicture Fit;
		Fit.Mesh = &Head;
		Fit.Before = &Groom;
		Fit.After = &Groom;
		const FPictureScene Scene = MakeFitPictureScene(Fit);
		ASSERT_EQ(Scene.Views.size(), 2u);
		EXPECT_EQ(Scene.Views[0].Up, FVector(0, 1, 0));
		FPicturePixels Picture;
		ASSERT_TRUE(DrawPicture(Scene, Picture, Error)) << Error;
		const auto Skin = [](uint32_t Pixel)
		{ const uint32_t R = (Pixel >> 16) & 0xff, G = (Pixel >> 8) & 0xff, B = Pixel & 0xff; return R > 120 && R > G && G > B && R - B > 25; };
		const int32 Half = Picture.Width / 2, Middle = Picture.Height / 2;
		for (const int32 Top : {0, Middle})
		{
			for (const int32 Left : {0, Half})
			{
				EXPECT_GT(CountPixels(Picture, Left, Top, Left + Half, Top + Middle, Skin), 5000) << "the head in the panel at " << Left << ", " << Top;
				EXPECT_GT(CountPixels(Picture, Left, Top, Left + Half, Top + Middle, IsGreen), 100) << "the groom in the panel at " << Left << ", " << Top;
			}
		}
		// Upright: the strands stand above the head in the front view.
		double GreenRows = 0, Green = 0, SkinRows = 0, SkinPixels = 0;
		for (int32 Y = 0; Y < Middle; ++Y)
		{
			const int64 GreenInRow = CountPixels(Picture, 0, Y, Half, Y + 1, IsGreen);
			const int64 SkinInRow = CountPixels(Picture, 0, Y, Half, Y + 1, Skin);
			GreenRows += static_cast<double>(Y) * GreenInRow;
			Green += GreenInRow;
			SkinRows += static_cast<double>(Y) * SkinInRow;
			SkinPixels += SkinInRow;
		}
		ASSERT_GT(Green, 0);
		ASSERT_GT(SkinPixels, 0);
		EXPECT_LT(GreenRows / Green, SkinRows / SkinPixels) << "the strands' middle row is above the head's";
	}
}

namespace
{
	// A fit as `velmora fit` runs it, of Groom written to Dir/groom.abc, with the placement already in
	// Request: the record read ahead, copied before the fit, and the same record after it, fitted.
	struct FFitRun
	{
		FFitRequest Request;
		GroomData Before;
		FGroomReadAhead Ahead;
		FFitReport Report;
	};

	void RunFit(const fs::path& Dir, const GroomData& Groom, const Host::FMeshData& Mesh, FFitRun& Run)
	{
		CheckedGroom::WriteGroomQuietly((Dir / "groom.abc").string(), Groom);
		Run.Request.GroomPath = (Dir / "groom.abc").string();
		Run.Request.OutputPath = (Dir / "fitted.abc").string();
		Run.Request.Progress = EProgressMode::Off;
		ReadGroomAhead(Run.Request.GroomPath, Run.Ahead);
		ASSERT_TRUE(Run.Ahead.bRead);
		Run.Before = Run.Ahead.Groom;
		std::string Error;
		const CheckedGroom::FGroomOutput Fitted(Run.Request.OutputPath);
		ASSERT_TRUE(RunFitOnMesh(Run.Request, Mesh, Run.Report, Error, &Run.Ahead)) << Error;
		Fitted.ExpectImportsCleanlyIfWritten();
	}

	TEST(FitPictureScene, PlacesTheFitsGroomsAndMeshInOneWorld)
	{
		const fs::path Dir = VelmoraTest::MakeTempDir("picture-fit");
		// A sphere of radius 10 about the origin, standing at (100, 0, 50) twice as large.
		const Host::FMeshData Sphere = Host::BuildSphere(10.0f, 24, 48);
		GroomData Groom = UprightGroom(16, FVector(0, 0, 43), FVector(0, 1, 0), 4.0f);
		for (size_t Strand = 0; Strand < 16; ++Strand)
		{
			Groom.surfaceNormals.insert(Groom.surfaceNormals.end(), {0.0f, 0.0f, 1.0f});
		}
		FFitRun Run;
		Run.Request.Origin = FVector(100, 0, 25);
		Run.Request.ActorLocation = FVector(90, 5, 40);
		Run.Request.MeshLocation = FVector(100, 0, 50);
		Run.Request.MeshScale = FVector(2, 2, 2);
		ASSERT_NO_FATAL_FAILURE(RunFit(Dir, Groom, Sphere, Run));
		ASSERT_EQ(Run.Report.Hits, 16);

		const FFitPicture Fit = MakeFitPicture(Run.Request, Sphere, Run.Before, &Run.Ahead.Groom, Run.Report);
		const FPictureScene Scene = MakeFitPictureScene(Fit);
		ASSERT_EQ(Scene.Columns.size(), 2u);
		const auto WorldRoot = [](const FPictureGroom& Picture, size_t Strand)
		{
			const size_t First = 5 * Strand;
			return FVector(Picture.Groom->positions[3 * First], Picture.Groom->positions[3 * First + 1], Picture.Groom->positions[3 * First + 2]) + Picture.Offset;
		};
		const FVector MeshCentre = Scene.MeshTransform.TransformPosition(FVector::ZeroVector);
		EXPECT_EQ(MeshCentre, FVector(100, 0, 50));
		for (size_t Strand = 0; Strand < 16; Strand += 5)
		{
			// Before: the roots as read at the origin, 2 under the top of the sphere; after: on the sphere of radius 20.
			EXPECT_NEAR(WorldRoot(Scene.Columns[0].Grooms.at(0), Strand).Z, 68.0, 1e-4);
			EXPECT_NEAR((WorldRoot(Scene.Columns[1].Grooms.at(0), Strand) - MeshCentre).Size(), 20.0, 0.05) << "strand " << Strand;
		}
		std::string Error;
		EXPECT_TRUE(WriteFitPicture((Dir / "fit.png").string(), Fit, Error)) << Error;
	}
}

namespace
{
	bool Overlap(const FPictureTextBox& A, const FPictureTextBox& B)
	{
		return A.X < B.X + B.Width && B.X < A.X + A.Width && A.Top < B.Bottom && B.Top < A.Bottom;
	}

	TEST(PictureLayout, LongTextIsWrappedOnThePageAndOverlapsNothing)
	{
		const std::string LongPath = "/studio/projects/" + std::string(180, 'x') + "/characters/heroine/grooms/long_wavy_hair_final_v12.abc";
		FPictureScene Scene;
		Scene.Title = "velmora fit: " + LongPath + " onto " + LongPath;
		Scene.Subtitle = {{"20000 strands, 640000 points, surface normal projection; mesh of 1250000 triangles, skinned: placed at rest"}, {"hits 19990, misses 10 (left where they were)"}, {HandednessNote}};
		Scene.Legend = {{"\xe2\x97\x8b  missed by the fit, left where it was, as the report of the fit says it was"}, {"1 in 10 strands shown, roots dotted"}};
		Scene.Views = {FPictureView{FVector(1, 0, 0), FVector(0, 0, 1), "from +X, Z up"}, FPictureView{FVector(0, -1, 0), FVector(0, 0, 1), "from -Y, Z up, a long label that wraps"}};
		for (const char* Caption : {"before the fit", "after the fit: nothing written, since no trace met the mesh"})
		{
			FPictureColumn Column;
			Column.Caption = Caption;
			Column.Notes = {{"misses: 10, snapped to the nearest surface point of the mesh"}};
			Column.Figures = {{"roots off the surface: 1234567 of 1234567"}, {"points inside the mesh: 36477 (1000 strands) " + LongPath}, {"roots moved: median 129.9, max 131.2"}};
			Scene.Columns.push_back(Column);
		}
		const FPictureLayout Layout = LayOutPicture(Scene);
		ASSERT_GT(Layout.Texts.size(), 20u) << "long lines are wrapped, not dropped";
		const double PanelsBottom = Layout.PanelsTop + Scene.Views.size() * Layout.Panel;
		for (size_t A = 0; A < Layout.Texts.size(); ++A)
		{
			const FPictureTextBox& Box = Layout.Texts[A];
			SCOPED_TRACE(Box.Text);
			EXPECT_GE(Box.X, 0.0);
			EXPECT_LE(Box.X + Box.Width, Layout.Width);
			EXPECT_GE(Box.Top, 0.0);
			EXPECT_LE(Box.Bottom, Layout.Height);
			if (Box.Top >= Layout.PanelsTop && Box.Bottom <= PanelsBottom)
			{
				EXPECT_EQ(std::floor(Box.X / Layout.Panel), std::floor((Box.X + Box.Width) / Layout.Panel)) << "stays in its panel";
			}
			for (size_t B = A + 1; B < Layout.Texts.size(); ++B)
			{
				EXPECT_FALSE(Overlap(Box, Layout.Texts[B])) << "overlaps '" << Layout.Texts[B].Text << "'";
			}
		}
		FPicturePixels Picture;
		std::string Error;
		ASSERT_TRUE(DrawPicture(Scene, Picture, Error)) << Error;
		EXPECT_EQ(Picture.Width, Layout.Width);
		EXPECT_EQ(Picture.Height, Layout.Height);
	}

	TEST(PictureFraming, AWholeCharacterIsFramedOnItsHair)
	{
		// A body 180 tall, and a groom 6 wide on its crown.
		Host::FMeshData Body = Host::BuildSphere(10.0f, 48, 48);
		for (FVector3f& Position : Body.Positions)
		{
			Position.Z *= 9.0f;
		}
		const GroomData Groom = UprightGroom(49, FVector(0, 0, 89), FVector(0, 1, 0), 6.0f);
		FFitPicture Fit;
		Fit.Mesh = &Body;
		Fit.Before = &Groom;
		Fit.After = &Groom;
		FPicturePixels Picture;
		std::string Error;
		const FPictureScene Scene = MakeFitPictureScene(Fit);
		ASSERT_TRUE(DrawPicture(Scene, Picture, Error)) << Error;
		const FPictureLayout Layout = LayOutPicture(Scene);
		int32 Highest = Picture.Height, Lowest = -1;
		for (int32 Y = static_cast<int32>(Layout.PanelsTop); Y < Layout.PanelsTop + Layout.Panel; ++Y)
		{
			if (CountPixels(Picture, 0, Y, Layout.Panel, Y + 1, IsGreen) > 0)
			{
				Highest = std::min(Highest, Y);
				Lowest = std::max(Lowest, Y);
			}
		}
		EXPECT_GT(Lowest - Highest, Layout.Panel / 5) << "the hair takes a fifth of the panel at least";
	}

	// The figures under each side are what the report of each groom says where the picture draws it: the
	// groom as read at the origin, and the fitted groom at the actor.
	TEST(FitPictureScene, FiguresAreThoseOfTheGroomsWhereTheyStand)
	{
		const fs::path Dir = VelmoraTest::MakeTempDir("picture-figures");
		const Host::FMeshData Sphere = Host::BuildSphere(10.0f, 24, 48);
		// 16 strands rising from inside the sphere's top, and 4 beside it whose traces miss.
		GroomData Groom = UprightGroom(16, FVector(0, 0, 8), FVector(0, 1, 0), 4.0f);
		const GroomData Beside = UprightGroom(4, FVector(40, 0, 0), FVector(0, 1, 0), 4.0f);
		Groom.vertexCounts.insert(Groom.vertexCounts.end(), Beside.vertexCounts.begin(), Beside.vertexCounts.end());
		Groom.positions.insert(Groom.positions.end(), Beside.positions.begin(), Beside.positions.end());
		Groom.groomColors.insert(Groom.groomColors.end(), Beside.groomColors.begin(), Beside.groomColors.end());
		for (size_t Strand = 0; Strand < Groom.vertexCounts.size(); ++Strand)
		{
			Groom.surfaceNormals.insert(Groom.surfaceNormals.end(), {0.0f, 0.0f, 1.0f});
		}
		FFitRun Run;
		Run.Request.Origin = Run.Request.ActorLocation = Run.Request.MeshLocation = FVector(100, 0, 0);
		Run.Request.bMeasure = Run.Request.bMeasureBefore = true;
		ASSERT_NO_FATAL_FAILURE(RunFit(Dir, Groom, Sphere, Run));
		ASSERT_EQ(Run.Report.Misses, 4);
		const FFitRequest& Request = Run.Request;
		const FPictureScene Scene = MakeFitPictureScene(MakeFitPicture(Request, Sphere, Run.Before, &Run.Ahead.Groom, Run.Report));

		UStaticMeshComponent* Head = Host::AddStaticMeshComponent(Host::SpawnActorWithoutRoot(Host::NewWorld()), Host::NewStaticMesh(Sphere),
		                                                          FTransform(FRotator::ZeroRotator, Request.MeshLocation, FVector::OneVector));
		const auto Said = [&](const fs::path& Path, const FVector& Placement)
		{
			const FvelmoraFitReport Checked = UvelmoraFitBPLibrary::ReportGroomFit(Head, Placement, FString(UTF8_TO_TCHAR(Path.string().c_str())));
			return std::vector<std::string>{"roots off the surface: " + std::to_string(Checked.RootsOffSurface) + " of " + std::to_string(Checked.RootsOnSurface + Checked.RootsOffSurface),
			                                "points inside the mesh: " + std::to_string(Checked.PointsInside) + " (" + std::to_string(Checked.StrandsInside) + " strands)"};
		};
		ASSERT_EQ(Scene.Columns.size(), 2u);
		const std::vector<std::string> Expected[2] = {Said(Dir / "groom.abc", Request.Origin), Said(Dir / "fitted.abc", Request.ActorLocation)};
		EXPECT_EQ(Expected[0][0], "roots off the surface: 20 of 20");
		EXPECT_EQ(Expected[1][0], "roots off the surface: 4 of 20");
		for (size_t Side = 0; Side < 2; ++Side)
		{
			ASSERT_GE(Scene.Columns[Side].Figures.size(), 2u);
			EXPECT_EQ(Scene.Columns[Side].Figures[0].Text, Expected[Side][0]);
			EXPECT_EQ(Scene.Columns[Side].Figures[1].Text, Expected[Side][1]);
		}
	}
}
