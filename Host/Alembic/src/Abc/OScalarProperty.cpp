#include <Alembic/Abc/OScalarProperty.h>

#include "EmptyHeaders.h"

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
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
		}
	}
}
