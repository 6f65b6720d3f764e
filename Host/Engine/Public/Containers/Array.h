#pragma once

#include "CoreTypes.h"
#include "Templates/UnrealTemplate.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

// A growable contiguous array with the engine's int32 indexing and names. Indexing is range checked,
// as in the engine's development builds.
template<typename ElementType>
class TArray
{
public:
	using SizeType = int32;

	TArray() = default;
	TArray(std::initializer_list<ElementType> Init)
	    : Data(Init) {}
	TArray(const ElementType* Ptr, SizeType Count)
	    : Data(Ptr, Ptr + Count) {}

	SizeType Num() const { return static_cast<SizeType>(Data.size()); }
	bool IsEmpty() const { return Data.empty(); }
	bool IsValidIndex(SizeType Index) const { return Index >= 0 && Index < Num(); }
	SizeType Max() const { return static_cast<SizeType>(Data.capacity()); }

	ElementType* GetData() { return Data.data(); }
	const ElementType* GetData() const { return Data.data(); }
	static constexpr uint32 GetTypeSize() { return sizeof(ElementType); }

	ElementType& operator[](SizeType Index)
	{
		RangeCheck(Index);
		return Data[static_cast<size_t>(Index)];
	}
	const ElementType& operator[](SizeType Index) const
	{
		RangeCheck(Index);
		return Data[static_cast<size_t>(Index)];
	}

	ElementType& Last(SizeType IndexFromEnd = 0) { return (*this)[Num() - 1 - IndexFromEnd]; }
	const ElementType& Last(SizeType IndexFromEnd = 0) const { return (*this)[Num() - 1 - IndexFromEnd]; }
	ElementType& Top() { return Last(); }

	SizeType Add(const ElementType& Item)
	{
		Data.push_back(Item);
		return Num() - 1;
	}
	SizeType Add(ElementType&& Item)
	{
		Data.push_back(MoveTemp(Item));
		return Num() - 1;
	}
	template<typename... ArgsType>
	SizeType Emplace(ArgsType&&... Args)
	{
		Data.emplace_back(Forward<ArgsType>(Args)...);
		return Num() - 1;
	}
	template<typename... ArgsType>
	ElementType& Emplace_GetRef(ArgsType&&... Args)
	{
		return Data.emplace_back(Forward<ArgsType>(Args)...);
	}
	SizeType AddUnique(const ElementType& Item)
	{
		const SizeType Existing = Find(Item);
		return Existing != INDEX_NONE ? Existing : Add(Item);
	}
	SizeType AddDefaulted(SizeType Count = 1)
	{
		const SizeType Index = Num();
		Data.resize(Data.size() + static_cast<size_t>(Count));
		return Index;
	}
	SizeType AddZeroed(SizeType Count = 1) { return AddDefaulted(Count); }
	SizeType AddUninitialized(SizeType Count = 1) { return AddDefaulted(Count); }

	void Append(const TArray& Other) { Data.insert(Data.end(), Other.Data.begin(), Other.Data.end()); }
	void Append(const ElementType* Ptr, SizeType Count) { Data.insert(Data.end(), Ptr, Ptr + Count); }
	void Append(std::initializer_list<ElementType> Init) { Data.insert(Data.end(), Init); }

	void Insert(const ElementType& Item, SizeType Index)
	{
		check(Index >= 0 && Index <= Num());
		Data.insert(Data.begin() + Index, Item);
	}
	void RemoveAt(SizeType Index, SizeType Count = 1)
	{
		check(Index >= 0 && Count >= 0 && Index + Count <= Num());
		Data.erase(Data.begin() + Index, Data.begin() + Index + Count);
	}
	SizeType Remove(const ElementType& Item)
	{
		const auto Before = Data.size();
		Data.erase(std::remove(Data.begin(), Data.end(), Item), Data.end());
		return static_cast<SizeType>(Before - Data.size());
	}
	ElementType Pop()
	{
		ElementType Item = MoveTemp(Last());
		Data.pop_back();
		return Item;
	}

	void Reserve(SizeType Count) { Data.reserve(static_cast<size_t>(Count)); }
	void Empty(SizeType Slack = 0)
	{
		Data.clear();
		Data.shrink_to_fit();
		Data.reserve(static_cast<size_t>(Slack));
	}
	void Reset(SizeType NewSize = 0)
	{
		Data.clear();
		Data.reserve(static_cast<size_t>(NewSize));
	}
	void SetNum(SizeType NewNum) { Data.resize(static_cast<size_t>(NewNum)); }
	void SetNumZeroed(SizeType NewNum) { SetNum(NewNum); }
	void SetNumUninitialized(SizeType NewNum) { SetNum(NewNum); }
	void Init(const ElementType& Value, SizeType Count) { Data.assign(static_cast<size_t>(Count), Value); }

	SizeType Find(const ElementType& Item) const
	{
		const auto It = std::find(Data.begin(), Data.end(), Item);
		return It == Data.end() ? INDEX_NONE : static_cast<SizeType>(It - Data.begin());
	}
	bool Find(const ElementType& Item, SizeType& OutIndex) const
	{
		OutIndex = Find(Item);
		return OutIndex != INDEX_NONE;
	}
	bool Contains(const ElementType& Item) const { return Find(Item) != INDEX_NONE; }
	template<typename Predicate>
	const ElementType* FindByPredicate(Predicate Pred) const
	{
		const auto It = std::find_if(Data.begin(), Data.end(), Pred);
		return It == Data.end() ? nullptr : &*It;
	}
	template<typename Predicate>
	ElementType* FindByPredicate(Predicate Pred)
	{
		const auto It = std::find_if(Data.begin(), Data.end(), Pred);
		return It == Data.end() ? nullptr : &*It;
	}
	template<typename Predicate>
	bool ContainsByPredicate(Predicate Pred) const
	{
		return FindByPredicate(Pred) != nullptr;
	}

	void Sort() { std::sort(Data.begin(), Data.end()); }
	template<typename Predicate>
	void Sort(Predicate Pred)
	{
		std::sort(Data.begin(), Data.end(), Pred);
	}

	bool operator==(const TArray& Other) const { return Data == Other.Data; }
	bool operator!=(const TArray& Other) const { return Data != Other.Data; }

	auto begin() { return Data.begin(); }
	auto end() { return Data.end(); }
	auto begin() const { return Data.begin(); }
	auto end() const { return Data.end(); }

private:
	void RangeCheck(SizeType Index) const
	{
		checkf(Index >= 0 && Index < Num(), "Array index out of bounds");
	}

	std::vector<ElementType> Data;
};
