// A Blueprint node of each forwarding function behaves as the direct C++ call does, on real input.
#include "CheckedGroomWrites.h"
#include "ReflectionTestHelpers.h"

#include "Components/StaticMeshComponent.h"
#include "Engine/SkeletalMesh.h"
#include "Engine/StaticMesh.h"
#include "GameFramework/Actor.h"
#include "Host/Log.h"
#include "Host/MeshBuilders.h"
#include "Host/ScriptCall.h"
#include "Host/SkeletalMeshes.h"
#include "Host/World.h"
#include "StaticMeshResources.h"
#include "TestPaths.h"
#include "alembicIO.h"
#include "velmoraBPLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <string>
#include <vector>

using namespace VelmoraTests;

namespace
{
	UFunction* Reflected(const TCHAR* Name)
	{
		UFunction* Found = UvelmoraBPLibrary::StaticClass()->FindFunctionByName(Name);
		EXPECT_NE(Found, nullptr);
		return Found;
	}

	FString Wide(const std::filesystem::path& Path)
	{
		return UTF8_TO_TCHAR(Path.string().c_str());
	}

	std::vector<FVector3f> RenderPositions(const UStaticMesh* Mesh)
	{
		const FPositionVertexBuffer& Buffer = Mesh->GetRenderData()->LODResources[0].VertexBuffers.PositionVertexBuffer;
		std::vector<FVector3f> Positions;
		for (uint32 Vertex = 0; Vertex < Buffer.GetNumVertices(); ++Vertex)
		{
			Positions.push_back(Buffer.VertexPosition(Vertex));
		}
		return Positions;
	}
}

TEST(BlueprintParity, FitNodeWritesTheSameGroomAndLogsAsTheDirectCall)
{
	const std::filesystem::path Dir = VelmoraTest::MakeTempDir("blueprint_parity");

	// Two strands rooted just above a sphere of radius 100, one normal per strand: surface-normal projection.
	GroomData Groom;
	Groom.positions = {0, 0, 102, 0, 0, 112, 30, 0, 97, 30, 0, 107};
	Groom.vertexCounts = {2, 2};
	Groom.widths = {1, 1, 1, 1};
	Groom.groomColors = {1, 0, 0, 0, 1, 0};
	Groom.surfaceNormals = {0, 0, -1, 0, 0, -1};
	CheckedGroom::WriteGroom((Dir / "source.abc").string(), Groom);

	UWorld* const World = Host::NewWorld();
	AActor* const Source = Host::SpawnActor(World, FVector(5, -5, 10));
	AActor* const Owner = Host::SpawnActor(World);
	UStaticMeshComponent* const Component = Host::AddStaticMeshComponent(Owner, Host::NewStaticMesh(Host::BuildSphere(100, 24, 48), Host::ECollisionSides::DoubleSided));
	const FVector Origin(0, 0, 0);

	Host::FScopedLogCapture Log;
	{
		UFunction* const Fit = Reflected(TEXT("FitGroomToStaticMesh"));
		Host::FScriptCallParams Params(Fit);
		Params.Set(TEXT("source"), Source);
		Params.Set(TEXT("TheComp"), Component);
		Params.Set(TEXT("origin"), Origin);
		Params.Set(TEXT("sourceAlmbicPath"), Wide(Dir / "source.abc"));
		Params.Set(TEXT("targetAlembicPath"), Wide(Dir / "node.abc"));
		const CheckedGroom::FGroomOutput Output((Dir / "node.abc").string());
		Host::CallFunction(nullptr, Fit, Params);
		Output.ExpectImportsCleanlyIfWritten();
	}
	const std::vector<std::string> NodeLines = Log.Formatted();
	// The node's lines must be the fit's own, or equal logs would prove nothing.
	ASSERT_EQ(std::count(NodeLines.begin(), NodeLines.end(), "LogTemp: Error: Using surface normal projection to fit groom"), 1) << ::testing::PrintToString(NodeLines);
	Log.Clear();
	CheckedGroom::FitGroomToStaticMesh(Source, Component, Origin, Wide(Dir / "source.abc"), Wide(Dir / "direct.abc"));

	EXPECT_EQ(Log.Formatted(), NodeLines);
	const GroomData ByNode = ReadGroom((Dir / "node.abc").string());
	const GroomData Direct = ReadGroom((Dir / "direct.abc").string());
	ASSERT_EQ(ByNode.positions.size(), Groom.positions.size());
	EXPECT_EQ(ByNode.positions, Direct.positions);
	EXPECT_EQ(ByNode.vertexCounts, Direct.vertexCounts);
	EXPECT_EQ(ByNode.surfaceNormals, Direct.surfaceNormals);
	// The fit moved the strands: the node did reach the fit with the actor and the component.
	EXPECT_NE(ByNode.positions, Groom.positions);
	std::filesystem::remove_all(Dir);
}

TEST(BlueprintParity, ConversionNodeMakesTheSameMeshAsTheDirectCall)
{
	USkeletalMesh* const Head = Host::MakeSkeletalMesh(Host::MakeSphereLOD(50, 8, 12));

	UFunction* const Convert = Reflected(TEXT("SkeletalMeshToStaticMesh"));
	Host::FScriptCallParams Params(Convert);
	Params.Set(TEXT("head"), Head);
	Host::CallFunction(nullptr, Convert, Params);
	UStaticMesh* const ByNode = Params.GetReturnValue<UStaticMesh*>();
	ASSERT_NE(ByNode, nullptr);
	const std::vector<FVector3f> NodePositions = RenderPositions(ByNode);
	const std::string NodePath = Utf8(ByNode->GetPathName());

	UStaticMesh* const Direct = UvelmoraBPLibrary::SkeletalMeshToStaticMesh(Head);
	ASSERT_NE(Direct, nullptr);
	EXPECT_EQ(NodePath, Utf8(Direct->GetPathName()));
	EXPECT_EQ(NodePositions, RenderPositions(Direct));
	EXPECT_FALSE(NodePositions.empty());
}
