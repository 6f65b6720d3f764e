#pragma once

#include "CoreMinimal.h"
#include "StaticMeshResources.h"
#include "UObject/Object.h"

#include <memory>

// A static mesh asset. Its render data (LOD 0 positions and triangles) is also what the host's complex
// collision is cooked from.
class UStaticMesh : public UObject
{
	DECLARE_HOST_CLASS(UStaticMesh, UObject)

public:
	UStaticMesh() = default;

	FStaticMeshRenderData* GetRenderData() { return RenderData.get(); }
	const FStaticMeshRenderData* GetRenderData() const { return RenderData.get(); }
	void SetRenderData(std::unique_ptr<FStaticMeshRenderData>&& InRenderData)
	{
		RenderData = std::move(InRenderData);
		++RenderDataRevision;
	}
	// Changes whenever the render data is replaced, so derived data (collision) knows to rebuild.
	uint64 GetRenderDataRevision() const { return RenderDataRevision; }

private:
	std::unique_ptr<FStaticMeshRenderData> RenderData;
	uint64 RenderDataRevision = 0;
};
