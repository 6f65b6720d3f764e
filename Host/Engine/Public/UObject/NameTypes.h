#pragma once

#include "CoreTypes.h"
#include "Containers/UnrealString.h"
#include "UObject/UnrealNames.h"

// An interned name: cheap to copy and compare, compared without regard to case. The first spelling
// added is the one ToString gives back.
class FName
{
public:
	FName() = default;
	FName(EName) {}
	FName(const TCHAR* Name, EFindName FindType = FNAME_Add);
	FName(const ANSICHAR* Name, EFindName FindType = FNAME_Add);
	explicit FName(const FString& Name, EFindName FindType = FNAME_Add)
	    : FName(*Name, FindType) {}
	FName(FStringView Name, EFindName FindType = FNAME_Add);

	FString ToString() const;
	bool IsNone() const { return ComparisonIndex == 0; }
	bool IsValid() const { return ComparisonIndex >= 0; }
	uint32 GetComparisonIndex() const { return static_cast<uint32>(ComparisonIndex); }

	friend bool operator==(const FName& Lhs, const FName& Rhs) { return Lhs.ComparisonIndex == Rhs.ComparisonIndex; }
	friend bool operator!=(const FName& Lhs, const FName& Rhs) { return !(Lhs == Rhs); }
	friend bool operator==(const FName& Lhs, EName Rhs) { return Lhs == FName(Rhs); }
	bool LexicalLess(const FName& Other) const { return ToString().Compare(Other.ToString(), ESearchCase::IgnoreCase) < 0; }

private:
	// 0 is NAME_None; -1 marks a name looked up with FNAME_Find that was never added.
	int32 ComparisonIndex = 0;
};

inline uint32 GetTypeHash(const FName& Name)
{
	return Name.GetComparisonIndex();
}
