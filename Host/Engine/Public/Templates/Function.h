#pragma once

#include <functional>

// A callable of the given signature; empty (false) until assigned.
template<typename FuncType>
using TFunction = std::function<FuncType>;
