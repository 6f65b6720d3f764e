#pragma once

#include <Alembic/Abc/IScalarProperty.h>
#include <Alembic/Abc/TypedPropertyTraits.h>

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			template<class TRAITS>
			class ITypedScalarProperty : public IScalarProperty
			{
			public:
				typedef TRAITS traits_type;
				typedef typename TRAITS::value_type value_type;

				static const char* getInterpretation() { return TRAITS::interpretation(); }
				static bool matches(const AbcA::MetaData& iMetaData, SchemaInterpMatching iMatching = kStrictMatching)
				{
					return iMatching != kStrictMatching || iMetaData.get("interpretation") == getInterpretation();
				}
				static bool matches(const AbcA::PropertyHeader& iHeader, SchemaInterpMatching iMatching = kStrictMatching)
				{
					return iHeader.getDataType().getPod() == TRAITS::pod_enum &&
					       (iHeader.getDataType().getExtent() == TRAITS::extent || std::string() == getInterpretation()) && iHeader.isScalar() &&
					       matches(iHeader.getMetaData(), iMatching);
				}

				ITypedScalarProperty() = default;

				ITypedScalarProperty(const ICompoundProperty& iParent, const std::string& iName, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument())
				{
					const Arguments Args = MakeArguments(iParent.getErrorHandlerPolicy(), iArg0, iArg1);
					getErrorHandler().setPolicy(Args.getErrorHandlerPolicy());
					ALEMBIC_ABC_SAFE_CALL_BEGIN("ITypedScalarProperty::ITypedScalarProperty()");
					AbcA::CompoundPropertyReaderPtr Parent = iParent.getPtr();
					ABCA_ASSERT(Parent, "NULL CompoundPropertyReader passed into ITypedScalarProperty ctor");
					const AbcA::PropertyHeader* Header = Parent->getPropertyHeader(iName);
					ABCA_ASSERT(Header != nullptr, "Nonexistent scalar property: " << iName);
					ABCA_ASSERT(matches(*Header, Args.getSchemaInterpMatching()),
					            "Incorrect match of header datatype: " << Header->getDataType() << " to expected: " << TRAITS::dataType()
					                                                   << ",\n...or incorrect match of interpretation: " << Header->getMetaData().get("interpretation")
					                                                   << " to expected: " << getInterpretation());
					m_property = Parent->getScalarProperty(iName);
					ALEMBIC_ABC_SAFE_CALL_END_RESET();
				}

				ITypedScalarProperty(AbcA::ScalarPropertyReaderPtr iProp, WrapExistingFlag iFlag, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument())
				    : IScalarProperty(iProp, iFlag, iArg0, iArg1)
				{
				}

				void get(value_type& oVal, const ISampleSelector& iSS = ISampleSelector()) const
				{
					ALEMBIC_ABC_SAFE_CALL_BEGIN("ITypedScalarProperty::get()");
					ABCA_ASSERT(m_property, "Invalid ITypedScalarProperty");
					const index_t Index = iSS.getIndex(m_property->getTimeSampling(), index_t(m_property->getNumSamples()));
					const AbcA::DataType& Type = m_property->getHeader().getDataType();
					ABCA_ASSERT(Type.getPod() == TRAITS::pod_enum, "Invalid DataType in ITypedScalarProperty. Expected: " << TRAITS::dataType() << ", but got: " << Type);
					if (Type == TRAITS::dataType())
					{
						m_property->getSample(Index, &oVal);
						return;
					}
					// A wider stored extent (allowed when the type has no interpretation) is read whole, then cut.
					if constexpr (std::is_same_v<value_type, std::string> || std::is_same_v<value_type, std::wstring>)
					{
						std::vector<value_type> All(Type.getExtent());
						m_property->getSample(Index, All.data());
						oVal = All.empty() ? value_type() : All.front();
					}
					else
					{
						std::vector<uint8_t> All(std::max(Type.getNumBytes(), sizeof(value_type)), 0);
						m_property->getSample(Index, All.data());
						std::memcpy(static_cast<void*>(&oVal), All.data(), sizeof(value_type));
					}
					ALEMBIC_ABC_SAFE_CALL_END();
				}

				value_type getValue(const ISampleSelector& iSS = ISampleSelector()) const
				{
					value_type Result = TRAITS::defaultValue();
					get(Result, iSS);
					return Result;
				}
			};

#define ALEMBIC_ABC_DECLARE_I_SCALAR_PROPERTY(TRAITS, STEM) typedef ITypedScalarProperty<TRAITS> I##STEM##Property;
			ALEMBIC_ABC_FOR_EACH_TYPE(ALEMBIC_ABC_DECLARE_I_SCALAR_PROPERTY)
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
