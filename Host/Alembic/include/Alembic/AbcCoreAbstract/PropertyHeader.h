#pragma once

#include <Alembic/AbcCoreAbstract/DataType.h>
#include <Alembic/AbcCoreAbstract/MetaData.h>
#include <Alembic/AbcCoreAbstract/TimeSampling.h>

namespace Alembic
{
	namespace AbcCoreAbstract
	{
		namespace ALEMBIC_VERSION_NS
		{
			enum PropertyType
			{
				kCompoundProperty = 0,
				kScalarProperty = 1,
				kArrayProperty = 2
			};

			class PropertyHeader
			{
			public:
				PropertyHeader()
				    : m_propertyType(kScalarProperty) {}
				PropertyHeader(const std::string& iName, const MetaData& iMetaData)
				    : m_name(iName), m_propertyType(kCompoundProperty), m_metaData(iMetaData)
				{
				}
				PropertyHeader(const std::string& iName, PropertyType iType, const MetaData& iMetaData, const DataType& iDataType, const TimeSamplingPtr& iTsamp)
				    : m_name(iName), m_propertyType(iType), m_metaData(iMetaData), m_dataType(iDataType), m_timeSampling(iTsamp)
				{
				}

				const std::string& getName() const { return m_name; }
				void setName(const std::string& iName) { m_name = iName; }
				PropertyType getPropertyType() const { return m_propertyType; }
				void setPropertyType(PropertyType iType) { m_propertyType = iType; }
				bool isScalar() const { return m_propertyType == kScalarProperty; }
				bool isArray() const { return m_propertyType == kArrayProperty; }
				bool isCompound() const { return m_propertyType == kCompoundProperty; }
				bool isSimple() const { return !isCompound(); }
				const MetaData& getMetaData() const { return m_metaData; }
				void setMetaData(const MetaData& iMetaData) { m_metaData = iMetaData; }
				const DataType& getDataType() const { return m_dataType; }
				void setDataType(const DataType& iDataType) { m_dataType = iDataType; }
				TimeSamplingPtr getTimeSampling() const { return m_timeSampling; }
				void setTimeSampling(const TimeSamplingPtr& iTsamp) { m_timeSampling = iTsamp; }

			private:
				std::string m_name;
				PropertyType m_propertyType;
				MetaData m_metaData;
				DataType m_dataType;
				TimeSamplingPtr m_timeSampling;
			};

			typedef shared_ptr<PropertyHeader> PropertyHeaderPtr;
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
