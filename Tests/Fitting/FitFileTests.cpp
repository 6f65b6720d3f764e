#include "CheckedGroomWrites.h"
#include "FittingTestHelpers.h"
#include "Host/Log.h"
#include "TestPaths.h"
#include "velmoraBPLibrary.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

using namespace FittingTest;

namespace
{
	std::string ReadBytes(const std::filesystem::path& Path)
	{
		std::ifstream File(Path, std::ios::binary);
		return std::string(std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>());
	}

	void WriteBytes(const std::filesystem::path& Path, const std::string& Bytes)
	{
		std::ofstream(Path, std::ios::binary) << Bytes;
	}

	FString ToFString(const std::filesystem::path& Path)
	{
		return FString(UTF8_TO_TCHAR(Path.string().c_str()));
	}

	// Strands growing straight out of a ball of radius 4 around the groom's origin, 8 points each, with a
	// colour and a normal per point: spherical projection.
	GroomData MakeRadialGroom(int32 NumStrands)
	{
		std::mt19937 Random(11);
		std::normal_distribution<float> Gaussian;
		GroomData Groom;
		for (int32 Strand = 0; Strand < NumStrands; ++Strand)
		{
			FVector3f Direction(Gaussian(Random), Gaussian(Random), Gaussian(Random));
			Direction = Direction * (1.f / std::sqrt(Direction.SizeSquared()));
			Groom.vertexCounts.push_back(8);
			for (int32 Point = 0; Point < 8; ++Point)
			{
				const FVector3f P = Direction * (4.f + 0.5f * Point);
				Groom.positions.insert(Groom.positions.end(), {P.X, P.Y, P.Z});
				Groom.groomColors.insert(Groom.groomColors.end(), {0.1f * Point, 0.2f, 0.3f});
				Groom.surfaceNormals.insert(Groom.surfaceNormals.end(), {Direction.X, Direction.Y, Direction.Z});
				Groom.widths.push_back(0.01f + 0.001f * Point);
			}
		}
		return Groom;
	}

	// Where a strand's root lies relative to a sphere's centre, in world space, once fitted.
	FVector FittedRoot(const GroomData& Groom, int32 RootIndex, const FVector& ActorLocation, const FVector& Centre)
	{
		return FVector(Point(Groom, RootIndex)) + ActorLocation - Centre;
	}
}

class FitFile : public FitWorld
{
protected:
	std::filesystem::path Dir = VelmoraTest::MakeTempDir("fit");
	AActor* Source = Host::SpawnActor(World, FVector(5, 6, 7));
};

TEST_F(FitFile, WholeFitOntoASphereMatchesTheAnalyticAnswer)
{
	const GroomData Original = MakeRadialGroom(500);
	CheckedGroom::WriteGroom((Dir / "radial.abc").string(), Original);
	const double Radius = 10.0;
	const FVector Centre(30, -20, 150);
	UCountingMeshComponent* Sphere = PlaceMesh(Host::BuildSphere(static_cast<float>(Radius), 96, 192), FTransform(Centre));

	Host::FScopedLogCapture Log;
	CheckedGroom::FitGroomToStaticMesh(Source, Sphere, Centre, ToFString(Dir / "radial.abc"), ToFString(Dir / "fitted.abc"));
	EXPECT_EQ(Log.TextsAt(ELogVerbosity::Error), std::vector<std::string>{"Using shperical projection to fit groom"});
	EXPECT_TRUE(Log.TextsAt(ELogVerbosity::Warning).empty());
	EXPECT_EQ(Sphere->NumTraces, 500);

	bool bReadFailed = true;
	const GroomData Fitted = ReadGroom((Dir / "fitted.abc").string(), bReadFailed);
	ASSERT_FALSE(bReadFailed);
	EXPECT_EQ(Fitted.vertexCounts, Original.vertexCounts);
	EXPECT_EQ(Fitted.widths, Original.widths);
	EXPECT_EQ(Fitted.groomColors, Original.groomColors);
	EXPECT_EQ(Fitted.surfaceNormals, Original.surfaceNormals);
	ASSERT_EQ(Fitted.positions.size(), Original.positions.size());
	// The ray from the centre along the root's direction meets the sphere at Centre + R d; the mesh's
	// flat triangles sit inside the sphere by at most their sagitta.
	const double Sagitta = Radius * (1.0 - std::cos(UE_DOUBLE_PI / 96.0));
	for (int32 Strand = 0; Strand < 500; ++Strand)
	{
		const int32 Root = 8 * Strand;
		const FVector Direction = FVector(Point(Original, Root)).GetSafeNormal();
		const FVector Landed = FittedRoot(Fitted, Root, Source->GetActorLocation(), Centre);
		EXPECT_NEAR(Landed | Direction, Radius, Sagitta) << "strand " << Strand;
		EXPECT_LT((Landed ^ Direction).Size(), 1e-4) << "strand " << Strand << " left its ray";
		for (int32 Point = 1; Point < 8; ++Point)
		{
			const FVector3f Offset = FittingTest::Point(Fitted, Root + Point) - FittingTest::Point(Fitted, Root);
			const FVector3f Expected = FittingTest::Point(Original, Root + Point) - FittingTest::Point(Original, Root);
			EXPECT_TRUE(Offset.Equals(Expected, 1e-4f)) << "strand " << Strand << " changed shape";
		}
	}
	EXPECT_EQ(VelmoraTest::Listing(Dir), (std::vector<std::string>{"fitted.abc", "radial.abc"})) << "no temporary file left";
}

TEST_F(FitFile, FixtureGroomLandsEveryRootOnASphere)
{
	VELMORA_REQUIRE_FIXTURES(Fixtures);
	// Its strands grow along +Y from a patch about the origin, with a normal each: surface-normal
	// projection. A sphere of radius 3 around the patch's middle meets every root's segment.
	const std::string Path = (Fixtures / "big_groom.abc").string();
	bool bReadFailed = true;
	const GroomData Original = ReadGroom(Path, bReadFailed);
	ASSERT_FALSE(bReadFailed);
	FVector Middle(0, 0, 0);
	int32 First = 0;
	for (const int32_t Count : Original.vertexCounts)
	{
		Middle += FVector(Point(Original, First)) * (1.0 / Original.vertexCounts.size());
		First += Count;
	}
	const FVector Origin(100, 50, 20);
	const FVector Centre = Origin + FVector(Middle.X, 0, Middle.Z);
	const double Radius = 3.0;
	UCountingMeshComponent* Sphere = PlaceMesh(Host::BuildSphere(static_cast<float>(Radius), 128, 256), FTransform(Centre));

	Host::FScopedLogCapture Log;
	CheckedGroom::FitGroomToStaticMesh(Source, Sphere, Origin, FString(UTF8_TO_TCHAR(Path.c_str())), ToFString(Dir / "big_fitted.abc"));
	EXPECT_EQ(Log.TextsAt(ELogVerbosity::Error), std::vector<std::string>{"Using surface normal projection to fit groom"});
	// No miss; its colours are one per strand, which the engine's import does not show.
	const std::vector<std::string> Warnings = Log.TextsAt(ELogVerbosity::Warning);
	ASSERT_EQ(Warnings.size(), 1u);
	EXPECT_NE(Warnings[0].find("keeps colours only with one per point"), std::string::npos) << Warnings[0];

	const GroomData Fitted = ReadGroom((Dir / "big_fitted.abc").string(), bReadFailed);
	ASSERT_FALSE(bReadFailed);
	ASSERT_EQ(Fitted.vertexCounts, Original.vertexCounts);
	const double Sagitta = Radius * (1.0 - std::cos(UE_DOUBLE_PI / 128.0));
	First = 0;
	for (const int32_t Count : Fitted.vertexCounts)
	{
		const double Distance = FittedRoot(Fitted, First, Source->GetActorLocation(), Centre).Size();
		EXPECT_NEAR(Distance, Radius - Sagitta / 2, Sagitta / 2 + 1e-4) << "root " << First;
		First += Count;
	}
	EXPECT_EQ(Fitted.surfaceNormals, Original.surfaceNormals);
	EXPECT_EQ(Fitted.groomColors, Original.groomColors);
	EXPECT_EQ(Fitted.widths, Original.widths);
}

TEST_F(FitFile, FileWithoutCurvesGivesAnEmptyTarget)
{
	VELMORA_REQUIRE_FIXTURES(Fixtures);
	UCountingMeshComponent* Plane = PlaceMesh(Host::BuildPlane(5.f));
	Host::FScopedLogCapture Log;
	CheckedGroom::FitGroomToStaticMesh(Source, Plane, FVector::ZeroVector, ToFString(Fixtures / "no_curves.abc"), ToFString(Dir / "empty.abc"));
	EXPECT_EQ(Log.TextsAt(ELogVerbosity::Error), std::vector<std::string>{"Using surface normal projection to fit groom"});
	EXPECT_EQ(Plane->NumTraces, 0);
	bool bReadFailed = true;
	const GroomData Written = ReadGroom((Dir / "empty.abc").string(), bReadFailed);
	EXPECT_FALSE(bReadFailed);
	EXPECT_TRUE(Written.vertexCounts.empty());
	EXPECT_TRUE(Written.positions.empty());
}

TEST_F(FitFile, MissingArgumentsReadAndWriteNothing)
{
	CheckedGroom::WriteGroom((Dir / "source.abc").string(), MakeRadialGroom(3));
	UCountingMeshComponent* Plane = PlaceMesh(Host::BuildPlane(5.f));
	{
		Host::FScopedLogCapture Log;
		CheckedGroom::FitGroomToStaticMesh(nullptr, Plane, FVector::ZeroVector, ToFString(Dir / "source.abc"), ToFString(Dir / "a.abc"));
		ASSERT_EQ(Log.TextsAt(ELogVerbosity::Error).size(), 1u);
		EXPECT_NE(Log.TextsAt(ELogVerbosity::Error)[0].find("source is null"), std::string::npos);
		EXPECT_EQ(Log.GetLines().size(), 1u);
	}
	{
		Host::FScopedLogCapture Log;
		CheckedGroom::FitGroomToStaticMesh(Source, nullptr, FVector::ZeroVector, ToFString(Dir / "source.abc"), ToFString(Dir / "b.abc"));
		EXPECT_EQ(Log.TextsAt(ELogVerbosity::Error), std::vector<std::string>{"FitGroomToStaticMesh: TheComp is null; no groom was read or written"});
		EXPECT_EQ(Log.GetLines().size(), 1u);
	}
	EXPECT_EQ(Plane->NumTraces, 0);
	EXPECT_FALSE(std::filesystem::exists(Dir / "a.abc"));
	EXPECT_FALSE(std::filesystem::exists(Dir / "b.abc"));
}

TEST_F(FitFile, UnreadableSourceLeavesTheEarlierTargetAlone)
{
	UCountingMeshComponent* Plane = PlaceMesh(Host::BuildPlane(5.f));
	WriteBytes(Dir / "earlier.abc", "an earlier fit");
	WriteBytes(Dir / "damaged.abc", std::string("Ogawa") + std::string(64, '\x7f'));
	for (const char* Source_ : {"missing.abc", "damaged.abc"})
	{
		Host::FScopedLogCapture Log;
		CheckedGroom::FitGroomToStaticMesh(Source, Plane, FVector::ZeroVector, ToFString(Dir / Source_), ToFString(Dir / "earlier.abc"));
		ASSERT_EQ(Log.TextsAt(ELogVerbosity::Error).size(), 1u) << Source_;
		EXPECT_NE(Log.TextsAt(ELogVerbosity::Error)[0].find("could not read"), std::string::npos);
		EXPECT_EQ(ReadBytes(Dir / "earlier.abc"), "an earlier fit");
		EXPECT_EQ(Plane->NumTraces, 0);
	}
}

TEST_F(FitFile, InconsistentRecordIsNotWritten)
{
	// A record whose counts cover more points than it holds (as a damaged file could give), written as
	// such: a damaged input, not a groom for the engine.
	GroomData Groom = MakeRadialGroom(2);
	Groom.vertexCounts = {8, 9};
	WriteGroom((Dir / "short.abc").string(), Groom);
	bool bReadFailed = true;
	if (ReadGroom((Dir / "short.abc").string(), bReadFailed).vertexCounts != Groom.vertexCounts || bReadFailed)
	{
		GTEST_SKIP() << "the writer does not keep counts that overrun the points";
	}
	UCountingMeshComponent* Plane = PlaceMesh(Host::BuildPlane(5.f));
	Host::FScopedLogCapture Log;
	CheckedGroom::FitGroomToStaticMesh(Source, Plane, FVector::ZeroVector, ToFString(Dir / "short.abc"), ToFString(Dir / "short_fitted.abc"));
	EXPECT_EQ(Log.TextsAt(ELogVerbosity::Error).size(), 1u);
	EXPECT_EQ(Plane->NumTraces, 0);
	EXPECT_FALSE(std::filesystem::exists(Dir / "short_fitted.abc"));
}

TEST_F(FitFile, FailedWriteIsLoggedAndLeavesNoPartialFile)
{
	CheckedGroom::WriteGroom((Dir / "source.abc").string(), MakeRadialGroom(3));
	UCountingMeshComponent* Ball = PlaceMesh(Host::BuildSphere(6.f, 16, 32));

	// No folder to write into: the failure names the target and the system's reason, and the process goes on.
	{
		Host::FScopedLogCapture Log;
		EXPECT_NO_THROW(CheckedGroom::FitGroomToStaticMesh(Source, Ball, FVector::ZeroVector, ToFString(Dir / "source.abc"), ToFString(Dir / "no" / "such" / "fitted.abc")));
		const std::vector<std::string> Errors = Log.TextsAt(ELogVerbosity::Error);
		ASSERT_EQ(Errors.size(), 2u);
		EXPECT_EQ(Errors[1], "Could not open file: " + (Dir / "no" / "such" / "fitted.abc").string() + " (No such file or directory)");
		EXPECT_FALSE(std::filesystem::exists(Dir / "no"));
	}

	// Whatever lies beside the target, under any name, is left alone, and so is nothing of the fit's own.
	WriteBytes(Dir / "kept.abc", "an earlier fit");
	WriteBytes(Dir / "kept.abc.velmora-tmp", "someone else's file");
	CheckedGroom::FitGroomToStaticMesh(Source, Ball, FVector::ZeroVector, ToFString(Dir / "source.abc"), ToFString(Dir / "kept.abc"));
	bool bReadFailed = true;
	EXPECT_EQ(ReadGroom((Dir / "kept.abc").string(), bReadFailed).vertexCounts, std::vector<int32_t>(3, 8));
	EXPECT_FALSE(bReadFailed);
	EXPECT_EQ(ReadBytes(Dir / "kept.abc.velmora-tmp"), "someone else's file");
	EXPECT_EQ(VelmoraTest::Listing(Dir).size(), 3u) << "source.abc, kept.abc and the other file only";
}

namespace
{
	// A groom file that opens and gives its positions and counts, but whose widths block claims more
	// bytes than the file holds, so reading fails part way through the record.
	void WriteGroomWithDamagedWidths(const std::filesystem::path& Path, const GroomData& Groom)
	{
		CheckedGroom::WriteGroom(Path.string(), Groom);
		std::string Bytes = ReadBytes(Path);
		const std::string Widths(reinterpret_cast<const char*>(Groom.widths.data()), Groom.widths.size() * sizeof(float));
		const size_t At = Bytes.find(Widths);
		ASSERT_NE(At, std::string::npos);
		ASSERT_EQ(Bytes.find(Widths, At + 1), std::string::npos) << "the widths must be the only block with these bytes";
		// A data block is its 8-byte size, a 16-byte sample key, then the values.
		uint64_t Size = 0;
		std::memcpy(&Size, Bytes.data() + At - 24, 8);
		ASSERT_EQ(Size, 16 + Widths.size());
		Size = uint64_t(1) << 40;
		std::memcpy(Bytes.data() + At - 24, &Size, 8);
		WriteBytes(Path, Bytes);
	}
}

TEST_F(FitFile, SourceFailingPartWayIsNotFittedNorWritten)
{
	const GroomData Groom = MakeRadialGroom(3);
	WriteGroomWithDamagedWidths(Dir / "partial.abc", Groom);

	bool bReadFailed = false;
	const GroomData Partial = ReadGroom((Dir / "partial.abc").string(), bReadFailed);
	EXPECT_TRUE(bReadFailed);
	EXPECT_EQ(Partial.positions, Groom.positions) << "the fields before the failure are read";
	EXPECT_EQ(Partial.vertexCounts, Groom.vertexCounts);
	EXPECT_TRUE(Partial.widths.empty() && Partial.groomColors.empty() && Partial.surfaceNormals.empty());

	UCountingMeshComponent* Ball = PlaceMesh(Host::BuildSphere(6.f, 16, 32));
	WriteBytes(Dir / "earlier.abc", "an earlier fit");
	const std::vector<std::string> Before = VelmoraTest::Listing(Dir);
	for (const char* Target : {"earlier.abc", "new.abc"})
	{
		SCOPED_TRACE(Target);
		Host::FScopedLogCapture Log;
		CheckedGroom::FitGroomToStaticMesh(Source, Ball, FVector::ZeroVector, ToFString(Dir / "partial.abc"), ToFString(Dir / Target));

		const std::vector<std::string> Warnings = Log.TextsAt(ELogVerbosity::Warning);
		ASSERT_EQ(Warnings.size(), 1u);
		EXPECT_TRUE(Warnings[0].starts_with("Error reading Alembic file: ")) << Warnings[0];
		EXPECT_TRUE(Warnings[0].ends_with("\n"));
		EXPECT_EQ(Log.TextsAt(ELogVerbosity::Error),
		          std::vector<std::string>{"FitGroomToStaticMesh: could not read " + (Dir / "partial.abc").string() + "; " + (Dir / Target).string() + " was not written"});
		EXPECT_EQ(Log.GetLines().size(), 2u) << "no projection line: the half-read groom is not fitted";
		EXPECT_EQ(Ball->NumTraces, 0);
		EXPECT_EQ(ReadBytes(Dir / "earlier.abc"), "an earlier fit");
		EXPECT_EQ(VelmoraTest::Listing(Dir), Before) << "no target and no temporary file";
	}
}
