#pragma once

#include <Alembic/AbcCoreAbstract/ForwardDeclarations.h>
#include <Alembic/AbcCoreAbstract/MetaData.h>
#include <Alembic/AbcCoreAbstract/TimeSampling.h>

namespace Alembic
{
	namespace AbcCoreAbstract
	{
		namespace ALEMBIC_VERSION_NS
		{
			// The file is finished when the last handle to the archive and everything in it is released.
			class ArchiveWriter
			{
			public:
				virtual ~ArchiveWriter() = default;
				virtual const std::string& getName() const = 0;
				virtual const MetaData& getMetaData() const = 0;
				virtual ObjectWriterPtr getTop() = 0;
				virtual uint32_t addTimeSampling(const TimeSampling& iTs) = 0;
				virtual TimeSamplingPtr getTimeSampling(uint32_t iIndex) = 0;
				virtual uint32_t getNumTimeSamplings() = 0;
				virtual int8_t getCompressionHint() const = 0;
				virtual void setCompressionHint(int8_t iHint) = 0;
				virtual ArchiveWriterPtr asArchivePtr() = 0;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
