#pragma once

#include <limits>
#include <string>

#include <Alembic/Util/All.h>

namespace Alembic
{
	namespace AbcCoreAbstract
	{
		namespace ALEMBIC_VERSION_NS
		{
			using namespace ::Alembic::Util;

			typedef int64_t index_t;
			typedef float64_t chrono_t;

			static const index_t INDEX_UNKNOWN = std::numeric_limits<index_t>::max();

			// 10812 for 1.8.12: the number stored in every archive we write.
			static const int32_t ALEMBIC_API_VERSION = 10812;

			// "Alembic 1.8.12 (built <date> <time>)" as the real library spells it.
			std::string GetLibraryVersion();
			std::string GetLibraryVersionShort();
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
