#pragma once

#include <Alembic/AbcCoreAbstract/ForwardDeclarations.h>
#include <Alembic/AbcCoreAbstract/MetaData.h>
#include <Alembic/AbcCoreAbstract/ReadArraySampleCache.h>
#include <Alembic/AbcCoreAbstract/TimeSampling.h>

namespace Alembic
{
	namespace AbcCoreAbstract
	{
		namespace ALEMBIC_VERSION_NS
		{
			class ArchiveReader
			{
			public:
				virtual ~ArchiveReader() = default;
				virtual const std::string& getName() const = 0;
				virtual const MetaData& getMetaData() const = 0;
				virtual ObjectReaderPtr getTop() = 0;
				virtual TimeSamplingPtr getTimeSampling(uint32_t iIndex) = 0;
				virtual uint32_t getNumTimeSamplings() = 0;
				virtual index_t getMaxNumSamplesForTimeSamplingIndex(uint32_t iIndex) = 0;
				virtual int32_t getArchiveVersion() = 0;
				virtual ReadArraySampleCachePtr getReadArraySampleCachePtr() = 0;
				virtual void setReadArraySampleCachePtr(ReadArraySampleCachePtr iCache) = 0;
				virtual ArchiveReaderPtr asArchivePtr() = 0;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
