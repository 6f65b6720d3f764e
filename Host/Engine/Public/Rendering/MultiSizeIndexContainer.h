#pragma once

#include "CoreMinimal.h"
#include "RawIndexBuffer.h"

#include <memory>

// A skeletal mesh LOD's index buffer, stored with 16-bit or 32-bit indices.
class FMultiSizeIndexContainer
{
public:
	FMultiSizeIndexContainer();
	~FMultiSizeIndexContainer();
	FMultiSizeIndexContainer(FMultiSizeIndexContainer&&) noexcept;
	FMultiSizeIndexContainer& operator=(FMultiSizeIndexContainer&&) noexcept;

	// Replaces the indices, stored at InDataTypeSize bytes each (2 or 4). Every index must fit.
	void RebuildIndexBuffer(uint8 InDataTypeSize, const TArray<uint32>& NewArray);
	// Copies the indices out as 32-bit values, whatever size they are stored at.
	void GetIndexBuffer(TArray<uint32>& OutArray) const;
	FRawStaticIndexBuffer16or32Interface* GetIndexBuffer() { return IndexBuffer.get(); }
	const FRawStaticIndexBuffer16or32Interface* GetIndexBuffer() const { return IndexBuffer.get(); }

	bool IsIndexBufferValid() const { return IndexBuffer != nullptr; }
	uint8 GetDataTypeSize() const { return DataTypeSize; }

private:
	uint8 DataTypeSize = sizeof(uint16);
	std::unique_ptr<FRawStaticIndexBuffer16or32Interface> IndexBuffer;
};
