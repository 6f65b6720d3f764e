#pragma once

#include "CoreTypes.h"

// Stores a plain enum in one byte and reads back as the enum.
template<typename TEnum>
class TEnumAsByte
{
public:
	TEnumAsByte() = default;
	TEnumAsByte(TEnum InValue)
	    : Value(static_cast<uint8>(InValue)) {}

	TEnumAsByte& operator=(TEnum InValue)
	{
		Value = static_cast<uint8>(InValue);
		return *this;
	}
	operator TEnum() const { return static_cast<TEnum>(Value); }
	TEnum GetValue() const { return static_cast<TEnum>(Value); }
	bool operator==(TEnum Other) const { return GetValue() == Other; }

private:
	uint8 Value = 0;
};
