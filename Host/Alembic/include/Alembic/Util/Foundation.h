#pragma once

// Common ground for every layer: fixed-width types, smart pointers and the versioned namespace.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <Imath/half.h>

#ifndef ALEMBIC_VERSION_NS
#define ALEMBIC_VERSION_NS v12
#endif

namespace Alembic
{
	namespace Util
	{
		namespace ALEMBIC_VERSION_NS
		{
			using std::dynamic_pointer_cast;
			using std::enable_shared_from_this;
			using std::shared_ptr;
			using std::static_pointer_cast;
			using std::unique_ptr;
			using std::weak_ptr;

			// The standard fixed-width types themselves, as the library takes them from <stdint.h>:
			// int64_t is long on LP64 Linux and long long on Windows, so code must not assume either.
			typedef unsigned char byte_t;
			using std::int16_t;
			using std::int32_t;
			using std::int64_t;
			using std::int8_t;
			using std::uint16_t;
			using std::uint32_t;
			using std::uint64_t;
			using std::uint8_t;
			typedef half float16_t;
			typedef float float32_t;
			typedef double float64_t;
			typedef std::string string;
			typedef std::wstring wstring;
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
