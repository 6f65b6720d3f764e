#pragma once

#include <ostream>

#include <Alembic/AbcCoreAbstract/Foundation.h>

namespace Alembic
{
	namespace AbcCoreAbstract
	{
		namespace ALEMBIC_VERSION_NS
		{
			// Uniform (1 sample per cycle), cyclic (N per cycle) or acyclic (every time stored).
			class TimeSamplingType
			{
			public:
				enum AcyclicFlag
				{
					kAcyclic
				};

				static chrono_t AcyclicTimePerCycle() { return std::numeric_limits<chrono_t>::max() / 32.0; }
				static uint32_t AcyclicNumSamples() { return std::numeric_limits<uint32_t>::max(); }

				TimeSamplingType()
				    : m_numSamplesPerCycle(1), m_timePerCycle(1.0) {}
				explicit TimeSamplingType(chrono_t iTimePerCycle)
				    : m_numSamplesPerCycle(1), m_timePerCycle(iTimePerCycle)
				{
					ABCA_ASSERT(iTimePerCycle > 0.0 && iTimePerCycle < AcyclicTimePerCycle(), "Time per cycle must be greater than 0 and can not be ACYCLIC_TIME_PER_CYCLE.");
				}
				TimeSamplingType(uint32_t iNumSamplesPerCycle, chrono_t iTimePerCycle)
				    : m_numSamplesPerCycle(iNumSamplesPerCycle), m_timePerCycle(iTimePerCycle)
				{
					ABCA_ASSERT(iNumSamplesPerCycle > 0 && iTimePerCycle > 0.0, "Invalid Time Sampling Type, time per cycle: " << iTimePerCycle << " samples per cycle: " << iNumSamplesPerCycle);
				}
				explicit TimeSamplingType(AcyclicFlag)
				    : m_numSamplesPerCycle(AcyclicNumSamples()), m_timePerCycle(AcyclicTimePerCycle()) {}

				bool isUniform() const { return m_numSamplesPerCycle == 1; }
				bool isCyclic() const { return m_numSamplesPerCycle > 1 && m_numSamplesPerCycle != AcyclicNumSamples(); }
				bool isAcyclic() const { return m_numSamplesPerCycle == AcyclicNumSamples(); }
				uint32_t getNumSamplesPerCycle() const { return m_numSamplesPerCycle; }
				chrono_t getTimePerCycle() const { return m_timePerCycle; }

				bool operator==(const TimeSamplingType& o) const
				{
					if (m_numSamplesPerCycle != o.m_numSamplesPerCycle)
					{
						return false;
					}
					const chrono_t Diff = m_timePerCycle - o.m_timePerCycle;
					return isAcyclic() || (Diff < 1e-9 && Diff > -1e-9);
				}
				bool operator!=(const TimeSamplingType& o) const { return !(*this == o); }

			private:
				// Only the reader may build types from raw file values.
				friend class TimeSampling;
				struct Raw
				{
				};
				TimeSamplingType(Raw, uint32_t iNum, chrono_t iTpc)
				    : m_numSamplesPerCycle(iNum), m_timePerCycle(iTpc) {}

				uint32_t m_numSamplesPerCycle;
				chrono_t m_timePerCycle;
			};

			inline std::ostream& operator<<(std::ostream& ioStream, const TimeSamplingType& iType)
			{
				if (iType.isUniform())
				{
					ioStream << "Uniform time sampling with " << iType.getTimePerCycle() << " chrono_ts/cycle";
				}
				else if (iType.isCyclic())
				{
					ioStream << "Cyclic time sampling with " << iType.getTimePerCycle() << " chrono_ts/cycle and " << iType.getNumSamplesPerCycle() << " samples/cycle";
				}
				else
				{
					ioStream << "Acyclic time sampling";
				}
				return ioStream;
			}
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
