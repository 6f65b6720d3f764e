#pragma once

// MurmurHash3 x64-128 with seed 0: the key stored in front of every sample block.

#include <Alembic/Util/Digest.h>

namespace Alembic
{
	namespace Util
	{
		namespace ALEMBIC_VERSION_NS
		{
			Digest MurmurHash3_x64_128(const void* iData, size_t iNumBytes);
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
