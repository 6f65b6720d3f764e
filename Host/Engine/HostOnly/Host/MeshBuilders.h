#pragma once

#include "CoreMinimal.h"
#include "UObject/UObjectGlobals.h"

class UStaticMesh;

// Host-only: meshes made in code, for tests, benchmarks and the command's demo.
namespace Host
{
	// Positions and a triangle list, as a static mesh's LOD 0 render data holds them: in the engine's
	// winding, where a triangle (A, B, C) faces towards (C - A) x (B - A), clockwise seen from its front.
	// The builders below face every triangle outwards (a plane: towards +Z).
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

	// How far from the origin BuildHead's vertices lie along Direction; its triangles, chords between
	// them, lie no further out.
	double HeadRadius(const FVector& Direction);

	// The positions moved by Offset.
	FMeshData Translated(FMeshData Data, const FVector3f& Offset);

	// A's triangles, then B's, in one mesh.
	FMeshData Combined(FMeshData A, const FMeshData& B);

	// Data with every triangle turned to face the other way.
	FMeshData Reversed(FMeshData Data);

	// How a static mesh's complex collision answers traces.
	enum class ECollisionSides : uint8
	{
		// Only from the front of each face: the engine's default, as a mesh imported into the editor has it.
		SingleSided,
		// From both sides, with the triangles standing in for simple collision too: what
		// SkeletalMeshToStaticMesh makes.
		DoubleSided,
	};

	// A new, built static mesh whose LOD 0 render data holds Data, with its body setup and the collision
	// made from that data: single-sided unless told otherwise.
	UStaticMesh* NewStaticMesh(const FMeshData& Data, UObject* Outer = GetTransientPackage(), FName Name = NAME_None);
	UStaticMesh* NewStaticMesh(const FMeshData& Data, ECollisionSides Sides, UObject* Outer = GetTransientPackage(), FName Name = NAME_None);

	// A static mesh as an editor user's is made: Data committed as LOD 0's mesh description (with
	// BuildScale in its build settings), collision of the given sides, then built.
	UStaticMesh* NewAuthoredStaticMesh(const FMeshData& Data, ECollisionSides Sides, const FVector& BuildScale = FVector::OneVector);
	// The same with several LODs of several sections: LODs[L][S] becomes polygon group S of LOD L's
	// description, so section S of LOD L once built.
	UStaticMesh* NewAuthoredStaticMesh(const TArray<TArray<FMeshData>>& LODs, ECollisionSides Sides, const FVector& BuildScale = FVector::OneVector);

	// Replaces Mesh's render data with Data (one section, with collision) and cooks its collision again, as
	// a rebuild of the asset would.
	void SetMeshData(UStaticMesh* Mesh, const FMeshData& Data);

	// Sets the sides of Mesh's collision (making its body setup if it has none) and cooks it again, as
	// ticking Double Sided Geometry in the editor does.
	void SetCollisionSides(UStaticMesh* Mesh, ECollisionSides Sides);
}
