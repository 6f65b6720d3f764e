#include <Alembic/Abc/OCompoundProperty.h>

#include "EmptyHeaders.h"

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			OCompoundProperty::OCompoundProperty(AbcA::CompoundPropertyWriterPtr iParent, const std::string& iName, const Argument& iArg0, const Argument& iArg1)
			    : Base(GetErrorHandlerPolicyFromArgs(iArg0, iArg1))
			{
				ALEMBIC_ABC_SAFE_CALL_BEGIN("OCompoundProperty::init()");
				ABCA_ASSERT(iParent, "NULL CompoundPropertyWriterPtr passed into OCompoundProperty ctor");
				// A compound still being written under this name is shared, so copies of a schema that each ask
				// for their user properties get the same compound.
				const AbcA::BasePropertyWriterPtr Existing = iParent->getProperty(iName);
				if (Existing && Existing->getHeader().isCompound())
				{
					m_property = std::static_pointer_cast<AbcA::CompoundPropertyWriter>(Existing);
				}
				else
				{
					m_property = iParent->createCompoundProperty(iName, GetMetaData(iArg0, iArg1));
				}
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
		}
	}
}
