// Writer behaviour: what the curves schema creates, when, and what reads back.

#include "AlembicErrors.h"
#include "TestPaths.h"

#include <Alembic/AbcCoreOgawa/All.h>
#include <Alembic/AbcGeom/All.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sys/resource.h>

namespace
{
	using namespace Alembic::AbcGeom;

	using VelmoraTest::ErrorOf;

	std::string TempFile(const std::string& Name)
	{
		return (VelmoraTest::MakeTempDir("write") / Name).string();
	}

	IArchive Open(const std::string& Path)
	{
		return IArchive(Alembic::AbcCoreOgawa::ReadArchive(), Path, ErrorHandler::kThrowPolicy, ReadArraySampleCachePtr());
	}

	ICurvesSchema ReadGroom(const IArchive& Archive)
	{
		return ICurves(Archive.getTop().getChild("groom"), kWrapExisting).getSchema();
	}

	std::vector<std::string> PropertyNames(const ICompoundProperty& Compound)
	{
		std::vector<std::string> Names;
		for (size_t i = 0; i < Compound.getNumProperties(); ++i)
		{
			Names.push_back(Compound.getPropertyHeader(i).getName());
		}
		return Names;
	}

	// The two-strand groom of the API notes' example.
	struct FExampleGroom
	{
		std::vector<V3f> Points = {{0, 0, 0}, {0, 1, 0}, {0, 2, 0}, {0, 3, 0}, {1, 0, 0}, {1, 1, 0.5f}, {1, 2, 1}, {1, 3, 1.5f}};
		std::vector<int32_t> Counts = {4, 4};
		std::vector<float> Widths = {0.1f, 0.09f, 0.08f, 0.07f, 0.1f, 0.09f, 0.08f, 0.07f};
		std::vector<V2f> Uvs = {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}};

		OCurvesSchema::Sample Sample() const
		{
			return OCurvesSchema::Sample(P3fArraySample(Points), Int32ArraySample(Counts), kCubic, kNonPeriodic,
			                             OFloatGeomParam::Sample(FloatArraySample(Widths), kVertexScope), OV2fGeomParam::Sample(V2fArraySample(Uvs), kVertexScope));
		}
	};

	TEST(WriteCurves, LaysOutTheSchemaPropertiesInCreationOrder)
	{
		const std::string Path = TempFile("groom.abc");
		const FExampleGroom Groom;
		{
			OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive(), Path);
			OCurves Curves(Archive.getTop(), "groom");
			Curves.getSchema().set(Groom.Sample());
			MetaData Attributes;
			Attributes.set("geoScope", "vtx");
			Attributes.set("interpretation", "vector");
			OV3fArrayProperty Direction(Curves.getSchema().getArbGeomParams(), "groom_guide_dir", Attributes);
			Direction.set(V3fArraySample(std::vector<V3f>(8, V3f(0, 1, 0))));
		}
		IArchive Archive = Open(Path);
		const IObject Object = Archive.getTop().getChild("groom");
		EXPECT_EQ(Object.getMetaData().serialize(), "schema=AbcGeom_Curve_v2;schemaBaseType=AbcGeom_GeomBase_v1;schemaObjTitle=AbcGeom_Curve_v2:.geom");
		const ICurvesSchema Schema = ReadGroom(Archive);
		EXPECT_EQ(Schema.getMetaData().serialize(), "schema=AbcGeom_Curve_v2;schemaBaseType=AbcGeom_GeomBase_v1");
		EXPECT_EQ(PropertyNames(Schema), (std::vector<std::string>{".selfBnds", "P", "nVertices", "curveBasisAndType", "uv", "width", ".arbGeomParams"}));
		EXPECT_EQ(Schema.getPropertyHeader("P")->getMetaData().serialize(), "geoScope=vtx;interpretation=point");
		EXPECT_EQ(Schema.getPropertyHeader("nVertices")->getMetaData().serialize(), "");
		EXPECT_EQ(Schema.getPropertyHeader("uv")->getMetaData().serialize(),
		          "arrayExtent=1;geoScope=vtx;interpretation=vector;isGeomParam=true;podExtent=2;podName=float32_t");
		EXPECT_EQ(Schema.getPropertyHeader("width")->getMetaData().serialize(), "arrayExtent=1;geoScope=vtx;isGeomParam=true;podExtent=1;podName=float32_t");
		EXPECT_EQ(Schema.getArbGeomParams().getPropertyHeader("groom_guide_dir")->getMetaData().serialize(), "geoScope=vtx;interpretation=vector");

		const ICurvesSchema::Sample Sample = Schema.getValue();
		EXPECT_EQ(Sample.getSelfBounds(), Box3d(V3d(0, 0, 0), V3d(1, 3, 1.5)));
		EXPECT_EQ(Sample.getType(), kCubic);
		EXPECT_EQ(Sample.getWrap(), kNonPeriodic);
		EXPECT_EQ(Sample.getBasis(), kBezierBasis);
		EXPECT_EQ(Sample.getNumCurves(), 2u);
		EXPECT_EQ(Sample.getPositionWeights(), nullptr);
		EXPECT_EQ(Sample.getOrders(), nullptr);
		EXPECT_EQ(Sample.getVelocities(), nullptr);
		EXPECT_FALSE(Schema.getNormalsParam().valid());
	}

	TEST(WriteCurves, DistinguishesAbsentFromEmptyOptionalParts)
	{
		const std::string Path = TempFile("emptyvec.abc");
		const FExampleGroom Groom;
		const std::vector<float> NoFloats;
		const std::vector<uint8_t> NoOrders;
		{
			OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive(), Path);
			OCurves Curves(Archive.getTop(), "groom");
			Curves.getSchema().set(OCurvesSchema::Sample(P3fArraySample(Groom.Points), Int32ArraySample(Groom.Counts), kLinear, kPeriodic,
			                                             OFloatGeomParam::Sample(), OV2fGeomParam::Sample(), ON3fGeomParam::Sample(), kCatmullromBasis, FloatArraySample(NoFloats),
			                                             UcharArraySample(NoOrders), FloatArraySample(NoFloats)));
		}
		IArchive Archive = Open(Path);
		const ICurvesSchema Schema = ReadGroom(Archive);
		EXPECT_EQ(PropertyNames(Schema), (std::vector<std::string>{".selfBnds", "P", "nVertices", "curveBasisAndType", "w", ".orders", ".knots"}));
		const ICurvesSchema::Sample Sample = Schema.getValue();
		ASSERT_NE(Sample.getPositionWeights(), nullptr);
		EXPECT_EQ(Sample.getPositionWeights()->size(), 0u);
		EXPECT_EQ(Sample.getOrders()->size(), 0u);
		EXPECT_EQ(Sample.getType(), kLinear);
		EXPECT_EQ(Sample.getWrap(), kPeriodic);
		EXPECT_EQ(Sample.getBasis(), kCatmullromBasis);
	}

	TEST(WriteCurves, BackFillsPartsThatAppearLaterAndRepeatsMissingOnes)
	{
		const std::string Path = TempFile("later.abc");
		const FExampleGroom Groom;
		{
			OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive(), Path);
			OCurves Curves(Archive.getTop(), "groom");
			OCurvesSchema& Schema = Curves.getSchema();
			Schema.set(OCurvesSchema::Sample(P3fArraySample(Groom.Points), Int32ArraySample(Groom.Counts), kLinear));
			Schema.set(Groom.Sample());
			// Positions only: type, wrap and basis go back to their defaults; widths repeat.
			Schema.set(OCurvesSchema::Sample(P3fArraySample(Groom.Points)));
			EXPECT_EQ(Schema.getNumSamples(), 3u);
		}
		IArchive Archive = Open(Path);
		const ICurvesSchema Schema = ReadGroom(Archive);
		const IFloatGeomParam Widths = Schema.getWidthsParam();
		ASSERT_EQ(Widths.getNumSamples(), 3u);
		EXPECT_EQ(Widths.getExpandedValue(ISampleSelector(index_t(0))).getVals()->size(), 0u);
		EXPECT_EQ(Widths.getExpandedValue(ISampleSelector(index_t(1))).getVals()->size(), 8u);
		EXPECT_EQ(Widths.getExpandedValue(ISampleSelector(index_t(2))).getVals()->size(), 8u);
		EXPECT_EQ(Schema.getValue(ISampleSelector(index_t(0))).getType(), kLinear);
		EXPECT_EQ(Schema.getValue(ISampleSelector(index_t(2))).getType(), kCubic);
		EXPECT_TRUE(Schema.getPositionsProperty().isConstant());
		EXPECT_EQ(Schema.getValue(ISampleSelector(index_t(2))).getCurvesNumVertices()->size(), 2u);
	}

	TEST(WriteCurves, BoundsMatchImathOverEveryPointAndAreEmptyWithoutPoints)
	{
		const std::vector<V3f> Points = {{3, -1, 2}, {-4, 5, 0.5f}, {1e30f, -1e-30f, -7}, {0, 0, 0}};
		Box3d Expected;
		for (const V3f& Point : Points)
		{
			Expected.extendBy(V3d(Point));
		}
		EXPECT_EQ(ComputeBoundsFromPositions(P3fArraySample(Points)), Expected);
		EXPECT_EQ(ComputeBoundsFromPositions(P3fArraySample(std::vector<V3f>())), Box3d());
	}

	TEST(WriteCurves, CurvesWithoutSamplesCannotBeRead)
	{
		const std::string Path = TempFile("nosample.abc");
		{
			OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive(), Path);
			OCurves Curves(Archive.getTop(), "groom");
			EXPECT_EQ(ErrorOf([&]
			                  { Curves.getSchema().set(OCurvesSchema::Sample()); }),
			          "OCurvesSchema::set()\nERROR: EXCEPTION:\nSample 0 must have valid data for all mesh components");
		}
		IArchive Archive = Open(Path);
		const ICurvesSchema Schema = ReadGroom(Archive);
		EXPECT_EQ(Schema.getNumSamples(), 0u);
		EXPECT_EQ(ErrorOf([&]
		                  { Schema.getValue(); }),
		          "ICurvesSchema::get()\nERROR: EXCEPTION:\nIArrayProperty::get()\nERROR: EXCEPTION:\nInvalid sample index: -1, should be between 0 and 4294967295");
	}

	TEST(WriteArchive, FileIsCompleteOnlyWhenEveryHandleIsGone)
	{
		const std::string Path = TempFile("open.abc");
		const FExampleGroom Groom;
		OCurves Curves;
		{
			OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive(), Path);
			Curves = OCurves(Archive.getTop(), "groom");
			Curves.getSchema().set(Groom.Sample());
		}
		EXPECT_EQ(ErrorOf([&]
		                  { Open(Path); }),
		          "IArchive::IArchive( iFileName )\nERROR: EXCEPTION:\nOgawa file not cleanly closed while being written: " + Path);
		Curves.reset();
		EXPECT_EQ(ReadGroom(Open(Path)).getNumSamples(), 1u);
	}

	TEST(WriteArchive, ReportsUnwritablePaths)
	{
		EXPECT_EQ(ErrorOf([]
		                  { OArchive(Alembic::AbcCoreOgawa::WriteArchive(), "no/such/dir/x.abc"); }),
		          "OArchive::OArchive( iFileName )\nERROR: EXCEPTION:\nCould not open file: no/such/dir/x.abc");
	}

	TEST(WriteArchive, SharesEqualTimeSamplingsAndCountsTheirSamples)
	{
		const std::string Path = TempFile("anim.abc");
		FExampleGroom Groom;
		{
			OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive(), Path);
			const uint32_t Index = Archive.addTimeSampling(TimeSampling(1.0 / 24.0, 1.0));
			EXPECT_EQ(Index, 1u);
			EXPECT_EQ(Archive.addTimeSampling(TimeSampling(1.0 / 24.0, 1.0)), 1u);
			EXPECT_EQ(Archive.addTimeSampling(TimeSampling()), 0u);
			OCurves Curves(Archive.getTop(), "groom", Index);
			OV3fArrayProperty Static(Curves.getSchema().getArbGeomParams(), "static_dir");
			Static.set(V3fArraySample(std::vector<V3f>(8, V3f(0, 1, 0))));
			for (int Frame = 0; Frame < 3; ++Frame)
			{
				Groom.Points[0].y = float(Frame);
				Curves.getSchema().set(Groom.Sample());
			}
		}
		IArchive Archive = Open(Path);
		EXPECT_EQ(Archive.getMaxNumSamplesForTimeSamplingIndex(1), 3);
		EXPECT_EQ(Archive.getMaxNumSamplesForTimeSamplingIndex(0), 1);
		const ICurvesSchema Schema = ReadGroom(Archive);
		EXPECT_EQ(Schema.getNumSamples(), 3u);
		EXPECT_EQ(Schema.getTopologyVariance(), kHomogenousTopology);
		EXPECT_EQ((*Schema.getValue(ISampleSelector(index_t(2))).getPositions())[0].y, 2.0f);
		EXPECT_NEAR(Schema.getTimeSampling()->getSampleTime(1), 1.0 + 1.0 / 24.0, 1e-12);
		EXPECT_EQ(*Schema.getWidthsParam().getTimeSampling(), *Schema.getTimeSampling());
	}

	TEST(WriteHierarchy, XformsNestCurvesAndReadBack)
	{
		const std::string Path = TempFile("hier.abc");
		{
			OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive(), Path);
			OXform Rig(Archive.getTop(), "rig");
			XformSample Identity;
			Rig.getSchema().set(Identity);
			OXform Head(Rig, "head");
			OXform Scalp(Head, "scalp");
			XformSample Move;
			Move.setTranslation(V3d(1, 2, 3));
			Scalp.getSchema().set(Move);
			OCurves Groom(Scalp, "groom");
			Groom.getSchema().set(FExampleGroom().Sample());
		}
		IArchive Archive = Open(Path);
		const IObject Rig = Archive.getTop().getChild("rig");
		EXPECT_EQ(Rig.getMetaData().serialize(), "schema=AbcGeom_Xform_v3;schemaObjTitle=AbcGeom_Xform_v3:.xform");
		const IObject Scalp = Rig.getChild("head").getChild("scalp");
		const IObject Groom = Scalp.getChild("groom");
		EXPECT_EQ(Groom.getFullName(), "/rig/head/scalp/groom");
		EXPECT_TRUE(ICurves::matches(Groom.getMetaData()));
		EXPECT_FALSE(ICurves::matches(Scalp.getMetaData()));

		const ICompoundProperty RigXform(Rig.getProperties(), ".xform");
		EXPECT_EQ(PropertyNames(RigXform), std::vector<std::string>{".inherits"});
		EXPECT_EQ(ICompoundProperty(Rig.getChild("head").getProperties(), ".xform").getNumProperties(), 0u);
		const ICompoundProperty ScalpXform(Scalp.getProperties(), ".xform");
		EXPECT_EQ(PropertyNames(ScalpXform), (std::vector<std::string>{".inherits", ".ops", ".vals", "isNotConstantIdentity"}));
		uint8_t Op = 0;
		IScalarProperty(ScalpXform, ".ops").get(&Op);
		EXPECT_EQ(Op, 16);
		double Values[3] = {};
		IScalarProperty(ScalpXform, ".vals").get(Values);
		EXPECT_EQ(Values[2], 3.0);
	}

	// The library makes the stream it is given throw on failure and writes from destructors: a failure at
	// the first write is an exception where the archive is made, one further on ends the process. Anyone
	// handing it a stream must hand one that never fails.
	TEST(WriteToAFailingStream, TheFirstWriteThrowsWhereTheArchiveIsMade)
	{
		std::ofstream Full("/dev/full", std::ios::binary);
		if (!Full.is_open())
		{
			GTEST_SKIP() << "/dev/full is not available here";
		}
		EXPECT_THROW(OArchive(Alembic::AbcCoreOgawa::WriteArchive()(&Full, MetaData()), kWrapExisting), std::exception);
	}

	TEST(WriteToAFailingStreamDeathTest, AWriteThatFailsFurtherOnEndsTheProcess)
	{
		GTEST_FLAG_SET(death_test_style, "threadsafe");
		const std::string Path = TempFile("limit.abc");
		const auto Child = [&Path]
		{
			std::signal(SIGXFSZ, SIG_IGN);
			const rlimit Limit{4096, 4096};
			setrlimit(RLIMIT_FSIZE, &Limit);
			std::ofstream File(Path, std::ios::binary);
			{
				OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive()(&File, MetaData()), kWrapExisting);
				const std::vector<V3f> Points(20000, V3f(1, 2, 3));
				const std::vector<int32_t> Counts(5000, 4);
				OCurves Curves(Archive.getTop(), "groom");
				Curves.getSchema().set(OCurvesSchema::Sample(P3fArraySample(Points), Int32ArraySample(Counts)));
			}
			std::exit(0);
		};
		EXPECT_EXIT(Child(), testing::KilledBySignal(SIGABRT), "");
	}
}
