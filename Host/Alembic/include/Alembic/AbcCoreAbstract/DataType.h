#pragma once

#include <ostream>

#include <Alembic/AbcCoreAbstract/Foundation.h>

namespace Alembic
{
	namespace AbcCoreAbstract
	{
		namespace ALEMBIC_VERSION_NS
		{
			// A POD and how many of it make one element (3 for a V3f).
			class DataType
			{
			public:
				DataType()
				    : m_pod(kUnknownPOD), m_extent(0) {}
				explicit DataType(PlainOldDataType iPod, uint8_t iExtent = 1)
				    : m_pod(iPod), m_extent(iExtent) {}

				PlainOldDataType getPod() const { return m_pod; }
				void setPod(PlainOldDataType iPod) { m_pod = iPod; }
				uint8_t getExtent() const { return m_extent; }
				void setExtent(uint8_t iExtent) { m_extent = iExtent; }
				size_t getNumBytes() const { return PODNumBytes(m_pod) * size_t(m_extent); }

				bool operator==(const DataType& o) const { return m_pod == o.m_pod && m_extent == o.m_extent; }
				bool operator!=(const DataType& o) const { return !(*this == o); }
				bool operator<(const DataType& o) const { return m_pod < o.m_pod || (m_pod == o.m_pod && m_extent < o.m_extent); }

			private:
				PlainOldDataType m_pod;
				uint8_t m_extent;
			};

			inline std::ostream& operator<<(std::ostream& ioStream, const DataType& iType)
			{
				ioStream << PODName(iType.getPod());
				if (iType.getExtent() > 1)
				{
					ioStream << "[" << int(iType.getExtent()) << "]";
				}
				return ioStream;
			}
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
