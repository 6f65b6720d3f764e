#pragma once

#include "CoreTypes.h"

#include <memory>
#include <vector>

// An array of owned pointers whose elements are reached as references.
template<typename T>
class TIndirectArray
{
public:
	int32 Num() const { return static_cast<int32>(Items.size()); }
	bool IsEmpty() const { return Items.empty(); }
	bool IsValidIndex(int32 Index) const { return Index >= 0 && Index < Num(); }

	// Takes ownership of Item.
	int32 Add(T* Item)
	{
		Items.emplace_back(Item);
		return Num() - 1;
	}
	void Empty() { Items.clear(); }

	T& operator[](int32 Index)
	{
		checkf(IsValidIndex(Index), "Array index out of bounds");
		return *Items[static_cast<size_t>(Index)];
	}
	const T& operator[](int32 Index) const
	{
		checkf(IsValidIndex(Index), "Array index out of bounds");
		return *Items[static_cast<size_t>(Index)];
	}

private:
	std::vector<std::unique_ptr<T>> Items;
};
