#pragma once

#include "CoreTypes.h"

#include <string>

namespace UE::Core::Private
{
	// UTF-16 to UTF-8 and back. Unpaired surrogates and malformed UTF-8 become '?', as the engine's
	// converters write a bogus character rather than failing.
	std::string ConvertTCHARToUTF8(const TCHAR* Source, int32 SourceLen);
	std::u16string ConvertUTF8ToTCHAR(const char* Source, int32 SourceLen);
	int32 StringLength(const TCHAR* Str);
	int32 StringLength(const char* Str);
}

// A conversion result that owns its text. Like the engine's, it is meant to live only as long as the
// expression or the local variable that holds it.
class FTCHARToUTF8
{
public:
	explicit FTCHARToUTF8(const TCHAR* Source)
	    : Converted(UE::Core::Private::ConvertTCHARToUTF8(Source, UE::Core::Private::StringLength(Source))) {}
	FTCHARToUTF8(const TCHAR* Source, int32 SourceLen)
	    : Converted(UE::Core::Private::ConvertTCHARToUTF8(Source, SourceLen)) {}
	FTCHARToUTF8(const FTCHARToUTF8&) = delete;
	FTCHARToUTF8& operator=(const FTCHARToUTF8&) = delete;

	const ANSICHAR* Get() const { return Converted.c_str(); }
	int32 Length() const { return static_cast<int32>(Converted.size()); }

private:
	std::string Converted;
};

class FUTF8ToTCHAR
{
public:
	explicit FUTF8ToTCHAR(const ANSICHAR* Source)
	    : Converted(UE::Core::Private::ConvertUTF8ToTCHAR(Source, UE::Core::Private::StringLength(Source))) {}
	FUTF8ToTCHAR(const ANSICHAR* Source, int32 SourceLen)
	    : Converted(UE::Core::Private::ConvertUTF8ToTCHAR(Source, SourceLen)) {}
	explicit FUTF8ToTCHAR(const UTF8CHAR* Source)
	    : FUTF8ToTCHAR(reinterpret_cast<const ANSICHAR*>(Source)) {}
	FUTF8ToTCHAR(const UTF8CHAR* Source, int32 SourceLen)
	    : FUTF8ToTCHAR(reinterpret_cast<const ANSICHAR*>(Source), SourceLen) {}
	FUTF8ToTCHAR(const FUTF8ToTCHAR&) = delete;
	FUTF8ToTCHAR& operator=(const FUTF8ToTCHAR&) = delete;

	const TCHAR* Get() const { return Converted.c_str(); }
	int32 Length() const { return static_cast<int32>(Converted.size()); }

private:
	std::u16string Converted;
};

using FTCHARToANSI = FTCHARToUTF8;
using FANSIToTCHAR = FUTF8ToTCHAR;

namespace UE::Core::Private
{
	template<typename ToType, typename FromType>
	struct TStringCastSelector;

	template<>
	struct TStringCastSelector<ANSICHAR, TCHAR>
	{
		using Type = FTCHARToUTF8;
	};
	template<>
	struct TStringCastSelector<UTF8CHAR, TCHAR>
	{
		using Type = FTCHARToUTF8;
	};
	template<>
	struct TStringCastSelector<TCHAR, ANSICHAR>
	{
		using Type = FUTF8ToTCHAR;
	};
	template<>
	struct TStringCastSelector<TCHAR, UTF8CHAR>
	{
		using Type = FUTF8ToTCHAR;
	};

	// Same-type casts pass the text through.
	template<typename CharType>
	class TPassthruCast
	{
	public:
		explicit TPassthruCast(const CharType* Source)
		    : Ptr(Source), Len(StringLength(Source)) {}
		TPassthruCast(const CharType* Source, int32 SourceLen)
		    : Ptr(Source), Len(SourceLen) {}
		const CharType* Get() const { return Ptr; }
		int32 Length() const { return Len; }

	private:
		const CharType* Ptr;
		int32 Len;
	};
	template<>
	struct TStringCastSelector<TCHAR, TCHAR>
	{
		using Type = TPassthruCast<TCHAR>;
	};
	template<>
	struct TStringCastSelector<ANSICHAR, ANSICHAR>
	{
		using Type = TPassthruCast<ANSICHAR>;
	};
}

template<typename ToType, typename FromType>
typename UE::Core::Private::TStringCastSelector<ToType, FromType>::Type StringCast(const FromType* Str)
{
	return typename UE::Core::Private::TStringCastSelector<ToType, FromType>::Type(Str);
}

template<typename ToType, typename FromType>
typename UE::Core::Private::TStringCastSelector<ToType, FromType>::Type StringCast(const FromType* Str, int32 Len)
{
	return typename UE::Core::Private::TStringCastSelector<ToType, FromType>::Type(Str, Len);
}

#define TCHAR_TO_UTF8(str) (ANSICHAR*)FTCHARToUTF8((const TCHAR*)(str)).Get()
#define UTF8_TO_TCHAR(str) (TCHAR*)FUTF8ToTCHAR((const ANSICHAR*)(str)).Get()
#define TCHAR_TO_ANSI(str) TCHAR_TO_UTF8(str)
#define ANSI_TO_TCHAR(str) UTF8_TO_TCHAR(str)
