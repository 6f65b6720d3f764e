// Transforms, arbitrary params and the archive factory on small files these tests write, read back
// through the public API; the real-Alembic build runs them too, so both libraries must agree.

#include "TestPaths.h"

#include <Alembic/AbcCoreFactory/IFactory.h>
#include <Alembic/AbcCoreOgawa/All.h>
#include <Alembic/AbcGeom/All.h>

#include <Imath/ImathMatrixAlgo.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

namespace
{
	using namespace Alembic::AbcGeom;
	using Alembic::AbcCoreFactory::IFactory;

	std::string TempFile(const std::string& Name)
	{
		return (VelmoraTest::MakeTempDir("xform-arb") / Name).string();
	}

	M44d Rotation(const V3d& Axis, double Degrees)
	{
		M44d Result;
		Result.setAxisAngle(Axis, Degrees * M_PI / 180.0);
		return Result;
	}

	void ExpectMatrixNear(const M44d& Expected, const M44d& Actual)
	{
		for (int r = 0; r < 4; ++r)
		{
			for (int c = 0; c < 4; ++c)
			{
				EXPECT_NEAR(Expected[r][c], Actual[r][c], 1e-12) << "at [" << r << "][" << c << "]";
			}
		}
	}

	TEST(Xforms, EveryOpTypeReadsBackAndComposesInOrder)
	{
		const std::string Path = TempFile("ops.abc");
		M44d Shear;
		Shear[1][0] = 0.5;
		{
			OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive(), Path);
			OXform Xform(Archive.getTop(), "rig");
			XformSample Sample;
			Sample.addOp(XformOp(kTranslateOperation, kRotatePivotPointHint), V3d(1, 2, 3));
			Sample.addOp(XformOp(kRotateOperation, kRotateOrientationHint), V3d(0, 0, 1), 30.0);
			Sample.addOp(XformOp(kRotateXOperation), 10.0);
			Sample.addOp(XformOp(kRotateYOperation), 20.0);
			Sample.addOp(XformOp(kRotateZOperation), 40.0);
			Sample.addOp(XformOp(kScaleOperation), V3d(2, 3, 4));
			Sample.addOp(XformOp(kMatrixOperation, kMayaShearHint), Shear);
			Xform.getSchema().set(Sample);
		}

		const IArchive Archive(Alembic::AbcCoreOgawa::ReadArchive(), Path);
		const IXform Xform(Archive.getTop(), "rig");
		const XformSample Sample = Xform.getSchema().getValue();
		ASSERT_EQ(Sample.getNumOps(), 7u);
		EXPECT_EQ(Sample.getNumOpChannels(), 3u + 4u + 1u + 1u + 1u + 3u + 16u);
		EXPECT_EQ(Sample[0].getType(), kTranslateOperation);
		EXPECT_EQ(Sample[0].getHint(), kRotatePivotPointHint);
		EXPECT_EQ(Sample[0].getTranslate(), V3d(1, 2, 3));
		EXPECT_EQ(Sample[1].getHint(), kRotateOrientationHint);
		EXPECT_EQ(Sample[1].getAxis(), V3d(0, 0, 1));
		EXPECT_EQ(Sample[1].getAngle(), 30.0);
		EXPECT_TRUE(Sample[2].isRotateXOp());
		EXPECT_EQ(Sample[2].getAxis(), V3d(1, 0, 0));
		EXPECT_EQ(Sample[3].getAngle(), 20.0);
		EXPECT_TRUE(Sample[4].isRotateZOp());
		EXPECT_EQ(Sample[5].getScale(), V3d(2, 3, 4));
		EXPECT_EQ(Sample[6].getHint(), kMayaShearHint);
		EXPECT_EQ(Sample[6].getMatrix(), Shear);
		EXPECT_TRUE(Sample.getInheritsXforms());
		EXPECT_TRUE(Xform.getSchema().isConstant());
		EXPECT_FALSE(Xform.getSchema().isConstantIdentity());

		// Points are row vectors: the first op listed is the last applied.
		M44d Translate;
		Translate.setTranslation(V3d(1, 2, 3));
		M44d Scale;
		Scale.setScale(V3d(2, 3, 4));
		const M44d Expected = Shear * Scale * Rotation(V3d(0, 0, 1), 40.0) * Rotation(V3d(0, 1, 0), 20.0) * Rotation(V3d(1, 0, 0), 10.0) *
		                      Rotation(V3d(0, 0, 1), 30.0) * Translate;
		ExpectMatrixNear(Expected, Sample.getMatrix());
	}

	TEST(Xforms, ChainStopsAtATransformThatDoesNotInherit)
	{
		const std::string Path = TempFile("chain.abc");
		{
			OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive(), Path);
			OXform Root(Archive.getTop(), "root");
			XformSample RootSample;
			RootSample.setScale(V3d(10, 10, 10));
			Root.getSchema().set(RootSample);
			OXform Mid(Root, "mid");
			XformSample MidSample;
			MidSample.setTranslation(V3d(1, 0, 0));
			MidSample.setInheritsXforms(false);
			Mid.getSchema().set(MidSample);
			OXform Leaf(Mid, "leaf");
			XformSample LeafSample;
			LeafSample.setZRotation(90.0);
			Leaf.getSchema().set(LeafSample);
			// Two samples: the translation moves, so its channel is animated and the transform not constant.
			MidSample.setTranslation(V3d(2, 0, 0));
			Mid.getSchema().set(MidSample);
		}

		const IArchive Archive(Alembic::AbcCoreOgawa::ReadArchive(), Path);
		const IXform Mid(IXform(Archive.getTop(), "root"), "mid");
		EXPECT_FALSE(Mid.getSchema().getInheritsXforms());
		EXPECT_EQ(Mid.getSchema().getNumSamples(), 2u);
		EXPECT_FALSE(Mid.getSchema().isConstant());
		const XformSample Second = Mid.getSchema().getValue(ISampleSelector(index_t(1)));
		EXPECT_EQ(Second.getTranslation(), V3d(2, 0, 0));
		EXPECT_TRUE(Second[0].isXAnimated());
		EXPECT_FALSE(Second[0].isYAnimated());

		// The leaf's world matrix takes the leaf and the mid, never the root's scale.
		const IXform Leaf(Mid, "leaf");
		M44d World;
		for (IObject Current = Leaf; Current.valid(); Current = Current.getParent())
		{
			if (!IXform::matches(Current.getHeader()))
			{
				continue;
			}
			const XformSample Sample = IXform(Current, kWrapExisting).getSchema().getValue();
			World = World * Sample.getMatrix();
			if (!Sample.getInheritsXforms())
			{
				break;
			}
		}
		const V3d Moved = V3d(1, 0, 0) * World;
		EXPECT_NEAR(Moved.x, 1.0, 1e-12);
		EXPECT_NEAR(Moved.y, 1.0, 1e-12);
		EXPECT_NEAR(Moved.z, 0.0, 1e-12);
	}

	// A file's boolean byte can hold any value; the library reads every one but zero as true, and a
	// flag read that way must say the same however it is asked (true, not false, equal to true).
	TEST(ArbGeomParams, ABooleanByteOtherThanZeroOrOneReadsAsTrue)
	{
		const std::string Path = TempFile("flags.abc");
		const std::vector<bool_t> Flags(64, true);
		{
			OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive(), Path);
			OCurves Curves(Archive.getTop(), "hair");
			OBoolArrayProperty(Curves.getSchema().getArbGeomParams(), "flags").set(BoolArraySample(Flags));
		}
		std::vector<char> Bytes;
		{
			std::ifstream In(Path, std::ios::binary);
			Bytes.assign(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
		}
		const std::string Run(Flags.size(), '\x01');
		const auto At = std::search(Bytes.begin(), Bytes.end(), Run.begin(), Run.end());
		ASSERT_NE(At, Bytes.end()) << "the flags' bytes are not in the file";
		for (size_t I = 0; I < Flags.size(); ++I)
		{
			At[I] = static_cast<char>(1 + 4 * I);
		}
		std::ofstream(Path, std::ios::binary).write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));

		const IArchive Archive(Alembic::AbcCoreOgawa::ReadArchive(), Path);
		const IBoolArrayProperty Property(ICurves(Archive.getTop(), "hair").getSchema().getArbGeomParams(), "flags");
		BoolArraySamplePtr Sample;
		Property.get(Sample);
		ASSERT_TRUE(Sample);
		ASSERT_EQ(Sample->size(), Flags.size());
		for (size_t I = 0; I < Sample->size(); ++I)
		{
			const bool_t& Flag = (*Sample)[I];
			EXPECT_TRUE(Flag) << "byte " << 1 + 4 * I;
			EXPECT_FALSE(!Flag) << "byte " << 1 + 4 * I;
			EXPECT_TRUE(Flag == true) << "byte " << 1 + 4 * I;
		}
	}

	TEST(ArbGeomParams, EveryPodTypeExtentAndScopeReadsBack)
	{
		const std::string Path = TempFile("arb.abc");
		const std::vector<V3f> Positions = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}};
		const std::vector<int32_t> Counts = {2, 2};
		const std::vector<double> Doubles = {0.5, 1.5};
		const std::vector<int32_t> Ids = {7, 9};
		const std::vector<uint8_t> Flags = {1, 0, 1, 1};
		const std::vector<C3f> Colours = {C3f(1, 0, 0), C3f(0, 1, 0)};
		const std::vector<uint32_t> ColourIndices = {0, 0, 1, 1};
		const std::vector<N3f> Normals = {N3f(0, 0, 1), N3f(0, 1, 0)};
		const std::vector<V2f> Pairs = {V2f(1, 2), V2f(3, 4), V2f(5, 6), V2f(7, 8)};
		const std::vector<std::string> Names = {"groom"};
		const std::vector<float> Ramp = {0.0f, 0.25f, 0.5f, 1.0f};
		{
			OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive(), Path);
			OCurves Curves(Archive.getTop(), "hair");
			Curves.getSchema().set(OCurvesSchema::Sample(P3fArraySample(Positions), Int32ArraySample(Counts), kLinear));
			OCompoundProperty Arb = Curves.getSchema().getArbGeomParams();
			ODoubleGeomParam(Arb, "weight", false, kUniformScope, 1).set(ODoubleGeomParam::Sample(DoubleArraySample(Doubles), kUniformScope));
			OInt32GeomParam(Arb, "id", false, kUniformScope, 1).set(OInt32GeomParam::Sample(Int32ArraySample(Ids), kUniformScope));
			OUcharGeomParam(Arb, "flag", false, kVertexScope, 1).set(OUcharGeomParam::Sample(UcharArraySample(Flags), kVertexScope));
			OC3fGeomParam(Arb, "Cd", true, kVertexScope, 1)
			    .set(OC3fGeomParam::Sample(C3fArraySample(Colours), UInt32ArraySample(ColourIndices), kVertexScope));
			ON3fGeomParam(Arb, "rootN", false, kUniformScope, 1).set(ON3fGeomParam::Sample(N3fArraySample(Normals), kUniformScope));
			OV2fGeomParam(Arb, "pair", false, kVertexScope, 1).set(OV2fGeomParam::Sample(V2fArraySample(Pairs), kVertexScope));
			OStringGeomParam(Arb, "name", false, kConstantScope, 1).set(OStringGeomParam::Sample(StringArraySample(Names), kConstantScope));
			// Two floats per curve as one array of extent 2.
			OFloatGeomParam(Arb, "ramp", false, kUniformScope, 2).set(OFloatGeomParam::Sample(FloatArraySample(Ramp), kUniformScope));
		}

		const IArchive Archive(Alembic::AbcCoreOgawa::ReadArchive(), Path);
		const ICurves Curves(Archive.getTop(), "hair");
		const ICompoundProperty Arb = Curves.getSchema().getArbGeomParams();
		ASSERT_TRUE(Arb.valid());
		ASSERT_EQ(Arb.getNumProperties(), 8u);

		struct FExpectedHeader
		{
			const char* Name;
			Alembic::Util::PlainOldDataType Pod;
			uint8_t Extent;
			GeometryScope Scope;
			bool bCompound;
		};
		const FExpectedHeader Headers[] = {
		    {"weight", Alembic::Util::kFloat64POD, 1, kUniformScope, false},
		    {"id", Alembic::Util::kInt32POD, 1, kUniformScope, false},
		    {"flag", Alembic::Util::kUint8POD, 1, kVertexScope, false},
		    {"Cd", Alembic::Util::kUnknownPOD, 0, kVertexScope, true},
		    {"rootN", Alembic::Util::kFloat32POD, 3, kUniformScope, false},
		    {"pair", Alembic::Util::kFloat32POD, 2, kVertexScope, false},
		    {"name", Alembic::Util::kStringPOD, 1, kConstantScope, false},
		    {"ramp", Alembic::Util::kFloat32POD, 1, kUniformScope, false},
		};
		for (size_t i = 0; i < 8; ++i)
		{
			SCOPED_TRACE(Headers[i].Name);
			const AbcA::PropertyHeader& Header = Arb.getPropertyHeader(i);
			EXPECT_EQ(Header.getName(), Headers[i].Name);
			EXPECT_EQ(Header.isCompound(), Headers[i].bCompound);
			EXPECT_EQ(Header.getDataType(), AbcA::DataType(Headers[i].Pod, Headers[i].Extent));
			EXPECT_EQ(GetGeometryScope(Header.getMetaData()), Headers[i].Scope);
			EXPECT_EQ(Header.getMetaData().get("isGeomParam"), "true");
		}

		EXPECT_EQ(*IDoubleGeomParam(Arb, "weight").getExpandedValue().getVals()->get(), 0.5);
		EXPECT_EQ((*IInt32GeomParam(Arb, "id").getExpandedValue().getVals())[1], 9);
		EXPECT_EQ(IUcharGeomParam(Arb, "flag").getExpandedValue().getVals()->size(), 4u);

		const IC3fGeomParam Cd(Arb, "Cd");
		EXPECT_TRUE(Cd.isIndexed());
		EXPECT_EQ(Cd.getScope(), kVertexScope);
		EXPECT_TRUE(IC3fGeomParam::matches(*Arb.getPropertyHeader("Cd")));
		const C3fArraySamplePtr CdExpanded = Cd.getExpandedValue().getVals();
		ASSERT_EQ(CdExpanded->size(), 4u);
		EXPECT_EQ((*CdExpanded)[2], C3f(0, 1, 0));
		const IC3fGeomParam::Sample CdIndexed = Cd.getIndexedValue();
		EXPECT_EQ(CdIndexed.getVals()->size(), 2u);
		EXPECT_EQ(CdIndexed.getIndices()->size(), 4u);

		EXPECT_TRUE(IN3fGeomParam::matches(*Arb.getPropertyHeader("rootN")));
		EXPECT_FALSE(IV3fGeomParam::matches(*Arb.getPropertyHeader("rootN")));
		EXPECT_EQ((*IN3fGeomParam(Arb, "rootN").getExpandedValue().getVals())[1], N3f(0, 1, 0));
		EXPECT_EQ((*IV2fGeomParam(Arb, "pair").getExpandedValue().getVals())[3], V2f(7, 8));
		EXPECT_EQ((*IStringGeomParam(Arb, "name").getExpandedValue().getVals())[0], "groom");

		const IFloatGeomParam RampParam(Arb, "ramp");
		EXPECT_EQ(RampParam.getArrayExtent(), 2u);
		EXPECT_EQ(RampParam.getExpandedValue().getVals()->size(), 4u);
	}

	TEST(ArchiveFactory, TellsHdf5OgawaAndOtherFilesApart)
	{
		const std::string Hdf5Path = TempFile("old.abc");
		{
			// An HDF5 signature and some of a superblock: enough for the factory to know the format.
			std::ofstream File(Hdf5Path, std::ios::binary);
			const char Signature[] = "\x89HDF\r\n\x1a\n\0\0\0\0\0\x08\x08\0";
			File.write(Signature, sizeof(Signature) - 1);
			File << std::string(200, '\0');
		}
		const std::string TextPath = TempFile("notes.abc");
		std::ofstream(TextPath) << "not an archive at all\n";
		const std::string OgawaPath = TempFile("new.abc");
		{
			OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive(), OgawaPath);
			OXform(Archive.getTop(), "x");
		}

		IFactory Factory;
		IFactory::CoreType Type = IFactory::kOgawa;
		IArchive Archive = Factory.getArchive(Hdf5Path, Type);
		EXPECT_EQ(Type, IFactory::kHDF5);
		EXPECT_FALSE(Archive.valid());
		EXPECT_FALSE(Archive.getPtr());

		Archive = Factory.getArchive(TextPath, Type);
		EXPECT_EQ(Type, IFactory::kUnknown);
		EXPECT_FALSE(Archive.valid());

		Archive = Factory.getArchive(TempFile("missing.abc"), Type);
		EXPECT_EQ(Type, IFactory::kUnknown);
		EXPECT_FALSE(Archive.valid());

		Archive = Factory.getArchive(OgawaPath, Type);
		EXPECT_EQ(Type, IFactory::kOgawa);
		ASSERT_TRUE(Archive.valid());
		EXPECT_EQ(Archive.getErrorHandlerPolicy(), ErrorHandler::kThrowPolicy);
		EXPECT_TRUE(IXform::matches(Archive.getTop().getChild(0).getHeader()));

		// Layering skips what does not open; one archive left is not layered. The type reported is the
		// last file's, as the library reports it.
		Archive = Factory.getArchive(std::vector<std::string>{TextPath, Hdf5Path, OgawaPath}, Type);
		EXPECT_EQ(Type, IFactory::kOgawa);
		EXPECT_TRUE(Archive.valid());
		Archive = Factory.getArchive(std::vector<std::string>{OgawaPath, TextPath}, Type);
		EXPECT_EQ(Type, IFactory::kUnknown);
		EXPECT_TRUE(Archive.valid());
		Archive = Factory.getArchive(std::vector<std::string>{OgawaPath, OgawaPath}, Type);
		EXPECT_EQ(Type, IFactory::kLayer);
		ASSERT_TRUE(Archive.valid());
		EXPECT_EQ(Archive.getTop().getNumChildren(), 1u);
	}
}
