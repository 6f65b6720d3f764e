#include "LayerImpl.h"

namespace Alembic
{
	namespace AbcCoreLayer
	{
		namespace ALEMBIC_VERSION_NS
		{
			CprImpl::CprImpl(Util::shared_ptr<OrImpl> iObject, CompoundReaderPtrs& iCompounds)
			    : m_object(std::move(iObject))
			{
				ABCA_ASSERT(m_object, "Invalid object in CprImpl(Object)");
				m_topHeader = std::make_shared<AbcA::PropertyHeader>(std::string(), m_object->getHeader().getMetaData());
				init(iCompounds);
			}

			CprImpl::CprImpl(Util::shared_ptr<CprImpl> iParent, size_t iIndex)
			    : m_parent(std::move(iParent)), m_index(iIndex)
			{
				ABCA_ASSERT(m_parent, "Invalid compound in CprImpl(CprImplPtr, size_t)");
				m_object = m_parent->m_object;
				const std::string Name = m_parent->getPropertyHeader(m_index).getName();
				CompoundReaderPtrs Compounds;
				for (const AbcA::CompoundPropertyReaderPtr& Layer : m_parent->m_children[m_index])
				{
					AbcA::CompoundPropertyReaderPtr Compound = Layer->getCompoundProperty(Name);
					ABCA_ASSERT(Compound, "Layered property " << Name << " is not a compound in every layer");
					Compounds.push_back(Compound);
				}
				init(Compounds);
			}

			const AbcA::PropertyHeader& CprImpl::getHeader() const
			{
				return m_topHeader ? *m_topHeader : m_parent->getPropertyHeader(m_index);
			}

			const AbcA::PropertyHeader& CprImpl::getPropertyHeader(size_t i)
			{
				ABCA_ASSERT(i < m_children.size(), "Out of range index in CprImpl::getPropertyHeader: " << i);
				return m_children[i][m_childHeaderIndex[i].first]->getPropertyHeader(m_childHeaderIndex[i].second);
			}

			const AbcA::PropertyHeader* CprImpl::getPropertyHeader(const std::string& iName)
			{
				const auto Found = m_childNameMap.find(iName);
				return Found != m_childNameMap.end() ? &getPropertyHeader(Found->second) : nullptr;
			}

			AbcA::ScalarPropertyReaderPtr CprImpl::getScalarProperty(const std::string& iName)
			{
				const auto Found = m_childNameMap.find(iName);
				return Found != m_childNameMap.end() ? m_children[Found->second].back()->getScalarProperty(iName) : nullptr;
			}

			AbcA::ArrayPropertyReaderPtr CprImpl::getArrayProperty(const std::string& iName)
			{
				const auto Found = m_childNameMap.find(iName);
				return Found != m_childNameMap.end() ? m_children[Found->second].back()->getArrayProperty(iName) : nullptr;
			}

			AbcA::CompoundPropertyReaderPtr CprImpl::getCompoundProperty(const std::string& iName)
			{
				const auto Found = m_childNameMap.find(iName);
				return Found != m_childNameMap.end() ? std::make_shared<CprImpl>(shared_from_this(), Found->second) : nullptr;
			}

			void CprImpl::init(CompoundReaderPtrs& iCompounds)
			{
				for (const AbcA::CompoundPropertyReaderPtr& Compound : iCompounds)
				{
					for (size_t i = 0; i < Compound->getNumProperties(); ++i)
					{
						const AbcA::PropertyHeader& Header = Compound->getPropertyHeader(i);
						const bool bPrune = Header.getMetaData().get("prune") == "1";
						const bool bReplace = Header.getMetaData().get("replace") == "1";
						auto Found = m_childNameMap.find(Header.getName());
						if (Found == m_childNameMap.end())
						{
							if (bPrune)
							{
								continue;
							}
							const size_t Index = m_childNameMap.size();
							m_childNameMap[Header.getName()] = Index;
							m_children.resize(Index + 1);
							m_children[Index].push_back(Compound);
							m_childHeaderIndex.emplace_back(0, i);
							continue;
						}
						const size_t Index = Found->second;
						if (bPrune)
						{
							m_children.erase(m_children.begin() + std::ptrdiff_t(Index));
							m_childHeaderIndex.erase(m_childHeaderIndex.begin() + std::ptrdiff_t(Index));
							m_childNameMap.erase(Found);
							for (auto& Entry : m_childNameMap)
							{
								if (Entry.second > Index)
								{
									--Entry.second;
								}
							}
						}
						else if (Header.isCompound() && getPropertyHeader(Index).isCompound())
						{
							// Compounds merge; the latest header with metadata stands for them.
							if (bReplace)
							{
								m_children[Index].clear();
							}
							m_children[Index].push_back(Compound);
							if (Header.getMetaData().size() != 0)
							{
								m_childHeaderIndex[Index] = HeaderIndexPair(m_children[Index].size() - 1, i);
							}
						}
						else
						{
							m_children[Index].clear();
							m_children[Index].push_back(Compound);
							m_childHeaderIndex[Index] = HeaderIndexPair(0, i);
						}
					}
				}
			}
		}
	}
}
