#pragma once

#include "CoreMinimal.h"

#include <string>
#include <vector>

// Host-only view of the engine log: tests capture lines, the command prints them.
namespace Host
{
	struct FLogLine
	{
		FName Category;
		ELogVerbosity::Type Verbosity = ELogVerbosity::Log;
		FString Text;

		// The text as UTF-8, for comparisons in tests.
		std::string Utf8Text() const;
	};

	// "LogTemp: Warning: text", as the engine writes a line to its console ("LogTemp: text" for Log).
	std::string FormatLogLine(const FLogLine& Line);

	// Records every line logged while it lives. Lines are not echoed to stderr while a capture is active.
	class FScopedLogCapture
	{
	public:
		FScopedLogCapture();
		~FScopedLogCapture();
		FScopedLogCapture(const FScopedLogCapture&) = delete;
		FScopedLogCapture& operator=(const FScopedLogCapture&) = delete;

		const std::vector<FLogLine>& GetLines() const { return Lines; }
		// The UTF-8 texts of the lines at one verbosity, in order.
		std::vector<std::string> TextsAt(ELogVerbosity::Type Verbosity) const;
		// Every line as FormatLogLine writes it.
		std::vector<std::string> Formatted() const;
		void Clear() { Lines.clear(); }

	private:
		friend void RecordLogLine(const FLogLine& Line);
		std::vector<FLogLine> Lines;
	};

	// Whether lines logged with no capture active go to stderr (they do by default).
	void SetLogEcho(bool bEcho);

	void RecordLogLine(const FLogLine& Line);
}
