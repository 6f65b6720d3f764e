#pragma once

// Headers returned by handles that hold nothing, so accessors never hand out a dangling reference.

#include <Alembic/AbcCoreAbstract/All.h>

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			inline const AbcA::ObjectHeader& EmptyObjectHeader()
			{
				static const AbcA::ObjectHeader Header;
				return Header;
			}

			inline const AbcA::PropertyHeader& EmptyPropertyHeader()
			{
				static const AbcA::PropertyHeader Header;
				return Header;
			}
		}
	}
}
