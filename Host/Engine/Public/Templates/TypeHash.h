#pragma once

#include "CoreTypes.h"
#include "Templates/Requires.h"

#include <type_traits>

// Hashes of the built-in types, as the hash containers find them by GetTypeHash.
template<typename T UE_REQUIRES(std::is_integral_v<T> || std::is_enum_v<T>)>
constexpr uint32 GetTypeHash(const T Value)
{
	if constexpr (sizeof(T) <= 4)
	{
		return static_cast<uint32>(Value);
	}
	else
	{
		const uint64 Wide = static_cast<uint64>(Value);
		return static_cast<uint32>(Wide) ^ static_cast<uint32>(Wide >> 32) * 23u;
	}
}

inline uint32 GetTypeHash(const void* Pointer)
{
	return GetTypeHash(reinterpret_cast<UPTRINT>(Pointer) >> 4);
}
