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

// Opens a simple property of the given kind by name, with the messages the library gives.
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
	bool getKey(Util::Digest& oKey, const ISampleSelector& iSS = ISampleSelector()) const;

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
