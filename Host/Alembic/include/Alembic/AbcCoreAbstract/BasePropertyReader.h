#pragma once

#include <Alembic/AbcCoreAbstract/ForwardDeclarations.h>
#include <Alembic/AbcCoreAbstract/PropertyHeader.h>

namespace Alembic
{
	namespace AbcCoreAbstract
	{
		namespace ALEMBIC_VERSION_NS
		{
			class BasePropertyReader
			{
			public:
				virtual ~BasePropertyReader() = default;
				virtual const PropertyHeader& getHeader() const = 0;
				const std::string& getName() const { return getHeader().getName(); }
				PropertyType getPropertyType() const { return getHeader().getPropertyType(); }
				const MetaData& getMetaData() const { return getHeader().getMetaData(); }
				virtual ObjectReaderPtr getObject() = 0;
				virtual CompoundPropertyReaderPtr getParent() = 0;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
