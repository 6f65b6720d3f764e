#include "StreamCapture.h"

#include <iostream>
#include <unistd.h>

namespace VelmoraCli
{
	void FScopedStreamCapture::Begin(FRedirect& Redirect, int Fd)
	{
		Redirect.Fd = Fd;
		Redirect.File = std::tmpfile();
		Redirect.Saved = Redirect.File ? dup(Fd) : -1;
		if (Redirect.Saved < 0 || dup2(fileno(Redirect.File), Fd) < 0)
		{
			// Without a place to hold it, the text simply goes where it would have gone.
			if (Redirect.Saved >= 0)
			{
				close(Redirect.Saved);
			}
			if (Redirect.File)
			{
				std::fclose(Redirect.File);
			}
			Redirect = FRedirect{};
		}
	}

	std::string FScopedStreamCapture::End(FRedirect& Redirect)
	{
		if (!Redirect.File)
		{
			return {};
		}
		dup2(Redirect.Saved, Redirect.Fd);
		close(Redirect.Saved);
		std::string Text;
		std::rewind(Redirect.File);
		char Buffer[4096];
		size_t Read = 0;
		while ((Read = std::fread(Buffer, 1, sizeof(Buffer), Redirect.File)) > 0)
		{
			Text.append(Buffer, Read);
		}
		std::fclose(Redirect.File);
		Redirect = FRedirect{};
		return Text;
	}

	FScopedStreamCapture::FScopedStreamCapture()
	{
		std::cout.flush();
		std::fflush(stdout);
		std::fflush(stderr);
		const int TerminalFd = dup(STDERR_FILENO);
		Terminal = TerminalFd >= 0 ? fdopen(TerminalFd, "w") : nullptr;
		Begin(Out, STDOUT_FILENO);
		Begin(Err, STDERR_FILENO);
	}

	FScopedStreamCapture::~FScopedStreamCapture()
	{
		std::string Ignored;
		Finish(Ignored, Ignored);
		if (Terminal)
		{
			std::fclose(Terminal);
		}
	}

	void FScopedStreamCapture::Finish(std::string& OutStdout, std::string& OutStderr)
	{
		if (bFinished)
		{
			return;
		}
		bFinished = true;
		std::cout.flush();
		std::cerr.flush();
		std::fflush(stdout);
		std::fflush(stderr);
		OutStdout = End(Out);
		OutStderr = End(Err);
	}
}
