// Real DCC grooms from ../shared/realworld through 'velmora prepare' and 'velmora fit', each file of the
// chain judged by the model of the engine's groom import: what the editor gets of the source's colours,
// widths and root UVs.
#include "CliTestUtils.h"
#include "EngineGroomImport.h"

#include <Alembic/AbcCoreOgawa/All.h>
#include <Alembic/AbcGeom/All.h>

#include <optional>

using namespace CliTest;

namespace
{
	// The floats of an array of the curves object at ObjectPath, sample 0: a schema property ("uv",
	// "width") or, with bArbitrary, an arbitrary param ("Cd"). Plain arrays only.
	std::vector<float> SourceFloats(const fs::path& Path, const std::vector<std::string>& ObjectPath, const std::string& Name, bool bArbitrary)
	{
		using namespace Alembic;
		const Abc::IArchive Archive(AbcCoreOgawa::ReadArchive(), Path.string());
		Abc::IObject Object = Archive.getTop();
		for (const std::string& Child : ObjectPath)
		{
			Object = Object.getChild(Child);
		}
		const AbcGeom::ICurves Curves(Object, Abc::kWrapExisting);
		const Abc::ICompoundProperty Parent = bArbitrary ? Curves.getSchema().getArbGeomParams() : Abc::ICompoundProperty(Curves.getSchema());
		AbcCoreAbstract::ArraySamplePtr Sample;
		Abc::IArrayProperty(Parent, Name).get(Sample, Abc::ISampleSelector(Abc::index_t(0)));
		const float* const Values = static_cast<const float*>(Sample->getData());
		return std::vector<float>(Values, Values + Sample->size() * Sample->getDataType().getExtent());
	}

	template<typename T>
	std::vector<T> Joined(std::vector<T> A, const std::vector<T>& B)
	{
		A.insert(A.end(), B.begin(), B.end());
		return A;
	}

	// A sphere mesh around Centre, large enough to hold the groom; the fit snaps what its traces miss,
	// since where the roots land does not matter here, only what each file of the chain holds.
	void SaveHead(const fs::path& Path, float Radius, const FVector& Centre)
	{
		Host::FMeshData Sphere = Host::BuildSphere(Radius, 24, 48);
		for (FVector3f& Position : Sphere.Positions)
		{
			Position += FVector3f(static_cast<float>(Centre.X), static_cast<float>(Centre.Y), static_cast<float>(Centre.Z));
		}
		SaveMesh(Path, Sphere);
	}

	EngineImport::FEngineGroom ImportClean(const fs::path& Path)
	{
		EXPECT_TRUE(EngineImport::ImportsCleanly(Path.string()));
		return EngineImport::ImportGroom(Path.string());
	}
}

// Blender's groom: Y up in metres, no widths, one uv per curve in the schema.
TEST(RealGroomChain, BlendersRootUVsReachTheEngineThroughPrepareAndFit)
{
	VELMORA_REQUIRE_REAL_FILE(Blender, "unity_FHeadModel.abc");
	const fs::path Dir = VelmoraTest::MakeTempDir("chain-blender");
	const std::vector<float> SourceUVs = SourceFloats(Blender, {"Head", "Curves"}, "uv", false);
	ASSERT_EQ(SourceUVs.size(), 2u * 4053u);

	const FRun Prepare = RunVelmora("prepare '" + Blender.string() + "' prepared.abc --up y --scale 100 -q", Dir);
	ASSERT_EQ(Prepare.ExitCode, 0) << Prepare.Stderr;
	SaveHead(Dir / "head.obj", 150.f, FVector(0, -15, 360));
	const FRun Fit = RunVelmora("fit prepared.abc head.obj fitted.abc --on-miss nearest -q", Dir);
	ASSERT_EQ(Fit.ExitCode, 0) << Fit.Stderr;

	for (const char* Name : {"prepared.abc", "fitted.abc"})
	{
		SCOPED_TRACE(Name);
		const FRun Inspect = RunVelmora(std::string("inspect ") + Name, Dir);
		EXPECT_NE(Inspect.Stdout.find("  root UVs      from groom_root_uv, one per strand\n"), std::string::npos) << Inspect.Stdout;
		const EngineImport::FEngineGroom Groom = ImportClean(Dir / Name);
		EXPECT_EQ(Groom.Strands, 4053);
		EXPECT_EQ(Groom.Points, 36477);
		EXPECT_EQ(Groom.Widths, EngineImport::EWidthLayout::None);
		EXPECT_EQ(Groom.RootUVSource, EngineImport::ERootUVSource::GroomRootUV);
		EXPECT_EQ(Groom.RootUVs, SourceUVs);
	}
}

// Houdini's groom: two curves objects, widths and a colour Cd per point.
TEST(RealGroomChain, HoudinisColoursAndWidthsReachTheEnginePerPointThroughPrepareAndFit)
{
	VELMORA_REQUIRE_REAL_FILE(Houdini, "cortex_widthTest.abc");
	const fs::path Dir = VelmoraTest::MakeTempDir("chain-houdini");
	const std::vector<float> SourceColours =
	    Joined(SourceFloats(Houdini, {"cubic", "curve"}, "Cd", true), SourceFloats(Houdini, {"linear", "curve"}, "Cd", true));
	const std::vector<float> SourceWidths =
	    Joined(SourceFloats(Houdini, {"cubic", "curve"}, "width", false), SourceFloats(Houdini, {"linear", "curve"}, "width", false));
	ASSERT_EQ(SourceColours.size(), 3u * 8u);
	ASSERT_EQ(SourceWidths.size(), 8u);

	const FRun Prepare = RunVelmora("prepare '" + Houdini.string() + "' prepared.abc -q", Dir);
	ASSERT_EQ(Prepare.ExitCode, 0) << Prepare.Stderr;
	SaveHead(Dir / "head.obj", 2.f, FVector(0.5, 0, 0.5));
	const FRun Fit = RunVelmora("fit prepared.abc head.obj fitted.abc --on-miss nearest -q", Dir);
	ASSERT_EQ(Fit.ExitCode, 0) << Fit.Stderr;

	for (const char* Name : {"prepared.abc", "fitted.abc"})
	{
		SCOPED_TRACE(Name);
		const EngineImport::FEngineGroom Groom = ImportClean(Dir / Name);
		EXPECT_EQ(Groom.Strands, 2);
		EXPECT_EQ(Groom.Points, 8);
		EXPECT_EQ(Groom.Colours, EngineImport::EColourFate::KeptPerPoint);
		EXPECT_EQ(Groom.PointColours, SourceColours);
		EXPECT_EQ(Groom.Widths, EngineImport::EWidthLayout::PerPoint);
		EXPECT_EQ(Groom.PointWidths, SourceWidths);
	}
}
