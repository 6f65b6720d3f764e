#include "WriteUtil.h"
#include "WriterImpl.h"

namespace Alembic
{
	namespace AbcCoreOgawa
	{
		namespace ALEMBIC_VERSION_NS
		{
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
				// As the library's: the property headers are written here, and a failed write is not caught.
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
		}
	}
}
