#include <Alembic/Abc/OObject.h>

#include <Alembic/Abc/OCompoundProperty.h>

#include "EmptyHeaders.h"

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
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
		}
	}
}
