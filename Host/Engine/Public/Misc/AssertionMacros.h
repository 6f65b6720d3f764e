#pragma once

// check() and friends. In the host a failed check reports where it failed and aborts, as the engine
// does in development builds.
namespace UE::Assert::Private
{
	[[noreturn]] void CheckFailed(const char* Expr, const char* File, int Line, const char* Message);
	bool EnsureFailed(const char* Expr, const char* File, int Line);
}

#define check(expr)                                                                 \
	do                                                                              \
	{                                                                               \
		if (!(expr)) [[unlikely]]                                                   \
		{                                                                           \
			::UE::Assert::Private::CheckFailed(#expr, __FILE__, __LINE__, nullptr); \
		}                                                                           \
	} while (0)

#define checkf(expr, message, ...)                                                   \
	do                                                                               \
	{                                                                                \
		if (!(expr)) [[unlikely]]                                                    \
		{                                                                            \
			::UE::Assert::Private::CheckFailed(#expr, __FILE__, __LINE__, #message); \
		}                                                                            \
	} while (0)

// The engine checks these only in Debug builds (DO_GUARD_SLOW); the host always does, so a precondition the
// plugin breaks fails here rather than in a Debug editor.
#define checkSlow(expr) check(expr)

#define checkNoEntry() ::UE::Assert::Private::CheckFailed("Enclosing block should never be called", __FILE__, __LINE__, nullptr)
#define verify(expr) check(expr)
#define ensure(expr) (static_cast<bool>(expr) || ::UE::Assert::Private::EnsureFailed(#expr, __FILE__, __LINE__))
#define ensureMsgf(expr, ...) ensure(expr)
