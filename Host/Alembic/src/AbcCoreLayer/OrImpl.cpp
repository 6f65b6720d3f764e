#include "LayerImpl.h"

namespace Alembic
{
	namespace AbcCoreLayer
	{
		namespace ALEMBIC_VERSION_NS
		{
			OrImpl::OrImpl(Util::shared_ptr<ArImpl> iArchive, std::vector<AbcA::ObjectReaderPtr>& iTops, ObjectHeaderPtr iHeader)
			    : m_archive(std::move(iArchive)), m_header(std::move(iHeader))
			{
				ABCA_ASSERT(m_archive, "Invalid archive in OrImpl(Archive)");
				init(iTops);
			}

			OrImpl::OrImpl(Util::shared_ptr<OrImpl> iParent, size_t iIndex)
			    : m_parent(std::move(iParent)), m_index(iIndex)
			{
				ABCA_ASSERT(m_parent, "Invalid object in OrImpl(OrImplPtr, size_t)");
				m_archive = m_parent->m_archive;
				m_header = m_parent->m_childHeaders[m_index];
				std::vector<AbcA::ObjectReaderPtr> Objects;
				for (const ObjectAndIndex& Source : m_parent->m_children[m_index])
				{
					Objects.push_back(Source.first->getChild(Source.second));
				}
				init(Objects);
			}

			void OrImpl::init(std::vector<AbcA::ObjectReaderPtr>& iObjects)
			{
				for (const AbcA::ObjectReaderPtr& Object : iObjects)
				{
					m_properties.push_back(Object->getProperties());
					for (size_t i = 0; i < Object->getNumChildren(); ++i)
					{
						const AbcA::ObjectHeader& Header = Object->getChildHeader(i);
						const bool bPrune = Header.getMetaData().get("prune") == "1";
						const bool bReplace = Header.getMetaData().get("replace") == "1";
						auto Found = m_childNameMap.find(Header.getName());
						if (Found == m_childNameMap.end())
						{
							if (!bPrune)
							{
								const size_t Index = m_childNameMap.size();
								m_childNameMap[Header.getName()] = Index;
								m_childHeaders.push_back(std::make_shared<AbcA::ObjectHeader>(Header));
								m_children.resize(Index + 1);
								m_children[Index].emplace_back(Object, i);
								m_childPtrs.resize(Index + 1);
							}
							continue;
						}
						const size_t Index = Found->second;
						if (!bPrune)
						{
							if (bReplace)
							{
								m_children[Index].clear();
								m_childHeaders[Index]->getMetaData() = AbcA::MetaData();
							}
							m_children[Index].emplace_back(Object, i);
							m_childHeaders[Index]->getMetaData().appendOnlyUnique(Header.getMetaData());
							continue;
						}
						m_children.erase(m_children.begin() + std::ptrdiff_t(Index));
						m_childPtrs.erase(m_childPtrs.begin() + std::ptrdiff_t(Index));
						m_childHeaders.erase(m_childHeaders.begin() + std::ptrdiff_t(Index));
						m_childNameMap.erase(Found);
						for (auto& Entry : m_childNameMap)
						{
							if (Entry.second > Index)
							{
								--Entry.second;
							}
						}
					}
				}
			}

			AbcA::CompoundPropertyReaderPtr OrImpl::getProperties()
			{
				std::lock_guard<std::mutex> Lock(m_lock);
				Util::shared_ptr<CprImpl> Top = m_top.lock();
				if (!Top)
				{
					Top = std::make_shared<CprImpl>(shared_from_this(), m_properties);
					m_top = Top;
				}
				return Top;
			}

			const AbcA::ObjectHeader& OrImpl::getChildHeader(size_t i)
			{
				ABCA_ASSERT(i < m_childHeaders.size(), "Out of range index in OrData::getChildHeader: " << i);
				return *m_childHeaders[i];
			}

			const AbcA::ObjectHeader* OrImpl::getChildHeader(const std::string& iName)
			{
				const auto Found = m_childNameMap.find(iName);
				return Found != m_childNameMap.end() ? m_childHeaders[Found->second].get() : nullptr;
			}

			AbcA::ObjectReaderPtr OrImpl::getChild(const std::string& iName)
			{
				const auto Found = m_childNameMap.find(iName);
				return Found != m_childNameMap.end() ? getChild(Found->second) : nullptr;
			}

			AbcA::ObjectReaderPtr OrImpl::getChild(size_t i)
			{
				if (i >= m_childHeaders.size())
				{
					return nullptr;
				}
				std::lock_guard<std::mutex> Lock(m_lock);
				Util::shared_ptr<OrImpl> Child = m_childPtrs[i].lock();
				if (!Child)
				{
					Child = std::make_shared<OrImpl>(shared_from_this(), i);
					m_childPtrs[i] = Child;
				}
				return Child;
			}

			AbcA::ObjectReaderPtr OrImpl::soleSource()
			{
				if (!m_parent)
				{
					return nullptr;
				}
				const std::vector<ObjectAndIndex>& Sources = m_parent->m_children[m_index];
				return Sources.size() == 1 ? Sources[0].first->getChild(Sources[0].second) : nullptr;
			}

			// A merged object has no stored hash; one taken from a single layer is that layer's.
			bool OrImpl::getPropertiesHash(Util::Digest& oDigest)
			{
				const AbcA::ObjectReaderPtr Source = soleSource();
				return Source && Source->getPropertiesHash(oDigest);
			}

			bool OrImpl::getChildrenHash(Util::Digest& oDigest)
			{
				const AbcA::ObjectReaderPtr Source = soleSource();
				return Source && Source->getChildrenHash(oDigest);
			}
		}
	}
}
