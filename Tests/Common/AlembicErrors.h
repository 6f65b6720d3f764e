#pragma once

#include <Alembic/Util/Exception.h>

#include <string>

namespace VelmoraTest
{
	// What the library throws from Call, or "no error".
	template<class CALL>
	std::string ErrorOf(CALL&& Call)
	{
		try
		{
			Call();
		}
		catch (const Alembic::Util::Exception& Error)
		{
			return Error.what();
		}
		return "no error";
	}
}
