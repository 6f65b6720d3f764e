#include "WriteUtil.h"
#include "WriterImpl.h"

namespace Alembic
{
	namespace AbcCoreOgawa
	{
		namespace ALEMBIC_VERSION_NS
		{
			OwData::OwData(Ogawa::OGroupPtr iGroup)
			    : group(std::move(iGroup))
			{
				properties = std::make_shared<CpwData>(group->addGroup());
			}

			Digest OwData::writeHeaders(AwImpl& iArchive)
			{
				const Digest PropertiesHash = HashOfDigests(properties->hashes);
				const Digest ChildrenHash = children.empty() ? Digest() : HashOfDigests(childHashes);
				ByteWriter Headers;
				for (const AbcA::ObjectHeaderPtr& Child : children)
				{
					const std::string MetaData = Child->getMetaData().serialize();
					const uint8_t Index = iArchive.metaDataIndex(MetaData);
					Headers.pod(uint32_t(Child->getName().size()));
					Headers.text(Child->getName());
					Headers.pod(Index);
					if (Index == 0xff)
					{
						Headers.pod(uint32_t(MetaData.size()));
						Headers.text(MetaData);
					}
				}
				Headers.digest(PropertiesHash);
				Headers.digest(ChildrenHash);
				group->addData(Headers.get());
				properties->writeHeaders(iArchive);
				return PropertiesHash;
			}

			OwImpl::OwImpl(shared_ptr<AwImpl> iArchive, shared_ptr<OwImpl> iParent, shared_ptr<OwData> iData, AbcA::ObjectHeaderPtr iHeader, size_t iIndex)
			    : m_archive(std::move(iArchive)), m_parent(std::move(iParent)), m_data(std::move(iData)), m_header(std::move(iHeader)), m_index(iIndex)
			{
			}

			OwImpl::~OwImpl()
			{
				if (!m_parent)
				{
					return; // the archive closes the top object
				}
				// As the library's: the headers are written here, and a failed write is not caught.
				const Digest PropertiesHash = m_data->writeHeaders(*m_archive);
				SpookyHasher Hasher;
				for (const Digest& Child : m_data->childHashes)
				{
					Hasher.update(Child);
				}
				Hasher.update(PropertiesHash);
				Hasher.update(m_header->getMetaData().serialize());
				Hasher.update(m_header->getName());
				m_parent->m_data->childHashes[m_index] = Hasher.final();
				m_data->properties->group->freeze();
				m_data->group->freeze();
			}

			AbcA::CompoundPropertyWriterPtr OwImpl::getProperties()
			{
				shared_ptr<CpwImpl> Properties = m_data->madeProperties.lock();
				if (!Properties)
				{
					auto Record = std::make_shared<PropertyRecord>();
					Record->header = AbcA::PropertyHeader("", AbcA::MetaData());
					Properties = std::make_shared<CpwImpl>(shared_from_this(), nullptr, m_data->properties, Record, 0);
					m_data->madeProperties = Properties;
				}
				return Properties;
			}

			const AbcA::ObjectHeader& OwImpl::getChildHeader(size_t i)
			{
				ABCA_ASSERT(i < m_data->children.size(), "Out of range index in OwImpl::getChildHeader: " << i);
				return *m_data->children[i];
			}

			const AbcA::ObjectHeader* OwImpl::getChildHeader(const std::string& iName)
			{
				auto Found = m_data->byName.find(iName);
				return Found == m_data->byName.end() ? nullptr : m_data->children[Found->second].get();
			}

			AbcA::ObjectWriterPtr OwImpl::getChild(const std::string& iName)
			{
				auto Found = m_data->byName.find(iName);
				return Found == m_data->byName.end() ? nullptr : m_data->made[Found->second].lock();
			}

			AbcA::ObjectWriterPtr OwImpl::createChild(const AbcA::ObjectHeader& iHeader)
			{
				CheckName(iHeader.getName(), "object");
				ABCA_ASSERT(m_data->byName.count(iHeader.getName()) == 0, "Already have an Object named: " << iHeader.getName());
				const std::string Prefix = m_header->getFullName() == "/" ? "/" : m_header->getFullName() + "/";
				auto Header = std::make_shared<AbcA::ObjectHeader>(iHeader.getName(), Prefix + iHeader.getName(), iHeader.getMetaData());
				auto Data = std::make_shared<OwData>(m_data->group->addGroup());
				const size_t Index = m_data->children.size();
				m_data->children.push_back(Header);
				m_data->childHashes.push_back(Digest());
				m_data->byName.emplace(Header->getName(), Index);
				auto Child = std::make_shared<OwImpl>(m_archive, shared_from_this(), Data, Header, Index);
				m_data->made.push_back(Child);
				return Child;
			}
		}
	}
}
