#pragma once

#include "CoreTypes.h"
#include "Templates/TypeHash.h"
#include "Templates/UnrealTemplate.h"

#include <unordered_map>

// A hash map from unique keys to values, hashed with the keys' GetTypeHash.
template<typename KeyType, typename ValueType>
class TMap
{
public:
	using SizeType = int32;

	int32 Num() const { return static_cast<int32>(Pairs.size()); }
	bool IsEmpty() const { return Pairs.empty(); }
	void Reserve(int32 Number) { Pairs.reserve(static_cast<size_t>(Number)); }
	void Empty(int32 ExpectedNumElements = 0)
	{
		Pairs.clear();
		Pairs.reserve(static_cast<size_t>(ExpectedNumElements));
	}

	// Sets the value of Key, replacing the value it had.
	ValueType& Add(const KeyType& Key, const ValueType& Value) { return Pairs.insert_or_assign(Key, Value).first->second; }
	ValueType& Add(const KeyType& Key, ValueType&& Value) { return Pairs.insert_or_assign(Key, MoveTemp(Value)).first->second; }
	ValueType& FindOrAdd(const KeyType& Key) { return Pairs[Key]; }
	int32 Remove(const KeyType& Key) { return static_cast<int32>(Pairs.erase(Key)); }

	ValueType* Find(const KeyType& Key)
	{
		const auto Found = Pairs.find(Key);
		return Found == Pairs.end() ? nullptr : &Found->second;
	}
	const ValueType* Find(const KeyType& Key) const
	{
		const auto Found = Pairs.find(Key);
		return Found == Pairs.end() ? nullptr : &Found->second;
	}
	ValueType& FindChecked(const KeyType& Key)
	{
		ValueType* Value = Find(Key);
		check(Value != nullptr);
		return *Value;
	}
	const ValueType& FindChecked(const KeyType& Key) const
	{
		const ValueType* Value = Find(Key);
		check(Value != nullptr);
		return *Value;
	}
	ValueType FindRef(const KeyType& Key) const
	{
		const ValueType* Value = Find(Key);
		return Value ? *Value : ValueType();
	}
	bool Contains(const KeyType& Key) const { return Pairs.find(Key) != Pairs.end(); }

	ValueType& operator[](const KeyType& Key) { return FindChecked(Key); }
	const ValueType& operator[](const KeyType& Key) const { return FindChecked(Key); }

private:
	struct FKeyHash
	{
		size_t operator()(const KeyType& Key) const { return GetTypeHash(Key); }
	};

	std::unordered_map<KeyType, ValueType, FKeyHash> Pairs;
};
