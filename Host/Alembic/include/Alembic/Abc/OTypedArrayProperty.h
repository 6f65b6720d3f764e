#pragma once

#include <Alembic/Abc/OArrayProperty.h>
#include <Alembic/Abc/TypedArraySample.h>

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			template<class TRAITS>
			class OTypedArrayProperty : public OArrayProperty
			{
			public:
				typedef TRAITS traits_type;
				typedef TypedArraySample<TRAITS> sample_type;
				typedef typename TRAITS::value_type value_type;

				static const char* getInterpretation() { return TRAITS::interpretation(); }
				static bool matches(const AbcA::MetaData& iMetaData, SchemaInterpMatching iMatching = kStrictMatching)
				{
					return iMatching != kStrictMatching || iMetaData.get("interpretation") == getInterpretation();
				}
				static bool matches(const AbcA::PropertyHeader& iHeader, SchemaInterpMatching iMatching = kStrictMatching)
				{
					return iHeader.getDataType().getPod() == TRAITS::pod_enum &&
					       (iHeader.getDataType().getExtent() == TRAITS::extent || std::string() == getInterpretation()) && iHeader.isArray() &&
					       matches(iHeader.getMetaData(), iMatching);
				}

				OTypedArrayProperty() = default;

				// The traits' interpretation, when it has one, replaces whatever the metadata says.
				OTypedArrayProperty(AbcA::CompoundPropertyWriterPtr iParent, const std::string& iName, const Argument& iArg0 = Argument(),
				                    const Argument& iArg1 = Argument(), const Argument& iArg2 = Argument(), const Argument& iArg3 = Argument())
				{
					const Arguments Args = MakeArguments(ErrorHandler::kThrowPolicy, iArg0, iArg1, iArg2, iArg3);
					getErrorHandler().setPolicy(Args.getErrorHandlerPolicy());
					ALEMBIC_ABC_SAFE_CALL_BEGIN("OTypedArrayProperty::OTypedArrayProperty()");
					ABCA_ASSERT(iParent, "NULL CompoundPropertyWriterPtr passed into OTypedArrayProperty ctor");
					AbcA::MetaData MetaData = Args.getMetaData();
					if (std::string() != getInterpretation())
					{
						MetaData.set("interpretation", getInterpretation());
					}
					m_property = iParent->createArrayProperty(iName, MetaData, TRAITS::dataType(), GetTimeSamplingIndexFromArgs(iParent, Args));
					ALEMBIC_ABC_SAFE_CALL_END_RESET();
				}

				OTypedArrayProperty(OCompoundProperty iParent, const std::string& iName, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument(),
				                    const Argument& iArg2 = Argument())
				    : OTypedArrayProperty(iParent.getPtr(), iName, iArg0, iArg1, iArg2)
				{
				}

				OTypedArrayProperty(AbcA::ArrayPropertyWriterPtr iProp, WrapExistingFlag iFlag, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument())
				    : OArrayProperty(iProp, iFlag, iArg0, iArg1)
				{
				}

				void set(const sample_type& iVal) { OArrayProperty::set(iVal); }
			};

#define ALEMBIC_ABC_DECLARE_O_ARRAY_PROPERTY(TRAITS, STEM) typedef OTypedArrayProperty<TRAITS> O##STEM##ArrayProperty;
			ALEMBIC_ABC_FOR_EACH_TYPE(ALEMBIC_ABC_DECLARE_O_ARRAY_PROPERTY)
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
