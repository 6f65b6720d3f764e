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

			typedef unsigned char byte_t;
			typedef unsigned char uint8_t;
			typedef signed char int8_t;
			typedef std::uint16_t uint16_t;
			typedef std::int16_t int16_t;
			typedef unsigned int uint32_t;
			typedef int int32_t;
			typedef unsigned long long uint64_t;
			typedef long long int64_t;
			typedef half float16_t;
			typedef float float32_t;
			typedef double float64_t;
			typedef std::string string;
			typedef std::wstring wstring;
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
