#pragma once

#include <Alembic/AbcCoreAbstract/ArraySample.h>
#include <Alembic/AbcCoreAbstract/ArraySampleKey.h>
#include <Alembic/AbcCoreAbstract/BasePropertyReader.h>

namespace Alembic
{
	namespace AbcCoreAbstract
	{
		namespace ALEMBIC_VERSION_NS
		{
			class ArrayPropertyReader : public BasePropertyReader
			{
			public:
				virtual size_t getNumSamples() = 0;
				virtual bool isConstant() = 0;
				virtual bool isScalarLike() = 0;
				virtual void getSample(index_t iSampleIndex, ArraySamplePtr& oSample) = 0;
				virtual void getDimensions(index_t iSampleIndex, Dimensions& oDim) = 0;
				virtual bool getKey(index_t iSampleIndex, ArraySampleKey& oKey) = 0;
				TimeSamplingPtr getTimeSampling() const { return getHeader().getTimeSampling(); }
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
