#pragma once

#include "CoreMinimal.h"
#include "UObject/UObjectGlobals.h"

class UStaticMesh;

// Host-only: meshes made in code, for tests, benchmarks and the command's demo.
namespace Host
{
	// Positions and a triangle list, as a static mesh's LOD 0 render data holds them.
	struct FMeshData
	{
		TArray<FVector3f> Positions;
		TArray<uint32> Indices;

		int32 NumTriangles() const { return Indices.Num() / 3; }
	};

	// A square in the XY plane (z = 0) centred on the origin, reaching HalfSize along each axis, cut into
	// Divisions x Divisions cells of two triangles that share their corners.
	FMeshData BuildPlane(float HalfSize, int32 Divisions = 1);

	// An axis-aligned box centred on the origin: eight shared corners, twelve triangles.
	FMeshData BuildBox(const FVector3f& HalfExtent);

	// A sphere of Radius centred on the origin: Rings bands from pole (+Z) to pole, Segments around,
	// 2 x Segments x (Rings - 1) triangles. Every vertex lies exactly on the sphere (to float rounding).
	FMeshData BuildSphere(float Radius, int32 Rings, int32 Segments);

	// A closed head-like surface of about TargetTriangles triangles around the origin: an egg some 23
	// units tall facing +X, with a nose, a brow, a jaw and ears. Every ray from the origin crosses it once.
	FMeshData BuildHead(int32 TargetTriangles);

	// The positions moved by Offset.
	FMeshData Translated(FMeshData Data, const FVector3f& Offset);

	// A new static mesh whose LOD 0 render data holds Data.
	UStaticMesh* NewStaticMesh(const FMeshData& Data, UObject* Outer = GetTransientPackage(), FName Name = NAME_None);

	// Replaces Mesh's render data with Data, as a rebuild of the asset would.
	void SetMeshData(UStaticMesh* Mesh, const FMeshData& Data);
}
