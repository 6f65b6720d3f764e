#pragma once

#include "Delegates/Delegate.h"

// A value that is either set directly or read through a getter each time it is asked for.
template<typename ObjectType>
class TAttribute
{
public:
	using FGetter = TDelegate<ObjectType()>;

	TAttribute() = default;
	TAttribute(const ObjectType& InValue)
	    : Value(InValue), bIsSet(true) {}
	TAttribute(ObjectType&& InValue)
	    : Value(MoveTemp(InValue)), bIsSet(true) {}

	static TAttribute Create(const FGetter& InGetter)
	{
		TAttribute Result;
		Result.Getter = InGetter;
		Result.bIsSet = true;
		return Result;
	}

	bool IsSet() const { return bIsSet; }
	bool IsBound() const { return Getter.IsBound(); }
	const ObjectType& Get() const
	{
		if (Getter.IsBound())
		{
			Value = Getter.Execute();
		}
		return Value;
	}
	const ObjectType& Get(const ObjectType& DefaultValue) const { return bIsSet ? Get() : DefaultValue; }
	void Set(const ObjectType& InValue)
	{
		Getter.Unbind();
		Value = InValue;
		bIsSet = true;
	}

private:
	mutable ObjectType Value = ObjectType();
	bool bIsSet = false;
	FGetter Getter;
};
