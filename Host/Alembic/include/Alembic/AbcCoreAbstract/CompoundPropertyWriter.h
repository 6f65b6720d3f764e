#pragma once

#include <Alembic/AbcCoreAbstract/BasePropertyWriter.h>

namespace Alembic
{
	namespace AbcCoreAbstract
	{
		namespace ALEMBIC_VERSION_NS
		{
			class CompoundPropertyWriter : public BasePropertyWriter
			{
			public:
				virtual size_t getNumProperties() = 0;
				virtual const PropertyHeader& getPropertyHeader(size_t i) = 0;
				virtual const PropertyHeader* getPropertyHeader(const std::string& iName) = 0;
				virtual BasePropertyWriterPtr getProperty(const std::string& iName) = 0;
				virtual ScalarPropertyWriterPtr createScalarProperty(const std::string& iName, const MetaData& iMetaData, const DataType& iDataType, uint32_t iTimeSamplingIndex) = 0;
				virtual ArrayPropertyWriterPtr createArrayProperty(const std::string& iName, const MetaData& iMetaData, const DataType& iDataType, uint32_t iTimeSamplingIndex) = 0;
				virtual CompoundPropertyWriterPtr createCompoundProperty(const std::string& iName, const MetaData& iMetaData) = 0;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
