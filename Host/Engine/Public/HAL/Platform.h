#pragma once

#include <cstddef>
#include <cstdint>

// Fixed-size integers and character types with the engine's names. TCHAR is two bytes, as on every
// desktop platform the engine supports, so code that assumes UTF-16 stays honest.
using uint8 = std::uint8_t;
using uint16 = std::uint16_t;
using uint32 = std::uint32_t;
using uint64 = std::uint64_t;
using int8 = std::int8_t;
using int16 = std::int16_t;
using int32 = std::int32_t;
using int64 = std::int64_t;
using SIZE_T = std::size_t;
using SSIZE_T = std::ptrdiff_t;
using UPTRINT = std::uintptr_t;
using PTRINT = std::intptr_t;

using ANSICHAR = char;
using WIDECHAR = wchar_t;
// A distinct 8-bit type in every language standard: modules built as C++17 and as C++20 link against the
// same exports, so it cannot be char8_t in one and something else in the other.
enum UTF8CHAR : unsigned char
{
};
using UTF16CHAR = char16_t;
using UTF32CHAR = char32_t;
using TCHAR = char16_t;

#define TEXT_PASTE(x) u##x
#define TEXT(x) TEXT_PASTE(x)

#define FORCEINLINE inline __attribute__((always_inline))
#define FORCENOINLINE __attribute__((noinline))
#define UE_NODISCARD [[nodiscard]]
// Branch hints; [[likely]] is C++20 only and the engine's headers compile as C++17 too.
#define UE_LIKELY(x) __builtin_expect(!!(x), 1)
#define UE_UNLIKELY(x) __builtin_expect(!!(x), 0)
#define DLLEXPORT __attribute__((visibility("default")))
#define DLLIMPORT

// Where a member sits in its struct, as reflection records it.
#define STRUCT_OFFSET(struc, member) offsetof(struc, member)

#define PLATFORM_LITTLE_ENDIAN 1
#define PLATFORM_LINUX 1
#define PLATFORM_WINDOWS 0

// C++20 derives a != b and b == a from a == b; for C++17 the engine's headers declare them.
#define PLATFORM_COMPILER_HAS_GENERATED_COMPARISON_OPERATORS (__cplusplus >= 202002L)

// Third-party headers are compiled with the warnings the engine does not hold them to silenced.
#define THIRD_PARTY_INCLUDES_START                                          \
	_Pragma("GCC diagnostic push")                                          \
	    _Pragma("GCC diagnostic ignored \"-Wshadow\"")                      \
	        _Pragma("GCC diagnostic ignored \"-Wdeprecated-declarations\"") \
	            _Pragma("GCC diagnostic ignored \"-Wunused-parameter\"")
#define THIRD_PARTY_INCLUDES_END _Pragma("GCC diagnostic pop")

enum
{
	INDEX_NONE = -1
};

enum EForceInit
{
	ForceInit,
	ForceInitToZero
};

enum ENoInit
{
	NoInit
};
