#pragma once

#include "Containers/UnrealString.h"

// Display text. The host has one culture, so a text is its source string.
class FText
{
public:
	FText() = default;

	static FText FromString(const FString& String) { return FText(String); }
	static FText FromString(FString&& String) { return FText(MoveTemp(String)); }
	static const FText& GetEmpty()
	{
		static const FText Empty;
		return Empty;
	}

	const FString& ToString() const { return Source; }
	bool IsEmpty() const { return Source.IsEmpty(); }
	bool EqualTo(const FText& Other) const { return Source.Equals(Other.Source); }
	bool IsCultureInvariant() const { return true; }

private:
	explicit FText(FString InSource)
	    : Source(MoveTemp(InSource)) {}

	FString Source;
};
