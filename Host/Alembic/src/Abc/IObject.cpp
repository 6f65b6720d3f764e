#include <Alembic/Abc/IObject.h>

#include <Alembic/Abc/ICompoundProperty.h>

#include "EmptyHeaders.h"

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
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
		}
	}
}
