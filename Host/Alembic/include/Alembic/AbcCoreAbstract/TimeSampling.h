#pragma once

#include <utility>
#include <vector>

#include <Alembic/AbcCoreAbstract/TimeSamplingType.h>

namespace Alembic
{
	namespace AbcCoreAbstract
	{
		namespace ALEMBIC_VERSION_NS
		{
			// Maps sample indices to times and back.
			class TimeSampling
			{
			public:
				TimeSampling()
				    : m_times(1, 0.0) {}
				TimeSampling(chrono_t iTimePerCycle, chrono_t iStartTime)
				    : m_type(iTimePerCycle), m_times(1, iStartTime) {}
				TimeSampling(const TimeSamplingType& iType, const std::vector<chrono_t>& iSampleTimes);

				// The reader builds samplings from file values without the writer's checks.
				static TimeSampling fromFile(uint32_t iNumSamplesPerCycle, chrono_t iTimePerCycle, std::vector<chrono_t> iTimes);

				size_t getNumStoredTimes() const { return m_times.size(); }
				const std::vector<chrono_t>& getStoredTimes() const { return m_times; }
				TimeSamplingType getTimeSamplingType() const { return m_type; }

				chrono_t getSampleTime(index_t iIndex) const;
				std::pair<index_t, chrono_t> getFloorIndex(chrono_t iTime, index_t iNumSamples) const;
				std::pair<index_t, chrono_t> getCeilIndex(chrono_t iTime, index_t iNumSamples) const;
				std::pair<index_t, chrono_t> getNearIndex(chrono_t iTime, index_t iNumSamples) const;

				bool operator==(const TimeSampling& o) const { return m_type == o.m_type && m_times == o.m_times; }
				bool operator!=(const TimeSampling& o) const { return !(*this == o); }

			private:
				TimeSamplingType m_type;
				std::vector<chrono_t> m_times;
			};

			typedef shared_ptr<TimeSampling> TimeSamplingPtr;
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
