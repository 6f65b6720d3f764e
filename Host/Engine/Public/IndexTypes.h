#pragma once

#include "CoreMinimal.h"

namespace UE::Geometry
{
	namespace IndexConstants
	{
		constexpr int InvalidID = -1;
	}

	// Three element IDs, such as a triangle's vertices; (-1, -1, -1) when default made.
	struct FIndex3i
	{
		int A = IndexConstants::InvalidID;
		int B = IndexConstants::InvalidID;
		int C = IndexConstants::InvalidID;

		constexpr FIndex3i() = default;
		constexpr FIndex3i(int ValA, int ValB, int ValC)
		    : A(ValA), B(ValB), C(ValC) {}

		static constexpr FIndex3i Zero() { return FIndex3i(0, 0, 0); }
		static constexpr FIndex3i Invalid() { return FIndex3i(); }

		int& operator[](int Idx) { return Idx == 0 ? A : (Idx == 1 ? B : C); }
		const int& operator[](int Idx) const { return Idx == 0 ? A : (Idx == 1 ? B : C); }
		constexpr bool operator==(const FIndex3i& Other) const { return A == Other.A && B == Other.B && C == Other.C; }
		constexpr bool operator!=(const FIndex3i& Other) const { return !(*this == Other); }
		bool Contains(int Idx) const { return A == Idx || B == Idx || C == Idx; }
		int IndexOf(int Val) const { return A == Val ? 0 : (B == Val ? 1 : (C == Val ? 2 : -1)); }
	};

	// Two element IDs, such as an edge's vertices.
	struct FIndex2i
	{
		int A = IndexConstants::InvalidID;
		int B = IndexConstants::InvalidID;

		constexpr FIndex2i() = default;
		constexpr FIndex2i(int ValA, int ValB)
		    : A(ValA), B(ValB) {}
		int& operator[](int Idx) { return Idx == 0 ? A : B; }
		const int& operator[](int Idx) const { return Idx == 0 ? A : B; }
		constexpr bool operator==(const FIndex2i& Other) const { return A == Other.A && B == Other.B; }
#if !PLATFORM_COMPILER_HAS_GENERATED_COMPARISON_OPERATORS
		constexpr bool operator!=(const FIndex2i& Other) const
		{
			return !(*this == Other);
		}
#endif
	};
}
