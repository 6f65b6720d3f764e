#pragma once

#include <Alembic/AbcCoreAbstract/DataType.h>

namespace Alembic
{
	namespace AbcCoreAbstract
	{
		namespace ALEMBIC_VERSION_NS
		{
			// A view of array data: pointer, type and shape. It never owns the values; samples read from a
			// file are kept alive by the shared pointer that hands them out.
			class ArraySample
			{
			public:
				ArraySample()
				    : m_data(nullptr) {}
				ArraySample(const void* iData, const DataType& iDataType, const Dimensions& iDims)
				    : m_data(iData), m_dataType(iDataType), m_dimensions(iDims)
				{
				}
				virtual ~ArraySample() = default;
				ArraySample(const ArraySample&) = default;
				ArraySample& operator=(const ArraySample&) = default;

				const void* getData() const { return m_data; }
				const DataType& getDataType() const { return m_dataType; }
				const Dimensions& getDimensions() const { return m_dimensions; }
				size_t size() const { return m_dimensions.numPoints(); }

				bool valid() const { return m_dataType.getPod() != kUnknownPOD && !(m_data == nullptr && m_dimensions.rank() < 1); }
				void reset()
				{
					m_data = nullptr;
					m_dataType = DataType();
					m_dimensions = Dimensions();
				}

			protected:
				const void* m_data;
				DataType m_dataType;
				Dimensions m_dimensions;
			};

			typedef shared_ptr<ArraySample> ArraySamplePtr;
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
