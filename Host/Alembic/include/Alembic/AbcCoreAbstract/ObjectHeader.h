#pragma once

#include <Alembic/AbcCoreAbstract/MetaData.h>

namespace Alembic
{
	namespace AbcCoreAbstract
	{
		namespace ALEMBIC_VERSION_NS
		{
			class ObjectHeader
			{
			public:
				ObjectHeader() = default;
				ObjectHeader(const std::string& iName, const MetaData& iMetaData)
				    : m_name(iName), m_metaData(iMetaData) {}
				ObjectHeader(const std::string& iName, const std::string& iFullName, const MetaData& iMetaData)
				    : m_name(iName), m_fullName(iFullName), m_metaData(iMetaData)
				{
				}

				const std::string& getName() const { return m_name; }
				void setName(const std::string& iName) { m_name = iName; }
				const std::string& getFullName() const { return m_fullName; }
				void setFullName(const std::string& iFullName) { m_fullName = iFullName; }
				const MetaData& getMetaData() const { return m_metaData; }
				MetaData& getMetaData() { return m_metaData; }
				void setMetaData(const MetaData& iMetaData) { m_metaData = iMetaData; }

			private:
				std::string m_name;
				std::string m_fullName;
				MetaData m_metaData;
			};

			typedef shared_ptr<ObjectHeader> ObjectHeaderPtr;
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
