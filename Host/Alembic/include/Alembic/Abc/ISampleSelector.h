#pragma once

// Chooses a sample by index or by time. The index constructor is implicit and the time
// constructor explicit, so ISampleSelector(0) is ambiguous and must be spelled index_t(0).

#include <Alembic/Abc/Foundation.h>

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			class ISampleSelector
			{
			public:
				enum TimeIndexType
				{
					kFloorIndex = 0,
					kCeilIndex = 1,
					kNearIndex = 2
				};

				ISampleSelector()
				    : m_requestedIndex(0), m_requestedTime(0.0), m_requestedTimeIndexType(kNearIndex) {}
				ISampleSelector(index_t iReqIdx)
				    : m_requestedIndex(iReqIdx), m_requestedTime(0.0), m_requestedTimeIndexType(kNearIndex) {}
				explicit ISampleSelector(chrono_t iReqTime, TimeIndexType iReqIdxType = kNearIndex)
				    : m_requestedIndex(-1), m_requestedTime(iReqTime), m_requestedTimeIndexType(iReqIdxType)
				{
				}

				index_t getRequestedIndex() const { return m_requestedIndex; }
				chrono_t getRequestedTime() const { return m_requestedTime; }
				TimeIndexType getRequestedTimeIndexType() const { return m_requestedTimeIndexType; }

				// A non-negative index is clamped to the samples; a negative one means "by time". No samples gives -1.
				index_t getIndex(const AbcA::TimeSamplingPtr& iTsmp, index_t iNumSamples) const
				{
					if (iNumSamples <= 0)
					{
						return -1;
					}
					index_t Index = m_requestedIndex;
					if (Index < 0)
					{
						if (!iTsmp)
						{
							return 0;
						}
						switch (m_requestedTimeIndexType)
						{
							case kFloorIndex:
								Index = iTsmp->getFloorIndex(m_requestedTime, iNumSamples).first;
								break;
							case kCeilIndex:
								Index = iTsmp->getCeilIndex(m_requestedTime, iNumSamples).first;
								break;
							default:
								Index = iTsmp->getNearIndex(m_requestedTime, iNumSamples).first;
								break;
						}
					}
					return Index < 0 ? 0 : (Index >= iNumSamples ? iNumSamples - 1 : Index);
				}

			private:
				index_t m_requestedIndex;
				chrono_t m_requestedTime;
				TimeIndexType m_requestedTimeIndexType;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
