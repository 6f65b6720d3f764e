#include "UObject/NameTypes.h"
#include "Containers/StringConv.h"

#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace
{
	// Names are interned once per process; index 0 is NAME_None.
	struct FNameTable
	{
		std::mutex Mutex;
		std::vector<FString> Display{FString(TEXT("None"))};
		std::unordered_map<std::u16string, int32> ByLowerCase{{u"none", 0}};

		static FNameTable& Get()
		{
			static FNameTable Table;
			return Table;
		}

		int32 Lookup(FStringView Name, EFindName FindType)
		{
			if (Name.empty())
			{
				return 0;
			}
			const FString Lower = FString(Name).ToLower();
			std::lock_guard Lock(Mutex);
			if (const auto Found = ByLowerCase.find(Lower.GetStdString()); Found != ByLowerCase.end())
			{
				return Found->second;
			}
			if (FindType == FNAME_Find)
			{
				return -1;
			}
			const int32 Index = static_cast<int32>(Display.size());
			Display.emplace_back(Name);
			ByLowerCase.emplace(Lower.GetStdString(), Index);
			return Index;
		}

		FString ToString(int32 Index)
		{
			std::lock_guard Lock(Mutex);
			return Index >= 0 && Index < static_cast<int32>(Display.size()) ? Display[static_cast<size_t>(Index)] : FString(TEXT("None"));
		}
	};
}

FName::FName(const TCHAR* Name, EFindName FindType)
    : ComparisonIndex(FNameTable::Get().Lookup(Name ? FStringView(Name) : FStringView(), FindType))
{
}

FName::FName(const ANSICHAR* Name, EFindName FindType)
    : FName(FUTF8ToTCHAR(Name ? Name : "").Get(), FindType)
{
}

FName::FName(FStringView Name, EFindName FindType)
    : ComparisonIndex(FNameTable::Get().Lookup(Name, FindType))
{
}

FString FName::ToString() const
{
	return FNameTable::Get().ToString(ComparisonIndex);
}
