#pragma once

#include <Alembic/Abc/ICompoundProperty.h>

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			// An array property for reading; a missing name gives "Nonexistent array property".
			class IArrayProperty : public Base
			{
			public:
				IArrayProperty() = default;
				IArrayProperty(const ICompoundProperty& iParent, const std::string& iName, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument());
				IArrayProperty(AbcA::ArrayPropertyReaderPtr iPtr, WrapExistingFlag, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument());

				size_t getNumSamples() const;
				bool isConstant() const;
				bool isScalarLike() const;
				AbcA::TimeSamplingPtr getTimeSampling() const { return getHeader().getTimeSampling(); }
				void get(AbcA::ArraySamplePtr& oSample, const ISampleSelector& iSS = ISampleSelector()) const;
				void getDimensions(Util::Dimensions& oDim, const ISampleSelector& iSS = ISampleSelector()) const;
				bool getKey(AbcA::ArraySampleKey& oKey, const ISampleSelector& iSS = ISampleSelector()) const;

				const AbcA::PropertyHeader& getHeader() const;
				const std::string& getName() const { return getHeader().getName(); }
				const AbcA::MetaData& getMetaData() const { return getHeader().getMetaData(); }
				const AbcA::DataType& getDataType() const { return getHeader().getDataType(); }
				ICompoundProperty getParent() const;
				AbcA::ArrayPropertyReaderPtr getPtr() const { return m_property; }

				void reset() override
				{
					m_property.reset();
					Base::reset();
				}
				bool valid() const override { return Base::valid() && m_property != nullptr; }

			protected:
				// Resolves the selector against this property's own samples.
				index_t sampleIndex(const ISampleSelector& iSS) const;

				AbcA::ArrayPropertyReaderPtr m_property;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
