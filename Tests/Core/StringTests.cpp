#include "CoreMinimal.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
	std::string ToUtf8(const FString& Str)
	{
		return FTCHARToUTF8(*Str).Get();
	}
}

TEST(StringConversion, NonAsciiPathRoundTripsThroughUtf8)
{
	// Latin accents, CJK and a character outside the BMP (a surrogate pair in UTF-16).
	const std::string Path = "/home/ren\xC3\xA9/\xE9\xAB\xAA/groom_\xF0\x9F\x92\x87.abc";
	const FString Wide = UTF8_TO_TCHAR(Path.c_str());
	EXPECT_EQ(Wide.Len(), 25);
	EXPECT_EQ(Wide[11], u'\u9AEA');
	EXPECT_EQ(Wide[24 - 4], 0xDC87);
	EXPECT_EQ(std::string(TCHAR_TO_UTF8(*Wide)), Path);

	const FTCHARToUTF8 Converted(*Wide);
	EXPECT_EQ(Converted.Length(), static_cast<int32>(Path.size()));
	EXPECT_EQ(std::string(StringCast<ANSICHAR>(*Wide).Get()), Path);
	EXPECT_EQ(FString(StringCast<TCHAR>(Path.c_str()).Get()), Wide);
}

TEST(StringConversion, EmptyGivesEmpty)
{
	EXPECT_STREQ(TCHAR_TO_UTF8(*FString()), "");
	EXPECT_TRUE(FString(UTF8_TO_TCHAR("")).IsEmpty());
}

TEST(StringConversion, MalformedInputBecomesBogusCharacters)
{
	// A lone surrogate cannot be encoded; a truncated UTF-8 sequence cannot be decoded.
	const TCHAR LoneSurrogate[] = {u'a', 0xD800, u'b', 0};
	EXPECT_STREQ(TCHAR_TO_UTF8(LoneSurrogate), "a?b");
	EXPECT_EQ(FString(UTF8_TO_TCHAR("x\xE9\xAB")), FString(TEXT("x??")));
	EXPECT_EQ(FString(UTF8_TO_TCHAR("\xC3\xA9!")), FString(TEXT("\u00E9!")));
}

TEST(StringPrintf, FormatsWideStringsAndNumbers)
{
	const FString Path = TEXT("/Game/Generated/MyStaticMesh");
	EXPECT_EQ(ToUtf8(FString::Printf(TEXT("Invalid asset path: %s"), *Path)), "Invalid asset path: /Game/Generated/MyStaticMesh");
	EXPECT_EQ(ToUtf8(FString::Printf(TEXT("%d strands, %u points, %.2f%%"), -3, 7u, 12.345)), "-3 strands, 7 points, 12.35%");
	EXPECT_EQ(ToUtf8(FString::Printf(TEXT("[%5s|%-4s]"), TEXT("ab"), TEXT("c"))), "[   ab|c   ]");
	EXPECT_EQ(ToUtf8(FString::Printf(TEXT("%s"), UTF8_TO_TCHAR("caf\xC3\xA9"))), "caf\xC3\xA9");
	EXPECT_EQ(ToUtf8(FString::Printf(TEXT("no arguments"))), "no arguments");
}

TEST(StringQueries, BehaveAsTheEngines)
{
	const FString Name = TEXT("/Game/Generated/MyStaticMesh");
	EXPECT_TRUE(Name == FString(TEXT("/game/generated/mystaticmesh")));
	EXPECT_FALSE(Name.Equals(TEXT("/game/generated/mystaticmesh")));
	EXPECT_TRUE(Name.StartsWith(TEXT("/game/")));
	EXPECT_EQ(Name.Find(TEXT("/"), ESearchCase::CaseSensitive, ESearchDir::FromEnd), 15);
	EXPECT_EQ(ToUtf8(Name.Mid(6, 9)), "Generated");
	EXPECT_EQ(ToUtf8(FString(TEXT("/Game/Generated")) / TEXT("MyStaticMesh")), "/Game/Generated/MyStaticMesh");

	TArray<FString> Parts;
	EXPECT_EQ(FString(TEXT("1,,2,3")).ParseIntoArray(Parts, TEXT(","), true), 3);
	EXPECT_EQ(ToUtf8(Parts[2]), "3");
	EXPECT_EQ(FString(TEXT("1,,2")).ParseIntoArray(Parts, TEXT(","), false), 3);
	EXPECT_EQ(ToUtf8(FString(TEXT("a.b.a")).Replace(TEXT("a"), TEXT("xy"))), "xy.b.xy");
}

TEST(Names, CompareWithoutCaseAndKeepFirstSpelling)
{
	const FName Tag(TEXT("Kestrova Comp Trace"));
	EXPECT_EQ(Tag, FName("kestrova comp trace"));
	EXPECT_EQ(ToUtf8(FName(TEXT("KESTROVA COMP TRACE")).ToString()), "Kestrova Comp Trace");
	EXPECT_TRUE(FName().IsNone());
	EXPECT_EQ(FName(NAME_None), FName(TEXT("")));
	EXPECT_NE(FName(TEXT("velmora")), FName(TEXT("velmora2")));
	const FName NotYetAdded(TEXT("NeverAddedAnywhere"), FNAME_Find);
	const FName Added(TEXT("NeverAddedAnywhere"));
	EXPECT_NE(NotYetAdded, Added);
	EXPECT_EQ(FName(TEXT("neveraddedanywhere"), FNAME_Find), Added);
}
