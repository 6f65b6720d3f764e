#include "Misc/AssertionMacros.h"

#include <cstdio>
#include <cstdlib>

namespace UE::Assert::Private
{
	void CheckFailed(const char* Expr, const char* File, int Line, const char* Message)
	{
		std::fprintf(stderr, "Assertion failed: %s [File:%s] [Line: %d]%s%s\n", Expr, File, Line, Message ? " " : "", Message ? Message : "");
		std::fflush(stderr);
		std::abort();
	}

	bool EnsureFailed(const char* Expr, const char* File, int Line)
	{
		std::fprintf(stderr, "Ensure condition failed: %s [File:%s] [Line: %d]\n", Expr, File, Line);
		return false;
	}
}
