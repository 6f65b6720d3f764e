#include "ReaderImpl.h"

namespace Alembic
{
	namespace AbcCoreOgawa
	{
		namespace ALEMBIC_VERSION_NS
		{
			OrImpl::OrImpl(shared_ptr<ArImpl> iArchive, shared_ptr<OrImpl> iParent, shared_ptr<OrData> iData, AbcA::ObjectHeaderPtr iHeader)
			    : m_archive(std::move(iArchive)), m_parent(std::move(iParent)), m_data(std::move(iData)), m_header(std::move(iHeader))
			{
			}

			// Holding its parent, a reader releases its ancestors when it goes, one nested call per level,
			// as the library's do: releasing the last handle on a deep object costs stack in proportion.
			OrImpl::~OrImpl() = default;

			AbcA::CompoundPropertyReaderPtr OrImpl::getProperties()
			{
				auto Header = std::make_shared<PropertyHeaderAndFriends>();
				Header->header = AbcA::PropertyHeader("", AbcA::MetaData());
				return std::make_shared<CprImpl>(shared_from_this(), nullptr, m_data->properties, Header);
			}

			const AbcA::ObjectHeader& OrImpl::getChildHeader(size_t i)
			{
				ABCA_ASSERT(i < m_data->childHeaders.size(), "Out of range index in OrImpl::getChildHeader: " << i);
				return *m_data->childHeaders[i];
			}

			const AbcA::ObjectHeader* OrImpl::getChildHeader(const std::string& iName)
			{
				auto Found = m_data->byName.find(iName);
				return Found == m_data->byName.end() ? nullptr : m_data->childHeaders[Found->second].get();
			}

			AbcA::ObjectReaderPtr OrImpl::getChild(size_t i)
			{
				ABCA_ASSERT(i < m_data->childHeaders.size(), "Out of range index in OrData::getChild: " << i);
				const AbcA::ObjectHeaderPtr& Header = m_data->childHeaders[i];
				Ogawa::IGroupPtr Group = m_archive->openGroup(m_data->group, i + 1, false);
				auto Data = std::make_shared<OrData>(*m_archive, Group, Header->getFullName());
				return std::make_shared<OrImpl>(m_archive, shared_from_this(), Data, Header);
			}

			AbcA::ObjectReaderPtr OrImpl::getChild(const std::string& iName)
			{
				auto Found = m_data->byName.find(iName);
				return Found == m_data->byName.end() ? nullptr : getChild(Found->second);
			}

			bool OrImpl::getPropertiesHash(Digest& oDigest)
			{
				oDigest = m_data->propertiesHash;
				return m_data->hasHashes;
			}

			bool OrImpl::getChildrenHash(Digest& oDigest)
			{
				oDigest = m_data->childrenHash;
				return m_data->hasHashes;
			}

			CprImpl::CprImpl(shared_ptr<OrImpl> iObject, shared_ptr<CprImpl> iParent, shared_ptr<CprData> iData, PropertyHeaderPtr iHeader)
			    : m_object(std::move(iObject)), m_parent(std::move(iParent)), m_data(std::move(iData)), m_header(std::move(iHeader))
			{
			}

			CprImpl::~CprImpl() = default;

			const AbcA::PropertyHeader& CprImpl::getPropertyHeader(size_t i)
			{
				ABCA_ASSERT(i < m_data->headers.size(), "Out of range index in getPropertyHeader: " << i);
				return m_data->headers[i]->header;
			}

			const AbcA::PropertyHeader* CprImpl::getPropertyHeader(const std::string& iName)
			{
				auto Found = m_data->byName.find(iName);
				return Found == m_data->byName.end() ? nullptr : &m_data->headers[Found->second]->header;
			}

			size_t CprImpl::indexOf(const std::string& iName)
			{
				auto Found = m_data->byName.find(iName);
				ABCA_ASSERT(Found != m_data->byName.end(), "Nonexistent property: " << iName);
				return Found->second;
			}

			Ogawa::IGroupPtr CprImpl::propertyGroup(size_t iIndex, const char* iKind, bool iLight)
			{
				Ogawa::IGroupPtr Group = m_object->archive().openGroup(m_data->group, iIndex, iLight);
				ABCA_ASSERT(Group, iKind << " Property not backed by a valid group.");
				return Group;
			}

			AbcA::ScalarPropertyReaderPtr CprImpl::getScalarProperty(const std::string& iName)
			{
				const size_t Index = indexOf(iName);
				const PropertyHeaderPtr& Header = m_data->headers[Index];
				ABCA_ASSERT(Header->header.isScalar(), "Tried to read a scalar property from a non-scalar: " << iName << ", type: " << Header->header.getPropertyType());
				return std::make_shared<SprImpl>(shared_from_this(), propertyGroup(Index, "Scalar", true), Header, m_object->archive().getStreams());
			}

			AbcA::ArrayPropertyReaderPtr CprImpl::getArrayProperty(const std::string& iName)
			{
				const size_t Index = indexOf(iName);
				const PropertyHeaderPtr& Header = m_data->headers[Index];
				ABCA_ASSERT(Header->header.isArray(), "Tried to read an array property from a non-array: " << iName << ", type: " << Header->header.getPropertyType());
				return std::make_shared<AprImpl>(shared_from_this(), propertyGroup(Index, "Array", true), Header, m_object->archive().getStreams());
			}

			AbcA::CompoundPropertyReaderPtr CprImpl::getCompoundProperty(const std::string& iName)
			{
				const size_t Index = indexOf(iName);
				const PropertyHeaderPtr& Header = m_data->headers[Index];
				ABCA_ASSERT(Header->header.isCompound(), "Tried to read a compound property from a non-compound: " << iName << ", type: " << Header->header.getPropertyType());
				auto Data = std::make_shared<CprData>(m_object->archive(), propertyGroup(Index, "Compound", false));
				return std::make_shared<CprImpl>(m_object, shared_from_this(), Data, Header);
			}
		}
	}
}
