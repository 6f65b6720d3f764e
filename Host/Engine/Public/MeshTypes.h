#pragma once

#include "CoreMinimal.h"
#include "Templates/TypeHash.h"

// The index of an element in a mesh description. Each kind of element has its own ID type, so a
// vertex cannot be passed where a vertex instance is expected.
struct FElementID
{
	constexpr FElementID() = default;
	explicit constexpr FElementID(const int32 InValue)
	    : Value(InValue) {}

	constexpr int32 GetValue() const { return Value; }
	constexpr bool IsValid() const { return Value != INDEX_NONE; }

protected:
	int32 Value = INDEX_NONE;
};

#define MESH_ELEMENT_ID(TypeName)                                                                 \
	struct TypeName : public FElementID                                                           \
	{                                                                                             \
		constexpr TypeName() = default;                                                           \
		explicit constexpr TypeName(const int32 InValue) : FElementID(InValue) {}                 \
		constexpr bool operator==(const TypeName& Other) const { return Value == Other.Value; }   \
		constexpr bool operator!=(const TypeName& Other) const { return Value != Other.Value; }   \
		constexpr bool operator<(const TypeName& Other) const { return Value < Other.Value; }     \
		friend constexpr uint32 GetTypeHash(const TypeName& ID) { return GetTypeHash(ID.Value); } \
		static const TypeName Invalid;                                                            \
	};                                                                                            \
	inline constexpr TypeName TypeName::Invalid{};

MESH_ELEMENT_ID(FVertexID)
MESH_ELEMENT_ID(FVertexInstanceID)
MESH_ELEMENT_ID(FEdgeID)
MESH_ELEMENT_ID(FPolygonID)
MESH_ELEMENT_ID(FPolygonGroupID)
MESH_ELEMENT_ID(FTriangleID)

#undef MESH_ELEMENT_ID
