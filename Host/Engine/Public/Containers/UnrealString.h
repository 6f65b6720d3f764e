#pragma once

#include "CoreTypes.h"
#include "Containers/Array.h"

#include <string>
#include <string_view>
#include <type_traits>

namespace ESearchCase
{
	enum Type
	{
		CaseSensitive,
		IgnoreCase,
	};
}

namespace ESearchDir
{
	enum Type
	{
		FromStart,
		FromEnd,
	};
}

namespace UE::String::Private
{
	// One Printf argument, type-erased so the formatter can check it against its conversion.
	struct FFormatArg
	{
		enum class EKind
		{
			Signed,
			Unsigned,
			Floating,
			WideText,
			AnsiText,
			Pointer,
		};
		EKind Kind;
		union
		{
			long long SignedValue;
			unsigned long long UnsignedValue;
			double FloatingValue;
			const TCHAR* WideTextValue;
			const ANSICHAR* AnsiTextValue;
			const void* PointerValue;
		};

		template<typename T>
		FFormatArg(T Value)
		{
			if constexpr (std::is_same_v<std::decay_t<T>, const TCHAR*> || std::is_same_v<std::decay_t<T>, TCHAR*>)
			{
				Kind = EKind::WideText;
				WideTextValue = Value;
			}
			else if constexpr (std::is_same_v<std::decay_t<T>, const ANSICHAR*> || std::is_same_v<std::decay_t<T>, ANSICHAR*>)
			{
				Kind = EKind::AnsiText;
				AnsiTextValue = Value;
			}
			else if constexpr (std::is_pointer_v<T> || std::is_null_pointer_v<T>)
			{
				Kind = EKind::Pointer;
				PointerValue = Value;
			}
			else if constexpr (std::is_floating_point_v<T>)
			{
				Kind = EKind::Floating;
				FloatingValue = static_cast<double>(Value);
			}
			else if constexpr (std::is_enum_v<T>)
			{
				Kind = EKind::Signed;
				SignedValue = static_cast<long long>(Value);
			}
			else
			{
				static_assert(std::is_integral_v<T>, "Printf takes numbers, TCHAR* and pointers; pass *String for %s");
				if constexpr (std::is_signed_v<T>)
				{
					Kind = EKind::Signed;
					SignedValue = Value;
				}
				else
				{
					Kind = EKind::Unsigned;
					UnsignedValue = Value;
				}
			}
		}
	};

	std::u16string FormatImpl(const TCHAR* Format, const FFormatArg* Args, int32 NumArgs);
}

// The engine's string: UTF-16 code units, compared without regard to case by ==, as in the engine.
class FString
{
public:
	using ElementType = TCHAR;

	FString() = default;
	FString(const TCHAR* Str)
	    : Data(Str ? Str : u"") {}
	FString(int32 Count, const TCHAR* Str)
	    : Data(Str, static_cast<size_t>(Count)) {}
	explicit FString(const ANSICHAR* Str);
	explicit FString(std::u16string_view View)
	    : Data(View) {}
	explicit FString(std::u16string&& Str)
	    : Data(MoveTemp(Str)) {}

	const TCHAR* operator*() const { return Data.c_str(); }
	int32 Len() const { return static_cast<int32>(Data.size()); }
	bool IsEmpty() const { return Data.empty(); }
	void Empty() { Data.clear(); }
	void Reset() { Data.clear(); }
	bool IsValidIndex(int32 Index) const { return Index >= 0 && Index < Len(); }

	TCHAR& operator[](int32 Index)
	{
		check(IsValidIndex(Index));
		return Data[static_cast<size_t>(Index)];
	}
	const TCHAR& operator[](int32 Index) const
	{
		check(IsValidIndex(Index));
		return Data[static_cast<size_t>(Index)];
	}

	FString& operator+=(const FString& Str)
	{
		Data += Str.Data;
		return *this;
	}
	FString& operator+=(const TCHAR* Str)
	{
		Data += Str;
		return *this;
	}
	FString& operator+=(TCHAR Char)
	{
		Data += Char;
		return *this;
	}
	FString& Append(const FString& Str) { return *this += Str; }
	FString& Append(const TCHAR* Str, int32 Count)
	{
		Data.append(Str, static_cast<size_t>(Count));
		return *this;
	}
	FString& AppendChar(TCHAR Char) { return *this += Char; }
	void AppendInt(int32 Value);

	friend FString operator+(FString Lhs, const FString& Rhs) { return Lhs += Rhs; }
	friend FString operator+(FString Lhs, const TCHAR* Rhs) { return Lhs += Rhs; }
	friend FString operator+(const TCHAR* Lhs, const FString& Rhs) { return FString(Lhs) += Rhs; }
	friend FString operator+(FString Lhs, TCHAR Rhs) { return Lhs += Rhs; }

	// Joins two path parts with exactly one '/'.
	FString operator/(const FString& Rhs) const;
	FString operator/(const TCHAR* Rhs) const { return *this / FString(Rhs); }
	FString& operator/=(const FString& Rhs) { return *this = *this / Rhs; }

	bool Equals(const FString& Other, ESearchCase::Type SearchCase = ESearchCase::CaseSensitive) const;
	friend bool operator==(const FString& Lhs, const FString& Rhs) { return Lhs.Equals(Rhs, ESearchCase::IgnoreCase); }
	friend bool operator==(const FString& Lhs, const TCHAR* Rhs) { return Lhs.Equals(FString(Rhs), ESearchCase::IgnoreCase); }
#if !PLATFORM_COMPILER_HAS_GENERATED_COMPARISON_OPERATORS
	friend bool operator!=(const FString& Lhs, const FString& Rhs)
	{
		return !(Lhs == Rhs);
	}
	friend bool operator!=(const FString& Lhs, const TCHAR* Rhs)
	{
		return !(Lhs == Rhs);
	}
	friend bool operator==(const TCHAR* Lhs, const FString& Rhs)
	{
		return Rhs == Lhs;
	}
	friend bool operator!=(const TCHAR* Lhs, const FString& Rhs)
	{
		return !(Rhs == Lhs);
	}
#endif
	friend bool operator<(const FString& Lhs, const FString& Rhs)
	{
		return Lhs.Compare(Rhs, ESearchCase::IgnoreCase) < 0;
	}
	int32 Compare(const FString& Other, ESearchCase::Type SearchCase = ESearchCase::CaseSensitive) const;

	bool StartsWith(const FString& Prefix, ESearchCase::Type SearchCase = ESearchCase::IgnoreCase) const;
	bool EndsWith(const FString& Suffix, ESearchCase::Type SearchCase = ESearchCase::IgnoreCase) const;
	bool Contains(const FString& SubStr, ESearchCase::Type SearchCase = ESearchCase::IgnoreCase) const
	{
		return Find(SubStr, SearchCase) != INDEX_NONE;
	}
	int32 Find(const FString& SubStr, ESearchCase::Type SearchCase = ESearchCase::IgnoreCase,
	           ESearchDir::Type SearchDir = ESearchDir::FromStart, int32 StartPosition = INDEX_NONE) const;
	bool FindChar(TCHAR Char, int32& OutIndex) const;
	bool FindLastChar(TCHAR Char, int32& OutIndex) const;
	bool Split(const FString& InS, FString* LeftS, FString* RightS, ESearchCase::Type SearchCase = ESearchCase::IgnoreCase,
	           ESearchDir::Type SearchDir = ESearchDir::FromStart) const;

	FString Left(int32 Count) const;
	FString Right(int32 Count) const;
	FString Mid(int32 Start, int32 Count = INT32_MAX) const;
	FString LeftChop(int32 Count) const
	{
		return Left(Len() - Count);
	}
	FString RightChop(int32 Count) const
	{
		return Right(Len() - Count);
	}
	FString ToUpper() const;
	FString ToLower() const;
	FString TrimStart() const;
	FString TrimEnd() const;
	FString TrimStartAndEnd() const
	{
		return TrimStart().TrimEnd();
	}
	FString Replace(const TCHAR* From, const TCHAR* To, ESearchCase::Type SearchCase = ESearchCase::IgnoreCase) const;
	int32 ParseIntoArray(TArray<FString>& OutArray, const TCHAR* Delim, bool bCullEmpty = true) const;
	bool IsNumeric() const;

	static FString FromInt(int32 Value);
	static FString SanitizeFloat(double Value, int32 MinFractionalDigits = 1);
	static FString Join(const TArray<FString>& Parts, const TCHAR* Separator);

	template<typename FmtType, typename... Types>
	static FString Printf(const FmtType& Format, Types... Args)
	{
		static_assert(std::is_same_v<std::remove_all_extents_t<FmtType>, TCHAR>, "Printf's format must be a TEXT() literal");
		if constexpr (sizeof...(Args) == 0)
		{
			return FString(UE::String::Private::FormatImpl(Format, nullptr, 0));
		}
		else
		{
			const UE::String::Private::FFormatArg Packed[] = {UE::String::Private::FFormatArg(Args)...};
			return FString(UE::String::Private::FormatImpl(Format, Packed, sizeof...(Args)));
		}
	}

	// Host access to the code units, for conversions.
	const std::u16string& GetStdString() const
	{
		return Data;
	}

private:
	std::u16string Data;
};

uint32 GetTypeHash(const FString& Str);

// A non-owning view of TCHAR text.
using FStringView = std::u16string_view;
