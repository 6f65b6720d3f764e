#pragma once

#include "UObject/Object.h"

#include <cstddef>
#include <type_traits>

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
	template<typename U>
	requires std::is_convertible_v<U*, T*>
	TObjectPtr(U* Object)
	    : Pointer(Object)
	{
	}
	template<typename U>
	requires std::is_convertible_v<U*, T*>
	TObjectPtr(const TObjectPtr<U>& Other)
	    : Pointer(Other.Get())
	{
	}

	T* Get() const { return Pointer; }
	operator T*() const { return Pointer; }
	T* operator->() const { return Pointer; }
	T& operator*() const { return *Pointer; }
	explicit operator bool() const { return Pointer != nullptr; }

	template<typename U>
	requires requires(T* A, U* B) { A == B; }
	bool operator==(const TObjectPtr<U>& Other) const
	{
		return Pointer == Other.Get();
	}
	template<typename U>
	requires requires(T* A, U* B) { A == B; }
	bool operator==(U* Other) const
	{
		return Pointer == Other;
	}
	bool operator==(std::nullptr_t) const { return Pointer == nullptr; }

private:
	T* Pointer;
};
