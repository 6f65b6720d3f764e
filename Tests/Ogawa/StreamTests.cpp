// Archives read from a caller's istreams and written to a caller's ostream (the route for file names
// the library cannot open itself), and writes that fail as the library's do.

#include "../../Host/Alembic/src/AbcCoreOgawa/WriteStrategy.h"
#include "../../Host/Alembic/src/Ogawa/OArchive.h"

#include <Alembic/AbcCoreOgawa/All.h>
#include <Alembic/AbcGeom/All.h>

#include "TestPaths.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <sys/resource.h>

namespace
{
	using namespace Alembic::AbcGeom;

	// Serves a string's bytes and counts how many it handed out.
	class FCountingBuf : public std::stringbuf
	{
	public:
		explicit FCountingBuf(const std::string& Bytes)
		    : std::stringbuf(Bytes, std::ios::in) {}
		size_t Served = 0;

	protected:
		std::streamsize xsgetn(char* Out, std::streamsize Count) override
		{
			const std::streamsize Got = std::stringbuf::xsgetn(Out, Count);
			Served += size_t(Got);
			return Got;
		}
		int_type uflow() override
		{
			++Served;
			return std::stringbuf::uflow();
		}
	};

	// One curves object with Points floats of positions and a small widths array.
	void WriteCurves(OArchive& Archive, size_t Points)
	{
		std::vector<V3f> Positions(Points);
		for (size_t i = 0; i < Points; ++i)
		{
			Positions[i] = V3f(float(i), float(i % 7), -float(i));
		}
		const std::vector<int32_t> Counts(Points / 4, 4);
		const std::vector<float> Widths(Points, 0.5f);
		OCurves Curves(Archive.getTop(), "groom");
		Curves.getSchema().set(OCurvesSchema::Sample(P3fArraySample(Positions), Int32ArraySample(Counts), kCubic, kNonPeriodic,
		                                             OFloatGeomParam::Sample(FloatArraySample(Widths), kVertexScope)));
	}

	std::string ArchiveBytes(size_t Points)
	{
		std::ostringstream Out;
		{
			OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive()(&Out, MetaData()), kWrapExisting);
			WriteCurves(Archive, Points);
		}
		return Out.str();
	}

	IArchive OpenStreams(std::vector<std::istream*> Streams)
	{
		return IArchive(Alembic::AbcCoreOgawa::ReadArchive(Streams), "ignored", ErrorHandler::kThrowPolicy, ReadArraySampleCachePtr());
	}

	std::string OpenError(std::vector<std::istream*> Streams)
	{
		try
		{
			OpenStreams(std::move(Streams));
		}
		catch (const std::exception& Error)
		{
			return Error.what();
		}
		return "no error";
	}

	const std::string OpenContext = "IArchive::IArchive( iFileName )\nERROR: EXCEPTION:\n";
}

TEST(OgawaStreams, AStreamAtAnOffsetHoldsTheSameBytesAsANamedFile)
{
	const std::string Path = (VelmoraTest::MakeTempDir("streams") / "named.abc").string();
	{
		OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive(), Path);
		WriteCurves(Archive, 64);
	}
	std::ifstream Named(Path, std::ios::binary);
	const std::string NamedBytes((std::istreambuf_iterator<char>(Named)), std::istreambuf_iterator<char>());

	// Positions count from where the stream stood, so a prefix changes nothing in the archive.
	std::ostringstream Out;
	Out << "prefix";
	{
		OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive()(&Out, MetaData()), kWrapExisting);
		WriteCurves(Archive, 64);
	}
	EXPECT_EQ(Out.str(), "prefix" + NamedBytes);

	std::istringstream In(Out.str());
	In.seekg(6);
	const IArchive Read = OpenStreams({&In});
	const ICurvesSchema Schema = ICurves(Read.getTop().getChild(0), kWrapExisting).getSchema();
	const P3fArraySamplePtr Positions = Schema.getValue().getPositions();
	ASSERT_EQ(Positions->size(), 64u);
	EXPECT_EQ((*Positions)[63], V3f(63, 0, -63));
}

TEST(OgawaStreams, ReadsOnlyWhatIsAskedForAndSamplesOutliveTheArchive)
{
	const std::string Bytes = ArchiveBytes(1 << 18);
	FCountingBuf Buffer(Bytes);
	std::istream In(&Buffer);
	Int32ArraySamplePtr Counts;
	P3fArraySamplePtr Positions;
	{
		const IArchive Read = OpenStreams({&In});
		const ICurvesSchema Schema = ICurves(Read.getTop().getChild(0), kWrapExisting).getSchema();
		Counts = Schema.getNumVerticesProperty().getValue();
		// The 3 MB of positions were not read for the headers and the counts.
		EXPECT_LT(Buffer.Served, Bytes.size() / 8);
		Positions = Schema.getPositionsProperty().getValue();
	}
	ASSERT_EQ(Counts->size(), size_t(1 << 16));
	EXPECT_EQ((*Counts)[0], 4);
	ASSERT_EQ(Positions->size(), size_t(1 << 18));
	EXPECT_EQ((*Positions)[1000], V3f(1000, 1000 % 7, -1000));
	EXPECT_LT(Buffer.Served, Bytes.size() + Bytes.size() / 4);
}

// The benchmark compares both ways of storing a large new sample; they must make the same file.
TEST(OgawaStreams, BothWaysOfStoringALargeSampleWriteTheSameBytes)
{
	const std::string Dir = VelmoraTest::MakeTempDir("strategies").string();
	std::string Bytes[2];
	for (const bool bHashWhileWriting : {false, true})
	{
		Alembic::AbcCoreOgawa::HostOnly::SetHashWhileWriting(bHashWhileWriting);
		const std::string Path = Dir + (bHashWhileWriting ? "/while.abc" : "/first.abc");
		{
			// 6 MB of positions: above the size where hashing while writing starts.
			OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive(), Path);
			WriteCurves(Archive, 1 << 19);
		}
		std::ifstream File(Path, std::ios::binary);
		Bytes[bHashWhileWriting] = std::string((std::istreambuf_iterator<char>(File)), std::istreambuf_iterator<char>());
	}
	Alembic::AbcCoreOgawa::HostOnly::SetHashWhileWriting(false);
	EXPECT_GT(Bytes[0].size(), size_t(6) << 20);
	EXPECT_TRUE(Bytes[0] == Bytes[1]);
}

TEST(OgawaStreams, OpenFailuresUseTheStreamWording)
{
	std::istringstream Empty("");
	EXPECT_EQ(OpenError({&Empty}), OpenContext + "Could not open as Ogawa file from provided streams.");

	std::string Unfrozen = ArchiveBytes(8);
	Unfrozen[5] = 0;
	std::istringstream Open(Unfrozen);
	EXPECT_EQ(OpenError({&Open}), OpenContext + "Ogawa streams not cleanly closed while being written. ");

	const std::string Whole = ArchiveBytes(8);
	std::istringstream Cut(Whole.substr(0, Whole.size() - 8));
	EXPECT_EQ(OpenError({&Cut}), OpenContext + "Ogawa IStreams::read failed.");

	// Several streams must hold the same archive.
	std::istringstream First(Whole);
	std::istringstream Other(ArchiveBytes(12));
	EXPECT_EQ(OpenError({&First, &Other}), OpenContext + "Could not open as Ogawa file from provided streams.");
	std::istringstream Same1(Whole);
	std::istringstream Same2(Whole);
	EXPECT_NO_THROW(OpenStreams({&Same1, &Same2}));
}

TEST(OgawaStreams, TheCallersStreamGetsEachWriteAtOnceAndThrowsWhenItFails)
{
	// As the library does: failbit | badbit exceptions, the header at once, every write flushed through.
	std::ostringstream Out;
	Out << "prefix";
	{
		Alembic::Ogawa::OStream Stream(&Out);
		EXPECT_EQ(Out.exceptions(), std::ios::failbit | std::ios::badbit);
		EXPECT_EQ(Out.str().size(), 6u + 16u);
		const std::vector<uint8_t> Block(100, 7);
		EXPECT_EQ(Stream.write(Block.data(), Block.size()), 16u);
		EXPECT_EQ(Out.str().size(), 6u + 16u + 100u);
	}

	std::ofstream Full("/dev/full", std::ios::binary);
	if (!Full.is_open())
	{
		GTEST_SKIP() << "/dev/full is not available here";
	}
	EXPECT_THROW(Alembic::Ogawa::OStream Stream(&Full), std::ios_base::failure);
}

TEST(OgawaStreams, AFullDiskFailsTheWriteWithTheSystemsReason)
{
	if (!std::ofstream("/dev/full").is_open())
	{
		GTEST_SKIP() << "/dev/full is not available here";
	}
	// The header goes to disk at once, so the first write fails where the stream is made.
	try
	{
		Alembic::Ogawa::OStream Stream("/dev/full");
		ADD_FAILURE() << "the header was written to a full disk";
	}
	catch (const std::runtime_error& Error)
	{
		EXPECT_EQ(std::string(Error.what()), "Ogawa OStream::write failed: No space left on device");
	}
}

TEST(OgawaStreamsDeathTest, WritesBeyondTheFileSizeLimitFailWithTheSystemsReason)
{
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	const std::string Dir = VelmoraTest::MakeTempDir("fsize").string();
	const auto Child = [&Dir]
	{
		std::signal(SIGXFSZ, SIG_IGN);
		const rlimit Limit{64 * 1024, 64 * 1024};
		setrlimit(RLIMIT_FSIZE, &Limit);
		const std::vector<uint8_t> Block(40 * 1024, 7);
		int Failures = 0;
		{
			// A patch of bytes already on disk comes after a flush of the rest, which runs over the limit.
			Alembic::Ogawa::OStream Stream(Dir + "/patch.bin");
			Stream.write(Block.data(), Block.size());
			Stream.flush();
			Stream.write(Block.data(), Block.size());
			try
			{
				const uint8_t Byte = 1;
				Stream.patch(0, &Byte, 1);
			}
			catch (const std::runtime_error& Error)
			{
				Failures += std::string(Error.what()) == "Ogawa OStream::write failed: File too large";
			}
		}
		{
			// An archive whose last blocks cannot be written: close reports it.
			Alembic::Ogawa::OArchive Archive(Dir + "/archive.abc");
			const std::vector<uint8_t> Big(70 * 1024, 3);
			Archive.getGroup()->addData(Block.data(), 1000);
			try
			{
				Archive.getGroup()->addData(Big.data(), Big.size());
				Archive.close();
			}
			catch (const std::runtime_error& Error)
			{
				Failures += std::string(Error.what()) == "Ogawa OStream::write failed: File too large";
			}
		}
		std::cerr << "failures reported: " << Failures;
		std::exit(Failures == 2 ? 0 : 1);
	};
	EXPECT_EXIT(Child(), testing::ExitedWithCode(0), "failures reported: 2");
}
