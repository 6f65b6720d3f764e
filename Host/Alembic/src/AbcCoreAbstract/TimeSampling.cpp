#include <Alembic/AbcCoreAbstract/TimeSampling.h>

#include <cmath>

namespace Alembic
{
	namespace AbcCoreAbstract
	{
		namespace ALEMBIC_VERSION_NS
		{
			namespace
			{
				// Times closer than this count as the same time when selecting samples.
				const chrono_t TimeEpsilon = 1e-5;
			}

			TimeSampling::TimeSampling(const TimeSamplingType& iType, const std::vector<chrono_t>& iSampleTimes)
			    : m_type(iType), m_times(iSampleTimes)
			{
				if (m_type.isAcyclic() || m_type.isCyclic())
				{
					ABCA_ASSERT(!m_times.empty(), "Number of sample times must be at least 1");
					for (size_t i = 1; i < m_times.size(); ++i)
					{
						ABCA_ASSERT(m_times[i - 1] < m_times[i], "Sample " << i << " value: " << m_times[i] << " is not greater than the previous sample: " << m_times[i - 1]);
					}
					if (m_type.isCyclic())
					{
						ABCA_ASSERT(m_times.size() == m_type.getNumSamplesPerCycle(), "Number of sample times does not match the samples per cycle");
					}
				}
				else
				{
					ABCA_ASSERT(m_times.size() == 1, "Uniform time sampling needs exactly one start time");
				}
			}

			TimeSampling TimeSampling::fromFile(uint32_t iNumSamplesPerCycle, chrono_t iTimePerCycle, std::vector<chrono_t> iTimes)
			{
				TimeSampling Result;
				Result.m_type = TimeSamplingType(TimeSamplingType::Raw(), iNumSamplesPerCycle, iTimePerCycle);
				Result.m_times = std::move(iTimes);
				return Result;
			}

			chrono_t TimeSampling::getSampleTime(index_t iIndex) const
			{
				if (m_times.empty())
				{
					return 0.0;
				}
				if (m_type.isAcyclic())
				{
					const index_t Last = index_t(m_times.size()) - 1;
					return m_times[size_t(iIndex < 0 ? 0 : (iIndex > Last ? Last : iIndex))];
				}
				const index_t PerCycle = index_t(m_times.size());
				const index_t Cycle = iIndex / PerCycle;
				const index_t Within = iIndex % PerCycle;
				return m_times[size_t(Within)] + chrono_t(Cycle) * m_type.getTimePerCycle();
			}

			// Sample times rise with the index, so the floor is found by bisection for every kind of sampling.
			std::pair<index_t, chrono_t> TimeSampling::getFloorIndex(chrono_t iTime, index_t iNumSamples) const
			{
				if (iNumSamples <= 0 || std::isnan(iTime))
				{
					return {0, getSampleTime(0)};
				}
				index_t Lo = 0;
				index_t Hi = iNumSamples - 1;
				if (iTime + TimeEpsilon < getSampleTime(0))
				{
					return {0, getSampleTime(0)};
				}
				while (Lo < Hi)
				{
					const index_t Mid = Lo + (Hi - Lo + 1) / 2;
					if (getSampleTime(Mid) <= iTime + TimeEpsilon)
					{
						Lo = Mid;
					}
					else
					{
						Hi = Mid - 1;
					}
				}
				return {Lo, getSampleTime(Lo)};
			}

			std::pair<index_t, chrono_t> TimeSampling::getCeilIndex(chrono_t iTime, index_t iNumSamples) const
			{
				if (iNumSamples <= 0 || std::isnan(iTime))
				{
					return {0, getSampleTime(0)};
				}
				const auto Floor = getFloorIndex(iTime, iNumSamples);
				if (std::fabs(Floor.second - iTime) <= TimeEpsilon || Floor.first >= iNumSamples - 1 || iTime < Floor.second)
				{
					return Floor;
				}
				return {Floor.first + 1, getSampleTime(Floor.first + 1)};
			}

			std::pair<index_t, chrono_t> TimeSampling::getNearIndex(chrono_t iTime, index_t iNumSamples) const
			{
				const auto Floor = getFloorIndex(iTime, iNumSamples);
				const auto Ceil = getCeilIndex(iTime, iNumSamples);
				return (iTime - Floor.second) <= (Ceil.second - iTime) ? Floor : Ceil;
			}

			std::string GetLibraryVersionShort()
			{
				return "1.8.12";
			}

			std::string GetLibraryVersion()
			{
				return std::string("velmora Alembic-compatible writer ") + GetLibraryVersionShort() + " (built " + __DATE__ + " " + __TIME__ + ")";
			}
		}
	}
}
