#pragma once

// The layered archive, object and compound readers. Scalar and array properties are the ones of the
// archive that wins; objects and compounds hold the same-named ones of every layer that counts.

#include <Alembic/AbcCoreLayer/Read.h>

#include <map>
#include <mutex>

namespace Alembic
{
	namespace AbcCoreLayer
	{
		namespace ALEMBIC_VERSION_NS
		{
			namespace AbcA = ::Alembic::AbcCoreAbstract;
			typedef std::map<std::string, size_t> ChildNameMap;
			typedef std::vector<AbcA::CompoundPropertyReaderPtr> CompoundReaderPtrs;
			typedef Util::shared_ptr<AbcA::ObjectHeader> ObjectHeaderPtr;

			class OrImpl;
			class CprImpl;

			class ArImpl : public AbcA::ArchiveReader, public std::enable_shared_from_this<ArImpl>
			{
			public:
				explicit ArImpl(ArchiveReaderPtrs& iArchives);

				const std::string& getName() const override { return m_fileName; }
				const AbcA::MetaData& getMetaData() const override { return m_header->getMetaData(); }
				AbcA::ObjectReaderPtr getTop() override;
				AbcA::TimeSamplingPtr getTimeSampling(uint32_t iIndex) override;
				uint32_t getNumTimeSamplings() override { return uint32_t(m_timeSamples.size()); }
				AbcA::index_t getMaxNumSamplesForTimeSamplingIndex(uint32_t iIndex) override;
				int32_t getArchiveVersion() override { return m_archiveVersion; }
				AbcA::ReadArraySampleCachePtr getReadArraySampleCachePtr() override { return nullptr; }
				void setReadArraySampleCachePtr(AbcA::ReadArraySampleCachePtr) override {}
				AbcA::ArchiveReaderPtr asArchivePtr() override { return shared_from_this(); }

			private:
				std::string m_fileName;
				ArchiveReaderPtrs m_archives;
				ObjectHeaderPtr m_header;
				std::vector<AbcA::TimeSamplingPtr> m_timeSamples;
				std::vector<AbcA::index_t> m_maxSamples;
				int32_t m_archiveVersion = -1;
				std::mutex m_lock;
				std::weak_ptr<OrImpl> m_top;
			};

			class OrImpl : public AbcA::ObjectReader, public std::enable_shared_from_this<OrImpl>
			{
			public:
				OrImpl(Util::shared_ptr<ArImpl> iArchive, std::vector<AbcA::ObjectReaderPtr>& iTops, ObjectHeaderPtr iHeader);
				OrImpl(Util::shared_ptr<OrImpl> iParent, size_t iIndex);

				const AbcA::ObjectHeader& getHeader() const override { return *m_header; }
				AbcA::ArchiveReaderPtr getArchive() override { return m_archive; }
				AbcA::ObjectReaderPtr getParent() override { return m_parent; }
				AbcA::CompoundPropertyReaderPtr getProperties() override;
				size_t getNumChildren() override { return m_childHeaders.size(); }
				const AbcA::ObjectHeader& getChildHeader(size_t i) override;
				const AbcA::ObjectHeader* getChildHeader(const std::string& iName) override;
				AbcA::ObjectReaderPtr getChild(size_t i) override;
				AbcA::ObjectReaderPtr getChild(const std::string& iName) override;
				AbcA::ObjectReaderPtr asObjectPtr() override { return shared_from_this(); }
				bool getPropertiesHash(Util::Digest& oDigest) override;
				bool getChildrenHash(Util::Digest& oDigest) override;

			private:
				typedef std::pair<AbcA::ObjectReaderPtr, size_t> ObjectAndIndex;

				void init(std::vector<AbcA::ObjectReaderPtr>& iObjects);
				// The one layer this object comes from, when only one holds it.
				AbcA::ObjectReaderPtr soleSource();

				Util::shared_ptr<OrImpl> m_parent;
				size_t m_index = 0;
				Util::shared_ptr<ArImpl> m_archive;
				ObjectHeaderPtr m_header;
				CompoundReaderPtrs m_properties;
				std::vector<ObjectHeaderPtr> m_childHeaders;
				std::vector<std::vector<ObjectAndIndex>> m_children;
				std::vector<std::weak_ptr<OrImpl>> m_childPtrs;
				ChildNameMap m_childNameMap;
				std::mutex m_lock;
				std::weak_ptr<CprImpl> m_top;
			};

			class CprImpl : public AbcA::CompoundPropertyReader, public std::enable_shared_from_this<CprImpl>
			{
			public:
				CprImpl(Util::shared_ptr<OrImpl> iObject, CompoundReaderPtrs& iCompounds);
				CprImpl(Util::shared_ptr<CprImpl> iParent, size_t iIndex);

				const AbcA::PropertyHeader& getHeader() const override;
				AbcA::ObjectReaderPtr getObject() override { return m_object; }
				AbcA::CompoundPropertyReaderPtr getParent() override { return m_parent; }
				size_t getNumProperties() override { return m_children.size(); }
				const AbcA::PropertyHeader& getPropertyHeader(size_t i) override;
				const AbcA::PropertyHeader* getPropertyHeader(const std::string& iName) override;
				AbcA::ScalarPropertyReaderPtr getScalarProperty(const std::string& iName) override;
				AbcA::ArrayPropertyReaderPtr getArrayProperty(const std::string& iName) override;
				AbcA::CompoundPropertyReaderPtr getCompoundProperty(const std::string& iName) override;

			private:
				// Which layer's header stands for a child, and its index there.
				typedef std::pair<size_t, size_t> HeaderIndexPair;

				void init(CompoundReaderPtrs& iCompounds);

				Util::shared_ptr<OrImpl> m_object;
				Util::shared_ptr<CprImpl> m_parent;
				size_t m_index = 0;
				Util::shared_ptr<AbcA::PropertyHeader> m_topHeader;
				std::vector<CompoundReaderPtrs> m_children;
				std::vector<HeaderIndexPair> m_childHeaderIndex;
				ChildNameMap m_childNameMap;
			};
		}
	}
}
