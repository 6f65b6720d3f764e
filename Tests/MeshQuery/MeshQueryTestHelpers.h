#pragma once

#include "CoreMinimal.h"
#include "Host/MeshBuilders.h"
#include "MeshQuery.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <vector>

// Meshes made in a line, and what is known about them without the query: where their surface lies, and
// a brute-force winding number.
namespace MeshQueryTest
{
	// Vertices and a triangle list in the engine's winding (A, B, C faces (C - A) x (B - A)).
	struct FMesh
	{
		TArray<FVector> Vertices;
		TArray<int32> Indices;

		int32 NumTriangles() const { return Indices.Num() / 3; }
		FVector Corner(int32 Triangle, int32 Corner) const { return Vertices[Indices[3 * Triangle + Corner]]; }
		FVector Centroid(int32 Triangle) const { return (Corner(Triangle, 0) + Corner(Triangle, 1) + Corner(Triangle, 2)) / 3.0; }
	};

	inline FMesh FromHost(const Host::FMeshData& Data, const FVector& Offset = FVector(0, 0, 0))
	{
		FMesh Mesh;
		for (const FVector3f& Position : Data.Positions)
		{
			Mesh.Vertices.Add(FVector(Position) + Offset);
		}
		for (const uint32 Index : Data.Indices)
		{
			Mesh.Indices.Add(static_cast<int32>(Index));
		}
		return Mesh;
	}

	// The host's UV sphere (faces outward; every vertex on the sphere).
	inline FMesh Sphere(double Radius, const FVector& Centre = FVector(0, 0, 0), int32 Rings = 32, int32 Segments = 64)
	{
		return FromHost(Host::BuildSphere(static_cast<float>(Radius), Rings, Segments), Centre);
	}

	// An axis-aligned box, each face cut into Divisions x Divisions squares, faces outward.
	inline FMesh TessellatedBox(const FVector& Min, const FVector& Max, int32 Divisions)
	{
		FMesh Mesh;
		// Each face: a corner, two edge directions (with Normal = U x V facing outward), on a grid.
		const FVector Size = Max - Min;
		struct FFace
		{
			FVector Origin, U, V;
		};
		const FFace Faces[6] = {
		    {FVector(Min.X, Min.Y, Min.Z), FVector(0, Size.Y, 0), FVector(Size.X, 0, 0)}, // -Z
		    {FVector(Min.X, Min.Y, Max.Z), FVector(Size.X, 0, 0), FVector(0, Size.Y, 0)}, // +Z
		    {FVector(Min.X, Min.Y, Min.Z), FVector(Size.X, 0, 0), FVector(0, 0, Size.Z)}, // -Y
		    {FVector(Min.X, Max.Y, Min.Z), FVector(0, 0, Size.Z), FVector(Size.X, 0, 0)}, // +Y
		    {FVector(Min.X, Min.Y, Min.Z), FVector(0, 0, Size.Z), FVector(0, Size.Y, 0)}, // -X
		    {FVector(Max.X, Min.Y, Min.Z), FVector(0, Size.Y, 0), FVector(0, 0, Size.Z)}, // +X
		};
		for (const FFace& Face : Faces)
		{
			const int32 Base = Mesh.Vertices.Num();
			for (int32 J = 0; J <= Divisions; ++J)
			{
				for (int32 I = 0; I <= Divisions; ++I)
				{
					Mesh.Vertices.Add(Face.Origin + Face.U * (static_cast<double>(I) / Divisions) + Face.V * (static_cast<double>(J) / Divisions));
				}
			}
			for (int32 J = 0; J < Divisions; ++J)
			{
				for (int32 I = 0; I < Divisions; ++I)
				{
					const int32 A = Base + J * (Divisions + 1) + I, B = A + 1, C = A + Divisions + 1, D = C + 1;
					// Right-handed (A, B, D) faces U x V; the engine's winding reverses it.
					Mesh.Indices.Append({A, D, B, A, C, D});
				}
			}
		}
		return Mesh;
	}

	// A cup: a flat bottom of Radius at z = 0 and a wall up to a rim at Height + Wave cos(2 angle), open
	// at the top, faces outward.
	inline FMesh WavyCup(double Radius, double Height, double Wave, int32 Segments = 64, int32 Rows = 16)
	{
		FMesh Mesh;
		const int32 Centre = Mesh.Vertices.Add(FVector(0, 0, 0));
		for (int32 Row = 0; Row <= Rows; ++Row)
		{
			for (int32 Segment = 0; Segment < Segments; ++Segment)
			{
				const double Angle = 2.0 * UE_DOUBLE_PI * Segment / Segments;
				const double Top = Height + Wave * std::cos(2.0 * Angle);
				Mesh.Vertices.Add(FVector(Radius * std::cos(Angle), Radius * std::sin(Angle), Top * Row / Rows));
			}
		}
		const auto Ring = [Segments](int32 Row, int32 Segment)
		{
			return 1 + Row * Segments + (Segment % Segments);
		};
		for (int32 Segment = 0; Segment < Segments; ++Segment)
		{
			// The bottom faces -Z: right-handed (Centre, next, this), in the engine's winding reversed.
			Mesh.Indices.Append({Centre, Ring(0, Segment), Ring(0, Segment + 1)});
			for (int32 Row = 0; Row < Rows; ++Row)
			{
				const int32 A = Ring(Row, Segment), B = Ring(Row, Segment + 1), C = Ring(Row + 1, Segment), D = Ring(Row + 1, Segment + 1);
				// The wall faces out: right-handed (A, B, D) and (A, D, C).
				Mesh.Indices.Append({A, D, B, A, C, D});
			}
		}
		return Mesh;
	}

	// Every other triangle turned the other way, as some exports leave them.
	inline FMesh FlipEveryOther(FMesh Mesh)
	{
		for (int32 Triangle = 1; Triangle < Mesh.NumTriangles(); Triangle += 2)
		{
			std::swap(Mesh.Indices[3 * Triangle + 1], Mesh.Indices[3 * Triangle + 2]);
		}
		return Mesh;
	}

	inline FMesh Reversed(FMesh Mesh)
	{
		for (int32 Triangle = 0; Triangle < Mesh.NumTriangles(); ++Triangle)
		{
			std::swap(Mesh.Indices[3 * Triangle + 1], Mesh.Indices[3 * Triangle + 2]);
		}
		return Mesh;
	}

	// Each triangle followed by its reverse, as double-sided exports are.
	inline FMesh DoubledWithReverse(const FMesh& Mesh)
	{
		FMesh Result;
		Result.Vertices = Mesh.Vertices;
		for (int32 Triangle = 0; Triangle < Mesh.NumTriangles(); ++Triangle)
		{
			const int32 A = Mesh.Indices[3 * Triangle], B = Mesh.Indices[3 * Triangle + 1], C = Mesh.Indices[3 * Triangle + 2];
			Result.Indices.Append({A, B, C, A, C, B});
		}
		return Result;
	}

	// Every triangle with corners of its own, as render data split at seams holds them.
	inline FMesh SplitVertices(const FMesh& Mesh)
	{
		FMesh Result;
		for (const int32 Index : Mesh.Indices)
		{
			Result.Indices.Add(Result.Vertices.Add(Mesh.Vertices[Index]));
		}
		return Result;
	}

	inline FMesh Joined(const FMesh& A, const FMesh& B)
	{
		FMesh Result = A;
		const int32 Base = A.Vertices.Num();
		Result.Vertices.Append(B.Vertices);
		for (const int32 Index : B.Indices)
		{
			Result.Indices.Add(Base + Index);
		}
		return Result;
	}

	// The triangles whose centroid Keep accepts.
	inline FMesh Keeping(const FMesh& Mesh, const std::function<bool(int32, const FVector&)>& Keep)
	{
		FMesh Result;
		Result.Vertices = Mesh.Vertices;
		for (int32 Triangle = 0; Triangle < Mesh.NumTriangles(); ++Triangle)
		{
			if (Keep(Triangle, Mesh.Centroid(Triangle)))
			{
				Result.Indices.Append({Mesh.Indices[3 * Triangle], Mesh.Indices[3 * Triangle + 1], Mesh.Indices[3 * Triangle + 2]});
			}
		}
		return Result;
	}

	// Count triangles of Size, all sharing the edge from (0, 0, -Size) to (0, 0, Size), fanned around it
	// like the pages of an open book.
	inline FMesh BookOfTriangles(int32 Count, double Size)
	{
		FMesh Mesh;
		Mesh.Vertices.Add(FVector(0, 0, -Size));
		Mesh.Vertices.Add(FVector(0, 0, Size));
		for (int32 Page = 0; Page < Count; ++Page)
		{
			const double Angle = 2.0 * UE_DOUBLE_PI * Page / Count;
			const int32 Tip = Mesh.Vertices.Add(FVector(Size * std::cos(Angle), Size * std::sin(Angle), 0.0));
			Mesh.Indices.Append({0, 1, Tip});
		}
		return Mesh;
	}

	// A closed double cone of 2 x Segments large triangles: apexes at (0, 0, +-Height) over a regular
	// polygon of Radius in the plane z = 0. Faces outward.
	inline FMesh Bipyramid(int32 Segments, double Radius, double Height)
	{
		FMesh Mesh;
		const int32 Top = Mesh.Vertices.Add(FVector(0, 0, Height));
		const int32 Bottom = Mesh.Vertices.Add(FVector(0, 0, -Height));
		for (int32 Segment = 0; Segment < Segments; ++Segment)
		{
			const double Angle = 2.0 * UE_DOUBLE_PI * Segment / Segments;
			Mesh.Vertices.Add(FVector(Radius * std::cos(Angle), Radius * std::sin(Angle), 0.0));
		}
		for (int32 Segment = 0; Segment < Segments; ++Segment)
		{
			const int32 This = 2 + Segment, Next = 2 + (Segment + 1) % Segments;
			// Right-handed (This, Next, Top) faces out and up; the engine's winding reverses it.
			Mesh.Indices.Append({This, Top, Next, This, Next, Bottom});
		}
		return Mesh;
	}

	inline std::shared_ptr<const GroomFitting::FMeshQuery> BuildQuery(const FMesh& Mesh)
	{
		FString Error;
		std::shared_ptr<const GroomFitting::FMeshQuery> Query = GroomFitting::FMeshQuery::Build(Mesh.Vertices, Mesh.Indices, Error);
		EXPECT_TRUE(Query) << TCHAR_TO_UTF8(*Error);
		return Query;
	}

	// The least distance from Centre to the mesh's triangles: the ball of that radius lies inside a convex
	// mesh around Centre, whatever its tessellation.
	inline double InnerRadius(const FMesh& Mesh, const FVector& Centre)
	{
		double Best = std::numeric_limits<double>::max();
		for (int32 Triangle = 0; Triangle < Mesh.NumTriangles(); ++Triangle)
		{
			// The distance to the triangle's plane bounds the distance to the triangle from below.
			const FVector A = Mesh.Corner(Triangle, 0), B = Mesh.Corner(Triangle, 1), C = Mesh.Corner(Triangle, 2);
			const FVector Normal = ((B - A) ^ (C - A)).GetSafeNormal(0.0);
			if (!Normal.IsZero())
			{
				Best = FMath::Min(Best, std::abs((Centre - A) | Normal));
			}
		}
		return Best;
	}

	// The generalised winding number by summing every triangle's solid angle: exact, slow, and sure.
	inline double BruteForceWinding(const FMesh& Mesh, const FVector& Point)
	{
		double Sum = 0.0;
		for (int32 Triangle = 0; Triangle < Mesh.NumTriangles(); ++Triangle)
		{
			// The engine's (A, B, C) faces the way the right-handed (A, C, B) does.
			const FVector A = Mesh.Corner(Triangle, 0) - Point, B = Mesh.Corner(Triangle, 2) - Point, C = Mesh.Corner(Triangle, 1) - Point;
			const double LA = A.Size(), LB = B.Size(), LC = C.Size();
			Sum += 2.0 * std::atan2(A | (B ^ C), LA * LB * LC + (A | B) * LC + (A | C) * LB + (B | C) * LA);
		}
		return Sum / (4.0 * UE_DOUBLE_PI);
	}

	inline std::vector<FVector> RandomPoints(uint32 Seed, int32 Count, const FVector& Min, const FVector& Max)
	{
		std::mt19937 Random(Seed);
		std::uniform_real_distribution<double> Unit(0.0, 1.0);
		std::vector<FVector> Points;
		Points.reserve(static_cast<size_t>(Count));
		for (int32 Index = 0; Index < Count; ++Index)
		{
			Points.emplace_back(Min.X + (Max.X - Min.X) * Unit(Random), Min.Y + (Max.Y - Min.Y) * Unit(Random), Min.Z + (Max.Z - Min.Z) * Unit(Random));
		}
		return Points;
	}
}
