#include "CheckedGroomWrites.h"
#include "GroomTestUtils.h"

#include "Host/Log.h"

#include <Alembic/AbcCoreOgawa/All.h>
#include <Alembic/AbcGeom/All.h>

#include <algorithm>
#include <cerrno>
#include <streambuf>

using GroomTest::ExpectSameRecord;
using GroomTest::MakeGroom;

namespace
{
	std::string TempFile(const std::string& Name)
	{
		return (VelmoraTest::MakeTempDir("writer") / Name).string();
	}

	Alembic::AbcGeom::ICurves OpenGroomObject(Alembic::Abc::IArchive& Archive)
	{
		return Alembic::AbcGeom::ICurves(Archive.getTop(), "groom");
	}

	std::vector<Alembic::Abc::V2f> ReadUVs(const std::string& Path)
	{
		Alembic::Abc::IArchive Archive(Alembic::AbcCoreOgawa::ReadArchive(), Path);
		Alembic::AbcGeom::ICurves Curves = OpenGroomObject(Archive);
		Alembic::AbcGeom::IV2fGeomParam::Sample Sample;
		Curves.getSchema().getUVsParam().getExpanded(Sample, Alembic::Abc::ISampleSelector(Alembic::Abc::index_t(0)));
		return std::vector<Alembic::Abc::V2f>(Sample.getVals()->get(), Sample.getVals()->get() + Sample.getVals()->size());
	}

	// A destination that takes the first Accepted writes, then fails: each write short, each sync once a
	// write has failed, each with the next errno of Failures (the last over again).
	class FFailingDevice : public std::streambuf
	{
	public:
		FFailingDevice(int InAccepted, std::vector<int> InFailures)
		    : Accepted(InAccepted), Failures(std::move(InFailures))
		{
		}

		std::string Taken;
		int FailedCalls = 0;

	protected:
		std::streamsize xsputn(const char* Bytes, std::streamsize Count) override
		{
			if (Accepted > 0)
			{
				--Accepted;
				Taken.append(Bytes, static_cast<size_t>(Count));
				return Count;
			}
			Fail();
			return Count / 2;
		}

		int_type overflow(int_type Byte) override
		{
			const char Single = traits_type::to_char_type(Byte);
			return traits_type::eq_int_type(Byte, traits_type::eof()) || xsputn(&Single, 1) == 1 ? traits_type::not_eof(Byte) : traits_type::eof();
		}

		int sync() override
		{
			if (FailedCalls == 0)
			{
				return 0;
			}
			Fail();
			return -1;
		}

	private:
		void Fail()
		{
			errno = Failures[std::min(static_cast<size_t>(FailedCalls), Failures.size() - 1)];
			++FailedCalls;
		}

		int Accepted = 0;
		std::vector<int> Failures;
	};
}

TEST(GroomWriter, ReadsBackTheSameRecord)
{
	const GroomData Groom = MakeGroom({{0.1f, 0.2f, 0.3f, 0.1f, 1.2f, 0.3f, 0.1f, 2.2f, 0.3f}, {-1, 0, 0.5f, -1, 1, 0.5f}});
	const std::string Path = TempFile("roundtrip.abc");
	CheckedGroom::WriteGroom(Path, Groom);
	ExpectSameRecord(ReadGroom(Path), Groom);
}

TEST(GroomWriter, TexCoordsRunFromRootToTipPerStrand)
{
	GroomData Groom = MakeGroom({{0, 0, 0, 0, 1, 0, 0, 2, 0}, {1, 0, 0, 1, 1, 0}, {2, 0, 0}, {}, {3, 0, 0, 3, 1, 0, 3, 2, 0, 3, 3, 0}});
	const std::string Path = TempFile("uvs.abc");
	CheckedGroom::WriteGroom(Path, Groom);
	const std::vector<Alembic::Abc::V2f> UVs = ReadUVs(Path);
	// 3 points, 2 points, one point (u = 0, not NaN), no points, 4 points with a float reciprocal.
	const std::vector<float> ExpectedU = {0.0f, 0.5f, 1.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.333333343f, 0.666666687f, 1.0f};
	ASSERT_EQ(UVs.size(), ExpectedU.size());
	for (size_t Index = 0; Index < UVs.size(); ++Index)
	{
		EXPECT_EQ(UVs[Index].x, ExpectedU[Index]) << "uv " << Index;
		EXPECT_EQ(UVs[Index].y, 0.0f);
	}
}

// The engine's groom import reads a width or a colour by the scope it is labelled with, unchecked, so each
// is labelled with the scope its count fits, and what fits none is left out, said in a line.
TEST(GroomWriter, LabelsWidthsAndColoursWithTheScopeTheirCountFits)
{
	struct FCase
	{
		size_t Widths;
		size_t Colours;
		const char* WidthScope;
		const char* ColourScope;
		size_t LinesLeftOut;
	};
	// Two strands of three and two points.
	const FCase Cases[] = {
	    {5, 5, "vtx", "vtx", 0},
	    {2, 2, "uni", "vtx", 0},
	    {1, 1, "con", "con", 0},
	    {0, 0, nullptr, nullptr, 0},
	    {3, 4, nullptr, nullptr, 2},
	};
	for (const FCase& Case : Cases)
	{
		GroomData Groom = MakeGroom({{0, 0, 0, 0, 1, 0, 0, 2, 0}, {1, 0, 0, 1, 1, 0}});
		Groom.widths.assign(Case.Widths, 0.25f);
		Groom.groomColors.assign(3 * Case.Colours, 0.5f);
		const std::string Path = TempFile("scopes.abc");
		std::vector<std::string> LeftOut;
		CheckedGroom::WriteGroomQuietly(Path, Groom, {}, &LeftOut);
		EXPECT_EQ(LeftOut.size(), Case.LinesLeftOut) << Case.Widths << " widths, " << Case.Colours << " colours";

		Alembic::Abc::IArchive Archive(Alembic::AbcCoreOgawa::ReadArchive(), Path);
		const Alembic::AbcGeom::ICurvesSchema Schema = OpenGroomObject(Archive).getSchema();
		const Alembic::Abc::PropertyHeader* const Width = Schema.getPropertyHeader("width");
		const Alembic::Abc::PropertyHeader* const Colour = Schema.getArbGeomParams().getPropertyHeader("groom_color");
		ASSERT_EQ(Width != nullptr, Case.WidthScope != nullptr) << Case.Widths << " widths";
		ASSERT_EQ(Colour != nullptr, Case.ColourScope != nullptr) << Case.Colours << " colours";
		if (Width)
		{
			EXPECT_EQ(Width->getMetaData().get("geoScope"), Case.WidthScope);
			EXPECT_EQ(Colour->getMetaData().get("geoScope"), Case.ColourScope);
			testing::internal::CaptureStderr();
			const GroomData Back = ReadGroom(Path);
			testing::internal::GetCapturedStderr();
			ExpectSameRecord(Back, Groom);
		}
	}
}

TEST(GroomWriter, EmptyRecordIsWrittenWithoutWidthsOrColours)
{
	const std::string Path = TempFile("empty.abc");
	CheckedGroom::WriteGroom(Path, GroomData());

	Alembic::Abc::IArchive Archive(Alembic::AbcCoreOgawa::ReadArchive(), Path);
	Alembic::AbcGeom::ICurves Curves = OpenGroomObject(Archive);
	EXPECT_EQ(Curves.getSchema().getNumSamples(), 1u);
	EXPECT_FALSE(Curves.getSchema().getWidthsParam().valid());
	const Alembic::Abc::ICompoundProperty Arb = Curves.getSchema().getArbGeomParams();
	EXPECT_EQ(Arb.getPropertyHeader("groom_color"), nullptr);
	const Alembic::Abc::IV3fArrayProperty Normals(Arb, "surface_normal");
	EXPECT_EQ(Normals.getNumSamples(), 1u);
	EXPECT_EQ(Normals.getMetaData().get("geoScope"), "vtx");
	EXPECT_EQ(Normals.getMetaData().get("interpretation"), "vector");

	testing::internal::CaptureStderr();
	const GroomData Back = ReadGroom(Path);
	EXPECT_EQ(testing::internal::GetCapturedStderr(), "Propertygroom_color not found.\n");
	ExpectSameRecord(Back, GroomData());
}

TEST(GroomWriter, TrailingPartialTripleIsDropped)
{
	GroomData Groom = MakeGroom({{0, 0, 0, 0, 1, 0}});
	Groom.groomColors.push_back(0.75f);
	Groom.surfaceNormals.insert(Groom.surfaceNormals.end(), {1.0f, 2.0f});
	const std::string Path = TempFile("partial.abc");
	CheckedGroom::WriteGroom(Path, Groom);
	const GroomData Back = ReadGroom(Path);
	EXPECT_EQ(Back.groomColors, (std::vector<float>{0.5f, 0.25f, 0.125f}));
	EXPECT_EQ(Back.surfaceNormals, (std::vector<float>{0.0f, 0.0f, 1.0f}));
}

TEST(GroomWriter, ReplacesAnExistingFileAndSaysWhereItWrites)
{
	const std::string Path = TempFile("replace.abc");
	{
		std::ofstream Existing(Path);
		Existing << "an older file";
	}
	const GroomData Groom = MakeGroom({{5, 6, 7}});
	testing::internal::CaptureStdout();
	CheckedGroom::WriteGroom(Path, Groom);
	EXPECT_EQ(testing::internal::GetCapturedStdout(), "writing to file: " + Path + "\n");
	ExpectSameRecord(ReadGroom(Path), Groom);
}

TEST(GroomWriter, UnwritablePathThrows)
{
	const std::string Path = TempFile("no-such-dir") + "/groom.abc";
	testing::internal::CaptureStdout();
	EXPECT_THROW(CheckedGroom::WriteGroom(Path, MakeGroom({{0, 0, 0}})), std::exception);
	testing::internal::GetCapturedStdout();
}

// What the library writes through: after the disk fails it still takes every byte and answers every
// position as if written, so the library never sees a failure; the first reason is kept for the end.
TEST(GroomFileSink, NeverFailsTheWriterAndKeepsTheFirstReason)
{
	if (!std::ofstream("/dev/full").is_open())
	{
		GTEST_SKIP() << "/dev/full is not available here";
	}
	FGroomFileSink Sink;
	ASSERT_TRUE(Sink.Open("/dev/full"));
	std::ostream Stream(&Sink);
	Stream.exceptions(std::ios::failbit | std::ios::badbit);
	const std::string Block(100000, 'x');
	Stream.write(Block.data(), std::streamsize(Block.size())).flush();
	EXPECT_TRUE(Sink.HasFailed());
	EXPECT_EQ(Stream.tellp(), std::streampos(100000));
	Stream.seekp(5).write("y", 1).flush();
	EXPECT_EQ(Stream.tellp(), std::streampos(6));
	Stream.seekp(0, std::ios::end);
	EXPECT_EQ(Stream.tellp(), std::streampos(100000));
	EXPECT_TRUE(Stream.good());
	EXPECT_FALSE(Sink.Close());
	EXPECT_EQ(Sink.GetReason(), "No space left on device");
}

// A disk that fills, then fails the flush at close for another reason: the cause is the first.
TEST(GroomFileSink, KeepsTheFirstOfDifferentFailures)
{
	FFailingDevice Device(1, {ENOSPC, EDQUOT, EFBIG});
	FGroomFileSink Sink;
	Sink.Open(Device);
	{
		std::ostream Stream(&Sink);
		Stream.exceptions(std::ios::failbit | std::ios::badbit);
		Stream.write("head", 4).write("body", 4).write("tail", 4).flush();
		EXPECT_EQ(Stream.tellp(), std::streampos(12));
	}
	EXPECT_FALSE(Sink.Close());
	EXPECT_EQ(Device.Taken, "head");
	ASSERT_GE(Device.FailedCalls, 2) << "the sink saw one failure only";
	EXPECT_EQ(Sink.GetError(), ENOSPC);
	EXPECT_EQ(Sink.GetReason(), "No space left on device");
}

// A short write that leaves errno alone is a failure all the same, with a reason of its own.
TEST(GroomFileSink, AFailureWithoutAnErrnoIsStillAFailedWrite)
{
	FFailingDevice Device(0, {0});
	FGroomFileSink Sink;
	Sink.Open(Device);
	{
		std::ostream Stream(&Sink);
		Stream.write("0123456789", 10).flush();
		EXPECT_TRUE(Stream.good());
	}
	EXPECT_TRUE(Sink.HasFailed());
	EXPECT_FALSE(Sink.Close());
	EXPECT_EQ(Sink.GetError(), EIO);
	EXPECT_EQ(Sink.GetReason(), "Input/output error");
}

TEST(GroomFileSink, WritesSeeksAndPatchesLikeAFile)
{
	const std::string Path = TempFile("sink.bin");
	FGroomFileSink Sink;
	ASSERT_TRUE(Sink.Open(Path));
	{
		std::ostream Stream(&Sink);
		Stream << "0123456789";
		Stream.seekp(2).write("ab", 2);
		Stream.seekp(0, std::ios::end).write("!", 1);
		EXPECT_EQ(Stream.tellp(), std::streampos(11));
	}
	EXPECT_TRUE(Sink.Close());
	EXPECT_FALSE(Sink.HasFailed());
	EXPECT_EQ(GroomTest::ReadText(Path), "01ab456789!");
}
