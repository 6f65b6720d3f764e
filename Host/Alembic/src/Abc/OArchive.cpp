#include <Alembic/Abc/OCompoundProperty.h>

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
// OArchive

OObject OArchive::getTop()
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("OArchive::getTop()");
	if (m_archive)
	{
		return OObject(m_archive->getTop(), kWrapExisting, getErrorHandlerPolicy());
	}
	ALEMBIC_ABC_SAFE_CALL_END();
	return OObject();
}

uint32_t OArchive::addTimeSampling(const AbcA::TimeSampling& iTs)
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("OArchive::addTimeSampling()");
	ABCA_ASSERT(m_archive, "Invalid OArchive");
	return m_archive->addTimeSampling(iTs);
	ALEMBIC_ABC_SAFE_CALL_END();
	return 0;
}

AbcA::TimeSamplingPtr OArchive::getTimeSampling(uint32_t iIndex)
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("OArchive::getTimeSampling()");
	ABCA_ASSERT(m_archive, "Invalid OArchive");
	return m_archive->getTimeSampling(iIndex);
	ALEMBIC_ABC_SAFE_CALL_END();
	return AbcA::TimeSamplingPtr();
}

// ---------------------------------------------------------------------------------------------
// OObject

OObject::OObject(OObject iParentObject, const std::string& iName, const Argument& iArg0, const Argument& iArg1, const Argument& iArg2)
    : Base(MakeArguments(iParentObject.getErrorHandlerPolicy(), iArg0, iArg1, iArg2).getErrorHandlerPolicy())
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("OObject::OObject( OObject, name )");
	ABCA_ASSERT(iParentObject.m_object, "NULL parent passed into OObject ctor");
	m_object = iParentObject.m_object->createChild(AbcA::ObjectHeader(iName, GetMetaData(iArg0, iArg1, iArg2)));
	ALEMBIC_ABC_SAFE_CALL_END_RESET();
}

OObject::OObject(AbcA::ObjectWriterPtr iPtr, WrapExistingFlag, const Argument& iArg0, const Argument& iArg1, const Argument& iArg2)
    : Base(GetErrorHandlerPolicyFromArgs(iArg0, iArg1, iArg2)), m_object(std::move(iPtr))
{
}

OObject::OObject(OArchive& iArchive, TopFlag, const Argument& iArg0, const Argument& iArg1, const Argument& iArg2)
    : Base(MakeArguments(iArchive.getErrorHandlerPolicy(), iArg0, iArg1, iArg2).getErrorHandlerPolicy())
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("OObject::OObject( OArchive )");
	ABCA_ASSERT(iArchive.getPtr(), "Invalid OArchive");
	m_object = iArchive.getPtr()->getTop();
	ALEMBIC_ABC_SAFE_CALL_END_RESET();
}

OObject::~OObject() = default;

const AbcA::ObjectHeader& OObject::getHeader() const
{
	return m_object ? m_object->getHeader() : EmptyObjectHeader();
}

OArchive OObject::getArchive()
{
	return m_object ? OArchive(m_object->getArchive(), kWrapExisting, getErrorHandlerPolicy()) : OArchive();
}

OObject OObject::getParent()
{
	return m_object ? OObject(m_object->getParent(), kWrapExisting, getErrorHandlerPolicy()) : OObject();
}

size_t OObject::getNumChildren()
{
	return m_object ? m_object->getNumChildren() : 0;
}

const AbcA::ObjectHeader& OObject::getChildHeader(size_t i)
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("OObject::getChildHeader()");
	ABCA_ASSERT(m_object, "Invalid OObject");
	return m_object->getChildHeader(i);
	ALEMBIC_ABC_SAFE_CALL_END();
	return EmptyObjectHeader();
}

const AbcA::ObjectHeader* OObject::getChildHeader(const std::string& iName)
{
	return m_object ? m_object->getChildHeader(iName) : nullptr;
}

OCompoundProperty OObject::getProperties()
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("OObject::getProperties()");
	ABCA_ASSERT(m_object, "Invalid OObject");
	return OCompoundProperty(m_object->getProperties(), kWrapExisting, getErrorHandlerPolicy());
	ALEMBIC_ABC_SAFE_CALL_END();
	return OCompoundProperty();
}

OObject OObject::getChild(const std::string& iName)
{
	return m_object ? OObject(m_object->getChild(iName), kWrapExisting, getErrorHandlerPolicy()) : OObject();
}

// ---------------------------------------------------------------------------------------------
// OCompoundProperty

OCompoundProperty::OCompoundProperty(AbcA::CompoundPropertyWriterPtr iParent, const std::string& iName, const Argument& iArg0, const Argument& iArg1)
    : Base(GetErrorHandlerPolicyFromArgs(iArg0, iArg1))
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("OCompoundProperty::init()");
	ABCA_ASSERT(iParent, "NULL CompoundPropertyWriterPtr passed into OCompoundProperty ctor");
	m_property = iParent->createCompoundProperty(iName, GetMetaData(iArg0, iArg1));
	ALEMBIC_ABC_SAFE_CALL_END_RESET();
}

OCompoundProperty::OCompoundProperty(OCompoundProperty iParent, const std::string& iName, const Argument& iArg0, const Argument& iArg1)
    : OCompoundProperty(iParent.getPtr(), iName, iArg0, iArg1)
{
}

OCompoundProperty::OCompoundProperty(AbcA::CompoundPropertyWriterPtr iProp, WrapExistingFlag, const Argument& iArg0, const Argument& iArg1)
    : Base(GetErrorHandlerPolicyFromArgs(iArg0, iArg1)), m_property(std::move(iProp))
{
}

OCompoundProperty::OCompoundProperty(OObject iObject, TopFlag, const Argument& iArg0, const Argument& iArg1)
    : Base(MakeArguments(iObject.getErrorHandlerPolicy(), iArg0, iArg1).getErrorHandlerPolicy())
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("OCompoundProperty::init( OObject )");
	ABCA_ASSERT(iObject.getPtr(), "Invalid OObject");
	m_property = iObject.getPtr()->getProperties();
	ALEMBIC_ABC_SAFE_CALL_END_RESET();
}

const AbcA::PropertyHeader& OCompoundProperty::getPropertyHeader(size_t i) const
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("OCompoundProperty::getPropertyHeader()");
	ABCA_ASSERT(m_property, "Invalid OCompoundProperty");
	return m_property->getPropertyHeader(i);
	ALEMBIC_ABC_SAFE_CALL_END();
	return EmptyPropertyHeader();
}

OCompoundProperty OCompoundProperty::getParent() const
{
	return m_property ? OCompoundProperty(m_property->getParent(), kWrapExisting, getErrorHandlerPolicy()) : OCompoundProperty();
}

const AbcA::PropertyHeader& OCompoundProperty::getHeader() const
{
	return m_property ? m_property->getHeader() : EmptyPropertyHeader();
}

OObject OCompoundProperty::getObject() const
{
	return m_property ? OObject(m_property->getObject(), kWrapExisting, getErrorHandlerPolicy()) : OObject();
}

uint32_t GetTimeSamplingIndexFromArgs(const AbcA::CompoundPropertyWriterPtr& iParent, const Arguments& iArgs)
{
	if (iArgs.getTimeSampling() && iParent)
	{
		return iParent->getObject()->getArchive()->addTimeSampling(*iArgs.getTimeSampling());
	}
	return iArgs.getTimeSamplingIndex();
}

// ---------------------------------------------------------------------------------------------
// OScalarProperty / OArrayProperty

OScalarProperty::OScalarProperty(OCompoundProperty iParent, const std::string& iName, const AbcA::DataType& iDataType, const Argument& iArg0,
                                 const Argument& iArg1, const Argument& iArg2)
    : OScalarProperty(iParent.getPtr(), iName, iDataType, iArg0, iArg1, iArg2)
{
}

OScalarProperty::OScalarProperty(AbcA::CompoundPropertyWriterPtr iParent, const std::string& iName, const AbcA::DataType& iDataType,
                                 const Argument& iArg0, const Argument& iArg1, const Argument& iArg2)
    : Base(GetErrorHandlerPolicyFromArgs(iArg0, iArg1, iArg2))
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("OScalarProperty::init()");
	ABCA_ASSERT(iParent, "NULL CompoundPropertyWriterPtr passed into OScalarProperty ctor");
	const Arguments Args = MakeArguments(ErrorHandler::kThrowPolicy, iArg0, iArg1, iArg2);
	m_property = iParent->createScalarProperty(iName, Args.getMetaData(), iDataType, GetTimeSamplingIndexFromArgs(iParent, Args));
	ALEMBIC_ABC_SAFE_CALL_END_RESET();
}

OScalarProperty::OScalarProperty(AbcA::ScalarPropertyWriterPtr iPtr, WrapExistingFlag, const Argument& iArg0, const Argument& iArg1)
    : Base(GetErrorHandlerPolicyFromArgs(iArg0, iArg1)), m_property(std::move(iPtr))
{
}

void OScalarProperty::set(const void* iSample)
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("OScalarProperty::set()");
	ABCA_ASSERT(m_property, "Invalid OScalarProperty");
	m_property->setSample(iSample);
	ALEMBIC_ABC_SAFE_CALL_END();
}

void OScalarProperty::setFromPrevious()
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("OScalarProperty::setFromPrevious()");
	ABCA_ASSERT(m_property, "Invalid OScalarProperty");
	m_property->setFromPreviousSample();
	ALEMBIC_ABC_SAFE_CALL_END();
}

void OScalarProperty::setTimeSampling(uint32_t iIndex)
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("OScalarProperty::setTimeSampling( uint32_t )");
	ABCA_ASSERT(m_property, "Invalid OScalarProperty");
	m_property->setTimeSamplingIndex(iIndex);
	ALEMBIC_ABC_SAFE_CALL_END();
}

void OScalarProperty::setTimeSampling(AbcA::TimeSamplingPtr iTime)
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("OScalarProperty::setTimeSampling( TimeSamplingPtr )");
	ABCA_ASSERT(m_property && iTime, "Invalid OScalarProperty or time sampling");
	m_property->setTimeSamplingIndex(m_property->getObject()->getArchive()->addTimeSampling(*iTime));
	ALEMBIC_ABC_SAFE_CALL_END();
}

const AbcA::PropertyHeader& OScalarProperty::getHeader() const
{
	return m_property ? m_property->getHeader() : EmptyPropertyHeader();
}

OCompoundProperty OScalarProperty::getParent() const
{
	return m_property ? OCompoundProperty(m_property->getParent(), kWrapExisting, getErrorHandlerPolicy()) : OCompoundProperty();
}

OArrayProperty::OArrayProperty(OCompoundProperty iParent, const std::string& iName, const AbcA::DataType& iDataType, const Argument& iArg0,
                               const Argument& iArg1, const Argument& iArg2)
    : OArrayProperty(iParent.getPtr(), iName, iDataType, iArg0, iArg1, iArg2)
{
}

OArrayProperty::OArrayProperty(AbcA::CompoundPropertyWriterPtr iParent, const std::string& iName, const AbcA::DataType& iDataType,
                               const Argument& iArg0, const Argument& iArg1, const Argument& iArg2)
    : Base(GetErrorHandlerPolicyFromArgs(iArg0, iArg1, iArg2))
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("OArrayProperty::init()");
	ABCA_ASSERT(iParent, "NULL CompoundPropertyWriterPtr passed into OArrayProperty ctor");
	const Arguments Args = MakeArguments(ErrorHandler::kThrowPolicy, iArg0, iArg1, iArg2);
	m_property = iParent->createArrayProperty(iName, Args.getMetaData(), iDataType, GetTimeSamplingIndexFromArgs(iParent, Args));
	ALEMBIC_ABC_SAFE_CALL_END_RESET();
}

OArrayProperty::OArrayProperty(AbcA::ArrayPropertyWriterPtr iPtr, WrapExistingFlag, const Argument& iArg0, const Argument& iArg1)
    : Base(GetErrorHandlerPolicyFromArgs(iArg0, iArg1)), m_property(std::move(iPtr))
{
}

void OArrayProperty::set(const AbcA::ArraySample& iSample)
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("OArrayProperty::set()");
	ABCA_ASSERT(m_property, "Invalid OArrayProperty");
	m_property->setSample(iSample);
	ALEMBIC_ABC_SAFE_CALL_END();
}

void OArrayProperty::setFromPrevious()
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("OArrayProperty::setFromPrevious()");
	ABCA_ASSERT(m_property, "Invalid OArrayProperty");
	m_property->setFromPreviousSample();
	ALEMBIC_ABC_SAFE_CALL_END();
}

void OArrayProperty::setTimeSampling(uint32_t iIndex)
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("OArrayProperty::setTimeSampling( uint32_t )");
	ABCA_ASSERT(m_property, "Invalid OArrayProperty");
	m_property->setTimeSamplingIndex(iIndex);
	ALEMBIC_ABC_SAFE_CALL_END();
}

void OArrayProperty::setTimeSampling(AbcA::TimeSamplingPtr iTime)
{
	ALEMBIC_ABC_SAFE_CALL_BEGIN("OArrayProperty::setTimeSampling( TimeSamplingPtr )");
	ABCA_ASSERT(m_property && iTime, "Invalid OArrayProperty or time sampling");
	m_property->setTimeSamplingIndex(m_property->getObject()->getArchive()->addTimeSampling(*iTime));
	ALEMBIC_ABC_SAFE_CALL_END();
}

const AbcA::PropertyHeader& OArrayProperty::getHeader() const
{
	return m_property ? m_property->getHeader() : EmptyPropertyHeader();
}

OCompoundProperty OArrayProperty::getParent() const
{
	return m_property ? OCompoundProperty(m_property->getParent(), kWrapExisting, getErrorHandlerPolicy()) : OCompoundProperty();
}
}
}
}
