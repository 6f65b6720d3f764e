#pragma once

#include <Alembic/Abc/OObject.h>

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			class OCompoundProperty : public Base
			{
			public:
				OCompoundProperty() = default;
				OCompoundProperty(AbcA::CompoundPropertyWriterPtr iParent, const std::string& iName, const Argument& iArg0 = Argument(),
				                  const Argument& iArg1 = Argument());
				OCompoundProperty(OCompoundProperty iParent, const std::string& iName, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument());
				OCompoundProperty(AbcA::CompoundPropertyWriterPtr iProp, WrapExistingFlag iWrapFlag = kWrapExisting, const Argument& iArg0 = Argument(),
				                  const Argument& iArg1 = Argument());
				OCompoundProperty(OObject iObject, TopFlag iTopFlag = kTop, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument());

				size_t getNumProperties() const { return m_property ? m_property->getNumProperties() : 0; }
				const AbcA::PropertyHeader& getPropertyHeader(size_t i) const;
				const AbcA::PropertyHeader* getPropertyHeader(const std::string& iName) const
				{
					return m_property ? m_property->getPropertyHeader(iName) : nullptr;
				}
				OCompoundProperty getParent() const;

				const AbcA::PropertyHeader& getHeader() const;
				const std::string& getName() const { return getHeader().getName(); }
				const AbcA::MetaData& getMetaData() const { return getHeader().getMetaData(); }
				OObject getObject() const;
				AbcA::CompoundPropertyWriterPtr getPtr() const { return m_property; }

				void reset() override
				{
					m_property.reset();
					Base::reset();
				}
				bool valid() const override { return Base::valid() && m_property != nullptr; }

			protected:
				AbcA::CompoundPropertyWriterPtr m_property;
			};

			// Time sampling from the arguments: a TimeSamplingPtr is added to the archive first.
			uint32_t GetTimeSamplingIndexFromArgs(const AbcA::CompoundPropertyWriterPtr& iParent, const Arguments& iArgs);

		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
