#include <Alembic/Abc/OArrayProperty.h>

#include "EmptyHeaders.h"

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
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
