#include "Host/MeshBuilders.h"

#include "Engine/StaticMesh.h"
#include "MeshDescription.h"
#include "PhysicsEngine/BodySetup.h"
#include "StaticMeshAttributes.h"
#include "StaticMeshCompiler.h"

#include <cmath>
#include <utility>

namespace Host
{
	namespace
	{
		// The triangle whose corners A, B, C run counter-clockwise seen from its front, stored in the
		// engine's winding (clockwise from the front).
		void AddTriangle(FMeshData& Data, uint32 A, uint32 B, uint32 C)
		{
			Data.Indices.Append({A, C, B});
		}

		// A UV sphere whose radius along each direction is given by RadiusAt(unit direction).
		template<typename FRadiusFunction>
		FMeshData BuildStarShape(int32 Rings, int32 Segments, FRadiusFunction RadiusAt)
		{
			Rings = FMath::Max(Rings, 2);
			Segments = FMath::Max(Segments, 3);
			FMeshData Data;
			const auto AddVertex = [&Data, &RadiusAt](const FVector& Direction)
			{
				Data.Positions.Add(FVector3f(Direction * RadiusAt(Direction)));
			};
			AddVertex(FVector(0, 0, 1));
			for (int32 Ring = 1; Ring < Rings; ++Ring)
			{
				const double Polar = UE_DOUBLE_PI * Ring / Rings;
				for (int32 Segment = 0; Segment < Segments; ++Segment)
				{
					const double Azimuth = 2.0 * UE_DOUBLE_PI * Segment / Segments;
					AddVertex(FVector(std::sin(Polar) * std::cos(Azimuth), std::sin(Polar) * std::sin(Azimuth), std::cos(Polar)));
				}
			}
			AddVertex(FVector(0, 0, -1));

			const uint32 South = static_cast<uint32>(Data.Positions.Num() - 1);
			const auto RingVertex = [Segments](int32 Ring, int32 Segment)
			{
				return static_cast<uint32>(1 + (Ring - 1) * Segments + (Segment % Segments));
			};
			for (int32 Segment = 0; Segment < Segments; ++Segment)
			{
				AddTriangle(Data, 0, RingVertex(1, Segment), RingVertex(1, Segment + 1));
				AddTriangle(Data, South, RingVertex(Rings - 1, Segment + 1), RingVertex(Rings - 1, Segment));
			}
			for (int32 Ring = 1; Ring < Rings - 1; ++Ring)
			{
				for (int32 Segment = 0; Segment < Segments; ++Segment)
				{
					const uint32 A = RingVertex(Ring, Segment), B = RingVertex(Ring, Segment + 1);
					const uint32 C = RingVertex(Ring + 1, Segment), D = RingVertex(Ring + 1, Segment + 1);
					AddTriangle(Data, A, C, D);
					AddTriangle(Data, A, D, B);
				}
			}
			return Data;
		}

		double Bump(const FVector& Direction, const FVector& Centre, double Width)
		{
			const double Cosine = FMath::Clamp(Direction | Centre.GetSafeNormal(), -1.0, 1.0);
			const double Angle = std::acos(Cosine);
			return std::exp(-(Angle * Angle) / (Width * Width));
		}
	}

	FMeshData BuildPlane(float HalfSize, int32 Divisions)
	{
		Divisions = FMath::Max(Divisions, 1);
		FMeshData Data;
		const int32 Row = Divisions + 1;
		for (int32 Y = 0; Y <= Divisions; ++Y)
		{
			for (int32 X = 0; X <= Divisions; ++X)
			{
				Data.Positions.Add(FVector3f(-HalfSize + 2.f * HalfSize * X / Divisions, -HalfSize + 2.f * HalfSize * Y / Divisions, 0.f));
			}
		}
		for (int32 Y = 0; Y < Divisions; ++Y)
		{
			for (int32 X = 0; X < Divisions; ++X)
			{
				const uint32 A = static_cast<uint32>(Y * Row + X);
				const uint32 B = A + 1, C = A + static_cast<uint32>(Row), D = C + 1;
				AddTriangle(Data, A, B, D);
				AddTriangle(Data, A, D, C);
			}
		}
		return Data;
	}

	FMeshData BuildBox(const FVector3f& HalfExtent)
	{
		FMeshData Data;
		for (int32 Corner = 0; Corner < 8; ++Corner)
		{
			Data.Positions.Add(FVector3f((Corner & 1) ? HalfExtent.X : -HalfExtent.X, (Corner & 2) ? HalfExtent.Y : -HalfExtent.Y,
			                             (Corner & 4) ? HalfExtent.Z : -HalfExtent.Z));
		}
		// Two triangles per face, corners named by their bits (x = 1, y = 2, z = 4).
		const uint32 Faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
		for (const auto& Face : Faces)
		{
			AddTriangle(Data, Face[0], Face[1], Face[2]);
			AddTriangle(Data, Face[0], Face[2], Face[3]);
		}
		return Data;
	}

	FMeshData BuildSphere(float Radius, int32 Rings, int32 Segments)
	{
		return BuildStarShape(Rings, Segments, [Radius](const FVector&)
		                      { return static_cast<double>(Radius); });
	}

	double HeadRadius(const FVector& Direction)
	{
		const FVector Unit = Direction.GetSafeNormal();
		const FVector D = Unit.IsZero() ? FVector(0, 0, 1) : Unit;
		// An egg: deeper front to back than wide, taller than deep, narrower towards the chin.
		const FVector Radii(9.5, 7.5, 11.5);
		const double Egg = 1.0 / std::sqrt(FMath::Square(D.X / Radii.X) + FMath::Square(D.Y / Radii.Y) + FMath::Square(D.Z / Radii.Z));
		const double Jaw = D.Z < 0.0 ? 1.0 - 0.18 * FMath::Square(D.Z) * (1.0 - FMath::Abs(D.X)) : 1.0;
		const double Features = 1.0 + 0.16 * Bump(D, FVector(1, 0, -0.1), 0.18) // nose
		                        + 0.06 * Bump(D, FVector(1, 0, 0.35), 0.35)     // brow
		                        + 0.08 * Bump(D, FVector(0.6, 0, -0.75), 0.3)   // chin
		                        + 0.07 * Bump(D, FVector(-0.05, 1, 0), 0.16)    // ears
		                        + 0.07 * Bump(D, FVector(-0.05, -1, 0), 0.16);
		return Egg * Jaw * Features;
	}

	FMeshData BuildHead(int32 TargetTriangles)
	{
		// 2 x Segments x (Rings - 1) triangles with twice as many segments as bands.
		const int32 Bands = FMath::Max(2, static_cast<int32>(std::lround(std::sqrt(FMath::Max(TargetTriangles, 16) / 4.0))));
		return BuildStarShape(Bands + 1, 2 * Bands, [](const FVector& D)
		                      { return HeadRadius(D); });
	}

	FMeshData Translated(FMeshData Data, const FVector3f& Offset)
	{
		for (FVector3f& Position : Data.Positions)
		{
			Position += Offset;
		}
		return Data;
	}

	FMeshData Combined(FMeshData A, const FMeshData& B)
	{
		const uint32 Offset = static_cast<uint32>(A.Positions.Num());
		A.Positions.Append(B.Positions);
		for (const uint32 Index : B.Indices)
		{
			A.Indices.Add(Index + Offset);
		}
		return A;
	}

	FMeshData Reversed(FMeshData Data)
	{
		for (int32 First = 0; First + 2 < Data.Indices.Num(); First += 3)
		{
			std::swap(Data.Indices[First + 1], Data.Indices[First + 2]);
		}
		return Data;
	}

	void SetMeshData(UStaticMesh* Mesh, const FMeshData& Data)
	{
		check(Mesh != nullptr);
		auto RenderData = std::make_unique<FStaticMeshRenderData>();
		FStaticMeshLODResources& LOD = RenderData->LODResources[RenderData->LODResources.AddDefaulted()];
		LOD.VertexBuffers.PositionVertexBuffer.Init(Data.Positions);
		LOD.IndexBuffer.SetIndices(Data.Indices);
		// One section of every triangle, with collision, as a build makes of one polygon group.
		FStaticMeshSection& Section = LOD.Sections.Emplace_GetRef();
		Section.NumTriangles = static_cast<uint32>(Data.NumTriangles());
		Section.MaxVertexIndex = Data.Positions.IsEmpty() ? 0 : static_cast<uint32>(Data.Positions.Num() - 1);
		Section.bEnableCollision = true;
		Mesh->SetRenderData(std::move(RenderData));
		if (UBodySetup* BodySetup = Mesh->GetBodySetup())
		{
			BodySetup->InvalidatePhysicsData();
			BodySetup->CreatePhysicsMeshes();
		}
	}

	void SetCollisionSides(UStaticMesh* Mesh, ECollisionSides Sides)
	{
		check(Mesh != nullptr);
		Mesh->CreateBodySetup();
		UBodySetup* BodySetup = Mesh->GetBodySetup();
		if (!BodySetup)
		{
			return;
		}
		const bool bDoubleSided = Sides == ECollisionSides::DoubleSided;
		BodySetup->bDoubleSidedGeometry = bDoubleSided;
		BodySetup->CollisionTraceFlag = bDoubleSided ? CTF_UseComplexAsSimple : CTF_UseDefault;
		BodySetup->InvalidatePhysicsData();
		BodySetup->CreatePhysicsMeshes();
	}

	UStaticMesh* NewStaticMesh(const FMeshData& Data, UObject* Outer, FName Name)
	{
		return NewStaticMesh(Data, ECollisionSides::SingleSided, Outer, Name);
	}

	UStaticMesh* NewStaticMesh(const FMeshData& Data, ECollisionSides Sides, UObject* Outer, FName Name)
	{
		UStaticMesh* Mesh = NewObject<UStaticMesh>(Outer, Name);
		SetMeshData(Mesh, Data);
		SetCollisionSides(Mesh, Sides);
		return Mesh;
	}

	UStaticMesh* NewAuthoredStaticMesh(const FMeshData& Data, ECollisionSides Sides, const FVector& BuildScale)
	{
		return NewAuthoredStaticMesh(TArray<TArray<FMeshData>>{{Data}}, Sides, BuildScale);
	}

	UStaticMesh* NewAuthoredStaticMesh(const TArray<TArray<FMeshData>>& LODs, ECollisionSides Sides, const FVector& BuildScale)
	{
		UStaticMesh* Mesh = NewObject<UStaticMesh>(GetTransientPackage());
		Mesh->SetNumSourceModels(LODs.Num());
		for (int32 LODIndex = 0; LODIndex < LODs.Num(); ++LODIndex)
		{
			Mesh->GetSourceModel(LODIndex).BuildSettings.BuildScale3D = BuildScale;
			FMeshDescription* Description = Mesh->CreateMeshDescription(LODIndex);
			FStaticMeshAttributes Attributes(*Description);
			Attributes.Register();
			const TVertexAttributesRef<FVector3f> Positions = Attributes.GetVertexPositions();
			for (const FMeshData& Data : LODs[LODIndex])
			{
				TArray<FVertexID> Vertices;
				Vertices.Reserve(Data.Positions.Num());
				for (const FVector3f& Position : Data.Positions)
				{
					Vertices.Add(Description->CreateVertex());
					Positions[Vertices.Last()] = Position;
				}
				const FPolygonGroupID Group = Description->CreatePolygonGroup();
				TArray<FVertexInstanceID> Corners;
				for (int32 First = 0; First + 2 < Data.Indices.Num(); First += 3)
				{
					Corners.Reset(3);
					for (int32 Corner = 0; Corner < 3; ++Corner)
					{
						Corners.Add(Description->CreateVertexInstance(Vertices[Data.Indices[First + Corner]]));
					}
					Description->CreatePolygon(Group, Corners);
				}
			}
			Mesh->CommitMeshDescription(LODIndex);
		}
		Mesh->CreateBodySetup();
		UBodySetup* BodySetup = Mesh->GetBodySetup();
		BodySetup->bDoubleSidedGeometry = Sides == ECollisionSides::DoubleSided;
		BodySetup->CollisionTraceFlag = Sides == ECollisionSides::DoubleSided ? CTF_UseComplexAsSimple : CTF_UseDefault;
		Mesh->Build(false);
		FStaticMeshCompilingManager::Get().FinishCompilation({Mesh});
		return Mesh;
	}
}
