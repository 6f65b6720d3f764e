#pragma once

#include "CoreMinimal.h"
#include "Containers/IndirectArray.h"
#include "Rendering/SkeletalMeshLODRenderData.h"

// What a skeletal mesh is rendered from: its levels of detail, the most detailed first.
class FSkeletalMeshRenderData
{
public:
	TIndirectArray<FSkeletalMeshLODRenderData> LODRenderData;
};
