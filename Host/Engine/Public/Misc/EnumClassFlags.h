#pragma once

#include <type_traits>

// Gives a flags enum the bitwise operators, so flags combine and test without casts.
#define ENUM_CLASS_FLAGS(Enum)                                                          \
	inline constexpr Enum operator|(Enum A, Enum B)                                     \
	{                                                                                   \
		return Enum(std::underlying_type_t<Enum>(A) | std::underlying_type_t<Enum>(B)); \
	}                                                                                   \
	inline constexpr Enum operator&(Enum A, Enum B)                                     \
	{                                                                                   \
		return Enum(std::underlying_type_t<Enum>(A) & std::underlying_type_t<Enum>(B)); \
	}                                                                                   \
	inline constexpr Enum operator^(Enum A, Enum B)                                     \
	{                                                                                   \
		return Enum(std::underlying_type_t<Enum>(A) ^ std::underlying_type_t<Enum>(B)); \
	}                                                                                   \
	inline constexpr Enum operator~(Enum A)                                             \
	{                                                                                   \
		return Enum(~std::underlying_type_t<Enum>(A));                                  \
	}                                                                                   \
	inline constexpr Enum& operator|=(Enum& A, Enum B)                                  \
	{                                                                                   \
		return A = A | B;                                                               \
	}                                                                                   \
	inline constexpr Enum& operator&=(Enum& A, Enum B)                                  \
	{                                                                                   \
		return A = A & B;                                                               \
	}                                                                                   \
	inline constexpr bool operator!(Enum A)                                             \
	{                                                                                   \
		return !std::underlying_type_t<Enum>(A);                                        \
	}
