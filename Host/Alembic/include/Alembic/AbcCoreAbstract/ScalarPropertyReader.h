#pragma once

#include <Alembic/AbcCoreAbstract/BasePropertyReader.h>

namespace Alembic
{
	namespace AbcCoreAbstract
	{
		namespace ALEMBIC_VERSION_NS
		{
			class ScalarPropertyReader : public BasePropertyReader
			{
			public:
				virtual size_t getNumSamples() = 0;
				virtual bool isConstant() = 0;
				// Writes one sample (extent values; std::string objects for strings) into the caller's storage.
				virtual void getSample(index_t iSampleIndex, void* oSample) = 0;
				TimeSamplingPtr getTimeSampling() const { return getHeader().getTimeSampling(); }
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
