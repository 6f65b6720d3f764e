#pragma once

#include "CoreTypes.h"
#include "Containers/Array.h"
#include "Templates/Requires.h"

#include <initializer_list>
#include <type_traits>

// A non-owning view of contiguous elements. A TArray, or a braced list for the length of one call,
// converts to a view of const elements.
template<typename ElementType>
class TArrayView
{
public:
	using SizeType = int32;

	TArrayView() = default;
	TArrayView(ElementType* InData, SizeType InNum)
	    : Data(InData), ArrayNum(InNum)
	{
		check(InNum >= 0);
	}
	template<typename OtherElementType UE_REQUIRES(std::is_same_v<std::remove_const_t<ElementType>, OtherElementType>)>
	TArrayView(TArray<OtherElementType>& Other)
	    : Data(Other.GetData()), ArrayNum(Other.Num())
	{
	}
	template<typename OtherElementType UE_REQUIRES(std::is_const_v<ElementType>&& std::is_same_v<std::remove_const_t<ElementType>, OtherElementType>)>
	TArrayView(const TArray<OtherElementType>& Other)
	    : Data(Other.GetData()), ArrayNum(Other.Num())
	{
	}
	// A view of a braced list lives no longer than the call it is passed to, as in the engine.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winit-list-lifetime"
#endif
	template<typename ViewedType = ElementType UE_REQUIRES(std::is_const_v<ViewedType>)>
	TArrayView(std::initializer_list<std::remove_const_t<ElementType>> List)
	    : Data(List.begin()), ArrayNum(static_cast<SizeType>(List.size()))
	{
	}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

	SizeType Num() const
	{
		return ArrayNum;
	}
	bool IsEmpty() const
	{
		return ArrayNum == 0;
	}
	bool IsValidIndex(SizeType Index) const
	{
		return Index >= 0 && Index < ArrayNum;
	}
	ElementType* GetData() const
	{
		return Data;
	}

	ElementType& operator[](SizeType Index) const
	{
		checkf(IsValidIndex(Index), "Array view index out of bounds");
		return Data[Index];
	}

	ElementType* begin() const
	{
		return Data;
	}
	ElementType* end() const
	{
		return Data + ArrayNum;
	}

private:
	ElementType* Data = nullptr;
	SizeType ArrayNum = 0;
};
