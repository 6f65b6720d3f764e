#pragma once

#include <Alembic/AbcCoreAbstract/ForwardDeclarations.h>
#include <Alembic/AbcCoreAbstract/ObjectHeader.h>

namespace Alembic
{
	namespace AbcCoreAbstract
	{
		namespace ALEMBIC_VERSION_NS
		{
			class ObjectReader
			{
			public:
				virtual ~ObjectReader() = default;
				virtual const ObjectHeader& getHeader() const = 0;
				virtual ArchiveReaderPtr getArchive() = 0;
				virtual ObjectReaderPtr getParent() = 0;
				virtual CompoundPropertyReaderPtr getProperties() = 0;
				virtual size_t getNumChildren() = 0;
				virtual const ObjectHeader& getChildHeader(size_t i) = 0;
				virtual const ObjectHeader* getChildHeader(const std::string& iName) = 0;
				virtual ObjectReaderPtr getChild(size_t i) = 0;
				virtual ObjectReaderPtr getChild(const std::string& iName) = 0;
				virtual ObjectReaderPtr asObjectPtr() = 0;
				virtual bool getPropertiesHash(Digest& oDigest) = 0;
				virtual bool getChildrenHash(Digest& oDigest) = 0;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
