#pragma once

#include <Alembic/Abc/ICompoundProperty.h>

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			// A scalar property for reading; a missing name gives "Nonexistent scalar property".
			class IScalarProperty : public Base
			{
			public:
				IScalarProperty() = default;
				IScalarProperty(const ICompoundProperty& iParent, const std::string& iName, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument());
				IScalarProperty(AbcA::ScalarPropertyReaderPtr iPtr, WrapExistingFlag, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument());

				size_t getNumSamples() const;
				bool isConstant() const;
				AbcA::TimeSamplingPtr getTimeSampling() const { return getHeader().getTimeSampling(); }
				// oSample must hold getDataType() values (std::string objects for strings).
				void get(void* oSample, const ISampleSelector& iSS = ISampleSelector()) const;

				const AbcA::PropertyHeader& getHeader() const;
				const std::string& getName() const { return getHeader().getName(); }
				const AbcA::MetaData& getMetaData() const { return getHeader().getMetaData(); }
				const AbcA::DataType& getDataType() const { return getHeader().getDataType(); }
				ICompoundProperty getParent() const;
				AbcA::ScalarPropertyReaderPtr getPtr() const { return m_property; }

				void reset() override
				{
					m_property.reset();
					Base::reset();
				}
				bool valid() const override { return Base::valid() && m_property != nullptr; }

			protected:
				AbcA::ScalarPropertyReaderPtr m_property;
			};

		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
