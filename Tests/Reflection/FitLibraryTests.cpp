// The fit library's reflected surface, and its nodes behaving as the direct C++ calls do.
#include "CheckedGroomWrites.h"
#include "ReflectionTestHelpers.h"

#include "Components/StaticMeshComponent.h"
#include "GameFramework/Actor.h"
#include "GroomFitting.h"
#include "Host/Log.h"
#include "Host/MeshBuilders.h"
#include "Host/ScriptCall.h"
#include "Host/World.h"
#include "TestPaths.h"
#include "alembicIO.h"
#include "velmoraBPLibrary.h"
#include "velmoraFitBPLibrary.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace VelmoraTests;

namespace
{
	UFunction* FitNode(const TCHAR* Name)
	{
		UFunction* Found = UvelmoraFitBPLibrary::StaticClass()->FindFunctionByName(Name);
		EXPECT_NE(Found, nullptr) << Utf8(Name);
		return Found;
	}

	std::vector<std::string> Members(const UScriptStruct* Struct)
	{
		std::vector<std::string> Result;
		for (TFieldIterator<FProperty> It(Struct); It; ++It)
		{
			Result.push_back(Utf8(It->GetName()) + ": " + Utf8(It->GetCPPType()));
		}
		return Result;
	}

	std::string ReadBytes(const std::filesystem::path& Path)
	{
		std::ifstream File(Path, std::ios::binary);
		return std::string(std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>());
	}

	FString Wide(const std::filesystem::path& Path)
	{
		return UTF8_TO_TCHAR(Path.string().c_str());
	}

	// Strands above a sphere of radius 100, one normal per strand: two reach it, one is too far for the
	// trace, one is sunk through it and reaches back inside.
	GroomData FloatingGroom()
	{
		GroomData Groom;
		Groom.positions = {0, 0, 102, 0, 0, 112, 30, 0, 97, 30, 0, 107, 0, 60, 120, 0, 70, 130, -30, 0, 96, -30, 0, 60};
		Groom.vertexCounts = {2, 2, 2, 2};
		Groom.widths.assign(8, 1.f);
		Groom.groomColors.assign(12, 0.5f);
		Groom.surfaceNormals = {0, 0, 1, 0, 0, 1, 0, 1, 0, -1, 0, 0};
		return Groom;
	}

	bool SameReport(const FvelmoraFitReport& A, const FvelmoraFitReport& B)
	{
		return A.bMeasured == B.bMeasured && A.Strands == B.Strands && A.Points == B.Points && A.RootsOnSurface == B.RootsOnSurface &&
		       A.RootsOffSurface == B.RootsOffSurface && A.RootDistanceMin == B.RootDistanceMin && A.RootDistanceMedian == B.RootDistanceMedian &&
		       A.RootDistanceMax == B.RootDistanceMax && A.PointsInside == B.PointsInside && A.StrandsInside == B.StrandsInside && A.bAfterFit == B.bAfterFit &&
		       A.DisplacementMax == B.DisplacementMax && A.Hits == B.Hits && A.Misses == B.Misses && A.MissesSnapped == B.MissesSnapped &&
		       A.StrandsOriented == B.StrandsOriented && A.PointsResolved == B.PointsResolved;
	}

	struct FSphereScene
	{
		std::filesystem::path Dir = VelmoraTest::MakeTempDir("fit_library");
		UWorld* World = Host::NewWorld();
		AActor* Source = Host::SpawnActor(World);
		UStaticMeshComponent* Component = Host::AddStaticMeshComponent(Host::SpawnActor(World), Host::NewStaticMesh(Host::BuildSphere(100, 24, 48), Host::ECollisionSides::DoubleSided));

		FSphereScene() { CheckedGroom::WriteGroom((Dir / "source.abc").string(), FloatingGroom()); }
		~FSphereScene() { std::filesystem::remove_all(Dir); }
	};
}

TEST(FitLibrarySurface, ASecondLibraryInTheEditorOnlyPackage)
{
	UClass* const Class = UvelmoraFitBPLibrary::StaticClass();
	EXPECT_EQ(Utf8(Class->GetPathName()), "/Script/velmora.velmoraFitBPLibrary");
	EXPECT_EQ(Class->GetSuperClass(), UBlueprintFunctionLibrary::StaticClass());
	EXPECT_TRUE(Class->GetOuterUPackage()->HasAllPackageFlags(PKG_CompiledIn | PKG_EditorOnly));
	EXPECT_EQ(Class->GetOuterUPackage(), UvelmoraBPLibrary::StaticClass()->GetOuterUPackage());
	EXPECT_EQ(FunctionNames(Class), (std::vector<std::string>{"FitGroomToStaticMeshWithOptions", "PrepareGroom", "ReportGroomFit"}));
	// The first library keeps its three nodes.
	EXPECT_EQ(FunctionNames(UvelmoraBPLibrary::StaticClass()), (std::vector<std::string>{"FitGroomToStaticMesh", "GetCallstack", "SkeletalMeshToStaticMesh"}));

	for (const UFunction* Node : {FitNode(TEXT("FitGroomToStaticMeshWithOptions")), FitNode(TEXT("ReportGroomFit"))})
	{
		SCOPED_TRACE(Utf8(Node->GetName()));
		EXPECT_EQ(Utf8(Node->GetMetaData(TEXT("Category"))), "velmora");
		EXPECT_EQ(Utf8(Node->GetMetaData(TEXT("DisplayName"))), Utf8(Node->GetName()));
		EXPECT_NE(Utf8(Node->GetMetaData(TEXT("Keywords"))).find("velmora groom"), std::string::npos);
		EXPECT_FALSE(Node->GetMetaData(TEXT("ToolTip")).IsEmpty());
		EXPECT_TRUE(Node->HasAllFunctionFlags(FUNC_Static | FUNC_Final | FUNC_Native | FUNC_Public | FUNC_BlueprintCallable | FUNC_HasOutParms | FUNC_HasDefaults));
		EXPECT_FALSE(Node->HasAnyFunctionFlags(FUNC_BlueprintPure));
		const FStructProperty* const Result = CastField<FStructProperty>(Node->GetReturnProperty());
		ASSERT_NE(Result, nullptr);
		EXPECT_EQ(Result->Struct, FvelmoraFitReport::StaticStruct());
		EXPECT_TRUE(Result->HasAllPropertyFlags(CPF_Parm | CPF_OutParm | CPF_ReturnParm));
	}
}

TEST(FitLibrarySurface, FitNodeTakesTheFitsPinsPlusOptionsByConstReference)
{
	const UFunction* const Fit = FitNode(TEXT("FitGroomToStaticMeshWithOptions"));
	EXPECT_EQ(Pins(Fit), (std::vector<std::string>{"source: AActor*", "TheComp: UStaticMeshComponent*", "origin: FVector", "sourceAlmbicPath: FString",
	                                               "targetAlembicPath: FString", "Options: FvelmoraFitOptions", "ReturnValue: FvelmoraFitReport"}));
	const FProperty* const Options = FindPin(Fit, TEXT("Options"));
	EXPECT_TRUE(Options->HasAllPropertyFlags(CPF_Parm | CPF_OutParm | CPF_ReferenceParm | CPF_ConstParm));
	EXPECT_EQ(CastField<FStructProperty>(Options)->Struct, FvelmoraFitOptions::StaticStruct());
	// The five pins it shares with FitGroomToStaticMesh are flagged as there.
	const UFunction* const Plain = UvelmoraBPLibrary::StaticClass()->FindFunctionByName(TEXT("FitGroomToStaticMesh"));
	for (TFieldIterator<FProperty> It(Plain); It; ++It)
	{
		EXPECT_EQ(FindPin(Fit, *It->GetName())->PropertyFlags, It->PropertyFlags) << Utf8(It->GetName());
	}

	EXPECT_EQ(Pins(FitNode(TEXT("ReportGroomFit"))),
	          (std::vector<std::string>{"TheComp: UStaticMeshComponent*", "placement: FVector", "groomAlembicPath: FString", "ReturnValue: FvelmoraFitReport"}));
}

TEST(FitLibrarySurface, OptionsAndReportAreBlueprintStructsWithOffDefaults)
{
	UScriptStruct* const Options = FvelmoraFitOptions::StaticStruct();
	EXPECT_EQ(Utf8(Options->GetPathName()), "/Script/velmora.velmoraFitOptions");
	EXPECT_EQ(Utf8(Options->GetMetaData(TEXT("BlueprintType"))), "true");
	EXPECT_EQ(Members(Options), (std::vector<std::string>{"bSnapMissesToNearest: bool", "bOrientToSurface: bool", "OrientFalloff: double",
	                                                      "bResolvePenetration: bool", "PenetrationOffset: double"}));
	for (UScriptStruct* Struct : {Options, FvelmoraFitReport::StaticStruct()})
	{
		for (TFieldIterator<FProperty> It(Struct); It; ++It)
		{
			EXPECT_TRUE(It->HasAllPropertyFlags(CPF_Edit | CPF_BlueprintVisible)) << Utf8(It->GetName());
			EXPECT_EQ(Utf8(It->GetMetaData(TEXT("Category"))), "velmora");
		}
	}
	EXPECT_EQ(Utf8(FvelmoraFitReport::StaticStruct()->GetMetaData(TEXT("BlueprintType"))), "true");

	// A node's options pin starts as the plain fit: every repair off.
	const FvelmoraFitOptions Defaults;
	const GroomFitting::FFitOptions Plain;
	EXPECT_EQ(Defaults.bSnapMissesToNearest, Plain.bSnapMissesToNearest);
	EXPECT_EQ(Defaults.bOrientToSurface, Plain.bOrientToSurface);
	EXPECT_EQ(Defaults.OrientFalloff, Plain.OrientFalloff);
	EXPECT_EQ(Defaults.bResolvePenetration, Plain.bResolvePenetration);
	EXPECT_EQ(Defaults.PenetrationOffset, Plain.PenetrationOffset);
	EXPECT_FALSE(Defaults.bSnapMissesToNearest || Defaults.bOrientToSurface || Defaults.bResolvePenetration);
}

TEST(FitLibraryParity, FitNodeWithRepairsWritesAndReportsAsTheDirectCall)
{
	FSphereScene Scene;
	FvelmoraFitOptions Options;
	Options.bSnapMissesToNearest = true;
	Options.bOrientToSurface = true;
	Options.bResolvePenetration = true;
	Options.PenetrationOffset = 0.25;

	Host::FScopedLogCapture Log;
	FvelmoraFitReport ByNode;
	{
		UFunction* const Fit = FitNode(TEXT("FitGroomToStaticMeshWithOptions"));
		Host::FScriptCallParams Params(Fit);
		Params.Set(TEXT("source"), Scene.Source);
		Params.Set(TEXT("TheComp"), Scene.Component);
		Params.Set(TEXT("origin"), FVector::ZeroVector);
		Params.Set(TEXT("sourceAlmbicPath"), Wide(Scene.Dir / "source.abc"));
		Params.Set(TEXT("targetAlembicPath"), Wide(Scene.Dir / "node.abc"));
		Params.Set(TEXT("Options"), Options);
		const CheckedGroom::FGroomOutput Output((Scene.Dir / "node.abc").string());
		Host::CallFunction(nullptr, Fit, Params);
		Output.ExpectImportsCleanlyIfWritten();
		ByNode = Params.GetReturnValue<FvelmoraFitReport>();
	}
	const std::vector<std::string> NodeLines = Log.Formatted();
	Log.Clear();
	const FvelmoraFitReport Direct = CheckedGroom::FitGroomToStaticMeshWithOptions(Scene.Source, Scene.Component, FVector::ZeroVector,
	                                                                               Wide(Scene.Dir / "source.abc"), Wide(Scene.Dir / "direct.abc"), Options);
	EXPECT_EQ(Log.Formatted(), NodeLines);
	EXPECT_TRUE(SameReport(ByNode, Direct));
	EXPECT_EQ(ReadGroom((Scene.Dir / "node.abc").string()).positions, ReadGroom((Scene.Dir / "direct.abc").string()).positions);

	// The repairs reached the fit: the stray was snapped, nothing is left inside, every root is on the sphere.
	EXPECT_TRUE(ByNode.bMeasured && ByNode.bAfterFit);
	EXPECT_EQ(ByNode.Strands, 4);
	EXPECT_EQ(ByNode.Misses, 1);
	EXPECT_EQ(ByNode.MissesSnapped, 1);
	EXPECT_EQ(ByNode.PointsInside, 0);
	EXPECT_EQ(ByNode.RootsOnSurface, 4);
}

TEST(FitLibraryParity, DefaultOptionsWriteWhatTheFirstLibrarysFitWrites)
{
	FSphereScene Scene;
	const FvelmoraFitReport Report = CheckedGroom::FitGroomToStaticMeshWithOptions(Scene.Source, Scene.Component, FVector::ZeroVector,
	                                                                               Wide(Scene.Dir / "source.abc"), Wide(Scene.Dir / "options.abc"), FvelmoraFitOptions());
	CheckedGroom::FitGroomToStaticMesh(Scene.Source, Scene.Component, FVector::ZeroVector, Wide(Scene.Dir / "source.abc"), Wide(Scene.Dir / "plain.abc"));
	EXPECT_EQ(ReadGroom((Scene.Dir / "options.abc").string()).positions, ReadGroom((Scene.Dir / "plain.abc").string()).positions);
	EXPECT_EQ(Report.Hits, 3);
	EXPECT_EQ(Report.Misses, 1);
	EXPECT_EQ(Report.MissesSnapped + Report.StrandsOriented + Report.PointsResolved, 0);

	// A component without a mesh: both nodes write the groom as read, every trace having missed; the
	// options node only cannot measure it.
	UStaticMeshComponent* Empty = Host::AddStaticMeshComponent(Host::SpawnActor(Scene.World), nullptr);
	Host::FScopedLogCapture Log;
	const FvelmoraFitReport Unmeasured = CheckedGroom::FitGroomToStaticMeshWithOptions(
	    Scene.Source, Empty, FVector::ZeroVector, Wide(Scene.Dir / "source.abc"), Wide(Scene.Dir / "options_nomesh.abc"), FvelmoraFitOptions());
	CheckedGroom::FitGroomToStaticMesh(Scene.Source, Empty, FVector::ZeroVector, Wide(Scene.Dir / "source.abc"), Wide(Scene.Dir / "plain_nomesh.abc"));
	ASSERT_TRUE(std::filesystem::exists(Scene.Dir / "options_nomesh.abc"));
	EXPECT_EQ(ReadBytes(Scene.Dir / "options_nomesh.abc"), ReadBytes(Scene.Dir / "plain_nomesh.abc"));
	EXPECT_EQ(ReadGroom((Scene.Dir / "options_nomesh.abc").string()).positions, FloatingGroom().positions);
	EXPECT_FALSE(Unmeasured.bMeasured);
}

TEST(FitLibraryParity, ReportNodeGivesTheEnginesFiguresAndChangesNothing)
{
	FSphereScene Scene;
	const std::string Before = ReadBytes(Scene.Dir / "source.abc");
	FvelmoraFitReport ByNode;
	{
		UFunction* const Report = FitNode(TEXT("ReportGroomFit"));
		Host::FScriptCallParams Params(Report);
		Params.Set(TEXT("TheComp"), Scene.Component);
		Params.Set(TEXT("placement"), FVector::ZeroVector);
		Params.Set(TEXT("groomAlembicPath"), Wide(Scene.Dir / "source.abc"));
		Host::CallFunction(nullptr, Report, Params);
		ByNode = Params.GetReturnValue<FvelmoraFitReport>();
	}
	GroomFitting::FFitReport Engine;
	ASSERT_TRUE(GroomFitting::ReportGroomFile(Scene.Component, FVector::ZeroVector, Wide(Scene.Dir / "source.abc"), Engine));
	EXPECT_TRUE(ByNode.bMeasured);
	EXPECT_FALSE(ByNode.bAfterFit);
	EXPECT_EQ(ByNode.Strands, Engine.Strands);
	EXPECT_EQ(ByNode.RootsOffSurface, Engine.RootsOffSurface);
	EXPECT_EQ(ByNode.RootDistanceMedian, Engine.RootDistance.Median);
	EXPECT_EQ(ByNode.PointsInside, Engine.PointsInside);
	EXPECT_EQ(ByNode.StrandsInside, 1);
	EXPECT_EQ(ReadBytes(Scene.Dir / "source.abc"), Before);

	// A groom that cannot be read gives an unmeasured, all-zero report and a log line.
	Host::FScopedLogCapture Log;
	const FvelmoraFitReport Missing = UvelmoraFitBPLibrary::ReportGroomFit(Scene.Component, FVector::ZeroVector, Wide(Scene.Dir / "missing.abc"));
	EXPECT_FALSE(Missing.bMeasured);
	EXPECT_EQ(Missing.Strands, 0);
	EXPECT_FALSE(Log.Formatted().empty());
}

TEST(FitLibraryParity, UnusableOptionsWriteNothingAndReportNothing)
{
	FSphereScene Scene;
	FvelmoraFitOptions Options;
	Options.bResolvePenetration = true;
	Options.PenetrationOffset = -1.0;
	Host::FScopedLogCapture Log;
	const FvelmoraFitReport Report = CheckedGroom::FitGroomToStaticMeshWithOptions(Scene.Source, Scene.Component, FVector::ZeroVector,
	                                                                               Wide(Scene.Dir / "source.abc"), Wide(Scene.Dir / "out.abc"), Options);
	EXPECT_FALSE(Report.bMeasured);
	EXPECT_EQ(Report.Strands, 0);
	EXPECT_FALSE(std::filesystem::exists(Scene.Dir / "out.abc"));
	EXPECT_FALSE(Log.Formatted().empty());

	// Null objects pass through to the fit, which refuses them with a log line, as the first library's node does.
	Log.Clear();
	EXPECT_FALSE(CheckedGroom::FitGroomToStaticMeshWithOptions(nullptr, Scene.Component, FVector::ZeroVector, Wide(Scene.Dir / "source.abc"),
	                                                           Wide(Scene.Dir / "out.abc"), FvelmoraFitOptions())
	                 .bMeasured);
	EXPECT_FALSE(UvelmoraFitBPLibrary::ReportGroomFit(nullptr, FVector::ZeroVector, Wide(Scene.Dir / "source.abc")).bMeasured);
	EXPECT_EQ(Log.Formatted().size(), 2u);
	EXPECT_FALSE(std::filesystem::exists(Scene.Dir / "out.abc"));
}
