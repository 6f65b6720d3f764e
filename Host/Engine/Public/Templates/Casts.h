#pragma once

#include "UObject/Object.h"
#include "UObject/ObjectPtr.h"

// Casts along the reflected class hierarchy (not C++ RTTI): null for a null object or another class.
template<typename To, typename From>
To* Cast(From* Src)
{
	return Src && Src->IsA(To::StaticClass()) ? static_cast<To*>(Src) : nullptr;
}

template<typename To, typename From>
const To* Cast(const From* Src)
{
	return Src && Src->IsA(To::StaticClass()) ? static_cast<const To*>(Src) : nullptr;
}

template<typename To, typename From>
To* Cast(const TObjectPtr<From>& Src)
{
	return Cast<To>(Src.Get());
}

template<typename To, typename From>
To* CastChecked(From* Src)
{
	To* Result = Cast<To>(Src);
	check(Result != nullptr);
	return Result;
}
