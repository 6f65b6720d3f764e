#include <Alembic/Abc/ICompoundProperty.h>

namespace Alembic
{
namespace Abc
{
namespace ALEMBIC_VERSION_NS
{
namespace
{
const AbcA::ObjectHeader& EmptyObjectHeader()
{
	static const AbcA::ObjectHeader Header;
	return Header;
}

const AbcA::PropertyHeader& EmptyPropertyHeader()
{
	static const AbcA::PropertyHeader Header;
	return Header;
}
}

// ---------------------------------------------------------------------------------------------
// IArchive

std::string IArchive::getName() const
{
	return m_archive ? m_archive->getName() : std::string();
}

IObject IArchive::getTop() const
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("IArchive::getTop()");
	if (m_archive)
	{
		return IObject(m_archive->getTop(), kWrapExisting, getErrorHandlerPolicy());
	}
	ALEMBIC_ABC_SAFE_CALL_END();
	return IObject();
}

AbcA::TimeSamplingPtr IArchive::getTimeSampling(uint32_t iIndex)
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("IArchive::getTimeSampling()");
	if (m_archive)
	{
		return m_archive->getTimeSampling(iIndex);
	}
	ALEMBIC_ABC_SAFE_CALL_END();
	return AbcA::TimeSamplingPtr();
}

uint32_t IArchive::getNumTimeSamplings()
{
	return m_archive ? m_archive->getNumTimeSamplings() : 0;
}

index_t IArchive::getMaxNumSamplesForTimeSamplingIndex(uint32_t iIndex)
{
	return m_archive ? m_archive->getMaxNumSamplesForTimeSamplingIndex(iIndex) : AbcA::INDEX_UNKNOWN;
}

int32_t IArchive::getArchiveVersion()
{
	return m_archive ? m_archive->getArchiveVersion() : 0;
}

AbcA::ReadArraySampleCachePtr IArchive::getReadArraySampleCachePtr()
{
	return m_archive ? m_archive->getReadArraySampleCachePtr() : nullptr;
}

void IArchive::setReadArraySampleCachePtr(AbcA::ReadArraySampleCachePtr iCachePtr)
{
	if (m_archive)
	{
		m_archive->setReadArraySampleCachePtr(iCachePtr);
	}
}

// ---------------------------------------------------------------------------------------------
// IObject

IObject::IObject(const IObject& iParent, const std::string& iName, const Argument& iArg0)
    : Base(MakeArguments(iParent.getErrorHandlerPolicy(), iArg0).getErrorHandlerPolicy())
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("IObject::IObject( IObject, name )");
	if (iParent.m_object)
	{
		m_object = iParent.m_object->getChild(iName);
	}
	ALEMBIC_ABC_SAFE_CALL_END_RESET();
}

IObject::IObject(AbcA::ObjectReaderPtr iPtr, const Argument& iArg0)
    : Base(GetErrorHandlerPolicyFromArgs(iArg0)), m_object(std::move(iPtr)) {}

IObject::IObject(AbcA::ObjectReaderPtr iPtr, WrapExistingFlag, const Argument& iArg0)
    : Base(GetErrorHandlerPolicyFromArgs(iArg0)), m_object(std::move(iPtr))
{
}

IObject::IObject(IArchive& iArchive, const Argument& iArg0)
    : IObject(iArchive, kTop, iArg0) {}

IObject::IObject(IArchive& iArchive, TopFlag, const Argument& iArg0)
    : Base(MakeArguments(iArchive.getErrorHandlerPolicy(), iArg0).getErrorHandlerPolicy())
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("IObject::IObject( IArchive )");
	if (iArchive.getPtr())
	{
		m_object = iArchive.getPtr()->getTop();
	}
	ALEMBIC_ABC_SAFE_CALL_END_RESET();
}

IObject::~IObject() = default;

const AbcA::ObjectHeader& IObject::getHeader() const
{
	return m_object ? m_object->getHeader() : EmptyObjectHeader();
}

IArchive IObject::getArchive() const
{
	return m_object ? IArchive(m_object->getArchive(), kWrapExisting, getErrorHandlerPolicy()) : IArchive();
}

IObject IObject::getParent() const
{
	return m_object ? IObject(m_object->getParent(), kWrapExisting, getErrorHandlerPolicy()) : IObject();
}

size_t IObject::getNumChildren() const
{
	return m_object ? m_object->getNumChildren() : 0;
}

const AbcA::ObjectHeader& IObject::getChildHeader(size_t i) const
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("IObject::getChildHeader()");
	if (m_object)
	{
		return m_object->getChildHeader(i);
	}
	ALEMBIC_ABC_SAFE_CALL_END();
	return EmptyObjectHeader();
}

const AbcA::ObjectHeader* IObject::getChildHeader(const std::string& iName) const
{
	return m_object ? m_object->getChildHeader(iName) : nullptr;
}

ICompoundProperty IObject::getProperties() const
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("IObject::getProperties()");
	if (m_object)
	{
		return ICompoundProperty(m_object->getProperties(), kWrapExisting, getErrorHandlerPolicy());
	}
	ALEMBIC_ABC_SAFE_CALL_END();
	return ICompoundProperty();
}

IObject IObject::getChild(size_t iChildIndex) const
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("IObject::getChild()");
	ABCA_ASSERT(m_object, "Out of range index in OrData::getChild: " << iChildIndex);
	return IObject(m_object->getChild(iChildIndex), kWrapExisting, getErrorHandlerPolicy());
	ALEMBIC_ABC_SAFE_CALL_END();
	return IObject();
}

IObject IObject::getChild(const std::string& iChildName) const
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("IObject::getChild()");
	if (m_object)
	{
		return IObject(m_object->getChild(iChildName), kWrapExisting, getErrorHandlerPolicy());
	}
	ALEMBIC_ABC_SAFE_CALL_END();
	return IObject();
}

bool IObject::getPropertiesHash(Util::Digest& oDigest)
{
	return m_object && m_object->getPropertiesHash(oDigest);
}

bool IObject::getChildrenHash(Util::Digest& oDigest)
{
	return m_object && m_object->getChildrenHash(oDigest);
}

// ---------------------------------------------------------------------------------------------
// ICompoundProperty

ICompoundProperty::ICompoundProperty(const ICompoundProperty& iParent, const std::string& iName, const Argument& iArg0)
    : Base(MakeArguments(iParent.getErrorHandlerPolicy(), iArg0).getErrorHandlerPolicy())
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("ICompoundProperty::init()");
	ABCA_ASSERT(iParent.m_property, "NULL CompoundPropertyReader passed into ICompoundProperty ctor");
	const AbcA::PropertyHeader* Header = iParent.m_property->getPropertyHeader(iName);
	ABCA_ASSERT(Header && Header->isCompound(), "Nonexistent compound property: " << iName);
	m_property = iParent.m_property->getCompoundProperty(iName);
	ALEMBIC_ABC_SAFE_CALL_END_RESET();
}

ICompoundProperty::ICompoundProperty(AbcA::CompoundPropertyReaderPtr iPtr, const Argument& iArg0, const Argument& iArg1)
    : Base(GetErrorHandlerPolicyFromArgs(iArg0, iArg1)), m_property(std::move(iPtr))
{
}

ICompoundProperty::ICompoundProperty(AbcA::CompoundPropertyReaderPtr iPtr, WrapExistingFlag, const Argument& iArg0, const Argument& iArg1)
    : Base(GetErrorHandlerPolicyFromArgs(iArg0, iArg1)), m_property(std::move(iPtr))
{
}

ICompoundProperty::ICompoundProperty(const IObject& iObject, const Argument& iArg0, const Argument& iArg1)
    : ICompoundProperty(iObject, kTop, iArg0, iArg1) {}

ICompoundProperty::ICompoundProperty(const IObject& iObject, TopFlag, const Argument& iArg0, const Argument& iArg1)
    : Base(MakeArguments(iObject.getErrorHandlerPolicy(), iArg0, iArg1).getErrorHandlerPolicy())
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("ICompoundProperty::init( IObject )");
	if (iObject.getPtr())
	{
		m_property = iObject.getPtr()->getProperties();
	}
	ALEMBIC_ABC_SAFE_CALL_END_RESET();
}

size_t ICompoundProperty::getNumProperties() const
{
	return m_property ? m_property->getNumProperties() : 0;
}

const AbcA::PropertyHeader& ICompoundProperty::getPropertyHeader(size_t i) const
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("ICompoundProperty::getPropertyHeader()");
	ABCA_ASSERT(m_property, "Out of range index in getPropertyHeader: " << i);
	return m_property->getPropertyHeader(i);
	ALEMBIC_ABC_SAFE_CALL_END();
	return EmptyPropertyHeader();
}

const AbcA::PropertyHeader* ICompoundProperty::getPropertyHeader(const std::string& iName) const
{
	return m_property ? m_property->getPropertyHeader(iName) : nullptr;
}

ICompoundProperty ICompoundProperty::getParent() const
{
	return m_property ? ICompoundProperty(m_property->getParent(), kWrapExisting, getErrorHandlerPolicy()) : ICompoundProperty();
}

const AbcA::PropertyHeader& ICompoundProperty::getHeader() const
{
	return m_property ? m_property->getHeader() : EmptyPropertyHeader();
}

IObject ICompoundProperty::getObject() const
{
	return m_property ? IObject(m_property->getObject(), kWrapExisting, getErrorHandlerPolicy()) : IObject();
}

// ---------------------------------------------------------------------------------------------
// IScalarProperty

IScalarProperty::IScalarProperty(const ICompoundProperty& iParent, const std::string& iName, const Argument& iArg0, const Argument& iArg1)
    : Base(MakeArguments(iParent.getErrorHandlerPolicy(), iArg0, iArg1).getErrorHandlerPolicy())
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("IScalarProperty::init()");
	ABCA_ASSERT(iParent.getPtr(), "NULL CompoundPropertyReader passed into IScalarProperty ctor");
	const AbcA::PropertyHeader* Header = iParent.getPtr()->getPropertyHeader(iName);
	ABCA_ASSERT(Header && Header->isScalar(), "Nonexistent scalar property: " << iName);
	m_property = iParent.getPtr()->getScalarProperty(iName);
	ALEMBIC_ABC_SAFE_CALL_END_RESET();
}

IScalarProperty::IScalarProperty(AbcA::ScalarPropertyReaderPtr iPtr, WrapExistingFlag, const Argument& iArg0, const Argument& iArg1)
    : Base(GetErrorHandlerPolicyFromArgs(iArg0, iArg1)), m_property(std::move(iPtr))
{
}

size_t IScalarProperty::getNumSamples() const
{
	return m_property ? m_property->getNumSamples() : 0;
}

bool IScalarProperty::isConstant() const
{
	return m_property ? m_property->isConstant() : true;
}

void IScalarProperty::get(void* oSample, const ISampleSelector& iSS) const
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("IScalarProperty::get()");
	ABCA_ASSERT(m_property, "Invalid IScalarProperty");
	m_property->getSample(iSS.getIndex(m_property->getTimeSampling(), index_t(m_property->getNumSamples())), oSample);
	ALEMBIC_ABC_SAFE_CALL_END();
}

const AbcA::PropertyHeader& IScalarProperty::getHeader() const
{
	return m_property ? m_property->getHeader() : EmptyPropertyHeader();
}

ICompoundProperty IScalarProperty::getParent() const
{
	return m_property ? ICompoundProperty(m_property->getParent(), kWrapExisting, getErrorHandlerPolicy()) : ICompoundProperty();
}

// ---------------------------------------------------------------------------------------------
// IArrayProperty

IArrayProperty::IArrayProperty(const ICompoundProperty& iParent, const std::string& iName, const Argument& iArg0, const Argument& iArg1)
    : Base(MakeArguments(iParent.getErrorHandlerPolicy(), iArg0, iArg1).getErrorHandlerPolicy())
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("IArrayProperty::init()");
	ABCA_ASSERT(iParent.getPtr(), "NULL CompoundPropertyReader passed into IArrayProperty ctor");
	const AbcA::PropertyHeader* Header = iParent.getPtr()->getPropertyHeader(iName);
	ABCA_ASSERT(Header && Header->isArray(), "Nonexistent array property: " << iName);
	m_property = iParent.getPtr()->getArrayProperty(iName);
	ALEMBIC_ABC_SAFE_CALL_END_RESET();
}

IArrayProperty::IArrayProperty(AbcA::ArrayPropertyReaderPtr iPtr, WrapExistingFlag, const Argument& iArg0, const Argument& iArg1)
    : Base(GetErrorHandlerPolicyFromArgs(iArg0, iArg1)), m_property(std::move(iPtr))
{
}

size_t IArrayProperty::getNumSamples() const
{
	return m_property ? m_property->getNumSamples() : 0;
}

bool IArrayProperty::isConstant() const
{
	return m_property ? m_property->isConstant() : true;
}

bool IArrayProperty::isScalarLike() const
{
	return m_property ? m_property->isScalarLike() : true;
}

index_t IArrayProperty::sampleIndex(const ISampleSelector& iSS) const
{
	ABCA_ASSERT(m_property, "Invalid IArrayProperty");
	return iSS.getIndex(m_property->getTimeSampling(), index_t(m_property->getNumSamples()));
}

void IArrayProperty::get(AbcA::ArraySamplePtr& oSample, const ISampleSelector& iSS) const
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("IArrayProperty::get()");
	m_property->getSample(sampleIndex(iSS), oSample);
	ALEMBIC_ABC_SAFE_CALL_END();
}

void IArrayProperty::getDimensions(Util::Dimensions& oDim, const ISampleSelector& iSS) const
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("IArrayProperty::getDimensions()");
	m_property->getDimensions(sampleIndex(iSS), oDim);
	ALEMBIC_ABC_SAFE_CALL_END();
}

bool IArrayProperty::getKey(Util::Digest& oKey, const ISampleSelector& iSS) const
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("IArrayProperty::getKey()");
	return m_property->getKey(sampleIndex(iSS), oKey);
	ALEMBIC_ABC_SAFE_CALL_END();
	return false;
}

const AbcA::PropertyHeader& IArrayProperty::getHeader() const
{
	return m_property ? m_property->getHeader() : EmptyPropertyHeader();
}

ICompoundProperty IArrayProperty::getParent() const
{
	return m_property ? ICompoundProperty(m_property->getParent(), kWrapExisting, getErrorHandlerPolicy()) : ICompoundProperty();
}
}
}
}
