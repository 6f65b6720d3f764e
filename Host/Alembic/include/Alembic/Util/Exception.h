#pragma once

// The one exception type of the library: a string that is also a std::exception.

#include <exception>
#include <sstream>
#include <string>

#include <Alembic/Util/Foundation.h>

namespace Alembic
{
	namespace Util
	{
		namespace ALEMBIC_VERSION_NS
		{
			class Exception : public std::string, public std::exception
			{
			public:
				Exception() noexcept = default;
				explicit Exception(const std::string& iStr) noexcept
				    : std::string(iStr) {}
				Exception(const Exception& iCopy) noexcept = default;
				~Exception() noexcept override = default;

				const char* what() const noexcept override { return c_str(); }
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}

// Builds the message with stream syntax: ABCA_THROW("bad index: " << i).
#define ABCA_THROW(TEXT)                                         \
	do                                                           \
	{                                                            \
		std::ostringstream abcaThrowStream;                      \
		abcaThrowStream << TEXT;                                 \
		throw ::Alembic::Util::Exception(abcaThrowStream.str()); \
	} while (0)

#define ABCA_ASSERT(COND, TEXT) \
	do                          \
	{                           \
		if (!(COND))            \
		{                       \
			ABCA_THROW(TEXT);   \
		}                       \
	} while (0)
