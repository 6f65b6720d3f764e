#pragma once

#include <Alembic/AbcCoreAbstract/BasePropertyReader.h>

namespace Alembic
{
	namespace AbcCoreAbstract
	{
		namespace ALEMBIC_VERSION_NS
		{
			class CompoundPropertyReader : public BasePropertyReader
			{
			public:
				virtual size_t getNumProperties() = 0;
				virtual const PropertyHeader& getPropertyHeader(size_t i) = 0;
				virtual const PropertyHeader* getPropertyHeader(const std::string& iName) = 0;
				virtual ScalarPropertyReaderPtr getScalarProperty(const std::string& iName) = 0;
				virtual ArrayPropertyReaderPtr getArrayProperty(const std::string& iName) = 0;
				virtual CompoundPropertyReaderPtr getCompoundProperty(const std::string& iName) = 0;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
