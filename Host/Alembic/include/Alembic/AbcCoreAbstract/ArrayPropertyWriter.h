#pragma once

#include <Alembic/AbcCoreAbstract/ArraySample.h>
#include <Alembic/AbcCoreAbstract/BasePropertyWriter.h>

namespace Alembic
{
	namespace AbcCoreAbstract
	{
		namespace ALEMBIC_VERSION_NS
		{
			class ArrayPropertyWriter : public BasePropertyWriter
			{
			public:
				virtual void setSample(const ArraySample& iSample) = 0;
				virtual void setFromPreviousSample() = 0;
				virtual size_t getNumSamples() = 0;
				virtual void setTimeSamplingIndex(uint32_t iIndex) = 0;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
