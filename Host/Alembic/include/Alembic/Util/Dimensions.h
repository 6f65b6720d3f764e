#pragma once

// The shape of an array sample: rank 0 (unset) or a list of extents, outermost first.

#include <ostream>
#include <vector>

#include <Alembic/Util/Foundation.h>

namespace Alembic
{
	namespace Util
	{
		namespace ALEMBIC_VERSION_NS
		{
			template<class T>
			class BaseDimensions
			{
			public:
				BaseDimensions() = default;
				explicit BaseDimensions(const T& iSize)
				    : m_vector(1, iSize) {}

				size_t rank() const { return m_vector.size(); }
				void setRank(size_t iRank) { m_vector.resize(iRank, 0); }

				T& operator[](size_t i) { return m_vector[i]; }
				const T& operator[](size_t i) const { return m_vector[i]; }
				T* rootPtr() { return m_vector.empty() ? nullptr : m_vector.data(); }
				const T* rootPtr() const { return m_vector.empty() ? nullptr : m_vector.data(); }

				size_t numPoints() const
				{
					if (m_vector.empty())
					{
						return 0;
					}
					size_t Points = 1;
					for (const T& Extent : m_vector)
					{
						Points *= size_t(Extent);
					}
					return Points;
				}

				bool operator==(const BaseDimensions& iOther) const { return m_vector == iOther.m_vector; }
				bool operator!=(const BaseDimensions& iOther) const { return m_vector != iOther.m_vector; }

			private:
				std::vector<T> m_vector;
			};

			template<class T>
			std::ostream& operator<<(std::ostream& ioStream, const BaseDimensions<T>& iDims)
			{
				ioStream << "{";
				for (size_t i = 0; i < iDims.rank(); ++i)
				{
					ioStream << (i ? ", " : "") << iDims[i];
				}
				return ioStream << "}";
			}

			typedef BaseDimensions<uint64_t> Dimensions;
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
