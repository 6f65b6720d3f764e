#include "CoreGlobals.h"
#include "Containers/StringConv.h"
#include "Host/Log.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

DEFINE_LOG_CATEGORY(LogTemp);

const TCHAR* ToString(ELogVerbosity::Type Verbosity)
{
	switch (Verbosity & ELogVerbosity::VerbosityMask)
	{
		case ELogVerbosity::NoLogging:
			return TEXT("NoLogging");
		case ELogVerbosity::Fatal:
			return TEXT("Fatal");
		case ELogVerbosity::Error:
			return TEXT("Error");
		case ELogVerbosity::Warning:
			return TEXT("Warning");
		case ELogVerbosity::Display:
			return TEXT("Display");
		case ELogVerbosity::Log:
			return TEXT("Log");
		case ELogVerbosity::Verbose:
			return TEXT("Verbose");
		case ELogVerbosity::VeryVerbose:
			return TEXT("VeryVerbose");
		default:
			return TEXT("Unknown");
	}
}

namespace Host
{
	namespace
	{
		struct FLogState
		{
			std::mutex Mutex;
			std::vector<FScopedLogCapture*> Captures;
			bool bEcho = true;

			static FLogState& Get()
			{
				static FLogState State;
				return State;
			}
		};
	}

	std::string FLogLine::Utf8Text() const
	{
		return FTCHARToUTF8(*Text).Get();
	}

	std::string FormatLogLine(const FLogLine& Line)
	{
		std::string Formatted = FTCHARToUTF8(*Line.Category.ToString()).Get();
		Formatted += ": ";
		if (Line.Verbosity != ELogVerbosity::Log)
		{
			Formatted += FTCHARToUTF8(ToString(Line.Verbosity)).Get();
			Formatted += ": ";
		}
		Formatted += Line.Utf8Text();
		return Formatted;
	}

	FScopedLogCapture::FScopedLogCapture()
	{
		FLogState& State = FLogState::Get();
		std::lock_guard Lock(State.Mutex);
		State.Captures.push_back(this);
	}

	FScopedLogCapture::~FScopedLogCapture()
	{
		FLogState& State = FLogState::Get();
		std::lock_guard Lock(State.Mutex);
		State.Captures.erase(std::remove(State.Captures.begin(), State.Captures.end(), this), State.Captures.end());
	}

	std::vector<std::string> FScopedLogCapture::TextsAt(ELogVerbosity::Type Verbosity) const
	{
		std::vector<std::string> Texts;
		for (const FLogLine& Line : Lines)
		{
			if (Line.Verbosity == Verbosity)
			{
				Texts.push_back(Line.Utf8Text());
			}
		}
		return Texts;
	}

	std::vector<std::string> FScopedLogCapture::Formatted() const
	{
		std::vector<std::string> Texts;
		for (const FLogLine& Line : Lines)
		{
			Texts.push_back(FormatLogLine(Line));
		}
		return Texts;
	}

	void SetLogEcho(bool bEcho)
	{
		FLogState& State = FLogState::Get();
		std::lock_guard Lock(State.Mutex);
		State.bEcho = bEcho;
	}

	void RecordLogLine(const FLogLine& Line)
	{
		FLogState& State = FLogState::Get();
		std::lock_guard Lock(State.Mutex);
		for (FScopedLogCapture* Capture : State.Captures)
		{
			Capture->Lines.push_back(Line);
		}
		if (State.Captures.empty() && State.bEcho)
		{
			const std::string Formatted = FormatLogLine(Line);
			std::fprintf(stderr, "%s\n", Formatted.c_str());
		}
	}
}

namespace UE::Logging::Private
{
	void BasicLogText(const FLogCategoryBase& Category, const FStaticBasicLogRecord* Log, const FString& Text)
	{
		Host::RecordLogLine(Host::FLogLine{Category.GetCategoryName(), Log->Verbosity, Text});
	}
}
