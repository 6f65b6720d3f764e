#pragma once

// Marks in an overriding header: drop what lies below, or replace it instead of merging.

#include <Alembic/AbcCoreAbstract/MetaData.h>

namespace Alembic
{
	namespace AbcCoreLayer
	{
		namespace ALEMBIC_VERSION_NS
		{
			inline void SetPrune(::Alembic::AbcCoreAbstract::MetaData& oMetaData, bool shouldPrune)
			{
				oMetaData.set("prune", shouldPrune ? "1" : "");
			}
			inline void SetReplace(::Alembic::AbcCoreAbstract::MetaData& oMetaData, bool shouldReplace)
			{
				oMetaData.set("replace", shouldReplace ? "1" : "");
			}
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
