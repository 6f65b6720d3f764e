// What grooms from Blender, Houdini and Maya hold, read through the public Alembic API: every curves
// object, the transforms above them, the schema's normals, uvs, widths, knots and the arbitrary params.
// The figures were read with the real library; the suite's real-Alembic build runs these same tests.

#include "TestPaths.h"

#include <Alembic/AbcCoreFactory/IFactory.h>
#include <Alembic/AbcCoreOgawa/All.h>
#include <Alembic/AbcGeom/All.h>

#include <gtest/gtest.h>

namespace
{
	using namespace Alembic::AbcGeom;
	using Alembic::AbcCoreFactory::IFactory;

	// Skips the test with a clear reason when the DCC files are not beside the checkout.
#define VELMORA_REQUIRE_REALWORLD(PathVar, FileName)                                                     \
	const auto PathVar##Dir = ::VelmoraTest::RealWorldDir();                                             \
	if (!PathVar##Dir || !std::filesystem::exists(*PathVar##Dir / FileName))                             \
	{                                                                                                    \
		GTEST_SKIP() << "../shared/realworld/" << FileName << " not found beside the checkout; skipped"; \
	}                                                                                                    \
	const std::string PathVar = (*PathVar##Dir / FileName).string()

	IArchive OpenOgawa(const std::string& Path)
	{
		return IArchive(Alembic::AbcCoreOgawa::ReadArchive(), Path);
	}

	void CollectCurves(const IObject& Parent, std::vector<IObject>& Out)
	{
		for (size_t i = 0; i < Parent.getNumChildren(); ++i)
		{
			const IObject Child = Parent.getChild(i);
			if (ICurves::matches(Child.getHeader()))
			{
				Out.push_back(Child);
			}
			CollectCurves(Child, Out);
		}
	}

	// Every curves object of the archive, in pre-order.
	std::vector<IObject> CurvesObjects(const IArchive& Archive)
	{
		std::vector<IObject> Result;
		CollectCurves(Archive.getTop(), Result);
		return Result;
	}

	// Object to world: the object's own transform first, then each parent's, up to one that does not inherit.
	M44d WorldMatrix(const IObject& Object, const ISampleSelector& Selector = ISampleSelector())
	{
		M44d Result;
		for (IObject Current = Object; Current.valid(); Current = Current.getParent())
		{
			if (!IXform::matches(Current.getHeader()))
			{
				continue;
			}
			const XformSample Sample = IXform(Current, kWrapExisting).getSchema().getValue(Selector);
			Result = Result * Sample.getMatrix();
			if (!Sample.getInheritsXforms())
			{
				break;
			}
		}
		return Result;
	}

	Box3d WorldBounds(const ICurves& Curves, const ISampleSelector& Selector = ISampleSelector())
	{
		const M44d World = WorldMatrix(Curves, Selector);
		const P3fArraySamplePtr Positions = Curves.getSchema().getValue(Selector).getPositions();
		Box3d Bounds;
		for (size_t i = 0; i < Positions->size(); ++i)
		{
			Bounds.extendBy(V3d((*Positions)[i]) * World);
		}
		return Bounds;
	}

	void ExpectNear(const V3d& Expected, const V3d& Actual, double Tolerance)
	{
		EXPECT_NEAR(Expected.x, Actual.x, Tolerance);
		EXPECT_NEAR(Expected.y, Actual.y, Tolerance);
		EXPECT_NEAR(Expected.z, Actual.z, Tolerance);
	}

	TEST(DccFiles, ReadsEveryCurvesObjectInPreOrder)
	{
		VELMORA_REQUIRE_REALWORLD(Path, "cortex_curves.abc");
		const IArchive Archive = OpenOgawa(Path);
		const std::vector<IObject> Objects = CurvesObjects(Archive);
		ASSERT_EQ(Objects.size(), 3u);

		const char* const Paths[] = {"/nurbsCircle/object", "/curve/object", "/linearLine/object"};
		const size_t Points[] = {11, 4, 2};
		const CurveType Types[] = {kCubic, kCubic, kLinear};
		const CurvePeriodicity Wraps[] = {kPeriodic, kNonPeriodic, kNonPeriodic};
		size_t TotalPoints = 0;
		size_t TotalCurves = 0;
		for (size_t i = 0; i < Objects.size(); ++i)
		{
			SCOPED_TRACE(Paths[i]);
			EXPECT_EQ(Objects[i].getFullName(), Paths[i]);
			const ICurves Curves(Objects[i], kWrapExisting);
			const ICurvesSchema::Sample Sample = Curves.getSchema().getValue();
			EXPECT_EQ(Sample.getPositions()->size(), Points[i]);
			EXPECT_EQ(Sample.getNumCurves(), 1u);
			EXPECT_EQ(Sample.getType(), Types[i]);
			EXPECT_EQ(Sample.getWrap(), Wraps[i]);
			ASSERT_TRUE(Sample.getVelocities());
			EXPECT_EQ(Sample.getVelocities()->size(), Points[i]);
			EXPECT_FALSE(Curves.getSchema().getWidthsParam().valid());
			EXPECT_FALSE(Curves.getSchema().getNormalsParam().valid());
			// Each sits under an identity transform of one matrix op that inherits.
			const IXform Parent(Objects[i].getParent(), kWrapExisting);
			EXPECT_EQ(Parent.getSchema().getNumOps(), 1u);
			EXPECT_TRUE(Parent.getSchema().getValue()[0].isMatrixOp());
			EXPECT_TRUE(Parent.getSchema().getInheritsXforms());
			EXPECT_EQ(WorldMatrix(Objects[i]), M44d());
			TotalPoints += Sample.getPositions()->size();
			TotalCurves += Sample.getNumCurves();
		}
		EXPECT_EQ(TotalPoints, 17u);
		EXPECT_EQ(TotalCurves, 3u);
	}

	TEST(DccFiles, ReadsHoudiniCdRampWidthsAndKnots)
	{
		VELMORA_REQUIRE_REALWORLD(Path, "cortex_widthTest.abc");
		const IArchive Archive = OpenOgawa(Path);
		const std::vector<IObject> Objects = CurvesObjects(Archive);
		ASSERT_EQ(Objects.size(), 2u);
		EXPECT_EQ(Objects[0].getFullName(), "/cubic/curve");
		EXPECT_EQ(Objects[1].getFullName(), "/linear/curve");

		const float Colours[4][3] = {{0.075f, 0.3f, 0.075f}, {0.35f, 0.5f, 0.05f}, {0.625f, 0.7f, 0.025f}, {0.9f, 0.9f, 0.0f}};
		const float Ramp[4] = {1.0f, 0.75f, 0.5f, 0.25f};
		const float Widths[4] = {0.2f, 0.15f, 0.1f, 0.05f};
		for (const IObject& Object : Objects)
		{
			SCOPED_TRACE(Object.getFullName());
			const ICurves Curves(Object, kWrapExisting);
			const ICurvesSchema& Schema = Curves.getSchema();

			const IFloatGeomParam WidthsParam = Schema.getWidthsParam();
			ASSERT_TRUE(WidthsParam.valid());
			EXPECT_EQ(WidthsParam.getScope(), kVertexScope);
			const FloatArraySamplePtr WidthValues = WidthsParam.getExpandedValue().getVals();
			ASSERT_EQ(WidthValues->size(), 4u);

			const ICompoundProperty Arb = Schema.getArbGeomParams();
			ASSERT_TRUE(Arb.valid());
			const AbcA::PropertyHeader* CdHeader = Arb.getPropertyHeader("Cd");
			ASSERT_NE(CdHeader, nullptr);
			EXPECT_TRUE(CdHeader->isArray());
			EXPECT_EQ(CdHeader->getDataType(), AbcA::DataType(Alembic::Util::kFloat32POD, 3));
			EXPECT_EQ(CdHeader->getMetaData().get("interpretation"), "rgb");
			EXPECT_EQ(GetGeometryScope(CdHeader->getMetaData()), kVertexScope);
			EXPECT_TRUE(IC3fGeomParam::matches(*CdHeader));
			EXPECT_FALSE(IV3fGeomParam::matches(*CdHeader));
			const IC3fGeomParam Cd(Arb, "Cd");
			EXPECT_FALSE(Cd.isIndexed());
			EXPECT_EQ(Cd.getArrayExtent(), 1u);
			const C3fArraySamplePtr CdValues = Cd.getExpandedValue().getVals();
			ASSERT_EQ(CdValues->size(), 4u);

			const AbcA::PropertyHeader* RampHeader = Arb.getPropertyHeader("ramp");
			ASSERT_NE(RampHeader, nullptr);
			EXPECT_EQ(RampHeader->getDataType(), AbcA::DataType(Alembic::Util::kFloat32POD, 1));
			const FloatArraySamplePtr RampValues = IFloatGeomParam(Arb, "ramp").getExpandedValue().getVals();
			ASSERT_EQ(RampValues->size(), 4u);
			for (size_t i = 0; i < 4; ++i)
			{
				EXPECT_EQ((*CdValues)[i], C3f(Colours[i][0], Colours[i][1], Colours[i][2]));
				EXPECT_EQ((*RampValues)[i], Ramp[i]);
				EXPECT_EQ((*WidthValues)[i], Widths[i]);
			}
		}

		// Only the cubic b-spline carries knots, and neither carries orders.
		const ICurvesSchema::Sample Cubic = ICurves(Objects[0], kWrapExisting).getSchema().getValue();
		EXPECT_EQ(Cubic.getBasis(), kBsplineBasis);
		ASSERT_TRUE(Cubic.getKnots());
		EXPECT_EQ(std::vector<float>(Cubic.getKnots()->get(), Cubic.getKnots()->get() + Cubic.getKnots()->size()),
		          (std::vector<float>{0, 0, 0, 0, 1, 1, 1, 1}));
		EXPECT_FALSE(Cubic.getOrders());
		EXPECT_TRUE(ICurves(Objects[0], kWrapExisting).getSchema().getKnotsProperty().valid());
		EXPECT_FALSE(ICurves(Objects[1], kWrapExisting).getSchema().getKnotsProperty().valid());
		EXPECT_FALSE(ICurves(Objects[1], kWrapExisting).getSchema().getOrdersProperty().valid());
	}

	TEST(DccFiles, BlenderGroomWorldBoundsComeFromItsXformChain)
	{
		VELMORA_REQUIRE_REALWORLD(Path, "unity_FHeadModel.abc");
		const IArchive Archive = OpenOgawa(Path);
		const std::vector<IObject> Objects = CurvesObjects(Archive);
		ASSERT_EQ(Objects.size(), 1u);
		EXPECT_EQ(Objects[0].getFullName(), "/Head/Curves");

		const ICurves Curves(Objects[0], kWrapExisting);
		const ICurvesSchema& Schema = Curves.getSchema();
		EXPECT_EQ(Schema.getNumSamples(), 250u);
		const ICurvesSchema::Sample Sample = Schema.getValue();
		EXPECT_EQ(Sample.getNumCurves(), 4053u);
		EXPECT_EQ(Sample.getPositions()->size(), 36477u);
		EXPECT_EQ(Sample.getType(), kLinear);
		EXPECT_EQ(Sample.getWrap(), kNonPeriodic);
		ExpectNear(V3d(3.86107659, -9.02297974, 0.66268158), V3d((*Sample.getPositions())[0]), 1e-6);

		// Blender's normals: one per curve, no geoScope key, which reads as constant scope.
		const IN3fGeomParam Normals = Schema.getNormalsParam();
		ASSERT_TRUE(Normals.valid());
		EXPECT_FALSE(Normals.isIndexed());
		EXPECT_EQ(Normals.getScope(), kConstantScope);
		const N3fArraySamplePtr NormalValues = Normals.getExpandedValue().getVals();
		ASSERT_EQ(NormalValues->size(), 4053u);
		ExpectNear(V3d(0.802166939, -1.15418875, 1.24096799), V3d((*NormalValues)[0]), 1e-6);
		const IV2fGeomParam Uvs = Schema.getUVsParam();
		ASSERT_TRUE(Uvs.valid());
		EXPECT_EQ(Uvs.getExpandedValue().getVals()->size(), 4053u);
		EXPECT_FALSE(Schema.getWidthsParam().valid());
		EXPECT_FALSE(Schema.getArbGeomParams().valid());

		// The head's transform: a single matrix op, 0.1 scale with -90 degrees about X and a move.
		const IXform Head(Objects[0].getParent(), kWrapExisting);
		const XformSample HeadSample = Head.getSchema().getValue();
		ASSERT_EQ(HeadSample.getNumOps(), 1u);
		EXPECT_TRUE(HeadSample[0].isMatrixOp());
		const M44d HeadMatrix = HeadSample.getMatrix();
		EXPECT_NEAR(HeadMatrix[0][0], 0.1, 1e-7);
		EXPECT_NEAR(HeadMatrix[1][2], 0.1, 1e-7);
		EXPECT_NEAR(HeadMatrix[2][1], -0.1, 1e-7);
		EXPECT_NEAR(HeadMatrix[1][1], 7.549790126e-09, 1e-15);
		ExpectNear(V3d(4.605570147e-09, 3.657911539, 0.8243367672), V3d(HeadMatrix[3][0], HeadMatrix[3][1], HeadMatrix[3][2]), 1e-8);

		const Box3d World = WorldBounds(Curves);
		ExpectNear(V3d(-1.01814691, 2.19206401, -1.10541552), World.min, 1e-6);
		ExpectNear(V3d(1.00279858, 5.00648406, 1.39213945), World.max, 1e-6);
	}

	TEST(DccFiles, MayaSplineCarriesKnotsWidthsAndUvsPerVertex)
	{
		VELMORA_REQUIRE_REALWORLD(Path, "unity_singleCurve.abc");
		const IArchive Archive = OpenOgawa(Path);
		const std::vector<IObject> Objects = CurvesObjects(Archive);
		ASSERT_EQ(Objects.size(), 1u);
		EXPECT_EQ(Objects[0].getFullName(), "/description12_splineDescription/SplineGrp0");
		const ICurves Curves(Objects[0], kWrapExisting);
		const ICurvesSchema& Schema = Curves.getSchema();
		EXPECT_EQ(Schema.getNumSamples(), 120u);
		EXPECT_EQ(Schema.getTopologyVariance(), kHomogeneousTopology);
		const ICurvesSchema::Sample Sample = Schema.getValue();
		EXPECT_EQ(Sample.getPositions()->size(), 16u);
		EXPECT_EQ(Sample.getType(), kCubic);
		EXPECT_EQ(Sample.getBasis(), kBsplineBasis);
		ASSERT_TRUE(Sample.getKnots());
		EXPECT_EQ(Sample.getKnots()->size(), 20u);
		EXPECT_EQ(Schema.getKnotsProperty().getNumSamples(), 120u);
		EXPECT_EQ(Schema.getWidthsParam().getScope(), kVertexScope);
		EXPECT_EQ(Schema.getWidthsParam().getExpandedValue().getVals()->size(), 16u);
		EXPECT_EQ((*Schema.getWidthsParam().getExpandedValue().getVals())[0], 0.1f);
		EXPECT_EQ(Schema.getUVsParam().getScope(), kVertexScope);
		EXPECT_EQ(Schema.getUVsParam().getExpandedValue().getVals()->size(), 16u);

		// The XGen description is a transform that was never given a sample: identity, inheriting.
		const IXform Description(Objects[0].getParent(), kWrapExisting);
		EXPECT_EQ(Description.getSchema().getNumSamples(), 0u);
		EXPECT_TRUE(Description.getSchema().isConstantIdentity());
		EXPECT_EQ(Description.getSchema().getValue().getMatrix(), M44d());
		const ICompoundProperty User = Description.getSchema().getUserProperties();
		ASSERT_TRUE(User.valid());
		EXPECT_NE(User.getPropertyHeader("WidthRampValues"), nullptr);
	}

	TEST(DccFiles, FactoryTellsHdf5FromOgawa)
	{
		VELMORA_REQUIRE_REALWORLD(Path, "alembic_prman_cube.abc");
		IFactory Factory;
		IFactory::CoreType Type = IFactory::kUnknown;
		const IArchive Hdf5 = Factory.getArchive(Path, Type);
		EXPECT_EQ(Type, IFactory::kHDF5);
		EXPECT_FALSE(Hdf5.valid());

		const IArchive Ogawa = Factory.getArchive((*PathDir / "blender_default.abc").string(), Type);
		EXPECT_EQ(Type, IFactory::kOgawa);
		ASSERT_TRUE(Ogawa.valid());
		EXPECT_TRUE(CurvesObjects(Ogawa).empty());
		EXPECT_EQ(Ogawa.getTop().getNumChildren(), 3u);
	}
}
