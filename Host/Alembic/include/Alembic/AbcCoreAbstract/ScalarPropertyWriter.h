#pragma once

#include <Alembic/AbcCoreAbstract/BasePropertyWriter.h>

namespace Alembic
{
	namespace AbcCoreAbstract
	{
		namespace ALEMBIC_VERSION_NS
		{
			class ScalarPropertyWriter : public BasePropertyWriter
			{
			public:
				// iSample points at extent values (std::string objects for strings).
				virtual void setSample(const void* iSample) = 0;
				virtual void setFromPreviousSample() = 0;
				virtual size_t getNumSamples() = 0;
				virtual void setTimeSamplingIndex(uint32_t iIndex) = 0;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
