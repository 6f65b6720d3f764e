#pragma once

#include "CoreMinimal.h"
#include "UObject/Class.h"
#include "UObject/UnrealType.h"

#include <string>
#include <vector>

namespace VelmoraTests
{
	inline std::string Utf8(const FString& Text)
	{
		return std::string(TCHAR_TO_UTF8(*Text));
	}

	inline std::vector<std::string> FunctionNames(const UClass* Class)
	{
		std::vector<std::string> Names;
		for (TFieldIterator<UFunction> It(Class); It; ++It)
		{
			Names.push_back(Utf8(It->GetName()));
		}
		return Names;
	}

	// "Name: Type" per parameter, the return value included, in record order.
	inline std::vector<std::string> Pins(const UFunction* Function)
	{
		std::vector<std::string> Result;
		for (TFieldIterator<FProperty> It(Function); It; ++It)
		{
			Result.push_back(Utf8(It->GetName()) + ": " + Utf8(It->GetCPPType()));
		}
		return Result;
	}

	inline FProperty* FindPin(const UFunction* Function, const TCHAR* Name)
	{
		for (TFieldIterator<FProperty> It(Function); It; ++It)
		{
			if (It->GetFName() == FName(Name))
			{
				return *It;
			}
		}
		return nullptr;
	}
}
