#pragma once

#include <Alembic/Abc/OScalarProperty.h>
#include <Alembic/Abc/TypedPropertyTraits.h>

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			template<class TRAITS>
			class OTypedScalarProperty : public OScalarProperty
			{
			public:
				typedef TRAITS traits_type;
				typedef typename TRAITS::value_type value_type;

				static const char* getInterpretation() { return TRAITS::interpretation(); }
				static bool matches(const AbcA::MetaData& iMetaData, SchemaInterpMatching iMatching = kStrictMatching)
				{
					return iMatching != kStrictMatching || iMetaData.get("interpretation") == getInterpretation();
				}

				OTypedScalarProperty() = default;

				OTypedScalarProperty(AbcA::CompoundPropertyWriterPtr iParent, const std::string& iName, const Argument& iArg0 = Argument(),
				                     const Argument& iArg1 = Argument(), const Argument& iArg2 = Argument(), const Argument& iArg3 = Argument())
				{
					const Arguments Args = MakeArguments(ErrorHandler::kThrowPolicy, iArg0, iArg1, iArg2, iArg3);
					getErrorHandler().setPolicy(Args.getErrorHandlerPolicy());
					ALEMBIC_ABC_SAFE_CALL_BEGIN("OTypedScalarProperty::OTypedScalarProperty()");
					ABCA_ASSERT(iParent, "NULL CompoundPropertyWriterPtr passed into OTypedScalarProperty ctor");
					AbcA::MetaData MetaData = Args.getMetaData();
					if (std::string() != getInterpretation())
					{
						MetaData.set("interpretation", getInterpretation());
					}
					m_property = iParent->createScalarProperty(iName, MetaData, TRAITS::dataType(), GetTimeSamplingIndexFromArgs(iParent, Args));
					ALEMBIC_ABC_SAFE_CALL_END_RESET();
				}

				OTypedScalarProperty(OCompoundProperty iParent, const std::string& iName, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument(),
				                     const Argument& iArg2 = Argument())
				    : OTypedScalarProperty(iParent.getPtr(), iName, iArg0, iArg1, iArg2)
				{
				}

				OTypedScalarProperty(AbcA::ScalarPropertyWriterPtr iProp, WrapExistingFlag iFlag, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument())
				    : OScalarProperty(iProp, iFlag, iArg0, iArg1)
				{
				}

				void set(const value_type& iVal) { OScalarProperty::set(&iVal); }
			};

#define ALEMBIC_ABC_DECLARE_O_SCALAR_PROPERTY(TRAITS, STEM) typedef OTypedScalarProperty<TRAITS> O##STEM##Property;
			ALEMBIC_ABC_FOR_EACH_TYPE(ALEMBIC_ABC_DECLARE_O_SCALAR_PROPERTY)
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
