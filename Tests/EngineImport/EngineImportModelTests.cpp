// The suite's model of the engine's groom import, on small files made with the Alembic API: what it keeps,
// what it drops, and each way the import would read past a sample.
#include "EngineGroomImport.h"
#include "TestPaths.h"

#include <Alembic/AbcCoreOgawa/All.h>
#include <Alembic/AbcGeom/All.h>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <optional>

using namespace Alembic::AbcGeom;
using EngineImport::EColourFate;
using EngineImport::ERootUVSource;
using EngineImport::EWidthLayout;
using EngineImport::FEngineGroom;

namespace
{
	namespace fs = std::filesystem;

	// An arbitrary param as a file may hold it, scope label and count as given.
	struct FParam
	{
		std::string Name;
		// geoScope as written ("vtx", "uni", "con"); "" writes none.
		std::string Scope;
		size_t Extent = 1;
		std::vector<float> Floats;
		// Written as int32 when not empty.
		std::vector<int32_t> Ints;
		bool bIndexed = false;
		std::vector<uint32_t> Indices;
	};

	// One curves object: strands of Counts points, strand S's points at (S, P, 0).
	struct FCurves
	{
		std::string Name = "groom";
		std::vector<int32_t> Counts{3, 2};
		std::optional<std::vector<float>> Widths;
		GeometryScope WidthScope = kVertexScope;
		std::optional<std::vector<V2f>> UVs;
		GeometryScope UVScope = kVertexScope;
		std::vector<FParam> Params;
	};

	void WriteParam(OCompoundProperty& Params, const FParam& Param)
	{
		MetaData Meta;
		if (!Param.Scope.empty())
		{
			Meta.set("geoScope", Param.Scope);
		}
		const bool bInts = !Param.Ints.empty();
		const DataType Type(bInts ? Alembic::Util::kInt32POD : Alembic::Util::kFloat32POD, static_cast<uint8_t>(Param.Extent));
		const void* const Data = bInts ? static_cast<const void*>(Param.Ints.data()) : Param.Floats.data();
		const size_t Values = bInts ? Param.Ints.size() : Param.Floats.size() / Param.Extent;
		const ArraySample Sample(Data, Type, Dimensions(Values));
		if (!Param.bIndexed)
		{
			OArrayProperty(Params, Param.Name, Type, Meta).set(Sample);
			return;
		}
		OCompoundProperty Indexed(Params, Param.Name, Meta);
		OArrayProperty(Indexed, ".vals", Type, Meta).set(Sample);
		OUInt32ArrayProperty(Indexed, ".indices").set(UInt32ArraySample(Param.Indices));
	}

	void AddCurves(OObject Parent, const FCurves& Recipe)
	{
		std::vector<V3f> Points;
		for (size_t Strand = 0; Strand < Recipe.Counts.size(); ++Strand)
		{
			for (int32_t Point = 0; Point < Recipe.Counts[Strand]; ++Point)
			{
				Points.emplace_back(static_cast<float>(Strand), static_cast<float>(Point), 0.0f);
			}
		}
		OCurves Curves(Parent, Recipe.Name);
		OCompoundProperty Params = Curves.getSchema().getArbGeomParams();
		for (const FParam& Param : Recipe.Params)
		{
			WriteParam(Params, Param);
		}
		const OFloatGeomParam::Sample Widths = Recipe.Widths ? OFloatGeomParam::Sample(FloatArraySample(*Recipe.Widths), Recipe.WidthScope) : OFloatGeomParam::Sample();
		const OV2fGeomParam::Sample UVs = Recipe.UVs ? OV2fGeomParam::Sample(V2fArraySample(*Recipe.UVs), Recipe.UVScope) : OV2fGeomParam::Sample();
		Curves.getSchema().set(OCurvesSchema::Sample(P3fArraySample(Points), Int32ArraySample(Recipe.Counts), kLinear, kNonPeriodic, Widths, UVs));
	}

	fs::path WriteFile(const std::function<void(OObject)>& Build)
	{
		const fs::path Path = VelmoraTest::MakeTempDir("engine-import") / "groom.abc";
		OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive(), Path.string());
		Build(Archive.getTop());
		return Path;
	}

	FEngineGroom Import(const FCurves& Recipe)
	{
		const fs::path Path = WriteFile([&](OObject Top)
		                                { AddCurves(Top, Recipe); });
		return EngineImport::ImportGroom(Path.string());
	}

	FCurves WithParam(FParam Param)
	{
		FCurves Recipe;
		Recipe.Params.push_back(std::move(Param));
		return Recipe;
	}

	std::vector<float> Repeated(size_t Count, std::vector<float> Value)
	{
		std::vector<float> Values;
		for (size_t Index = 0; Index < Count; ++Index)
		{
			Values.insert(Values.end(), Value.begin(), Value.end());
		}
		return Values;
	}

	using FLines = std::vector<std::string>;
}

TEST(EngineImportWidths, ReadsVertexWidthsOnePerPoint)
{
	FCurves Recipe;
	Recipe.Widths = std::vector<float>{1, 2, 3, 4, 5};
	const FEngineGroom Groom = Import(Recipe);
	EXPECT_EQ(Groom.Widths, EWidthLayout::PerPoint);
	EXPECT_EQ(Groom.PointWidths, (std::vector<float>{1, 2, 3, 4, 5}));
	EXPECT_EQ(Groom.Violations, FLines());
}

TEST(EngineImportWidths, ReadsUniformWidthsOnePerStrandAndConstantOnceForAll)
{
	FCurves PerStrand;
	PerStrand.Widths = std::vector<float>{1, 2};
	PerStrand.WidthScope = kUniformScope;
	const FEngineGroom Strands = Import(PerStrand);
	EXPECT_EQ(Strands.Widths, EWidthLayout::PerStrand);
	EXPECT_EQ(Strands.PointWidths, (std::vector<float>{1, 1, 1, 2, 2}));
	EXPECT_EQ(Strands.Violations, FLines());

	FCurves One;
	One.Widths = std::vector<float>{7};
	One.WidthScope = kConstantScope;
	const FEngineGroom Constant = Import(One);
	EXPECT_EQ(Constant.Widths, EWidthLayout::One);
	EXPECT_EQ(Constant.PointWidths, (std::vector<float>{7, 7, 7, 7, 7}));
	EXPECT_EQ(Constant.Violations, FLines());
}

TEST(EngineImportWidths, GivesEveryPointTheBuildersDefaultWithoutWidths)
{
	const FEngineGroom Groom = Import(FCurves());
	EXPECT_EQ(Groom.Widths, EWidthLayout::None);
	EXPECT_EQ(Groom.PointWidths, std::vector<float>(5, 0.01f));
	EXPECT_TRUE(EngineImport::ImportsCleanly(WriteFile([](OObject Top)
	                                                   { AddCurves(Top, FCurves()); })
	                                             .string()));
}

// The scope alone decides: a count that fits the strands is still read per point when labelled vertex.
TEST(EngineImportWidths, ReadsPastVertexWidthsThatHoldOnePerStrand)
{
	FCurves Recipe;
	Recipe.Widths = std::vector<float>{1, 2};
	const FEngineGroom Groom = Import(Recipe);
	EXPECT_EQ(Groom.Violations, FLines{"width: reads 5 values per point from a sample of 2"});
	EXPECT_EQ(Groom.PointWidths[1], 2.0f);
	EXPECT_TRUE(std::isnan(Groom.PointWidths[2]));
}

TEST(EngineImportWidths, ReadsThroughTheNullPointerOfAnEmptyWidthArray)
{
	FCurves Vertex;
	Vertex.Widths = std::vector<float>();
	EXPECT_EQ(Import(Vertex).Violations, FLines{"width: reads 5 values per point through the null data pointer of an empty sample"});

	FCurves Uniform;
	Uniform.Widths = std::vector<float>{0.5f};
	Uniform.WidthScope = kUniformScope;
	EXPECT_EQ(Import(Uniform).Violations, FLines{"width: reads 2 values per strand from a sample of 1"});

	FCurves Constant;
	Constant.Widths = std::vector<float>();
	Constant.WidthScope = kConstantScope;
	EXPECT_EQ(Import(Constant).Violations, FLines{"width: reads 1 value for the whole groom through the null data pointer of an empty sample"});
}

TEST(EngineImportWidths, LeavesAScopeTheFactsDoNotCoverUnmodelledNotClean)
{
	FCurves Recipe;
	Recipe.Widths = std::vector<float>{1, 2, 3, 4, 5};
	Recipe.WidthScope = kVaryingScope;
	const FEngineGroom Groom = Import(Recipe);
	EXPECT_EQ(Groom.Unmodelled, FLines{"width: at var scope, which the facts do not cover"});
	const fs::path Path = WriteFile([&](OObject Top)
	                                { AddCurves(Top, Recipe); });
	EXPECT_FALSE(EngineImport::ImportsCleanly(Path.string()));
}

TEST(EngineImportColours, KeepsAPerPointGroomColorOfThreeFloats)
{
	const FEngineGroom Groom = Import(WithParam({"groom_color", "vtx", 3, {1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 0, 0, 1, 1}}));
	EXPECT_EQ(Groom.Colours, EColourFate::KeptPerPoint);
	EXPECT_EQ(Groom.PointColours, (std::vector<float>{1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 0, 0, 1, 1}));
	EXPECT_EQ(Groom.PointAttributes, FLines{"groom_color"});
	EXPECT_EQ(Groom.Violations, FLines());
}

// One colour per strand is taken as a strand attribute by its count, whatever its label, and the builder
// never uses one.
TEST(EngineImportColours, DropsPerStrandGroomColorWhateverItsScope)
{
	for (const char* Scope : {"vtx", "uni", ""})
	{
		SCOPED_TRACE(Scope);
		const FEngineGroom Groom = Import(WithParam({"groom_color", Scope, 3, Repeated(2, {0.5f, 0.25f, 0.125f})}));
		EXPECT_EQ(Groom.Colours, EColourFate::Dropped);
		EXPECT_TRUE(Groom.PointColours.empty());
		EXPECT_EQ(Groom.StrandAttributes, FLines{"groom_color"});
		EXPECT_EQ(Groom.Violations, FLines());
	}
	const FEngineGroom One = Import(WithParam({"groom_color", "con", 3, {0.5f, 0.25f, 0.125f}}));
	EXPECT_EQ(One.Colours, EColourFate::Dropped);
	EXPECT_EQ(One.Violations, FLines());
}

TEST(EngineImportColours, DropsAGroomColorThatIsNotThreeFloats)
{
	const FEngineGroom Groom = Import(WithParam({"groom_color", "vtx", 4, Repeated(5, {1, 0, 0, 1})}));
	EXPECT_EQ(Groom.Colours, EColourFate::Dropped);
	ASSERT_EQ(Groom.Objects.size(), 1u);
	EXPECT_EQ(Groom.Objects[0].ColourNote, "of type float32_t x4, not three floats");
}

TEST(EngineImportColours, ReadsPastAGroomColorThatFitsNeitherStrandsNorPoints)
{
	EXPECT_EQ(Import(WithParam({"groom_color", "vtx", 3, Repeated(4, {1, 0, 0})})).Violations,
	          FLines{"groom_color: reads 5 values per point from a sample of 4"});
	EXPECT_EQ(Import(WithParam({"groom_color", "vtx", 3, {}})).Violations,
	          FLines{"groom_color: reads 5 values per point through the null data pointer of an empty sample"});
	EXPECT_EQ(Import(WithParam({"groom_color", "uni", 3, Repeated(1, {1, 0, 0})})).Violations,
	          FLines{"groom_color: reads 2 values per strand from a sample of 1"});
}

TEST(EngineImportParams, ReadsOnlyParamsNamedGroom)
{
	FCurves Recipe;
	Recipe.Params = {{"Cd", "vtx", 3, {1, 0, 0}}, {"surface_normal", "vtx", 3, {}}, {"ramp", "vtx", 1, {}}, {"groom_id", "vtx", 1, {1, 2, 3, 4, 5}}};
	const FEngineGroom Groom = Import(Recipe);
	EXPECT_EQ(Groom.Violations, FLines());
	EXPECT_EQ(Groom.PointAttributes, FLines{"groom_id"});
	EXPECT_EQ(Groom.Colours, EColourFate::None);
}

TEST(EngineImportParams, ReadsPastAnIndexThatLiesPastTheValues)
{
	FParam Param{"groom_id", "uni", 1, {1, 2}};
	Param.bIndexed = true;
	Param.Indices = {1, 2};
	EXPECT_EQ(Import(WithParam(Param)).Violations, FLines{"groom_id: element 1 is index 2, past the sample's 2 values"});
}

TEST(EngineImportRootUVs, TakesEachStrandsFirstPointOfAVertexScopeUV)
{
	FCurves Recipe;
	Recipe.UVs = std::vector<V2f>{{0.1f, 0.2f}, {9, 9}, {9, 9}, {0.3f, 0.4f}, {9, 9}};
	const FEngineGroom Groom = Import(Recipe);
	EXPECT_EQ(Groom.RootUVSource, ERootUVSource::SchemaUV);
	EXPECT_EQ(Groom.RootUVs, (std::vector<float>{0.1f, 0.2f, 0.3f, 0.4f}));
	EXPECT_EQ(Groom.Violations, FLines());

	Recipe.UVs = std::vector<V2f>{{0.1f, 0.2f}, {9, 9}, {9, 9}};
	EXPECT_EQ(Import(Recipe).Violations, FLines{"uv: reads the first point of each strand, up to point 3, from a sample of 3"});
}

TEST(EngineImportRootUVs, LeavesARootUVAfterTheLastPointUnmodelledForAStrandOfNoPoints)
{
	FCurves Recipe;
	Recipe.Counts = {0, 3, 0, 2, 0};
	Recipe.UVs = std::vector<V2f>(5, V2f(0.5f, 0.5f));
	const FEngineGroom Groom = Import(Recipe);
	EXPECT_EQ(Groom.Violations, FLines());
	EXPECT_EQ(Groom.Unmodelled, FLines{"uv: strand 4 holds no points; whether the import reads a root UV for it at point 5, past the sample of 5, is not known"});
}

// Blender labels its one uv per curve with no scope at all.
TEST(EngineImportRootUVs, TakesOneUVPerStrandAtAnyOtherScope)
{
	FCurves Recipe;
	Recipe.UVs = std::vector<V2f>{{0.1f, 0.2f}, {0.3f, 0.4f}};
	Recipe.UVScope = kConstantScope;
	const FEngineGroom Groom = Import(Recipe);
	EXPECT_EQ(Groom.RootUVs, (std::vector<float>{0.1f, 0.2f, 0.3f, 0.4f}));
	EXPECT_EQ(Groom.Violations, FLines());
}

TEST(EngineImportRootUVs, GroomRootUVWinsOverTheSchemasUV)
{
	FCurves Recipe = WithParam({"groom_root_uv", "uni", 2, {0.5f, 0.6f, 0.7f, 0.8f}});
	Recipe.UVs = std::vector<V2f>{{0.1f, 0.2f}, {9, 9}, {9, 9}, {0.3f, 0.4f}, {9, 9}};
	const FEngineGroom Groom = Import(Recipe);
	EXPECT_EQ(Groom.RootUVSource, ERootUVSource::GroomRootUV);
	EXPECT_EQ(Groom.RootUVs, (std::vector<float>{0.5f, 0.6f, 0.7f, 0.8f}));
	EXPECT_EQ(Groom.StrandAttributes, FLines{"groom_root_uv"});

	EXPECT_EQ(Import(FCurves()).RootUVSource, ERootUVSource::None);
}

TEST(EngineImportGuides, CountsTheStrandsMarkedAsGuides)
{
	FParam Guides{"groom_guide", "uni", 1};
	Guides.Ints = {0, 1};
	const FEngineGroom Groom = Import(WithParam(Guides));
	EXPECT_TRUE(Groom.bGuides);
	EXPECT_EQ(Groom.GuideStrands, 1);

	const FEngineGroom Without = Import(FCurves());
	EXPECT_FALSE(Without.bGuides);
	EXPECT_NE(EngineImport::Describe(Without).find("guides     none (the builder makes its own)"), std::string::npos);
}

TEST(EngineImportFile, MergesEveryCurvesObjectPlacedByItsParents)
{
	const fs::path Path = WriteFile([](OObject Top)
	                                {
		                                FCurves First;
		                                First.Widths = std::vector<float>{1, 2, 3, 4, 5};
		                                AddCurves(Top, First);
		                                OXform Moved(Top, "moved");
		                                XformSample Move;
		                                Move.setTranslation(V3d(10, 20, 30));
		                                Moved.getSchema().set(Move);
		                                FCurves Second;
		                                Second.Name = "more";
		                                Second.Counts = {2};
		                                AddCurves(Moved, Second); });
	const FEngineGroom Groom = EngineImport::ImportGroom(Path.string());
	EXPECT_EQ(Groom.Refusal, "");
	ASSERT_EQ(Groom.Objects.size(), 2u);
	EXPECT_EQ(Groom.Objects[1].Path, "/moved/more");
	EXPECT_EQ(Groom.Strands, 3);
	EXPECT_EQ(Groom.Points, 7);
	EXPECT_EQ(Groom.Widths, EWidthLayout::Mixed);
	ASSERT_EQ(Groom.Positions.size(), 21u);
	EXPECT_EQ(std::vector<double>(Groom.Positions.begin() + 18, Groom.Positions.end()), (std::vector<double>{10, 21, 30}));
	EXPECT_EQ(std::vector<float>(Groom.PointWidths.begin() + 4, Groom.PointWidths.end()), (std::vector<float>{5, 0.01f, 0.01f}));
}

TEST(EngineImportFile, IsNoGroomWithAPolymeshOrWithoutCurves)
{
	const fs::path WithMesh = WriteFile([](OObject Top)
	                                    {
		                                    AddCurves(Top, FCurves());
		                                    MetaData Mesh;
		                                    Mesh.set("schema", "AbcGeom_PolyMesh_v1");
		                                    Mesh.set("schemaObjTitle", "AbcGeom_PolyMesh_v1:.geom");
		                                    OObject(Top, "head", Mesh); });
	EXPECT_EQ(EngineImport::ImportGroom(WithMesh.string()).Refusal, "holds a polymesh: /head");
	EXPECT_FALSE(EngineImport::ImportsCleanly(WithMesh.string()));

	const fs::path Empty = WriteFile([](OObject Top)
	                                 { OXform(Top, "nothing"); });
	EXPECT_EQ(EngineImport::ImportGroom(Empty.string()).Refusal, "holds no curves object");
}

TEST(EngineImportFile, ReadsPastPointsTheStrandsClaim)
{
	const fs::path Path = WriteFile([](OObject Top)
	                                {
		                                OCurves Curves(Top, "groom");
		                                const std::vector<V3f> Points(4, V3f(0, 0, 0));
		                                const std::vector<int32_t> Counts{3, 2};
		                                Curves.getSchema().set(OCurvesSchema::Sample(P3fArraySample(Points), Int32ArraySample(Counts))); });
	EXPECT_EQ(EngineImport::ImportGroom(Path.string()).Violations, FLines{"P: the strands hold 5 points, read from a sample of 4"});
}

TEST(EngineImportFile, ImportsCleanlyNamesEveryViolation)
{
	FCurves Recipe = WithParam({"groom_color", "vtx", 3, {}});
	Recipe.Widths = std::vector<float>{1, 2, 3};
	const fs::path Path = WriteFile([&](OObject Top)
	                                { AddCurves(Top, Recipe); });
	const testing::AssertionResult Result = EngineImport::ImportsCleanly(Path.string());
	ASSERT_FALSE(Result);
	const std::string Message = Result.message();
	EXPECT_NE(Message.find("violation  width: reads 5 values per point from a sample of 3"), std::string::npos) << Message;
	EXPECT_NE(Message.find("violation  groom_color: reads 5 values per point through the null data pointer of an empty sample"), std::string::npos) << Message;
}
