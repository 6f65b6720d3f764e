#pragma once

// What every handle shares: an error handler, validity and the safe-bool conversion.

#include <Alembic/Abc/Argument.h>

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			class Base
			{
			public:
				Base() = default;
				explicit Base(ErrorHandler::Policy iPolicy)
				    : m_errorHandler(iPolicy) {}
				virtual ~Base() = default;

				ErrorHandler& getErrorHandler() const { return m_errorHandler; }
				ErrorHandler::Policy getErrorHandlerPolicy() const { return m_errorHandler.getPolicy(); }

				virtual bool valid() const { return m_errorHandler.valid(); }
				virtual void reset() { m_errorHandler.clear(); }

				// Implicit on purpose: "bool b = handle;" and "return handle;" must compile.
				typedef void (Base::*unspecified_bool_type)() const;
				operator unspecified_bool_type() const { return valid() ? &Base::boolHook : nullptr; }
				bool operator!() const { return !valid(); }

			private:
				void boolHook() const {}
				mutable ErrorHandler m_errorHandler;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
