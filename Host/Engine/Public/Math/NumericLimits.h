#pragma once

#include "CoreTypes.h"

#include <limits>

// Numeric limits under the engine's names.
template<typename T>
struct TNumericLimits
{
	static constexpr T Min() { return std::numeric_limits<T>::min(); }
	static constexpr T Max() { return std::numeric_limits<T>::max(); }
	static constexpr T Lowest() { return std::numeric_limits<T>::lowest(); }
};
