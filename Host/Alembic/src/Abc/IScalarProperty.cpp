#include <Alembic/Abc/IScalarProperty.h>

#include "EmptyHeaders.h"

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
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
		}
	}
}
