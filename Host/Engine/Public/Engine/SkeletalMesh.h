#pragma once

#include "CoreMinimal.h"
#include "Engine/SkinnedAsset.h"

#include <memory>

class FSkeletalMeshRenderData;

// A skeletal mesh asset. The host keeps only its render data: no skeleton, skin weights or morphs.
class USkeletalMesh : public USkinnedAsset
{
	DECLARE_HOST_CLASS(USkeletalMesh, USkinnedAsset)

public:
	USkeletalMesh();
	virtual ~USkeletalMesh() override;

	virtual FSkeletalMeshRenderData* GetResourceForRendering() const override { return SkelMeshRenderData.get(); }
	void SetResourceForRendering(std::unique_ptr<FSkeletalMeshRenderData>&& InSkeletalMeshRenderData);

private:
	std::unique_ptr<FSkeletalMeshRenderData> SkelMeshRenderData;
};
