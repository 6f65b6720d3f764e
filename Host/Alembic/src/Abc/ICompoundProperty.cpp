#include <Alembic/Abc/ICompoundProperty.h>

#include "EmptyHeaders.h"

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
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
		}
	}
}
