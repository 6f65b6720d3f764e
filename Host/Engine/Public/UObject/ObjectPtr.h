#pragma once

#include "UObject/Object.h"
#include "Templates/Requires.h"

#include <cstddef>
#include <type_traits>
#include <utility>

namespace UE::Core::Private
{
	// Whether a T* and a U* compare: the same type, or one derives from the other.
	template<typename T, typename U, typename = void>
	inline constexpr bool TArePointersComparable_V = false;
	template<typename T, typename U>
	inline constexpr bool TArePointersComparable_V<T, U, std::void_t<decltype(std::declval<T*>() == std::declval<U*>())>> = true;
}

// The engine's handle to an object held by a reflected member or returned by an accessor. It converts
// to a raw pointer without a cast, but it is not one: `auto* Mesh = Component->GetStaticMesh();` does
// not compile, and code that must hold a raw pointer says `UStaticMesh*` (or calls Get()).
template<typename T>
class TObjectPtr
{
public:
	using ElementType = T;

	TObjectPtr()
	    : Pointer(nullptr) {}
	TObjectPtr(std::nullptr_t)
	    : Pointer(nullptr) {}
	template<typename U UE_REQUIRES(std::is_convertible_v<U*, T*>)>
	TObjectPtr(U* Object)
	    : Pointer(Object)
	{
	}
	template<typename U UE_REQUIRES(std::is_convertible_v<U*, T*>)>
	TObjectPtr(const TObjectPtr<U>& Other)
	    : Pointer(Other.Get())
	{
	}

	T* Get() const { return Pointer; }
	operator T*() const { return Pointer; }
	T* operator->() const { return Pointer; }
	T& operator*() const { return *Pointer; }
	explicit operator bool() const { return Pointer != nullptr; }

	template<typename U UE_REQUIRES(UE::Core::Private::TArePointersComparable_V<T, U>)>
	bool operator==(const TObjectPtr<U>& Other) const
	{
		return Pointer == Other.Get();
	}
	template<typename U UE_REQUIRES(UE::Core::Private::TArePointersComparable_V<T, U>)>
	bool operator==(U* Other) const
	{
		return Pointer == Other;
	}
	bool operator==(std::nullptr_t) const { return Pointer == nullptr; }
#if !PLATFORM_COMPILER_HAS_GENERATED_COMPARISON_OPERATORS
	template<typename U UE_REQUIRES(UE::Core::Private::TArePointersComparable_V<T, U>)>
	bool operator!=(const TObjectPtr<U>& Other) const
	{
		return Pointer != Other.Get();
	}
	template<typename U UE_REQUIRES(UE::Core::Private::TArePointersComparable_V<T, U>)>
	bool operator!=(U* Other) const
	{
		return Pointer != Other;
	}
	bool operator!=(std::nullptr_t) const
	{
		return Pointer != nullptr;
	}
	template<typename U UE_REQUIRES(UE::Core::Private::TArePointersComparable_V<U, T>)>
	friend bool operator==(U* Lhs, const TObjectPtr& Rhs)
	{
		return Lhs == Rhs.Get();
	}
	template<typename U UE_REQUIRES(UE::Core::Private::TArePointersComparable_V<U, T>)>
	friend bool operator!=(U* Lhs, const TObjectPtr& Rhs)
	{
		return Lhs != Rhs.Get();
	}
	friend bool operator==(std::nullptr_t, const TObjectPtr& Rhs)
	{
		return Rhs.Get() == nullptr;
	}
	friend bool operator!=(std::nullptr_t, const TObjectPtr& Rhs)
	{
		return Rhs.Get() != nullptr;
	}
#endif

private:
	T* Pointer;
};
