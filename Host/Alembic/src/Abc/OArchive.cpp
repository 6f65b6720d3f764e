#include <Alembic/Abc/OArchive.h>

#include <Alembic/Abc/OObject.h>

#include "EmptyHeaders.h"

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			OObject OArchive::getTop()
			{
				ALEMBIC_ABC_SAFE_CALL_BEGIN("OArchive::getTop()");
				if (m_archive)
				{
					return OObject(m_archive->getTop(), kWrapExisting, getErrorHandlerPolicy());
				}
				ALEMBIC_ABC_SAFE_CALL_END();
				return OObject();
			}

			uint32_t OArchive::addTimeSampling(const AbcA::TimeSampling& iTs)
			{
				ALEMBIC_ABC_SAFE_CALL_BEGIN("OArchive::addTimeSampling()");
				ABCA_ASSERT(m_archive, "Invalid OArchive");
				return m_archive->addTimeSampling(iTs);
				ALEMBIC_ABC_SAFE_CALL_END();
				return 0;
			}

			AbcA::TimeSamplingPtr OArchive::getTimeSampling(uint32_t iIndex)
			{
				ALEMBIC_ABC_SAFE_CALL_BEGIN("OArchive::getTimeSampling()");
				ABCA_ASSERT(m_archive, "Invalid OArchive");
				return m_archive->getTimeSampling(iIndex);
				ALEMBIC_ABC_SAFE_CALL_END();
				return AbcA::TimeSamplingPtr();
			}
		}
	}
}
