#pragma once

#include <type_traits>

// Constrains a template, written as the last thing in its parameter list:
//
//	template<typename T UE_REQUIRES(std::is_arithmetic_v<T>)>
//
// A requires-clause under C++20, an enable_if parameter under C++17, so one header serves modules built in
// either standard. A member constrained only on its class's parameters takes a defaulted parameter of its
// own (template<typename U = T UE_REQUIRES(...)>), as C++17 can only drop templates from overload sets.
#if defined(__cpp_concepts) && __cpp_concepts >= 201907L
namespace UE::Core::Private
{
	// Takes the '>' that closes the caller's parameter list.
	template<bool B>
	concept CRequiresTrue = B;
}

#define UE_REQUIRES(...) \
	>                    \
	requires(!!(__VA_ARGS__)) && ::UE::Core::Private::CRequiresTrue < true
#else
#define UE_REQUIRES(...) , std::enable_if_t<(__VA_ARGS__), int> = 0
#endif
