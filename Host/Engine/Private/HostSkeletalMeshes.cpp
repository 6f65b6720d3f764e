#include "Host/SkeletalMeshes.h"

#include "Engine/SkeletalMesh.h"
#include "Rendering/SkeletalMeshRenderData.h"
#include "UObject/UObjectGlobals.h"

namespace Host
{
	USkeletalMesh* MakeSkeletalMesh(const TArray<FSkeletalLOD>& LODs, FName Name)
	{
		auto RenderData = std::make_unique<FSkeletalMeshRenderData>();
		for (const FSkeletalLOD& LOD : LODs)
		{
			auto LODData = new FSkeletalMeshLODRenderData();
			LODData->StaticVertexBuffers.PositionVertexBuffer.Init(LOD.Positions);
			LODData->MultiSizeIndexContainer.RebuildIndexBuffer(LOD.IndexSize, LOD.Indices);
			FSkelMeshRenderSection& Section = LODData->RenderSections.Emplace_GetRef();
			Section.NumTriangles = static_cast<uint32>(LOD.Indices.Num() / 3);
			Section.NumVertices = static_cast<uint32>(LOD.Positions.Num());
			RenderData->LODRenderData.Add(LODData);
		}
		USkeletalMesh* Mesh = NewObject<USkeletalMesh>(GetTransientPackage(), Name, RF_Transient);
		Mesh->SetResourceForRendering(MoveTemp(RenderData));
		return Mesh;
	}

	USkeletalMesh* MakeSkeletalMesh(const FSkeletalLOD& LOD, FName Name)
	{
		return MakeSkeletalMesh(TArray<FSkeletalLOD>{LOD}, Name);
	}

	FSkeletalLOD MakeSphereLOD(float Radius, int32 Rings, int32 Segments)
	{
		check(Rings >= 2 && Segments >= 3);
		FSkeletalLOD LOD;
		const int32 Columns = Segments + 1;
		LOD.Positions.Reserve((Rings + 1) * Columns);
		for (int32 Ring = 0; Ring <= Rings; ++Ring)
		{
			const double Polar = UE_DOUBLE_PI * Ring / Rings;
			for (int32 Segment = 0; Segment <= Segments; ++Segment)
			{
				const double Azimuth = 2.0 * UE_DOUBLE_PI * (Segment % Segments) / Segments;
				LOD.Positions.Add(FVector3f(FVector(FMath::Sin(Polar) * FMath::Cos(Azimuth), FMath::Sin(Polar) * FMath::Sin(Azimuth), FMath::Cos(Polar)) * Radius));
			}
		}
		LOD.Indices.Reserve(6 * Segments * (Rings - 1));
		for (int32 Ring = 0; Ring < Rings; ++Ring)
		{
			for (int32 Segment = 0; Segment < Segments; ++Segment)
			{
				const uint32 A = Ring * Columns + Segment;
				const uint32 B = A + 1;
				const uint32 C = A + Columns;
				const uint32 D = C + 1;
				// Clockwise seen from outside, so each faces outwards in the engine's winding. The first ring's
				// second triangle and the last ring's first would join a pole to itself.
				if (Ring != Rings - 1)
				{
					LOD.Indices.Append({A, D, C});
				}
				if (Ring != 0)
				{
					LOD.Indices.Append({A, B, D});
				}
			}
		}
		LOD.IndexSize = LOD.Positions.Num() <= 0x10000 ? sizeof(uint16) : sizeof(uint32);
		return LOD;
	}
}
