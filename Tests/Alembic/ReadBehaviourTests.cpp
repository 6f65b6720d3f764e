// Reader behaviour the product relies on, checked on the shared fixtures.

#include "AlembicErrors.h"
#include "AlembicTestSupport.h"
#include "TestPaths.h"

#include <Alembic/AbcCoreOgawa/All.h>
#include <Alembic/AbcGeom/All.h>

#include <gtest/gtest.h>

namespace
{
	using namespace Alembic::AbcGeom;

	IArchive Open(const std::filesystem::path& Path, ErrorHandler::Policy Policy = ErrorHandler::kThrowPolicy)
	{
		return IArchive(Alembic::AbcCoreOgawa::ReadArchive(), Path.string(), Policy, ReadArraySampleCachePtr());
	}

	using VelmoraTest::ErrorOf;

	void CollectPreOrder(const IObject& Object, std::vector<std::string>& Names)
	{
		Names.push_back(Object.getFullName());
		for (size_t i = 0; i < Object.getNumChildren(); ++i)
		{
			CollectPreOrder(Object.getChild(i), Names);
		}
	}

	ICurvesSchema GroomSchema(const IArchive& Archive, const std::string& Name = "groom")
	{
		return ICurves(Archive.getTop().getChild(Name), kWrapExisting).getSchema();
	}

	TEST(ReadArchive, ReportsMissingFilesWithTheGivenPath)
	{
		EXPECT_EQ(ErrorOf([]
		                  { Open("no/such/file.abc"); }),
		          "IArchive::IArchive( iFileName )\nERROR: EXCEPTION:\nCould not open as Ogawa file: no/such/file.abc");
		const IArchive Quiet = Open("no/such/file.abc", ErrorHandler::kQuietNoopPolicy);
		EXPECT_FALSE(Quiet.valid());
		EXPECT_EQ(Quiet.getErrorHandler().getErrorLog(),
		          "IArchive::IArchive( iFileName )\nERROR: EXCEPTION:\nCould not open as Ogawa file: no/such/file.abc\n");
	}

	TEST(ReadArchive, ExposesVersionTimeSamplingsAndArchiveMetaData)
	{
		VELMORA_REQUIRE_FIXTURES(Dir);
		IArchive Archive = Open(Dir / "multi_sample.abc");
		EXPECT_EQ(Archive.getArchiveVersion(), 10812);
		ASSERT_EQ(Archive.getNumTimeSamplings(), 2u);
		EXPECT_EQ(Archive.getMaxNumSamplesForTimeSamplingIndex(1), 3);
		EXPECT_NEAR(Archive.getTimeSampling(1)->getSampleTime(2), 3.0 / 24.0, 1e-12);
		EXPECT_EQ(Archive.getTop().getName(), "ABC");
		EXPECT_EQ(Archive.getTop().getFullName(), "/");
		EXPECT_NE(Archive.getTop().getMetaData().get("_ai_AlembicVersion"), "");
		EXPECT_FALSE(Archive.getTop().getParent().valid());
	}

	TEST(ReadTree, WalksObjectsInPreOrderWithFullNames)
	{
		VELMORA_REQUIRE_FIXTURES(Dir);
		IArchive Archive = Open(Dir / "nested_curves.abc");
		std::vector<std::string> Names;
		CollectPreOrder(Archive.getTop(), Names);
		const std::vector<std::string> Expected = {"/", "/decoy_rig", "/decoy_rig/decoy_a", "/decoy_rig/decoy_a/decoy_b", "/character", "/character/head",
		                                           "/character/head/scalp", "/character/head/scalp/hair"};
		EXPECT_EQ(Names, Expected);
		const IObject Hair = Archive.getTop().getChild("character").getChild("head").getChild("scalp").getChild("hair");
		EXPECT_TRUE(ICurves::matches(Hair.getMetaData(), kStrictMatching));
		EXPECT_FALSE(ICurves::matches(Hair.getParent().getMetaData(), kStrictMatching));
		EXPECT_TRUE(IXform::matches(Hair.getParent().getMetaData()));
	}

	TEST(ReadTree, BadChildIndexThrowsAndBadNameIsInvalid)
	{
		VELMORA_REQUIRE_FIXTURES(Dir);
		IArchive Archive = Open(Dir / "two_curves.abc");
		EXPECT_EQ(ErrorOf([&]
		                  { Archive.getTop().getChild(5); }),
		          "IObject::getChild()\nERROR: EXCEPTION:\nOut of range index in OrData::getChild: 5");
		EXPECT_FALSE(Archive.getTop().getChild("nope").valid());
		EXPECT_EQ(ErrorOf([&]
		                  { ICurves(Archive.getTop(), "nope"); }),
		          "ISchemaObject::ISchemaObject( IObject )\nERROR: EXCEPTION:\nBad child: nope");
	}

	TEST(ReadMatching, CurvesMatchOnTheObjectTitle)
	{
		struct FCase
		{
			std::vector<std::pair<std::string, std::string>> MetaData;
			bool Strict, Title, None;
		};
		const FCase Cases[] = {
		    {{{"schema", "AbcGeom_Curve_v2"}, {"schemaBaseType", "AbcGeom_GeomBase_v1"}, {"schemaObjTitle", "AbcGeom_Curve_v2:.geom"}}, true, true, true},
		    {{{"schemaObjTitle", "AbcGeom_Curve_v2:.geom"}}, true, false, true},
		    {{{"schema", "AbcGeom_Curve_v2"}}, false, true, true},
		    {{{"schema", "AbcGeom_Curve_v2:.geom"}}, true, false, true},
		    {{{"schema", "AbcGeom_Xform_v3"}, {"schemaObjTitle", "AbcGeom_Xform_v3:.xform"}}, false, false, true},
		    {{}, false, false, true},
		};
		for (const FCase& Case : Cases)
		{
			MetaData MetaData;
			for (const auto& [Key, Value] : Case.MetaData)
			{
				MetaData.set(Key, Value);
			}
			EXPECT_EQ(ICurves::matches(MetaData, kStrictMatching), Case.Strict) << MetaData.serialize();
			EXPECT_EQ(ICurves::matches(MetaData, kSchemaTitleMatching), Case.Title) << MetaData.serialize();
			EXPECT_EQ(ICurves::matches(MetaData, kNoMatching), Case.None) << MetaData.serialize();
		}
	}

	TEST(ReadMatching, WrappingAnXformAsCurvesNamesTheMissingSchema)
	{
		VELMORA_REQUIRE_FIXTURES(Dir);
		IArchive Archive = Open(Dir / "nested_curves.abc");
		const IObject Xform = Archive.getTop().getChild("character");
		EXPECT_EQ(ErrorOf([&]
		                  { ICurves(Xform, kWrapExisting); }),
		          "ISchemaObject::ISchemaObject( wrapflag )\nERROR: EXCEPTION:\nISchema::ISchema::init()\nERROR: EXCEPTION:\nNonexistent compound property: .geom");
		EXPECT_EQ(ErrorOf([&]
		                  { ICurves(Xform, kWrapExisting, kStrictMatching); }),
		          "ISchemaObject::ISchemaObject( wrapflag )\nERROR: EXCEPTION:\nIncorrect match of schema: AbcGeom_Xform_v3:.xform to expected: AbcGeom_Curve_v2:.geom");
		EXPECT_EQ(ErrorOf([&]
		                  { ICurves(IObject(), kWrapExisting); }),
		          "ISchemaObject::ISchemaObject( wrapflag )\nERROR: EXCEPTION:\nISchema::ISchema::init()\nERROR: EXCEPTION:\nNULL parent passed into ISchema ctor");
	}

	TEST(ReadMatching, TypedArraysCheckInterpretationOnlyWhenStrict)
	{
		VELMORA_REQUIRE_FIXTURES(Dir);
		IArchive Archive = Open(Dir / "color_rgb.abc");
		const ICompoundProperty Arb = GroomSchema(Archive).getArbGeomParams();
		const PropertyHeader* Color = Arb.getPropertyHeader("groom_color");
		ASSERT_NE(Color, nullptr);
		EXPECT_FALSE(IV3fArrayProperty::matches(*Color, kStrictMatching));
		EXPECT_TRUE(IV3fArrayProperty::matches(*Color, kNoMatching));
		EXPECT_TRUE(IC3fArrayProperty::matches(*Color, kStrictMatching));
		EXPECT_EQ(Arb.getPropertyHeader("absent"), nullptr);

		// Constructors default to no matching, so an rgb array opens as V3f.
		EXPECT_EQ(IV3fArrayProperty(Arb, "groom_color").getValue(ISampleSelector(index_t(0)))->size(), 2u);
		EXPECT_EQ(ErrorOf([&]
		                  { IV3fArrayProperty(Arb, "groom_color", kStrictMatching); }),
		          "ITypedArrayProperty::ITypedArrayProperty()\nERROR: EXCEPTION:\nIncorrect match of header datatype: float32_t[3] to expected: float32_t[3],\n"
		          "...or incorrect match of interpretation: rgb to expected: vector");
		EXPECT_EQ(ErrorOf([&]
		                  { IV3fArrayProperty(Arb, "absent"); }),
		          "ITypedArrayProperty::ITypedArrayProperty()\nERROR: EXCEPTION:\nNonexistent array property: absent");
		EXPECT_EQ(ErrorOf([&]
		                  { IV3fArrayProperty(ICompoundProperty(), "x"); }),
		          "ITypedArrayProperty::ITypedArrayProperty()\nERROR: EXCEPTION:\nNULL CompoundPropertyReader passed into ITypedArrayProperty ctor");
	}

	TEST(ReadMatching, IndexedGeomParamsAreCompoundsNotArrays)
	{
		VELMORA_REQUIRE_FIXTURES(Dir);
		IArchive Archive = Open(Dir / "indexed_color.abc");
		const ICompoundProperty Arb = GroomSchema(Archive).getArbGeomParams();
		const PropertyHeader* Color = Arb.getPropertyHeader("groom_color");
		ASSERT_NE(Color, nullptr);
		EXPECT_TRUE(IV3fGeomParam::matches(*Color, kStrictMatching));
		EXPECT_FALSE(IV3fArrayProperty::matches(*Color, kStrictMatching));
		EXPECT_EQ(ErrorOf([&]
		                  { IV3fArrayProperty(Arb, "groom_color"); }),
		          "ITypedArrayProperty::ITypedArrayProperty()\nERROR: EXCEPTION:\nIncorrect match of header datatype: UNKNOWN to expected: float32_t[3],\n"
		          "...or incorrect match of interpretation: vector to expected: vector");

		const IV3fGeomParam Param(Arb, "groom_color");
		EXPECT_TRUE(Param.isIndexed());
		EXPECT_EQ(Param.getScope(), kUniformScope);
		const IV3fGeomParam::Sample Expanded = Param.getExpandedValue();
		ASSERT_EQ(Expanded.getVals()->size(), 3u);
		EXPECT_EQ((*Expanded.getVals())[0], V3f(0.2f, 0.15f, 0.1f));
		EXPECT_EQ(Expanded.getIndices(), nullptr);
		EXPECT_EQ(ErrorOf([&]
		                  { IV3fGeomParam(ICompoundProperty(), "x"); }),
		          "ITypedGeomParam::ITypedGeomParam()\nERROR: EXCEPTION:\nNULL CompoundPropertyReader passed into ITypedGeomParam ctor");
	}

	TEST(ReadGeomParams, ExpansionResolvesIndicesButNeverScope)
	{
		VELMORA_REQUIRE_FIXTURES(Dir);
		IArchive Indexed = Open(Dir / "indexed_widths.abc");
		const IFloatGeomParam Widths = GroomSchema(Indexed).getWidthsParam();
		EXPECT_TRUE(Widths.isIndexed());
		IFloatGeomParam::Sample Sample;
		Widths.getExpanded(Sample, ISampleSelector(index_t(0)));
		EXPECT_TRUE(Sample.isIndexed());
		EXPECT_EQ(Sample.getIndices(), nullptr);
		EXPECT_EQ(std::vector<float>(Sample.getVals()->get(), Sample.getVals()->get() + 5), (std::vector<float>{0.02f, 0.015f, 0.01f, 0.02f, 0.01f}));
		Widths.getIndexed(Sample);
		EXPECT_EQ(Sample.getVals()->size(), 3u);
		EXPECT_EQ(Sample.getIndices()->size(), 5u);

		IArchive Uniform = Open(Dir / "uniform_widths.abc");
		const IFloatGeomParam PerCurve = GroomSchema(Uniform).getWidthsParam();
		EXPECT_EQ(PerCurve.getScope(), kUniformScope);
		EXPECT_FALSE(PerCurve.isIndexed());
		EXPECT_EQ(PerCurve.getExpandedValue().getVals()->size(), 3u);
		// A plain array reads as indexed by 0..n-1.
		const IFloatGeomParam::Sample Identity = PerCurve.getIndexedValue();
		EXPECT_EQ((*Identity.getIndices())[2], 2u);
	}

	TEST(ReadGeomParams, AbsentPartsAreInvalid)
	{
		VELMORA_REQUIRE_FIXTURES(Dir);
		IArchive Archive = Open(Dir / "missing_attrs.abc");
		const ICurvesSchema Schema = GroomSchema(Archive);
		EXPECT_FALSE(Schema.getWidthsParam().valid());
		EXPECT_FALSE(Schema.getUVsParam());
		EXPECT_FALSE(Schema.getNormalsParam().valid());
		EXPECT_FALSE(Schema.getArbGeomParams().valid());
		EXPECT_EQ(Schema.getWidthsParam().getNumSamples(), 0u);
	}

	TEST(ReadSamples, SelectorsClampIndicesAndPickTimes)
	{
		VELMORA_REQUIRE_FIXTURES(Dir);
		IArchive Archive = Open(Dir / "multi_sample.abc");
		const ICurvesSchema Schema = GroomSchema(Archive);
		ASSERT_EQ(Schema.getNumSamples(), 3u);
		EXPECT_EQ(Schema.getTopologyVariance(), kHomogenousTopology);
		const auto FirstX = [&](const ISampleSelector& Selector)
		{ return (*Schema.getValue(Selector).getPositions())[0].x; };
		const float X0 = FirstX(ISampleSelector(index_t(0)));
		const float X2 = FirstX(ISampleSelector(index_t(2)));
		EXPECT_FLOAT_EQ(X0, 0.1f);
		EXPECT_FLOAT_EQ(X2, 0.6f);
		EXPECT_EQ(FirstX(ISampleSelector(index_t(99))), X2);
		EXPECT_EQ(FirstX(ISampleSelector(index_t(-5))), X0);
		EXPECT_EQ(FirstX(0), X0);

		// Samples sit at 1/24, 2/24 and 3/24.
		const double Between = 1.6 / 24.0;
		EXPECT_EQ(FirstX(ISampleSelector(Between, ISampleSelector::kFloorIndex)), X0);
		EXPECT_EQ(FirstX(ISampleSelector(Between, ISampleSelector::kCeilIndex)), FirstX(ISampleSelector(index_t(1))));
		EXPECT_EQ(FirstX(ISampleSelector(Between)), FirstX(ISampleSelector(index_t(1))));
		EXPECT_EQ(FirstX(ISampleSelector(-4.0)), X0);
		EXPECT_EQ(FirstX(ISampleSelector(40.0)), X2);
		EXPECT_EQ(FirstX(ISampleSelector(2.0 / 24.0, ISampleSelector::kFloorIndex)), FirstX(ISampleSelector(index_t(1))));
	}

	TEST(ReadSamples, TypedSampleConversionChecksTheDataType)
	{
		VELMORA_REQUIRE_FIXTURES(Dir);
		IArchive Archive = Open(Dir / "writer_basic.abc");
		const V3fArraySamplePtr Colors = IV3fArrayProperty(GroomSchema(Archive).getArbGeomParams(), "groom_color").getValue();
		const C3fArraySample AsColor = *Colors;
		EXPECT_EQ(AsColor.size(), 2u);
		EXPECT_EQ(ErrorOf([&]
		                  { FloatArraySample AsFloat = *Colors; }),
		          "Invalid DataType in TypedArraySample. Expected: float32_t, but got: float32_t[3]");
	}
}
