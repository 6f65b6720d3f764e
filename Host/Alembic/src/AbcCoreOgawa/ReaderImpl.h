#pragma once

// The Ogawa-backed readers: archive, objects, compound, scalar and array properties.
// Objects and compounds parse their child headers when they are opened; samples are read on demand.

#include <map>
#include <mutex>
#include <unordered_map>

#include "ReadUtil.h"

namespace Alembic
{
	namespace AbcCoreOgawa
	{
		namespace ALEMBIC_VERSION_NS
		{
			class ArImpl;
			class OrImpl;
			class CprImpl;
			struct OrData;
			struct CprData;

			class ArImpl : public AbcA::ArchiveReader, public std::enable_shared_from_this<ArImpl>
			{
			public:
				ArImpl(const std::string& iFileName, Ogawa::IStreamsPtr iStreams);

				const std::string& getName() const override { return m_fileName; }
				const AbcA::MetaData& getMetaData() const override { return *m_metaData; }
				AbcA::ObjectReaderPtr getTop() override;
				AbcA::TimeSamplingPtr getTimeSampling(uint32_t iIndex) override;
				uint32_t getNumTimeSamplings() override { return uint32_t(m_timeSamplings.size()); }
				AbcA::index_t getMaxNumSamplesForTimeSamplingIndex(uint32_t iIndex) override;
				int32_t getArchiveVersion() override { return m_archiveVersion; }
				AbcA::ReadArraySampleCachePtr getReadArraySampleCachePtr() override { return nullptr; }
				void setReadArraySampleCachePtr(AbcA::ReadArraySampleCachePtr) override {}
				AbcA::ArchiveReaderPtr asArchivePtr() override { return shared_from_this(); }

				const MetaDataTable& getMetaDataTable() const { return m_metaDataTable; }
				const std::vector<AbcA::TimeSamplingPtr>& getTimeSamplings() const { return m_timeSamplings; }
				const Ogawa::IStreamsPtr& getStreams() const { return m_archive.getStreams(); }

				// Opens child group iIndex of iParent. A group may hang below one slot only: the writer never
				// shares groups, so a second owner means a cycle or a crafted file, and the slot reads as no group.
				Ogawa::IGroupPtr openGroup(const Ogawa::IGroupPtr& iParent, uint64_t iIndex, bool iLight);

			private:
				std::string m_fileName;
				Ogawa::IArchive m_archive;
				AbcA::MetaDataPtr m_metaData;
				int32_t m_archiveVersion = 0;
				std::vector<AbcA::TimeSamplingPtr> m_timeSamplings;
				std::vector<AbcA::index_t> m_maxSamples;
				MetaDataTable m_metaDataTable;
				shared_ptr<OrData> m_topData;
				std::weak_ptr<OrImpl> m_top;
				std::mutex m_mutex;
				std::unordered_map<uint64_t, std::pair<uint64_t, uint64_t>> m_groupOwners;
			};

			struct CprData
			{
				CprData(ArImpl& iArchive, Ogawa::IGroupPtr iGroup);

				Ogawa::IGroupPtr group;
				std::vector<PropertyHeaderPtr> headers;
				std::map<std::string, size_t> byName;
			};

			struct OrData
			{
				OrData(ArImpl& iArchive, Ogawa::IGroupPtr iGroup, const std::string& iFullName);

				Ogawa::IGroupPtr group;
				std::vector<AbcA::ObjectHeaderPtr> childHeaders;
				std::map<std::string, size_t> byName;
				shared_ptr<CprData> properties;
				Digest propertiesHash;
				Digest childrenHash;
				bool hasHashes = false;
			};

			class OrImpl : public AbcA::ObjectReader, public std::enable_shared_from_this<OrImpl>
			{
			public:
				OrImpl(shared_ptr<ArImpl> iArchive, shared_ptr<OrImpl> iParent, shared_ptr<OrData> iData, AbcA::ObjectHeaderPtr iHeader);
				~OrImpl() override;

				const AbcA::ObjectHeader& getHeader() const override { return *m_header; }
				AbcA::ArchiveReaderPtr getArchive() override { return m_archive; }
				AbcA::ObjectReaderPtr getParent() override { return m_parent; }
				AbcA::CompoundPropertyReaderPtr getProperties() override;
				size_t getNumChildren() override { return m_data->childHeaders.size(); }
				const AbcA::ObjectHeader& getChildHeader(size_t i) override;
				const AbcA::ObjectHeader* getChildHeader(const std::string& iName) override;
				AbcA::ObjectReaderPtr getChild(size_t i) override;
				AbcA::ObjectReaderPtr getChild(const std::string& iName) override;
				AbcA::ObjectReaderPtr asObjectPtr() override { return shared_from_this(); }
				bool getPropertiesHash(Digest& oDigest) override;
				bool getChildrenHash(Digest& oDigest) override;

				ArImpl& archive() { return *m_archive; }

			private:
				shared_ptr<ArImpl> m_archive;
				shared_ptr<OrImpl> m_parent;
				shared_ptr<OrData> m_data;
				AbcA::ObjectHeaderPtr m_header;
			};

			class CprImpl : public AbcA::CompoundPropertyReader, public std::enable_shared_from_this<CprImpl>
			{
			public:
				CprImpl(shared_ptr<OrImpl> iObject, shared_ptr<CprImpl> iParent, shared_ptr<CprData> iData, PropertyHeaderPtr iHeader);
				~CprImpl() override;

				const AbcA::PropertyHeader& getHeader() const override { return m_header->header; }
				AbcA::ObjectReaderPtr getObject() override { return m_object; }
				AbcA::CompoundPropertyReaderPtr getParent() override { return m_parent; }
				size_t getNumProperties() override { return m_data->headers.size(); }
				const AbcA::PropertyHeader& getPropertyHeader(size_t i) override;
				const AbcA::PropertyHeader* getPropertyHeader(const std::string& iName) override;
				AbcA::ScalarPropertyReaderPtr getScalarProperty(const std::string& iName) override;
				AbcA::ArrayPropertyReaderPtr getArrayProperty(const std::string& iName) override;
				AbcA::CompoundPropertyReaderPtr getCompoundProperty(const std::string& iName) override;

			private:
				// The property's slot as a group, or the "not backed by a valid group" error.
				Ogawa::IGroupPtr propertyGroup(size_t iIndex, const char* iKind, bool iLight);
				size_t indexOf(const std::string& iName);

				shared_ptr<OrImpl> m_object;
				shared_ptr<CprImpl> m_parent;
				shared_ptr<CprData> m_data;
				PropertyHeaderPtr m_header;
			};

			class SprImpl : public AbcA::ScalarPropertyReader
			{
			public:
				SprImpl(shared_ptr<CprImpl> iParent, Ogawa::IGroupPtr iGroup, PropertyHeaderPtr iHeader, Ogawa::IStreamsPtr iStreams);

				const AbcA::PropertyHeader& getHeader() const override { return m_header->header; }
				AbcA::ObjectReaderPtr getObject() override { return m_parent->getObject(); }
				AbcA::CompoundPropertyReaderPtr getParent() override { return m_parent; }
				size_t getNumSamples() override { return m_header->numSamples; }
				bool isConstant() override { return m_header->firstChangedIndex == 0; }
				void getSample(AbcA::index_t iSampleIndex, void* oSample) override;

			private:
				shared_ptr<CprImpl> m_parent;
				Ogawa::IGroupPtr m_group;
				PropertyHeaderPtr m_header;
			};

			class AprImpl : public AbcA::ArrayPropertyReader
			{
			public:
				AprImpl(shared_ptr<CprImpl> iParent, Ogawa::IGroupPtr iGroup, PropertyHeaderPtr iHeader, Ogawa::IStreamsPtr iStreams);

				const AbcA::PropertyHeader& getHeader() const override { return m_header->header; }
				AbcA::ObjectReaderPtr getObject() override { return m_parent->getObject(); }
				AbcA::CompoundPropertyReaderPtr getParent() override { return m_parent; }
				size_t getNumSamples() override { return m_header->numSamples; }
				bool isConstant() override { return m_header->firstChangedIndex == 0; }
				bool isScalarLike() override { return m_header->isScalarLike; }
				void getSample(AbcA::index_t iSampleIndex, AbcA::ArraySamplePtr& oSample) override;
				void getDimensions(AbcA::index_t iSampleIndex, Dimensions& oDim) override;
				bool getKey(AbcA::index_t iSampleIndex, AbcA::ArraySampleKey& oKey) override;

			private:
				// The data and dims blocks of a sample, checked for presence.
				void sampleBlocks(AbcA::index_t iSampleIndex, Ogawa::IDataPtr& oData, Ogawa::IDataPtr& oDims);
				// Elements and shape, worked out from the data size and the stored dims.
				void shapeOf(const Ogawa::IDataPtr& iData, const Ogawa::IDataPtr& iDims, Dimensions& oDims);

				shared_ptr<CprImpl> m_parent;
				Ogawa::IGroupPtr m_group;
				PropertyHeaderPtr m_header;
				Ogawa::IStreamsPtr m_streams;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
