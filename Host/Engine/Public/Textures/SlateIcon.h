#pragma once

#include "CoreMinimal.h"

// An icon named by its style set and style; default-constructed, it is no icon at all.
class FSlateIcon
{
public:
	FSlateIcon() = default;
	FSlateIcon(const FName InStyleSetName, const FName InStyleName)
	    : StyleSetName(InStyleSetName), StyleName(InStyleName), bIsSet(true) {}

	bool IsSet() const { return bIsSet; }
	const FName& GetStyleSetName() const { return StyleSetName; }
	const FName& GetStyleName() const { return StyleName; }

private:
	FName StyleSetName;
	FName StyleName;
	bool bIsSet = false;
};
