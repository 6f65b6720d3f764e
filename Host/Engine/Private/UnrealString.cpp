#include "Containers/UnrealString.h"
#include "Containers/StringConv.h"

#include <cstdio>
#include <cwctype>

namespace
{
	TCHAR ToLowerChar(TCHAR C)
	{
		return C < 0x80 ? static_cast<TCHAR>(std::tolower(C)) : static_cast<TCHAR>(std::towlower(C));
	}

	TCHAR ToUpperChar(TCHAR C)
	{
		return C < 0x80 ? static_cast<TCHAR>(std::toupper(C)) : static_cast<TCHAR>(std::towupper(C));
	}

	bool CharsEqual(TCHAR A, TCHAR B, ESearchCase::Type SearchCase)
	{
		return SearchCase == ESearchCase::CaseSensitive ? A == B : ToLowerChar(A) == ToLowerChar(B);
	}

	bool IsWhitespace(TCHAR C)
	{
		return C == u' ' || C == u'\t' || C == u'\n' || C == u'\r' || C == u'\v' || C == u'\f';
	}

	void AppendAscii(std::u16string& Out, const char* Text)
	{
		for (; *Text; ++Text)
		{
			Out += static_cast<char16_t>(static_cast<unsigned char>(*Text));
		}
	}
}

namespace UE::String::Private
{
	std::u16string FormatImpl(const TCHAR* Format, const FFormatArg* Args, int32 NumArgs)
	{
		std::u16string Out;
		int32 NextArg = 0;
		const auto TakeArg = [&]() -> const FFormatArg*
		{
			return NextArg < NumArgs ? &Args[NextArg++] : nullptr;
		};

		for (const TCHAR* Cursor = Format; *Cursor; ++Cursor)
		{
			if (*Cursor != u'%')
			{
				Out += *Cursor;
				continue;
			}
			if (Cursor[1] == u'%')
			{
				Out += u'%';
				++Cursor;
				continue;
			}

			// Copy the conversion directive into a narrow printf format, dropping length modifiers.
			std::string Directive = "%";
			const TCHAR* DirectiveCursor = Cursor + 1;
			while (*DirectiveCursor && std::char_traits<char16_t>::find(u"-+ #0", 5, *DirectiveCursor))
			{
				Directive += static_cast<char>(*DirectiveCursor++);
			}
			while (*DirectiveCursor && ((*DirectiveCursor >= u'0' && *DirectiveCursor <= u'9') || *DirectiveCursor == u'.'))
			{
				Directive += static_cast<char>(*DirectiveCursor++);
			}
			bool bAnsiString = false;
			while (*DirectiveCursor == u'l' || *DirectiveCursor == u'h' || *DirectiveCursor == u'z' || *DirectiveCursor == u'j' || *DirectiveCursor == u'I' ||
			       *DirectiveCursor == u'6' || *DirectiveCursor == u'4' || *DirectiveCursor == u't')
			{
				bAnsiString = bAnsiString || *DirectiveCursor == u'h';
				++DirectiveCursor;
			}
			const TCHAR Conversion = *DirectiveCursor;
			if (!Conversion)
			{
				break;
			}
			Cursor = DirectiveCursor;

			const FFormatArg* Arg = TakeArg();
			check(Arg != nullptr);
			char Buffer[512];
			switch (Conversion)
			{
				case u's':
				case u'S':
				{
					std::u16string Text;
					if (Arg->Kind == FFormatArg::EKind::WideText && !bAnsiString && Conversion == u's')
					{
						Text = Arg->WideTextValue ? Arg->WideTextValue : u"(null)";
					}
					else
					{
						check(Arg->Kind == FFormatArg::EKind::AnsiText || Arg->Kind == FFormatArg::EKind::WideText);
						if (Arg->Kind == FFormatArg::EKind::AnsiText)
						{
							const char* Ansi = Arg->AnsiTextValue ? Arg->AnsiTextValue : "(null)";
							Text = UE::Core::Private::ConvertUTF8ToTCHAR(Ansi, UE::Core::Private::StringLength(Ansi));
						}
						else
						{
							Text = Arg->WideTextValue ? Arg->WideTextValue : u"(null)";
						}
					}
					// Width and left-justification apply to the converted text.
					const bool bLeft = Directive.find('-') != std::string::npos;
					const size_t WidthAt = Directive.find_first_of("123456789");
					const size_t Dot = Directive.find('.');
					const int Width = WidthAt != std::string::npos && (Dot == std::string::npos || WidthAt < Dot) ? std::atoi(Directive.c_str() + WidthAt) : 0;
					const size_t Pad = Width > static_cast<int>(Text.size()) ? static_cast<size_t>(Width) - Text.size() : 0;
					if (!bLeft)
					{
						Out.append(Pad, u' ');
					}
					Out += Text;
					if (bLeft)
					{
						Out.append(Pad, u' ');
					}
					continue;
				}
				case u'c':
					check(Arg->Kind == FFormatArg::EKind::Signed || Arg->Kind == FFormatArg::EKind::Unsigned);
					Out += static_cast<char16_t>(Arg->UnsignedValue);
					continue;
				case u'd':
				case u'i':
					check(Arg->Kind == FFormatArg::EKind::Signed || Arg->Kind == FFormatArg::EKind::Unsigned);
					Directive += "lld";
					std::snprintf(Buffer, sizeof(Buffer), Directive.c_str(), Arg->SignedValue);
					break;
				case u'u':
				case u'x':
				case u'X':
				case u'o':
					check(Arg->Kind == FFormatArg::EKind::Signed || Arg->Kind == FFormatArg::EKind::Unsigned);
					Directive += "ll";
					Directive += static_cast<char>(Conversion);
					std::snprintf(Buffer, sizeof(Buffer), Directive.c_str(), Arg->UnsignedValue);
					break;
				case u'f':
				case u'F':
				case u'e':
				case u'E':
				case u'g':
				case u'G':
				case u'a':
				case u'A':
					check(Arg->Kind == FFormatArg::EKind::Floating);
					Directive += static_cast<char>(Conversion);
					std::snprintf(Buffer, sizeof(Buffer), Directive.c_str(), Arg->FloatingValue);
					break;
				case u'p':
					check(Arg->Kind == FFormatArg::EKind::Pointer);
					std::snprintf(Buffer, sizeof(Buffer), "%p", Arg->PointerValue);
					break;
				default:
					checkf(false, "Unsupported Printf conversion");
			}
			AppendAscii(Out, Buffer);
		}
		return Out;
	}
}

FString::FString(const ANSICHAR* Str)
    : Data(UE::Core::Private::ConvertUTF8ToTCHAR(Str, UE::Core::Private::StringLength(Str)))
{
}

void FString::AppendInt(int32 Value)
{
	*this += FromInt(Value);
}

FString FString::operator/(const FString& Rhs) const
{
	FString Result = *this;
	if (!Result.IsEmpty() && Result.Data.back() != u'/')
	{
		Result.Data += u'/';
	}
	Result.Data += (!Rhs.IsEmpty() && Rhs.Data.front() == u'/' && !Result.IsEmpty()) ? Rhs.Data.substr(1) : Rhs.Data;
	return Result;
}

bool FString::Equals(const FString& Other, ESearchCase::Type SearchCase) const
{
	return Len() == Other.Len() && Compare(Other, SearchCase) == 0;
}

int32 FString::Compare(const FString& Other, ESearchCase::Type SearchCase) const
{
	const size_t Common = std::min(Data.size(), Other.Data.size());
	for (size_t Index = 0; Index < Common; ++Index)
	{
		TCHAR A = Data[Index];
		TCHAR B = Other.Data[Index];
		if (SearchCase == ESearchCase::IgnoreCase)
		{
			A = ToLowerChar(A);
			B = ToLowerChar(B);
		}
		if (A != B)
		{
			return A < B ? -1 : 1;
		}
	}
	return Data.size() == Other.Data.size() ? 0 : (Data.size() < Other.Data.size() ? -1 : 1);
}

bool FString::StartsWith(const FString& Prefix, ESearchCase::Type SearchCase) const
{
	return Prefix.Len() <= Len() && Left(Prefix.Len()).Equals(Prefix, SearchCase);
}

bool FString::EndsWith(const FString& Suffix, ESearchCase::Type SearchCase) const
{
	return Suffix.Len() <= Len() && Right(Suffix.Len()).Equals(Suffix, SearchCase);
}

int32 FString::Find(const FString& SubStr, ESearchCase::Type SearchCase, ESearchDir::Type SearchDir, int32 StartPosition) const
{
	const int32 SubLen = SubStr.Len();
	if (SubLen > Len())
	{
		return INDEX_NONE;
	}
	const auto MatchesAt = [&](int32 Position)
	{
		for (int32 Offset = 0; Offset < SubLen; ++Offset)
		{
			if (!CharsEqual(Data[static_cast<size_t>(Position + Offset)], SubStr.Data[static_cast<size_t>(Offset)], SearchCase))
			{
				return false;
			}
		}
		return true;
	};
	if (SearchDir == ESearchDir::FromStart)
	{
		for (int32 Position = StartPosition == INDEX_NONE ? 0 : std::max(StartPosition, 0); Position + SubLen <= Len(); ++Position)
		{
			if (MatchesAt(Position))
			{
				return Position;
			}
		}
	}
	else
	{
		const int32 First = StartPosition == INDEX_NONE ? Len() - SubLen : std::min(StartPosition - SubLen, Len() - SubLen);
		for (int32 Position = First; Position >= 0; --Position)
		{
			if (MatchesAt(Position))
			{
				return Position;
			}
		}
	}
	return INDEX_NONE;
}

bool FString::FindChar(TCHAR Char, int32& OutIndex) const
{
	const size_t Position = Data.find(Char);
	OutIndex = Position == std::u16string::npos ? INDEX_NONE : static_cast<int32>(Position);
	return OutIndex != INDEX_NONE;
}

bool FString::FindLastChar(TCHAR Char, int32& OutIndex) const
{
	const size_t Position = Data.rfind(Char);
	OutIndex = Position == std::u16string::npos ? INDEX_NONE : static_cast<int32>(Position);
	return OutIndex != INDEX_NONE;
}

bool FString::Split(const FString& InS, FString* LeftS, FString* RightS, ESearchCase::Type SearchCase, ESearchDir::Type SearchDir) const
{
	const int32 Position = Find(InS, SearchCase, SearchDir);
	if (Position == INDEX_NONE)
	{
		return false;
	}
	if (LeftS)
	{
		*LeftS = Left(Position);
	}
	if (RightS)
	{
		*RightS = Mid(Position + InS.Len());
	}
	return true;
}

FString FString::Left(int32 Count) const
{
	return FString(std::u16string_view(Data).substr(0, static_cast<size_t>(std::clamp(Count, 0, Len()))));
}

FString FString::Right(int32 Count) const
{
	const int32 Clamped = std::clamp(Count, 0, Len());
	return FString(std::u16string_view(Data).substr(static_cast<size_t>(Len() - Clamped)));
}

FString FString::Mid(int32 Start, int32 Count) const
{
	const int32 First = std::clamp(Start, 0, Len());
	const int64 Last = std::clamp<int64>(int64(Start) + Count, First, Len());
	return FString(std::u16string_view(Data).substr(static_cast<size_t>(First), static_cast<size_t>(Last - First)));
}

FString FString::ToUpper() const
{
	FString Result = *this;
	for (TCHAR& C : Result.Data)
	{
		C = ToUpperChar(C);
	}
	return Result;
}

FString FString::ToLower() const
{
	FString Result = *this;
	for (TCHAR& C : Result.Data)
	{
		C = ToLowerChar(C);
	}
	return Result;
}

FString FString::TrimStart() const
{
	int32 First = 0;
	while (First < Len() && IsWhitespace(Data[static_cast<size_t>(First)]))
	{
		++First;
	}
	return Mid(First);
}

FString FString::TrimEnd() const
{
	int32 End = Len();
	while (End > 0 && IsWhitespace(Data[static_cast<size_t>(End - 1)]))
	{
		--End;
	}
	return Left(End);
}

FString FString::Replace(const TCHAR* From, const TCHAR* To, ESearchCase::Type SearchCase) const
{
	const FString Needle(From);
	if (Needle.IsEmpty())
	{
		return *this;
	}
	FString Result;
	int32 Position = 0;
	for (int32 Found = Find(Needle, SearchCase, ESearchDir::FromStart, 0); Found != INDEX_NONE;
	     Found = Find(Needle, SearchCase, ESearchDir::FromStart, Position))
	{
		Result += Mid(Position, Found - Position);
		Result += To;
		Position = Found + Needle.Len();
	}
	Result += Mid(Position);
	return Result;
}

int32 FString::ParseIntoArray(TArray<FString>& OutArray, const TCHAR* Delim, bool bCullEmpty) const
{
	OutArray.Reset();
	const FString Delimiter(Delim);
	int32 Position = 0;
	while (Position <= Len())
	{
		const int32 Found = Delimiter.IsEmpty() ? INDEX_NONE : Find(Delimiter, ESearchCase::CaseSensitive, ESearchDir::FromStart, Position);
		const int32 End = Found == INDEX_NONE ? Len() : Found;
		FString Part = Mid(Position, End - Position);
		if (!bCullEmpty || !Part.IsEmpty())
		{
			OutArray.Add(MoveTemp(Part));
		}
		if (Found == INDEX_NONE)
		{
			break;
		}
		Position = Found + Delimiter.Len();
	}
	return OutArray.Num();
}

bool FString::IsNumeric() const
{
	if (IsEmpty())
	{
		return false;
	}
	bool bSeenDot = false;
	for (int32 Index = 0; Index < Len(); ++Index)
	{
		const TCHAR C = Data[static_cast<size_t>(Index)];
		if (Index == 0 && (C == u'-' || C == u'+'))
		{
			continue;
		}
		if (C == u'.' && !bSeenDot)
		{
			bSeenDot = true;
			continue;
		}
		if (C < u'0' || C > u'9')
		{
			return false;
		}
	}
	return true;
}

FString FString::FromInt(int32 Value)
{
	return Printf(TEXT("%d"), Value);
}

FString FString::SanitizeFloat(double Value, int32 MinFractionalDigits)
{
	char Buffer[64];
	std::snprintf(Buffer, sizeof(Buffer), "%.17g", Value);
	// Prefer the shortest text that reads back as the same value.
	for (int Precision = 1; Precision <= 17; ++Precision)
	{
		char Candidate[64];
		std::snprintf(Candidate, sizeof(Candidate), "%.*g", Precision, Value);
		if (std::strtod(Candidate, nullptr) == Value)
		{
			std::snprintf(Buffer, sizeof(Buffer), "%s", Candidate);
			break;
		}
	}
	std::string Text = Buffer;
	if (MinFractionalDigits > 0 && Text.find_first_of(".eEni") == std::string::npos)
	{
		Text += "." + std::string(static_cast<size_t>(MinFractionalDigits), '0');
	}
	return FString(Text.c_str());
}

FString FString::Join(const TArray<FString>& Parts, const TCHAR* Separator)
{
	FString Result;
	for (int32 Index = 0; Index < Parts.Num(); ++Index)
	{
		if (Index > 0)
		{
			Result += Separator;
		}
		Result += Parts[Index];
	}
	return Result;
}

uint32 GetTypeHash(const FString& Str)
{
	// FNV-1a over the lower-cased code units, so strings equal under == hash alike.
	uint32 Hash = 2166136261u;
	for (int32 Index = 0; Index < Str.Len(); ++Index)
	{
		Hash = (Hash ^ ToLowerChar(Str[Index])) * 16777619u;
	}
	return Hash;
}
