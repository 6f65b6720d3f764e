#pragma once

// The Ogawa-backed writers. Each writer is closed when its last handle goes: a property writes
// its group, a compound its headers and group, an object its headers and groups, and the
// archive finally the root. Children keep their parents alive, so parents always close last.

#include <map>
#include <tuple>

#include <Alembic/AbcCoreAbstract/All.h>

#include "../Ogawa/OArchive.h"

namespace Alembic
{
	namespace AbcCoreOgawa
	{
		namespace ALEMBIC_VERSION_NS
		{
			namespace AbcA = ::Alembic::AbcCoreAbstract;
			using namespace ::Alembic::Util;

			class AwImpl;
			class OwImpl;
			class CpwImpl;

			// What a compound records about each sub-property until it writes their headers.
			struct PropertyRecord
			{
				AbcA::PropertyHeader header;
				uint32_t timeSamplingIndex = 0;
				uint32_t numSamples = 0;
				uint32_t firstChangedIndex = 0;
				uint32_t lastChangedIndex = 0;
				bool isScalarLike = true;
				bool isHomogeneous = true;
			};
			typedef shared_ptr<PropertyRecord> PropertyRecordPtr;

			struct CpwData
			{
				explicit CpwData(Ogawa::OGroupPtr iGroup)
				    : group(std::move(iGroup)) {}
				// Appends the headers block when there is at least one sub-property.
				void writeHeaders(AwImpl& iArchive);

				Ogawa::OGroupPtr group;
				std::vector<PropertyRecordPtr> records;
				std::vector<Digest> hashes;
				std::map<std::string, size_t> byName;
				std::vector<std::weak_ptr<AbcA::BasePropertyWriter>> made;
			};

			struct OwData
			{
				explicit OwData(Ogawa::OGroupPtr iGroup);
				// Appends the object headers block and the top compound's headers; returns the properties hash.
				Digest writeHeaders(AwImpl& iArchive);

				Ogawa::OGroupPtr group;
				shared_ptr<CpwData> properties;
				std::weak_ptr<CpwImpl> madeProperties;
				std::vector<AbcA::ObjectHeaderPtr> children;
				std::vector<Digest> childHashes;
				std::map<std::string, size_t> byName;
				std::vector<std::weak_ptr<OwImpl>> made;
			};

			// A stored sample block: where it is and how many values first filled it.
			struct StoredSample
			{
				uint64_t pos = 0;
				uint64_t numValues = 0;
			};

			class AwImpl : public AbcA::ArchiveWriter, public std::enable_shared_from_this<AwImpl>
			{
			public:
				AwImpl(const std::string& iFileName, const AbcA::MetaData& iMetaData);
				// Writes to the caller's stream from its position now; the stream must outlive the archive.
				AwImpl(std::ostream* iStream, const AbcA::MetaData& iMetaData);
				~AwImpl() override;

				const std::string& getName() const override { return m_fileName; }
				const AbcA::MetaData& getMetaData() const override { return m_metaData; }
				AbcA::ObjectWriterPtr getTop() override;
				uint32_t addTimeSampling(const AbcA::TimeSampling& iTs) override;
				AbcA::TimeSamplingPtr getTimeSampling(uint32_t iIndex) override;
				uint32_t getNumTimeSamplings() override { return uint32_t(m_timeSamplings.size()); }
				int8_t getCompressionHint() const override { return m_compressionHint; }
				void setCompressionHint(int8_t iHint) override { m_compressionHint = iHint; }
				AbcA::ArchiveWriterPtr asArchivePtr() override { return shared_from_this(); }

				// 0 for empty metadata, 1..254 for the shared table, 255 when it must be stored inline.
				uint8_t metaDataIndex(const std::string& iSerialized);
				// Writes the block [key][payload] into iGroup, or refers to an identical block written before.
				StoredSample storeSample(Ogawa::OGroup& iGroup, int iClass, uint64_t iNumBytes, const Digest& iKey, const void* iPayload,
				                         size_t iPayloadSize, uint64_t iNumValues);
				// Large samples of a byte size never stored before cannot be duplicates. Only when the host
				// asks for it (HostOnly::SetHashWhileWriting, for the benchmark) do their bytes go to the file
				// on a helper thread while this one hashes them, the key patched in afterwards.
				bool canStoreWhileHashing(int iClass, uint64_t iNumBytes, size_t iPayloadSize) const;
				StoredSample storeSampleWhileHashing(Ogawa::OGroup& iGroup, int iClass, uint64_t iNumBytes, const void* iPayload, size_t iPayloadSize,
				                                     uint64_t iNumValues, Digest& oKey);
				void noteSampleCount(uint32_t iTimeSamplingIndex, uint32_t iCount);

			private:
				void init();

				std::string m_fileName;
				AbcA::MetaData m_metaData;
				std::unique_ptr<Ogawa::OArchive> m_archive;
				std::vector<AbcA::TimeSamplingPtr> m_timeSamplings;
				std::vector<uint32_t> m_maxSamples;
				std::vector<std::string> m_metaDataTable;
				std::map<std::string, uint8_t> m_metaDataIndices;
				std::map<std::tuple<int, uint64_t, Digest>, StoredSample> m_samples;
				shared_ptr<OwData> m_topData;
				std::weak_ptr<OwImpl> m_top;
				int8_t m_compressionHint = -1;
			};

			class OwImpl : public AbcA::ObjectWriter, public std::enable_shared_from_this<OwImpl>
			{
			public:
				OwImpl(shared_ptr<AwImpl> iArchive, shared_ptr<OwImpl> iParent, shared_ptr<OwData> iData, AbcA::ObjectHeaderPtr iHeader, size_t iIndex);
				~OwImpl() override;

				const AbcA::ObjectHeader& getHeader() const override { return *m_header; }
				AbcA::ArchiveWriterPtr getArchive() override { return m_archive; }
				AbcA::ObjectWriterPtr getParent() override { return m_parent; }
				AbcA::CompoundPropertyWriterPtr getProperties() override;
				size_t getNumChildren() override { return m_data->children.size(); }
				const AbcA::ObjectHeader& getChildHeader(size_t i) override;
				const AbcA::ObjectHeader* getChildHeader(const std::string& iName) override;
				AbcA::ObjectWriterPtr getChild(const std::string& iName) override;
				AbcA::ObjectWriterPtr createChild(const AbcA::ObjectHeader& iHeader) override;
				AbcA::ObjectWriterPtr asObjectPtr() override { return shared_from_this(); }

				AwImpl& archive() { return *m_archive; }

			private:
				shared_ptr<AwImpl> m_archive;
				shared_ptr<OwImpl> m_parent;
				shared_ptr<OwData> m_data;
				AbcA::ObjectHeaderPtr m_header;
				size_t m_index;
			};

			class CpwImpl : public AbcA::CompoundPropertyWriter, public std::enable_shared_from_this<CpwImpl>
			{
			public:
				CpwImpl(shared_ptr<OwImpl> iObject, shared_ptr<CpwImpl> iParent, shared_ptr<CpwData> iData, PropertyRecordPtr iRecord, size_t iIndex);
				~CpwImpl() override;

				const AbcA::PropertyHeader& getHeader() const override { return m_record->header; }
				AbcA::ObjectWriterPtr getObject() override { return m_object; }
				AbcA::CompoundPropertyWriterPtr getParent() override { return m_parent; }
				size_t getNumProperties() override { return m_data->records.size(); }
				const AbcA::PropertyHeader& getPropertyHeader(size_t i) override;
				const AbcA::PropertyHeader* getPropertyHeader(const std::string& iName) override;
				AbcA::BasePropertyWriterPtr getProperty(const std::string& iName) override;
				AbcA::ScalarPropertyWriterPtr createScalarProperty(const std::string& iName, const AbcA::MetaData& iMetaData, const AbcA::DataType& iDataType,
				                                                   uint32_t iTimeSamplingIndex) override;
				AbcA::ArrayPropertyWriterPtr createArrayProperty(const std::string& iName, const AbcA::MetaData& iMetaData, const AbcA::DataType& iDataType,
				                                                 uint32_t iTimeSamplingIndex) override;
				AbcA::CompoundPropertyWriterPtr createCompoundProperty(const std::string& iName, const AbcA::MetaData& iMetaData) override;

				AwImpl& archive() { return m_object->archive(); }
				CpwData& data() { return *m_data; }

			private:
				PropertyRecordPtr addRecord(const std::string& iName, AbcA::PropertyType iType, const AbcA::MetaData& iMetaData, const AbcA::DataType& iDataType,
				                            uint32_t iTimeSamplingIndex, Ogawa::OGroupPtr& oGroup);

				shared_ptr<OwImpl> m_object;
				shared_ptr<CpwImpl> m_parent;
				shared_ptr<CpwData> m_data;
				PropertyRecordPtr m_record;
				size_t m_index;
			};

			// What scalar and array writers share: the sample bookkeeping, de-duplication and running hash.
			class SampleWriter
			{
			protected:
				SampleWriter(shared_ptr<CpwImpl> iParent, Ogawa::OGroupPtr iGroup, PropertyRecordPtr iRecord, size_t iIndex, bool iIsArray);
				// Called by the destructor, as the library freezes a property's group: writes the group, and a
				// failed write is not caught.
				void close();

				// One sample: its class for de-duplication (0 numeric, 1 string, 2 wstring), bytes and shape.
				// With no key the sample is hashed while it is written; only for samples that differ from
				// the previous one and cannot be de-duplicated (see AwImpl::canStoreWhileHashing).
				void writeSample(int iClass, uint64_t iNumBytes, const Digest* iKey, const void* iPayload, size_t iPayloadSize, uint64_t iNumValues,
				                 const Dimensions& iDims);
				size_t previousPayloadSize() const { return m_prevPayloadSize; }
				void writeFromPrevious();

				shared_ptr<CpwImpl> m_parent;
				Ogawa::OGroupPtr m_group;
				PropertyRecordPtr m_record;
				size_t m_index;
				bool m_isArray;

			private:
				void addDims(const Dimensions& iDims);
				void mixHash();

				uint64_t m_prevPos = 0;
				size_t m_prevPayloadSize = 0;
				Digest m_prevKey;
				Dimensions m_prevDims;
				uint64_t m_hash0 = 0;
				uint64_t m_hash1 = 0;
			};

			class SpwImpl : public AbcA::ScalarPropertyWriter, public SampleWriter
			{
			public:
				SpwImpl(shared_ptr<CpwImpl> iParent, Ogawa::OGroupPtr iGroup, PropertyRecordPtr iRecord, size_t iIndex);
				~SpwImpl() override;

				const AbcA::PropertyHeader& getHeader() const override { return m_record->header; }
				AbcA::ObjectWriterPtr getObject() override { return m_parent->getObject(); }
				AbcA::CompoundPropertyWriterPtr getParent() override { return m_parent; }
				void setSample(const void* iSample) override;
				void setFromPreviousSample() override { writeFromPrevious(); }
				size_t getNumSamples() override { return m_record->numSamples; }
				void setTimeSamplingIndex(uint32_t iIndex) override;
			};

			class ApwImpl : public AbcA::ArrayPropertyWriter, public SampleWriter
			{
			public:
				ApwImpl(shared_ptr<CpwImpl> iParent, Ogawa::OGroupPtr iGroup, PropertyRecordPtr iRecord, size_t iIndex);
				~ApwImpl() override;

				const AbcA::PropertyHeader& getHeader() const override { return m_record->header; }
				AbcA::ObjectWriterPtr getObject() override { return m_parent->getObject(); }
				AbcA::CompoundPropertyWriterPtr getParent() override { return m_parent; }
				void setSample(const AbcA::ArraySample& iSample) override;
				void setFromPreviousSample() override { writeFromPrevious(); }
				size_t getNumSamples() override { return m_record->numSamples; }
				void setTimeSamplingIndex(uint32_t iIndex) override;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
