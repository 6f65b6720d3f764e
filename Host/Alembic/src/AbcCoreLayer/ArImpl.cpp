#include "LayerImpl.h"

#include <algorithm>

namespace Alembic
{
	namespace AbcCoreLayer
	{
		namespace ALEMBIC_VERSION_NS
		{
			ArImpl::ArImpl(ArchiveReaderPtrs& iArchives)
			    : m_header(std::make_shared<AbcA::ObjectHeader>())
			{
				// The list names the winning archive first; merging goes from the bottom layer up.
				for (auto It = iArchives.rbegin(); It != iArchives.rend(); ++It)
				{
					const AbcA::ArchiveReaderPtr& Archive = *It;
					if (!Archive)
					{
						continue;
					}
					m_archives.push_back(Archive);
					if (!m_fileName.empty())
					{
						m_fileName += ",";
					}
					m_fileName += Archive->getName();

					for (uint32_t i = 0; i < Archive->getNumTimeSamplings(); ++i)
					{
						const AbcA::TimeSamplingPtr Sampling = Archive->getTimeSampling(i);
						size_t j = 0;
						while (j < m_timeSamples.size() && !(m_timeSamples[j] == Sampling))
						{
							++j;
						}
						if (j == m_timeSamples.size())
						{
							m_timeSamples.push_back(Sampling);
							m_maxSamples.push_back(Archive->getMaxNumSamplesForTimeSamplingIndex(i));
						}
						else
						{
							m_maxSamples[j] = std::max(m_maxSamples[j], Archive->getMaxNumSamplesForTimeSamplingIndex(i));
						}
					}

					for (const auto& Entry : Archive->getMetaData())
					{
						std::string Value = m_header->getMetaData().get(Entry.first);
						if (!Value.empty())
						{
							Value += " , ";
						}
						Value += Entry.second;
						m_header->getMetaData().set(Entry.first, Value);
					}
					m_archiveVersion = std::max(m_archiveVersion, Archive->getArchiveVersion());
				}
			}

			AbcA::ObjectReaderPtr ArImpl::getTop()
			{
				std::lock_guard<std::mutex> Lock(m_lock);
				Util::shared_ptr<OrImpl> Top = m_top.lock();
				if (!Top)
				{
					std::vector<AbcA::ObjectReaderPtr> Tops;
					for (const AbcA::ArchiveReaderPtr& Archive : m_archives)
					{
						Tops.push_back(Archive->getTop());
					}
					Top = std::make_shared<OrImpl>(shared_from_this(), Tops, m_header);
					m_top = Top;
				}
				return Top;
			}

			AbcA::TimeSamplingPtr ArImpl::getTimeSampling(uint32_t iIndex)
			{
				return iIndex < m_timeSamples.size() ? m_timeSamples[iIndex] : nullptr;
			}

			AbcA::index_t ArImpl::getMaxNumSamplesForTimeSamplingIndex(uint32_t iIndex)
			{
				return iIndex < m_maxSamples.size() ? m_maxSamples[iIndex] : 0;
			}

			AbcA::ArchiveReaderPtr ReadArchive::operator()(ArchiveReaderPtrs& iArchives) const
			{
				return std::make_shared<ArImpl>(iArchives);
			}
		}
	}
}
