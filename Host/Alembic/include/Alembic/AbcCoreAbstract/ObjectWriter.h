#pragma once

#include <Alembic/AbcCoreAbstract/ForwardDeclarations.h>
#include <Alembic/AbcCoreAbstract/ObjectHeader.h>

namespace Alembic
{
	namespace AbcCoreAbstract
	{
		namespace ALEMBIC_VERSION_NS
		{
			class ObjectWriter
			{
			public:
				virtual ~ObjectWriter() = default;
				virtual const ObjectHeader& getHeader() const = 0;
				virtual ArchiveWriterPtr getArchive() = 0;
				virtual ObjectWriterPtr getParent() = 0;
				virtual CompoundPropertyWriterPtr getProperties() = 0;
				virtual size_t getNumChildren() = 0;
				virtual const ObjectHeader& getChildHeader(size_t i) = 0;
				virtual const ObjectHeader* getChildHeader(const std::string& iName) = 0;
				virtual ObjectWriterPtr getChild(const std::string& iName) = 0;
				virtual ObjectWriterPtr createChild(const ObjectHeader& iHeader) = 0;
				virtual ObjectWriterPtr asObjectPtr() = 0;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
