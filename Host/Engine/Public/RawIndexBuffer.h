#pragma once

#include "CoreMinimal.h"

// A static mesh's index buffer: a triangle list stored with 16-bit indices when they fit, else 32-bit.
class FRawStaticIndexBuffer
{
public:
	void SetIndices(const TArray<uint32>& InIndices)
	{
		uint32 MaxIndex = 0;
		for (const uint32 Index : InIndices)
		{
			MaxIndex = FMath::Max(MaxIndex, Index);
		}
		b32Bit = MaxIndex > 0xFFFFu;
		Indices = InIndices;
	}
	void GetCopy(TArray<uint32>& OutIndices) const { OutIndices = Indices; }
	int32 GetNumIndices() const { return Indices.Num(); }
	uint32 GetIndex(uint32 At) const { return Indices[static_cast<int32>(At)]; }
	bool Is32Bit() const { return b32Bit; }

private:
	TArray<uint32> Indices;
	bool b32Bit = false;
};

// A skeletal mesh's index buffer whose index size is chosen when it is made.
class FRawStaticIndexBuffer16or32Interface
{
public:
	virtual ~FRawStaticIndexBuffer16or32Interface() = default;
	virtual int32 Num() const = 0;
	virtual uint32 Get(uint32 Index) const = 0;
	virtual uint32 GetResourceDataSize() const = 0;
};

template<typename IndexType>
class FRawStaticIndexBuffer16or32 final : public FRawStaticIndexBuffer16or32Interface
{
public:
	TArray<IndexType> Indices;

	virtual int32 Num() const override { return Indices.Num(); }
	virtual uint32 Get(uint32 Index) const override { return Indices[static_cast<int32>(Index)]; }
	virtual uint32 GetResourceDataSize() const override { return static_cast<uint32>(Indices.Num() * sizeof(IndexType)); }
};
