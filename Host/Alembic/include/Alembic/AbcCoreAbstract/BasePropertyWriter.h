#pragma once

#include <Alembic/AbcCoreAbstract/ForwardDeclarations.h>
#include <Alembic/AbcCoreAbstract/PropertyHeader.h>

namespace Alembic
{
	namespace AbcCoreAbstract
	{
		namespace ALEMBIC_VERSION_NS
		{
			class BasePropertyWriter
			{
			public:
				virtual ~BasePropertyWriter() = default;
				virtual const PropertyHeader& getHeader() const = 0;
				const std::string& getName() const { return getHeader().getName(); }
				PropertyType getPropertyType() const { return getHeader().getPropertyType(); }
				const MetaData& getMetaData() const { return getHeader().getMetaData(); }
				virtual ObjectWriterPtr getObject() = 0;
				virtual CompoundPropertyWriterPtr getParent() = 0;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
