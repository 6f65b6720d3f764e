// Where this implementation is deliberately safer than the reference library (which crashes or
// writes a broken file in these cases), and how its large-sample write path stays equivalent.

#include <Alembic/AbcCoreOgawa/All.h>
#include <Alembic/AbcGeom/All.h>
#include <Alembic/Util/Murmur3.h>

#include "Host/Log.h"
#include "TestPaths.h"
#include "alembicIO.h"

#include <gtest/gtest.h>

namespace
{
	using namespace Alembic::AbcGeom;

	IArchive Open(const std::string& Path)
	{
		return IArchive(Alembic::AbcCoreOgawa::ReadArchive(), Path);
	}

	TEST(Stricter, MetaDataThatCannotBeStoredIsRefusedWhenSet)
	{
		MetaData Values;
		EXPECT_THROW(Values.set("a;b", "c"), Alembic::Util::Exception);
		EXPECT_THROW(Values.set("key", "x=y"), Alembic::Util::Exception);
		EXPECT_EQ(Values.size(), 0u);
	}

	TEST(Stricter, AbsentCompoundsAndParamsAnswerEmpty)
	{
		const ICompoundProperty Invalid;
		EXPECT_EQ(Invalid.getNumProperties(), 0u);
		EXPECT_EQ(Invalid.getPropertyHeader("groom_color"), nullptr);
		const IFloatGeomParam Absent;
		EXPECT_FALSE(Absent.getExpandedValue().valid());
		EXPECT_FALSE(Absent.getIndexedValue().valid());
	}

	TEST(Stricter, LargeSamplesAreKeyedAndDeduplicatedLikeSmallOnes)
	{
		// Over the size at which the bytes are written while they are hashed.
		std::vector<V3f> Points(600000);
		for (size_t i = 0; i < Points.size(); ++i)
		{
			Points[i] = V3f(float(i), 1.0f, 2.0f);
		}
		const std::string Path = (VelmoraTest::MakeTempDir("large") / "large.abc").string();
		{
			OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive(), Path);
			OCompoundProperty Top = Archive.getTop().getProperties();
			OV3fArrayProperty First(Top, "first");
			OV3fArrayProperty Second(Top, "second");
			First.set(V3fArraySample(Points));
			First.set(V3fArraySample(Points));
			Second.set(V3fArraySample(Points));
		}
		const auto FileSize = std::filesystem::file_size(Path);
		EXPECT_LT(FileSize, Points.size() * sizeof(V3f) + 4096) << "the repeated and shared samples must not be stored again";

		IArchive Archive = Open(Path);
		const ICompoundProperty Top = Archive.getTop().getProperties();
		const IV3fArrayProperty First(Top, "first");
		EXPECT_EQ(First.getNumSamples(), 2u);
		EXPECT_TRUE(First.isConstant());
		Alembic::AbcCoreAbstract::ArraySampleKey Key;
		First.getKey(Key);
		EXPECT_EQ(Key.numBytes, Points.size() * sizeof(V3f));
		EXPECT_EQ(Key.digest, Alembic::Util::MurmurHash3_x64_128(Points.data(), Points.size() * sizeof(V3f)));
		const V3fArraySamplePtr Read = IV3fArrayProperty(Top, "second").getValue();
		ASSERT_EQ(Read->size(), Points.size());
		EXPECT_EQ((*Read)[599999], Points[599999]);
	}

	// The reference library expands an index past the values by reading outside them; here the
	// expansion fails. (The groom reader resolves widths indices itself, checked, for the real library.)
	TEST(Stricter, AnIndexPastTheValuesFailsTheExpansion)
	{
		const std::string Path = (VelmoraTest::MakeTempDir("bad-index") / "groom.abc").string();
		const std::vector<V3f> Points = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}};
		const std::vector<int32_t> Counts = {2, 1};
		const std::vector<float> Widths = {0.1f, 0.2f};
		const std::vector<uint32_t> Indices = {0, 1, 7};
		{
			OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive(), Path);
			OCurves Curves(Archive.getTop(), "groom");
			Curves.getSchema().set(OCurvesSchema::Sample(P3fArraySample(Points), Int32ArraySample(Counts), kCubic, kNonPeriodic,
			                                             OFloatGeomParam::Sample(FloatArraySample(Widths), UInt32ArraySample(Indices), kVertexScope)));
		}
		IArchive Archive = Open(Path);
		IFloatGeomParam::Sample Expanded;
		try
		{
			ICurves(Archive.getTop(), "groom").getSchema().getWidthsParam().getExpanded(Expanded);
			ADD_FAILURE() << "the index past the values was expanded";
		}
		catch (const Alembic::Util::Exception& Error)
		{
			EXPECT_NE(std::string(Error.what()).find("Index 7"), std::string::npos) << Error.what();
		}
	}
}
