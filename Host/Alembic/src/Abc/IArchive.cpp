#include <Alembic/Abc/IArchive.h>

#include <Alembic/Abc/IObject.h>

#include "EmptyHeaders.h"

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			std::string IArchive::getName() const
			{
				return m_archive ? m_archive->getName() : std::string();
			}

			IObject IArchive::getTop() const
			{
				ALEMBIC_ABC_SAFE_CALL_BEGIN("IArchive::getTop()");
				if (m_archive)
				{
					return IObject(m_archive->getTop(), kWrapExisting, getErrorHandlerPolicy());
				}
				ALEMBIC_ABC_SAFE_CALL_END();
				return IObject();
			}

			AbcA::TimeSamplingPtr IArchive::getTimeSampling(uint32_t iIndex)
			{
				ALEMBIC_ABC_SAFE_CALL_BEGIN("IArchive::getTimeSampling()");
				if (m_archive)
				{
					return m_archive->getTimeSampling(iIndex);
				}
				ALEMBIC_ABC_SAFE_CALL_END();
				return AbcA::TimeSamplingPtr();
			}

			uint32_t IArchive::getNumTimeSamplings()
			{
				return m_archive ? m_archive->getNumTimeSamplings() : 0;
			}

			index_t IArchive::getMaxNumSamplesForTimeSamplingIndex(uint32_t iIndex)
			{
				return m_archive ? m_archive->getMaxNumSamplesForTimeSamplingIndex(iIndex) : AbcA::INDEX_UNKNOWN;
			}

			int32_t IArchive::getArchiveVersion()
			{
				return m_archive ? m_archive->getArchiveVersion() : 0;
			}

			AbcA::ReadArraySampleCachePtr IArchive::getReadArraySampleCachePtr()
			{
				return m_archive ? m_archive->getReadArraySampleCachePtr() : nullptr;
			}

			void IArchive::setReadArraySampleCachePtr(AbcA::ReadArraySampleCachePtr iCachePtr)
			{
				if (m_archive)
				{
					m_archive->setReadArraySampleCachePtr(iCachePtr);
				}
			}
		}
	}
}
