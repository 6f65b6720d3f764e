#pragma once

#include "CoreMinimal.h"
#include "MeshTypes.h"
#include "Templates/Requires.h"

#include <memory>

// One attribute's values, one per element, of any type. Type-erased so that a set can hold
// attributes of different types and grow them all when an element is made; the type is told by a tag,
// as the engine is built without RTTI.
class FMeshAttributeArrayBase
{
public:
	// One per attribute type: the address of a static unique to the type.
	using FTypeTag = const void*;

	explicit FMeshAttributeArrayBase(FTypeTag InTypeTag)
	    : TypeTag(InTypeTag) {}
	virtual ~FMeshAttributeArrayBase() = default;
	virtual void SetNumElements(int32 NumElements) = 0;
	virtual void ReserveElements(int32 NumElements) = 0;
	virtual std::unique_ptr<FMeshAttributeArrayBase> Clone() const = 0;

	bool HoldsType(FTypeTag Tag) const { return TypeTag == Tag; }

protected:
	FMeshAttributeArrayBase(const FMeshAttributeArrayBase&) = default;

private:
	FTypeTag TypeTag;
};

template<typename AttributeType>
class TMeshAttributeArray final : public FMeshAttributeArrayBase
{
public:
	static FTypeTag StaticTypeTag()
	{
		static const char Tag = 0;
		return &Tag;
	}

	TMeshAttributeArray(const AttributeType& InDefaultValue, int32 NumElements)
	    : FMeshAttributeArrayBase(StaticTypeTag()), DefaultValue(InDefaultValue)
	{
		Values.Init(DefaultValue, NumElements);
	}
	TMeshAttributeArray(const TMeshAttributeArray&) = default;

	virtual void SetNumElements(int32 NumElements) override
	{
		while (Values.Num() < NumElements)
		{
			Values.Add(DefaultValue);
		}
		if (Values.Num() > NumElements)
		{
			Values.SetNum(NumElements);
		}
	}
	virtual void ReserveElements(int32 NumElements) override { Values.Reserve(NumElements); }
	virtual std::unique_ptr<FMeshAttributeArrayBase> Clone() const override
	{
		return std::make_unique<TMeshAttributeArray>(*this);
	}

	TArray<AttributeType> Values;
	AttributeType DefaultValue;
};

// A reference to one attribute of one element kind; invalid when the attribute is not registered
// with that type.
template<typename ElementIDType, typename AttributeType>
class TMeshAttributesRef
{
public:
	using ArrayType = std::conditional_t<std::is_const_v<AttributeType>,
	                                     const TMeshAttributeArray<std::remove_const_t<AttributeType>>, TMeshAttributeArray<AttributeType>>;

	TMeshAttributesRef() = default;
	explicit TMeshAttributesRef(ArrayType* InArray)
	    : Array(InArray) {}

	bool IsValid() const { return Array != nullptr; }
	int32 GetNumElements() const { return Array ? Array->Values.Num() : 0; }
	int32 GetNumChannels() const { return 1; }
	std::remove_const_t<AttributeType> GetDefaultValue() const { return Array->DefaultValue; }

	AttributeType& operator[](const ElementIDType ElementID) const { return Array->Values[ElementID.GetValue()]; }
	std::remove_const_t<AttributeType> Get(const ElementIDType ElementID) const { return (*this)[ElementID]; }
	template<typename StoredType = AttributeType UE_REQUIRES(!std::is_const_v<StoredType>)>
	void Set(const ElementIDType ElementID, const std::remove_const_t<AttributeType>& Value) const
	{
		(*this)[ElementID] = Value;
	}

private:
	ArrayType* Array = nullptr;
};

template<typename ElementIDType, typename AttributeType>
using TMeshAttributesConstRef = TMeshAttributesRef<ElementIDType, const AttributeType>;

template<typename T>
using TVertexAttributesRef = TMeshAttributesRef<FVertexID, T>;
template<typename T>
using TVertexAttributesConstRef = TMeshAttributesConstRef<FVertexID, T>;
template<typename T>
using TVertexInstanceAttributesRef = TMeshAttributesRef<FVertexInstanceID, T>;
template<typename T>
using TVertexInstanceAttributesConstRef = TMeshAttributesConstRef<FVertexInstanceID, T>;
template<typename T>
using TEdgeAttributesRef = TMeshAttributesRef<FEdgeID, T>;
template<typename T>
using TEdgeAttributesConstRef = TMeshAttributesConstRef<FEdgeID, T>;
template<typename T>
using TPolygonAttributesRef = TMeshAttributesRef<FPolygonID, T>;
template<typename T>
using TPolygonAttributesConstRef = TMeshAttributesConstRef<FPolygonID, T>;
template<typename T>
using TPolygonGroupAttributesRef = TMeshAttributesRef<FPolygonGroupID, T>;
template<typename T>
using TPolygonGroupAttributesConstRef = TMeshAttributesConstRef<FPolygonGroupID, T>;

// The attributes of one element kind, by name. Every attribute has a value for every element: a new
// element gets each attribute's default.
template<typename ElementIDType>
class TAttributesSet
{
public:
	TAttributesSet() = default;
	TAttributesSet(const TAttributesSet& Other) { *this = Other; }
	TAttributesSet& operator=(const TAttributesSet& Other)
	{
		if (this != &Other)
		{
			NumElements = Other.NumElements;
			Attributes.Reset(Other.Attributes.Num());
			for (const FAttribute& Attribute : Other.Attributes)
			{
				Attributes.Add(FAttribute{Attribute.Name, Attribute.Array->Clone()});
			}
		}
		return *this;
	}
	TAttributesSet(TAttributesSet&&) = default;
	TAttributesSet& operator=(TAttributesSet&&) = default;

	// Registers an attribute with the default for every element, replacing one of the same name.
	template<typename AttributeType>
	TMeshAttributesRef<ElementIDType, AttributeType> RegisterAttribute(const FName AttributeName, const int32 NumberOfChannels = 1,
	                                                                   const AttributeType& Default = AttributeType())
	{
		checkf(NumberOfChannels == 1, "The host's mesh attributes have one channel");
		auto Array = std::make_unique<TMeshAttributeArray<AttributeType>>(Default, NumElements);
		TMeshAttributeArray<AttributeType>* Raw = Array.get();
		if (FAttribute* Existing = FindAttribute(AttributeName))
		{
			Existing->Array = MoveTemp(Array);
		}
		else
		{
			Attributes.Add(FAttribute{AttributeName, MoveTemp(Array)});
		}
		return TMeshAttributesRef<ElementIDType, AttributeType>(Raw);
	}
	void UnregisterAttribute(const FName AttributeName)
	{
		for (int32 Index = 0; Index < Attributes.Num(); ++Index)
		{
			if (Attributes[Index].Name == AttributeName)
			{
				Attributes.RemoveAt(Index);
				return;
			}
		}
	}
	bool HasAttribute(const FName AttributeName) const { return FindAttribute(AttributeName) != nullptr; }
	int32 GetNumAttributes() const { return Attributes.Num(); }

	template<typename AttributeType>
	TMeshAttributesRef<ElementIDType, AttributeType> GetAttributesRef(const FName AttributeName)
	{
		using ArrayType = TMeshAttributeArray<AttributeType>;
		FAttribute* Found = FindAttribute(AttributeName);
		const bool bOfType = Found && Found->Array->HoldsType(ArrayType::StaticTypeTag());
		return TMeshAttributesRef<ElementIDType, AttributeType>(bOfType ? static_cast<ArrayType*>(Found->Array.get()) : nullptr);
	}
	template<typename AttributeType>
	TMeshAttributesConstRef<ElementIDType, AttributeType> GetAttributesRef(const FName AttributeName) const
	{
		using ArrayType = TMeshAttributeArray<AttributeType>;
		const FAttribute* Found = FindAttribute(AttributeName);
		const bool bOfType = Found && Found->Array->HoldsType(ArrayType::StaticTypeTag());
		return TMeshAttributesConstRef<ElementIDType, AttributeType>(bOfType ? static_cast<const ArrayType*>(Found->Array.get()) : nullptr);
	}

	// Called by the mesh description as elements are made.
	void SetNumElements(int32 InNumElements)
	{
		NumElements = InNumElements;
		for (FAttribute& Attribute : Attributes)
		{
			Attribute.Array->SetNumElements(NumElements);
		}
	}
	void ReserveElements(int32 InNumElements)
	{
		for (FAttribute& Attribute : Attributes)
		{
			Attribute.Array->ReserveElements(InNumElements);
		}
	}

private:
	struct FAttribute
	{
		FName Name;
		std::unique_ptr<FMeshAttributeArrayBase> Array;
	};

	// A mesh has a handful of attributes per element kind: a linear search is the quickest.
	FAttribute* FindAttribute(const FName AttributeName)
	{
		return Attributes.FindByPredicate([AttributeName](const FAttribute& Attribute)
		                                  { return Attribute.Name == AttributeName; });
	}
	const FAttribute* FindAttribute(const FName AttributeName) const
	{
		return Attributes.FindByPredicate([AttributeName](const FAttribute& Attribute)
		                                  { return Attribute.Name == AttributeName; });
	}

	int32 NumElements = 0;
	TArray<FAttribute> Attributes;
};
