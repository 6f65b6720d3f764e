#pragma once

#include "CoreTypes.h"
#include "Containers/UnrealString.h"
#include "Logging/LogCategory.h"
#include "Logging/LogVerbosity.h"

namespace UE::Logging::Private
{
	// What every log statement knows at compile time.
	struct FStaticBasicLogRecord
	{
		const TCHAR* Format = nullptr;
		const ANSICHAR* File = nullptr;
		int32 Line = 0;
		ELogVerbosity::Type Verbosity = ELogVerbosity::Log;
	};

	void BasicLogText(const FLogCategoryBase& Category, const FStaticBasicLogRecord* Log, const FString& Text);

	template<typename... Types>
	void BasicLog(const FLogCategoryBase& Category, const FStaticBasicLogRecord* Log, Types... Args)
	{
		const UE::String::Private::FFormatArg Packed[sizeof...(Args) + 1] = {UE::String::Private::FFormatArg(Args)..., UE::String::Private::FFormatArg(0)};
		BasicLogText(Category, Log, FString(UE::String::Private::FormatImpl(Log->Format, Packed, sizeof...(Args))));
	}

	// Only a TEXT() literal may be a log format.
	template<int32 N>
	constexpr const TCHAR* CheckFormatLiteral(const TCHAR (&Format)[N])
	{
		return Format;
	}
}

#define DECLARE_LOG_CATEGORY_EXTERN(CategoryName, DefaultVerbosity, CompileTimeVerbosity)           \
	extern struct FLogCategory##CategoryName                                                        \
	    : public FLogCategory<ELogVerbosity::DefaultVerbosity, ELogVerbosity::CompileTimeVerbosity> \
	{                                                                                               \
		FORCEINLINE FLogCategory##CategoryName() : FLogCategory(TEXT(#CategoryName)) {}             \
	} CategoryName;

#define DEFINE_LOG_CATEGORY(CategoryName) FLogCategory##CategoryName CategoryName;

#define DEFINE_LOG_CATEGORY_STATIC(CategoryName, DefaultVerbosity, CompileTimeVerbosity)            \
	static struct FLogCategory##CategoryName                                                        \
	    : public FLogCategory<ELogVerbosity::DefaultVerbosity, ELogVerbosity::CompileTimeVerbosity> \
	{                                                                                               \
		FORCEINLINE FLogCategory##CategoryName() : FLogCategory(TEXT(#CategoryName)) {}             \
	} CategoryName;

#define UE_LOG(CategoryName, Verbosity, Format, ...)                                                               \
	do                                                                                                             \
	{                                                                                                              \
		static_assert((ELogVerbosity::Verbosity & ELogVerbosity::VerbosityMask) < ELogVerbosity::NumVerbosity &&   \
		                  ELogVerbosity::Verbosity > 0,                                                            \
		              "Verbosity must be constant and in range.");                                                 \
		if constexpr ((ELogVerbosity::Verbosity & ELogVerbosity::VerbosityMask) <=                                 \
		              std::remove_reference_t<decltype(CategoryName)>::CompileTimeVerbosity)                       \
		{                                                                                                          \
			static constexpr ::UE::Logging::Private::FStaticBasicLogRecord LOG_Static{                             \
			    ::UE::Logging::Private::CheckFormatLiteral(Format), __FILE__, __LINE__, ELogVerbosity::Verbosity}; \
			if (!CategoryName.IsSuppressed(ELogVerbosity::Verbosity))                                              \
			{                                                                                                      \
				::UE::Logging::Private::BasicLog(CategoryName, &LOG_Static, ##__VA_ARGS__);                        \
			}                                                                                                      \
		}                                                                                                          \
	} while (0)
