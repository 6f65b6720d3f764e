#pragma once

#include <Alembic/Abc/IObject.h>
#include <Alembic/Abc/ISampleSelector.h>

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			class ICompoundProperty : public Base
			{
			public:
				ICompoundProperty() = default;
				ICompoundProperty(const ICompoundProperty& iParent, const std::string& iName, const Argument& iArg0 = Argument());
				ICompoundProperty(AbcA::CompoundPropertyReaderPtr iPtr, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument());
				ICompoundProperty(AbcA::CompoundPropertyReaderPtr iPtr, WrapExistingFlag, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument());
				ICompoundProperty(const IObject& iObject, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument());
				ICompoundProperty(const IObject& iObject, TopFlag, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument());
				ICompoundProperty(const ICompoundProperty&) = default;
				ICompoundProperty& operator=(const ICompoundProperty&) = default;

				// Safe on an invalid compound: no properties.
				size_t getNumProperties() const;
				const AbcA::PropertyHeader& getPropertyHeader(size_t i) const;
				const AbcA::PropertyHeader* getPropertyHeader(const std::string& iName) const;
				ICompoundProperty getParent() const;

				const AbcA::PropertyHeader& getHeader() const;
				const std::string& getName() const { return getHeader().getName(); }
				AbcA::PropertyType getPropertyType() const { return getHeader().getPropertyType(); }
				bool isScalar() const { return getHeader().isScalar(); }
				bool isArray() const { return getHeader().isArray(); }
				bool isCompound() const { return getHeader().isCompound(); }
				bool isSimple() const { return getHeader().isSimple(); }
				const AbcA::MetaData& getMetaData() const { return getHeader().getMetaData(); }
				const AbcA::DataType& getDataType() const { return getHeader().getDataType(); }
				AbcA::TimeSamplingPtr getTimeSampling() const { return getHeader().getTimeSampling(); }
				IObject getObject() const;
				AbcA::CompoundPropertyReaderPtr getPtr() const { return m_property; }

				void reset() override
				{
					m_property.reset();
					Base::reset();
				}
				bool valid() const override { return Base::valid() && m_property != nullptr; }

			protected:
				AbcA::CompoundPropertyReaderPtr m_property;
			};

		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
