#pragma once

#include <Alembic/Abc/OCompoundProperty.h>

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			// An array property for writing: one ArraySample per set().
			class OArrayProperty : public Base
			{
			public:
				OArrayProperty() = default;
				OArrayProperty(OCompoundProperty iParent, const std::string& iName, const AbcA::DataType& iDataType, const Argument& iArg0 = Argument(),
				               const Argument& iArg1 = Argument(), const Argument& iArg2 = Argument());
				OArrayProperty(AbcA::CompoundPropertyWriterPtr iParent, const std::string& iName, const AbcA::DataType& iDataType,
				               const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument(), const Argument& iArg2 = Argument());
				OArrayProperty(AbcA::ArrayPropertyWriterPtr iPtr, WrapExistingFlag, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument());

				size_t getNumSamples() const { return m_property ? m_property->getNumSamples() : 0; }
				void set(const AbcA::ArraySample& iSample);
				void setFromPrevious();
				void setTimeSampling(uint32_t iIndex);
				void setTimeSampling(AbcA::TimeSamplingPtr iTime);
				AbcA::TimeSamplingPtr getTimeSampling() const { return getHeader().getTimeSampling(); }

				const AbcA::PropertyHeader& getHeader() const;
				const std::string& getName() const { return getHeader().getName(); }
				const AbcA::MetaData& getMetaData() const { return getHeader().getMetaData(); }
				const AbcA::DataType& getDataType() const { return getHeader().getDataType(); }
				OCompoundProperty getParent() const;
				AbcA::ArrayPropertyWriterPtr getPtr() const { return m_property; }

				void reset() override
				{
					m_property.reset();
					Base::reset();
				}
				bool valid() const override { return Base::valid() && m_property != nullptr; }

			protected:
				AbcA::ArrayPropertyWriterPtr m_property;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
