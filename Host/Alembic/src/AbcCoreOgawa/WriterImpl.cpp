#include "WriterImpl.h"
#include "WriteUtil.h"

#include <Alembic/Util/Murmur3.h>
#include <Alembic/Util/SpookyV2.h>

#include <exception>
#include <thread>

namespace Alembic
{
namespace AbcCoreOgawa
{
namespace ALEMBIC_VERSION_NS
{
namespace
{
const size_t KeySize = 16;

enum SampleClass
{
	kNumericClass = 0,
	kStringClass = 1,
	kWstringClass = 2
};

uint32_t SizeHint(uint64_t iLargest)
{
	return iLargest <= 255 ? 0 : (iLargest <= 65535 ? 1 : 2);
}

void CheckName(const std::string& iName, const char* iWhat)
{
	ABCA_ASSERT(!iName.empty() && iName.find('/') == std::string::npos, "Invalid " << iWhat << " name: \"" << iName << "\" (empty or contains '/')");
}

// The bytes that describe a property to its hash: name, metadata, type and time sampling.
void HashHeader(SpookyHasher& ioHasher, const PropertyRecord& iRecord, const AbcA::TimeSampling* iSampling)
{
	ioHasher.update(iRecord.header.getName());
	ioHasher.update(iRecord.header.getMetaData().serialize());
	if (iRecord.header.isCompound())
	{
		return;
	}
	const uint8_t Pod = uint8_t(iRecord.header.getDataType().getPod());
	const uint8_t Extent = iRecord.header.getDataType().getExtent();
	ioHasher.update(&Pod, 1);
	ioHasher.update(&Extent, 1);
	if (iRecord.header.isScalar())
	{
		const uint8_t Zero = 0;
		ioHasher.update(&Zero, 1);
	}
	const double TimePerCycle = iSampling->getTimeSamplingType().getTimePerCycle();
	const uint32_t NumTimes = uint32_t(iSampling->getNumStoredTimes());
	ioHasher.update(&TimePerCycle, 8);
	ioHasher.update(&NumTimes, 4);
	ioHasher.update(iSampling->getStoredTimes().data(), 8 * size_t(NumTimes));
}

void WritePropertyRecord(ByteWriter& ioOut, const PropertyRecord& iRecord, AwImpl& iArchive)
{
	const std::string MetaData = iRecord.header.getMetaData().serialize();
	const std::string& Name = iRecord.header.getName();
	const uint8_t MetaDataIndex = iArchive.metaDataIndex(MetaData);
	const bool Compound = iRecord.header.isCompound();

	uint64_t Largest = std::max<uint64_t>(MetaData.size(), Name.size());
	if (!Compound)
	{
		Largest = std::max<uint64_t>(Largest, std::max(iRecord.numSamples, iRecord.timeSamplingIndex));
	}
	const uint32_t Hint = SizeHint(Largest);
	uint32_t Info = (Hint << 2) | (uint32_t(MetaDataIndex) << 20);
	bool WriteChanged = false;
	if (!Compound)
	{
		const AbcA::DataType& Type = iRecord.header.getDataType();
		Info |= iRecord.header.isScalar() ? 1u : (iRecord.isScalarLike ? 3u : 2u);
		Info |= uint32_t(Type.getPod()) << 4;
		Info |= uint32_t(Type.getExtent()) << 12;
		if (iRecord.timeSamplingIndex != 0)
		{
			Info |= 0x100;
		}
		if (iRecord.firstChangedIndex == 0 && iRecord.lastChangedIndex == 0)
		{
			Info |= 0x800;
		}
		else if (!(iRecord.firstChangedIndex == 1 && iRecord.lastChangedIndex == iRecord.numSamples - 1))
		{
			Info |= 0x200;
			WriteChanged = true;
		}
		if (iRecord.header.isScalar() || iRecord.isHomogeneous)
		{
			Info |= 0x400;
		}
	}
	ioOut.pod(Info);
	if (!Compound)
	{
		ioOut.hinted(Hint, iRecord.numSamples);
		if (WriteChanged)
		{
			ioOut.hinted(Hint, iRecord.firstChangedIndex);
			ioOut.hinted(Hint, iRecord.lastChangedIndex);
		}
		if (iRecord.timeSamplingIndex != 0)
		{
			ioOut.hinted(Hint, iRecord.timeSamplingIndex);
		}
	}
	ioOut.hinted(Hint, uint32_t(Name.size()));
	ioOut.text(Name);
	if (MetaDataIndex == 0xff)
	{
		ioOut.hinted(Hint, uint32_t(MetaData.size()));
		ioOut.text(MetaData);
	}
}

Digest HashOfDigests(const std::vector<Digest>& iDigests)
{
	SpookyHasher Hasher;
	for (const Digest& Each : iDigests)
	{
		Hasher.update(Each);
	}
	return Hasher.final();
}
}

// ---------------------------------------------------------------------------------------------
// Archive

AwImpl::AwImpl(const std::string& iFileName, const AbcA::MetaData& iMetaData)
    : m_fileName(iFileName), m_metaData(iMetaData)
{
	m_metaData.set("_ai_AlembicVersion", AbcA::GetLibraryVersion());
	m_archive = std::make_unique<Ogawa::OArchive>(iFileName);
	ABCA_ASSERT(m_archive->isValid(), "Could not open file: " << iFileName);

	const Ogawa::OGroupPtr& Root = m_archive->getGroup();
	const int32_t FileVersion = 0;
	const int32_t LibraryVersion = AbcA::ALEMBIC_API_VERSION;
	Root->addData(&FileVersion, 4);
	Root->addData(&LibraryVersion, 4);
	m_topData = std::make_shared<OwData>(Root->addGroup());
	m_timeSamplings.push_back(std::make_shared<AbcA::TimeSampling>());
	m_maxSamples.push_back(0);

	const Digest Empty;
	for (int Class : {kNumericClass, kStringClass, kWstringClass})
	{
		m_samples[{Class, 0, Empty}] = StoredSample();
	}
}

AwImpl::~AwImpl()
{
	try
	{
		m_topData->writeHeaders(*this);
		m_topData->properties->group->freeze();
		m_topData->group->freeze();

		const Ogawa::OGroupPtr& Root = m_archive->getGroup();
		const std::string MetaData = m_metaData.serialize();
		Root->addData(MetaData.data(), MetaData.size());

		ByteWriter Samplings;
		for (size_t i = 0; i < m_timeSamplings.size(); ++i)
		{
			const AbcA::TimeSampling& Sampling = *m_timeSamplings[i];
			Samplings.pod(m_maxSamples[i]);
			Samplings.pod(double(Sampling.getTimeSamplingType().getTimePerCycle()));
			Samplings.pod(uint32_t(Sampling.getNumStoredTimes()));
			Samplings.bytes(Sampling.getStoredTimes().data(), 8 * Sampling.getNumStoredTimes());
		}
		Root->addData(Samplings.get());

		ByteWriter Table;
		for (const std::string& Entry : m_metaDataTable)
		{
			Table.pod(uint8_t(Entry.size()));
			Table.text(Entry);
		}
		Root->addData(Table.get());
		m_archive->close();
	}
	catch (...)
	{
		// Destructors cannot report; the file stays unfrozen and readers refuse it.
	}
}

AbcA::ObjectWriterPtr AwImpl::getTop()
{
	shared_ptr<OwImpl> Top = m_top.lock();
	if (!Top)
	{
		auto Header = std::make_shared<AbcA::ObjectHeader>("ABC", "/", m_metaData);
		Top = std::make_shared<OwImpl>(shared_from_this(), nullptr, m_topData, Header, 0);
		m_top = Top;
	}
	return Top;
}

uint32_t AwImpl::addTimeSampling(const AbcA::TimeSampling& iTs)
{
	for (size_t i = 0; i < m_timeSamplings.size(); ++i)
	{
		if (*m_timeSamplings[i] == iTs)
		{
			return uint32_t(i);
		}
	}
	m_timeSamplings.push_back(std::make_shared<AbcA::TimeSampling>(iTs));
	m_maxSamples.push_back(0);
	return uint32_t(m_timeSamplings.size() - 1);
}

AbcA::TimeSamplingPtr AwImpl::getTimeSampling(uint32_t iIndex)
{
	ABCA_ASSERT(iIndex < m_timeSamplings.size(), "Invalid index provided to getTimeSampling.");
	return m_timeSamplings[iIndex];
}

uint8_t AwImpl::metaDataIndex(const std::string& iSerialized)
{
	if (iSerialized.empty())
	{
		return 0;
	}
	if (iSerialized.size() >= 256)
	{
		return 0xff;
	}
	auto Found = m_metaDataIndices.find(iSerialized);
	if (Found != m_metaDataIndices.end())
	{
		return Found->second;
	}
	if (m_metaDataTable.size() >= 254)
	{
		return 0xff;
	}
	m_metaDataTable.push_back(iSerialized);
	const uint8_t Index = uint8_t(m_metaDataTable.size());
	m_metaDataIndices.emplace(iSerialized, Index);
	return Index;
}

StoredSample AwImpl::storeSample(Ogawa::OGroup& iGroup, int iClass, uint64_t iNumBytes, const Digest& iKey, const void* iPayload, size_t iPayloadSize,
                                 uint64_t iNumValues)
{
	auto [Found, Inserted] = m_samples.try_emplace({iClass, iNumBytes, iKey});
	if (!Inserted)
	{
		iGroup.addDataRef(Found->second.pos);
		return Found->second;
	}
	Found->second.pos = iGroup.addData(iKey.d, 16, iPayload, iPayloadSize);
	Found->second.numValues = iNumValues;
	return Found->second;
}

bool AwImpl::canStoreWhileHashing(int iClass, uint64_t iNumBytes, size_t iPayloadSize) const
{
	const size_t MinimumSize = size_t(4) << 20;
	if (iPayloadSize < MinimumSize)
	{
		return false;
	}
	auto Found = m_samples.lower_bound({iClass, iNumBytes, Digest()});
	return Found == m_samples.end() || std::get<0>(Found->first) != iClass || std::get<1>(Found->first) != iNumBytes;
}

StoredSample AwImpl::storeSampleWhileHashing(Ogawa::OGroup& iGroup, int iClass, uint64_t iNumBytes, const void* iPayload, size_t iPayloadSize,
                                             uint64_t iNumValues, Digest& oKey)
{
	Ogawa::OStream& Stream = m_archive->getStream();
	const uint64_t Size = KeySize + iPayloadSize;
	const Digest Placeholder;
	const uint64_t Pos = Stream.write(&Size, 8);
	Stream.write(Placeholder.d, KeySize);
	Stream.flush();

	std::exception_ptr WriteError;
	std::thread Writer([&]
	                   {
		try
		{
			Stream.writeDirect(iPayload, iPayloadSize);
		}
		catch (...)
		{
			WriteError = std::current_exception();
		} });
	oKey = MurmurHash3_x64_128(iPayload, iPayloadSize);
	Writer.join();
	if (WriteError)
	{
		std::rethrow_exception(WriteError);
	}
	Stream.patch(Pos + 8, oKey.d, KeySize);
	iGroup.addDataRef(Pos);

	StoredSample& Stored = m_samples[{iClass, iNumBytes, oKey}];
	Stored.pos = Pos;
	Stored.numValues = iNumValues;
	return Stored;
}

void AwImpl::noteSampleCount(uint32_t iTimeSamplingIndex, uint32_t iCount)
{
	if (iTimeSamplingIndex < m_maxSamples.size())
	{
		m_maxSamples[iTimeSamplingIndex] = std::max(m_maxSamples[iTimeSamplingIndex], iCount);
	}
}

// ---------------------------------------------------------------------------------------------
// Objects

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
	try
	{
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
	catch (...)
	{
	}
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

// ---------------------------------------------------------------------------------------------
// Compounds

void CpwData::writeHeaders(AwImpl& iArchive)
{
	if (records.empty())
	{
		return;
	}
	ByteWriter Headers;
	for (const PropertyRecordPtr& Record : records)
	{
		WritePropertyRecord(Headers, *Record, iArchive);
	}
	group->addData(Headers.get());
}

CpwImpl::CpwImpl(shared_ptr<OwImpl> iObject, shared_ptr<CpwImpl> iParent, shared_ptr<CpwData> iData, PropertyRecordPtr iRecord, size_t iIndex)
    : m_object(std::move(iObject)), m_parent(std::move(iParent)), m_data(std::move(iData)), m_record(std::move(iRecord)), m_index(iIndex)
{
}

CpwImpl::~CpwImpl()
{
	if (!m_parent)
	{
		return; // an object's top compound closes with the object
	}
	try
	{
		m_data->writeHeaders(archive());
		SpookyHasher Hasher;
		for (const Digest& Child : m_data->hashes)
		{
			Hasher.update(Child);
		}
		HashHeader(Hasher, *m_record, nullptr);
		m_parent->m_data->hashes[m_index] = Hasher.final();
		m_data->group->freeze();
	}
	catch (...)
	{
	}
}

const AbcA::PropertyHeader& CpwImpl::getPropertyHeader(size_t i)
{
	ABCA_ASSERT(i < m_data->records.size(), "Out of range index in getPropertyHeader: " << i);
	return m_data->records[i]->header;
}

const AbcA::PropertyHeader* CpwImpl::getPropertyHeader(const std::string& iName)
{
	auto Found = m_data->byName.find(iName);
	return Found == m_data->byName.end() ? nullptr : &m_data->records[Found->second]->header;
}

AbcA::BasePropertyWriterPtr CpwImpl::getProperty(const std::string& iName)
{
	auto Found = m_data->byName.find(iName);
	return Found == m_data->byName.end() ? nullptr : m_data->made[Found->second].lock();
}

PropertyRecordPtr CpwImpl::addRecord(const std::string& iName, AbcA::PropertyType iType, const AbcA::MetaData& iMetaData, const AbcA::DataType& iDataType,
                                     uint32_t iTimeSamplingIndex, Ogawa::OGroupPtr& oGroup)
{
	CheckName(iName, "property");
	ABCA_ASSERT(m_data->byName.count(iName) == 0, "Already have a property named: " << iName);
	auto Record = std::make_shared<PropertyRecord>();
	if (iType == AbcA::kCompoundProperty)
	{
		Record->header = AbcA::PropertyHeader(iName, iMetaData);
	}
	else
	{
		ABCA_ASSERT(iDataType.getExtent() > 0 && iDataType.getPod() < kNumPlainOldDataTypes, "Invalid DataType for property " << iName << ": " << iDataType);
		Record->header = AbcA::PropertyHeader(iName, iType, iMetaData, iDataType, archive().getTimeSampling(iTimeSamplingIndex));
		Record->timeSamplingIndex = iTimeSamplingIndex;
	}
	oGroup = m_data->group->addGroup();
	m_data->byName.emplace(iName, m_data->records.size());
	m_data->records.push_back(Record);
	m_data->hashes.push_back(Digest());
	m_data->made.emplace_back();
	return Record;
}

AbcA::ScalarPropertyWriterPtr CpwImpl::createScalarProperty(const std::string& iName, const AbcA::MetaData& iMetaData, const AbcA::DataType& iDataType,
                                                            uint32_t iTimeSamplingIndex)
{
	Ogawa::OGroupPtr Group;
	PropertyRecordPtr Record = addRecord(iName, AbcA::kScalarProperty, iMetaData, iDataType, iTimeSamplingIndex, Group);
	auto Writer = std::make_shared<SpwImpl>(shared_from_this(), Group, Record, m_data->records.size() - 1);
	m_data->made.back() = Writer;
	return Writer;
}

AbcA::ArrayPropertyWriterPtr CpwImpl::createArrayProperty(const std::string& iName, const AbcA::MetaData& iMetaData, const AbcA::DataType& iDataType,
                                                          uint32_t iTimeSamplingIndex)
{
	Ogawa::OGroupPtr Group;
	PropertyRecordPtr Record = addRecord(iName, AbcA::kArrayProperty, iMetaData, iDataType, iTimeSamplingIndex, Group);
	auto Writer = std::make_shared<ApwImpl>(shared_from_this(), Group, Record, m_data->records.size() - 1);
	m_data->made.back() = Writer;
	return Writer;
}

AbcA::CompoundPropertyWriterPtr CpwImpl::createCompoundProperty(const std::string& iName, const AbcA::MetaData& iMetaData)
{
	Ogawa::OGroupPtr Group;
	PropertyRecordPtr Record = addRecord(iName, AbcA::kCompoundProperty, iMetaData, AbcA::DataType(), 0, Group);
	auto Writer = std::make_shared<CpwImpl>(m_object, shared_from_this(), std::make_shared<CpwData>(Group), Record, m_data->records.size() - 1);
	m_data->made.back() = Writer;
	return Writer;
}

// ---------------------------------------------------------------------------------------------
// Samples

SampleWriter::SampleWriter(shared_ptr<CpwImpl> iParent, Ogawa::OGroupPtr iGroup, PropertyRecordPtr iRecord, size_t iIndex, bool iIsArray)
    : m_parent(std::move(iParent)), m_group(std::move(iGroup)), m_record(std::move(iRecord)), m_index(iIndex), m_isArray(iIsArray)
{
}

void SampleWriter::close()
{
	try
	{
		PropertyRecord& Record = *m_record;
		const uint32_t Count = (Record.lastChangedIndex == 0 && Record.numSamples > 0) ? 1 : Record.numSamples;
		m_parent->archive().noteSampleCount(Record.timeSamplingIndex, Count);
		SpookyHasher Hasher;
		HashHeader(Hasher, Record, m_parent->archive().getTimeSampling(Record.timeSamplingIndex).get());
		if (Record.numSamples > 0)
		{
			Digest Running;
			Running.setWord(0, m_hash0);
			Running.setWord(1, m_hash1);
			Hasher.update(Running);
		}
		m_parent->data().hashes[m_index] = Hasher.final();
		m_group->freeze();
	}
	catch (...)
	{
	}
}

void SampleWriter::addDims(const Dimensions& iDims)
{
	const bool Strings = m_record->header.getDataType().getPod() == kStringPOD || m_record->header.getDataType().getPod() == kWstringPOD;
	if (!Strings && iDims.rank() <= 1)
	{
		m_group->addData(nullptr, 0);
		return;
	}
	m_group->addData(iDims.rootPtr(), iDims.rank() * 8);
}

void SampleWriter::mixHash()
{
	Digest Sample = m_prevKey;
	if (m_isArray && m_prevDims.rank() > 0)
	{
		SpookyHasher Hasher;
		Hasher.update(m_prevDims.rootPtr(), m_prevDims.rank() * 8);
		Hasher.update(Sample);
		Sample = Hasher.final();
	}
	if (m_record->numSamples == 0)
	{
		m_hash0 = Sample.word(0);
		m_hash1 = Sample.word(1);
		return;
	}
	uint64_t h2 = Sample.word(0);
	uint64_t h3 = Sample.word(1);
	SpookyShortEnd(m_hash0, m_hash1, h2, h3);
}

void SampleWriter::writeSample(int iClass, uint64_t iNumBytes, const Digest* iKey, const void* iPayload, size_t iPayloadSize, uint64_t iNumValues,
                               const Dimensions& iDims)
{
	PropertyRecord& Record = *m_record;
	const uint32_t k = Record.numSamples;
	if (k == 0 || !iKey || *iKey != m_prevKey)
	{
		if (Record.firstChangedIndex != 0)
		{
			// Samples held since the last change are references to the block already written.
			for (uint32_t i = Record.lastChangedIndex + 1; i < k; ++i)
			{
				m_group->addDataRef(m_prevPos);
				if (m_isArray)
				{
					addDims(m_prevDims);
				}
			}
		}
		Digest Key;
		StoredSample Stored;
		if (iKey)
		{
			Key = *iKey;
			Stored = m_parent->archive().storeSample(*m_group, iClass, iNumBytes, Key, iPayload, iPayloadSize, iNumValues);
		}
		else
		{
			Stored = m_parent->archive().storeSampleWhileHashing(*m_group, iClass, iNumBytes, iPayload, iPayloadSize, iNumValues, Key);
		}
		m_prevPos = Stored.pos;
		m_prevKey = Key;
		m_prevPayloadSize = iPayloadSize;
		if (m_isArray)
		{
			m_prevDims = iDims;
			addDims(iDims);
			const uint64_t Points = iDims.numPoints();
			if (Points != 1)
			{
				Record.isScalarLike = false;
			}
			if (Points != Stored.numValues)
			{
				Record.isHomogeneous = false;
			}
		}
		if (Record.firstChangedIndex == 0)
		{
			Record.firstChangedIndex = k;
		}
		Record.lastChangedIndex = k;
	}
	mixHash();
	Record.numSamples = k + 1;
}

void SampleWriter::writeFromPrevious()
{
	ABCA_ASSERT(m_record->numSamples > 0, "Cannot set from a previous sample: " << m_record->header.getName() << " has no samples yet");
	mixHash();
	m_record->numSamples += 1;
}

SpwImpl::SpwImpl(shared_ptr<CpwImpl> iParent, Ogawa::OGroupPtr iGroup, PropertyRecordPtr iRecord, size_t iIndex)
    : SampleWriter(std::move(iParent), std::move(iGroup), std::move(iRecord), iIndex, false)
{
}

SpwImpl::~SpwImpl()
{
	close();
}

void SpwImpl::setTimeSamplingIndex(uint32_t iIndex)
{
	m_parent->archive().getTimeSampling(iIndex);
	m_record->timeSamplingIndex = iIndex;
	m_record->header.setTimeSampling(m_parent->archive().getTimeSampling(iIndex));
}

void SpwImpl::setSample(const void* iSample)
{
	const AbcA::DataType& Type = m_record->header.getDataType();
	const size_t Extent = Type.getExtent();
	if (Type.getPod() == kStringPOD)
	{
		const std::string* Strings = static_cast<const std::string*>(iSample);
		std::string Payload;
		for (size_t i = 0; i < Extent; ++i)
		{
			ABCA_ASSERT(Strings[i].find('\0') == std::string::npos, "Illegal NULL character found in string in ScalarPropertyWriter");
			Payload += Strings[i];
			Payload += '\0';
		}
		const Digest Key = MurmurHash3_x64_128(Payload.data(), Payload.size());
		writeSample(kStringClass, Extent, &Key, Payload.data(), Payload.size(), Extent, Dimensions());
		return;
	}
	ABCA_ASSERT(Type.getPod() != kWstringPOD, "Writing wide strings is not supported");
	const size_t Bytes = Type.getNumBytes();
	const Digest Key = MurmurHash3_x64_128(iSample, Bytes);
	writeSample(kNumericClass, Bytes, &Key, iSample, Bytes, Extent, Dimensions());
}

ApwImpl::ApwImpl(shared_ptr<CpwImpl> iParent, Ogawa::OGroupPtr iGroup, PropertyRecordPtr iRecord, size_t iIndex)
    : SampleWriter(std::move(iParent), std::move(iGroup), std::move(iRecord), iIndex, true)
{
}

ApwImpl::~ApwImpl()
{
	close();
}

void ApwImpl::setTimeSamplingIndex(uint32_t iIndex)
{
	m_record->header.setTimeSampling(m_parent->archive().getTimeSampling(iIndex));
	m_record->timeSamplingIndex = iIndex;
}

void ApwImpl::setSample(const AbcA::ArraySample& iSample)
{
	const AbcA::DataType& Type = m_record->header.getDataType();
	ABCA_ASSERT(iSample.getDataType() == Type || !iSample.valid(),
	            "DataType on ArraySample iSamp: " << iSample.getDataType() << ", does not match the DataType of the Array property: " << Type);
	// An invalid sample is stored as an empty one.
	const Dimensions Dims = iSample.valid() ? iSample.getDimensions() : Dimensions(0);
	const size_t Points = Dims.numPoints();
	const size_t Extent = Type.getExtent();
	if (Type.getPod() == kStringPOD)
	{
		const std::string* Strings = static_cast<const std::string*>(iSample.getData());
		std::string Payload;
		for (size_t i = 0; i < Points * Extent; ++i)
		{
			ABCA_ASSERT(Strings[i].find('\0') == std::string::npos, "Illegal NULL character found in string in ArrayPropertyWriter");
			Payload += Strings[i];
			Payload += '\0';
		}
		const Digest Key = MurmurHash3_x64_128(Payload.data(), Payload.size());
		writeSample(kStringClass, Points * Extent, &Key, Payload.data(), Payload.size(), Points * Extent, Dims);
		return;
	}
	ABCA_ASSERT(Type.getPod() != kWstringPOD, "Writing wide strings is not supported");
	const size_t Bytes = Points * Type.getNumBytes();
	const void* Data = Bytes ? iSample.getData() : nullptr;
	// A new size can neither repeat the previous sample nor match a stored block (up to a hash
	// collision between different lengths), so large ones hash while they are written.
	const bool NewSize = m_record->numSamples == 0 || Bytes != previousPayloadSize();
	if (NewSize && m_parent->archive().canStoreWhileHashing(kNumericClass, Bytes, Bytes))
	{
		writeSample(kNumericClass, Bytes, nullptr, Data, Bytes, Points * Extent, Dims);
		return;
	}
	const Digest Key = MurmurHash3_x64_128(Data, Bytes);
	writeSample(kNumericClass, Bytes, &Key, Data, Bytes, Points * Extent, Dims);
}
}
}
}
