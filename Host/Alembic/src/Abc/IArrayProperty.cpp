#include <Alembic/Abc/IArrayProperty.h>

#include "EmptyHeaders.h"

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
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

			bool IArrayProperty::getKey(AbcA::ArraySampleKey& oKey, const ISampleSelector& iSS) const
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
