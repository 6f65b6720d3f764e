#include "CoreMinimal.h"
#include "Host/Log.h"

#include "alembicIO.h"

#include <gtest/gtest.h>

TEST(Logging, CapturesCategoryVerbosityAndText)
{
	Host::FScopedLogCapture Capture;
	const FString Path = UTF8_TO_TCHAR("/Game/\xC3\xA9");
	UE_LOG(LogTemp, Error, TEXT("Invalid asset path: %s"), *Path);
	UE_LOG(LogTemp, Warning, TEXT("plain"));

	ASSERT_EQ(Capture.GetLines().size(), 2u);
	const Host::FLogLine& First = Capture.GetLines()[0];
	EXPECT_EQ(First.Category, FName(TEXT("LogTemp")));
	EXPECT_EQ(First.Verbosity, ELogVerbosity::Error);
	EXPECT_EQ(First.Utf8Text(), "Invalid asset path: /Game/\xC3\xA9");
	EXPECT_EQ(Capture.Formatted()[0], "LogTemp: Error: Invalid asset path: /Game/\xC3\xA9");
	EXPECT_EQ(Capture.Formatted()[1], "LogTemp: Warning: plain");
	EXPECT_EQ(Capture.TextsAt(ELogVerbosity::Warning), std::vector<std::string>{"plain"});
}

TEST(Logging, SuppressedVerbosityIsNotRecorded)
{
	Host::FScopedLogCapture Capture;
	UE_LOG(LogTemp, Verbose, TEXT("below the default verbosity"));
	UE_LOG(LogTemp, Log, TEXT("at the default"));
	ASSERT_EQ(Capture.GetLines().size(), 1u);
	EXPECT_EQ(Capture.Formatted()[0], "LogTemp: at the default");
}

TEST(Logging, LogMessageLogsUtf8AsAWarningUnchanged)
{
	Host::FScopedLogCapture Capture;
	LogMessage("Failed to open Alembic file: /tmp/\xE9\xAB\xAA.abc\n");
	LogMessage("100% done, %s stays literal");
	ASSERT_EQ(Capture.GetLines().size(), 2u);
	EXPECT_EQ(Capture.GetLines()[0].Verbosity, ELogVerbosity::Warning);
	EXPECT_EQ(Capture.GetLines()[0].Utf8Text(), "Failed to open Alembic file: /tmp/\xE9\xAB\xAA.abc\n");
	EXPECT_EQ(Capture.GetLines()[1].Utf8Text(), "100% done, %s stays literal");
}
