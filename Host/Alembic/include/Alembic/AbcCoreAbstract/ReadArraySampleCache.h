#pragma once

#include <Alembic/AbcCoreAbstract/Foundation.h>

namespace Alembic
{
	namespace AbcCoreAbstract
	{
		namespace ALEMBIC_VERSION_NS
		{
			// Ogawa archives never use a read cache; the type exists so callers can spell "none".
			class ReadArraySampleCache;
			typedef shared_ptr<ReadArraySampleCache> ReadArraySampleCachePtr;
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
