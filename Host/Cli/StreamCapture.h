#pragma once

#include <cstdio>
#include <string>

// Holds back what the process writes to its standard output and error (the groom file code prints
// there) while it lives, so the command can show it in its own place or fold it into JSON.
namespace VelmoraCli
{
	class FScopedStreamCapture
	{
	public:
		FScopedStreamCapture();
		~FScopedStreamCapture();
		FScopedStreamCapture(const FScopedStreamCapture&) = delete;
		FScopedStreamCapture& operator=(const FScopedStreamCapture&) = delete;

		// Ends the capture (once) and returns what was written to each stream.
		void Finish(std::string& OutStdout, std::string& OutStderr);

		// The real standard error, for progress drawn during the capture.
		FILE* GetTerminal() const { return Terminal ? Terminal : stderr; }

	private:
		struct FRedirect
		{
			int Fd = -1;
			int Saved = -1;
			FILE* File = nullptr;
		};
		static void Begin(FRedirect& Redirect, int Fd);
		static std::string End(FRedirect& Redirect);

		FRedirect Out;
		FRedirect Err;
		FILE* Terminal = nullptr;
		bool bFinished = false;
	};
}
