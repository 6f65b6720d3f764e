#include "Engine/SkeletalMesh.h"

#include "Rendering/SkeletalMeshRenderData.h"

USkeletalMesh::USkeletalMesh() = default;
USkeletalMesh::~USkeletalMesh() = default;

void USkeletalMesh::SetResourceForRendering(std::unique_ptr<FSkeletalMeshRenderData>&& InSkeletalMeshRenderData)
{
	SkelMeshRenderData = MoveTemp(InSkeletalMeshRenderData);
}

FMultiSizeIndexContainer::FMultiSizeIndexContainer() = default;
FMultiSizeIndexContainer::~FMultiSizeIndexContainer() = default;
FMultiSizeIndexContainer::FMultiSizeIndexContainer(FMultiSizeIndexContainer&&) noexcept = default;
FMultiSizeIndexContainer& FMultiSizeIndexContainer::operator=(FMultiSizeIndexContainer&&) noexcept = default;

namespace
{
	template<typename IndexType>
	std::unique_ptr<FRawStaticIndexBuffer16or32Interface> MakeIndexBuffer(const TArray<uint32>& Indices)
	{
		auto Buffer = std::make_unique<FRawStaticIndexBuffer16or32<IndexType>>();
		Buffer->Indices.SetNum(Indices.Num());
		for (int32 Index = 0; Index < Indices.Num(); ++Index)
		{
			checkf(Indices[Index] <= static_cast<uint32>(static_cast<IndexType>(~IndexType(0))), "Index does not fit the index size");
			Buffer->Indices[Index] = static_cast<IndexType>(Indices[Index]);
		}
		return Buffer;
	}
}

void FMultiSizeIndexContainer::RebuildIndexBuffer(uint8 InDataTypeSize, const TArray<uint32>& NewArray)
{
	checkf(InDataTypeSize == sizeof(uint16) || InDataTypeSize == sizeof(uint32), "Indices are 2 or 4 bytes");
	DataTypeSize = InDataTypeSize;
	IndexBuffer = DataTypeSize == sizeof(uint16) ? MakeIndexBuffer<uint16>(NewArray) : MakeIndexBuffer<uint32>(NewArray);
}

void FMultiSizeIndexContainer::GetIndexBuffer(TArray<uint32>& OutArray) const
{
	OutArray.Reset();
	if (!IndexBuffer)
	{
		return;
	}
	const int32 NumIndices = IndexBuffer->Num();
	OutArray.SetNum(NumIndices);
	for (int32 Index = 0; Index < NumIndices; ++Index)
	{
		OutArray[Index] = IndexBuffer->Get(static_cast<uint32>(Index));
	}
}
