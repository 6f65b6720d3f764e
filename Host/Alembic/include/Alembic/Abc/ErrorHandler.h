#pragma once

// How a handle reports failure: throw (the default), or log and become invalid.

#include <iostream>

#include <Alembic/Abc/Foundation.h>

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			class ErrorHandler
			{
			public:
				enum Policy
				{
					kQuietNoopPolicy = 0,
					kNoisyNoopPolicy = 1,
					kThrowPolicy = 2
				};

				enum UnknownExceptionFlag
				{
					kUnknownException
				};

				ErrorHandler()
				    : m_policy(kThrowPolicy) {}
				ErrorHandler(Policy iPolicy)
				    : m_policy(iPolicy) {}

				// The context goes first, so nested failures read outermost to innermost.
				void operator()(const std::exception& iExc, const std::string& iCtx = "") { handle(iCtx + "\nERROR: EXCEPTION:\n" + iExc.what()); }
				void operator()(const std::string& iErrMsg, const std::string& iCtx = "") { handle(iCtx + "\nERROR: " + iErrMsg); }
				void operator()(UnknownExceptionFlag, const std::string& iCtx = "") { handle(iCtx + "\nERROR: UNKNOWN EXCEPTION\n"); }

				Policy getPolicy() const { return m_policy; }
				void setPolicy(Policy iPolicy) { m_policy = iPolicy; }
				const std::string getErrorLog() const { return m_errorLog; }
				bool valid() const { return m_errorLog.empty(); }
				void clear() { m_errorLog.clear(); }

			private:
				void handle(const std::string& iMessage)
				{
					if (m_policy == kThrowPolicy)
					{
						throw ::Alembic::Util::Exception(iMessage);
					}
					if (m_policy == kNoisyNoopPolicy)
					{
						std::cerr << iMessage << std::endl;
					}
					m_errorLog += iMessage;
					m_errorLog += "\n";
				}

				Policy m_policy;
				std::string m_errorLog;
			};

			inline std::string GetErrorHandlerPolicyName(ErrorHandler::Policy iPolicy)
			{
				switch (iPolicy)
				{
					case ErrorHandler::kQuietNoopPolicy:
						return "quietNoop";
					case ErrorHandler::kNoisyNoopPolicy:
						return "noisyNoop";
					default:
						return "throw";
				}
			}
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}

// Runs a member function's body so that any failure goes through the handle's error handler.
#define ALEMBIC_ABC_SAFE_CALL_BEGIN(CONTEXT)      \
	do                                            \
	{                                             \
		const char* abcSafeCallContext = CONTEXT; \
		try                                       \
		{

#define ALEMBIC_ABC_SAFE_CALL_END()                                                                   \
	}                                                                                                 \
	catch (const std::exception& abcSafeCallExc)                                                      \
	{                                                                                                 \
		this->getErrorHandler()(abcSafeCallExc, abcSafeCallContext);                                  \
	}                                                                                                 \
	catch (...)                                                                                       \
	{                                                                                                 \
		this->getErrorHandler()(::Alembic::Abc::ErrorHandler::kUnknownException, abcSafeCallContext); \
	}                                                                                                 \
	}                                                                                                 \
	while (0)

// As above, but leaves the handle empty when the body failed.
#define ALEMBIC_ABC_SAFE_CALL_END_RESET()                                                             \
	}                                                                                                 \
	catch (const std::exception& abcSafeCallExc)                                                      \
	{                                                                                                 \
		this->reset();                                                                                \
		this->getErrorHandler()(abcSafeCallExc, abcSafeCallContext);                                  \
	}                                                                                                 \
	catch (...)                                                                                       \
	{                                                                                                 \
		this->reset();                                                                                \
		this->getErrorHandler()(::Alembic::Abc::ErrorHandler::kUnknownException, abcSafeCallContext); \
	}                                                                                                 \
	}                                                                                                 \
	while (0)
