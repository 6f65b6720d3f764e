#pragma once

#include <Alembic/Abc/IArrayProperty.h>
#include <Alembic/Abc/TypedArraySample.h>

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			template<class TRAITS>
			class ITypedArrayProperty : public IArrayProperty
			{
			public:
				typedef TRAITS traits_type;
				typedef TypedArraySample<TRAITS> sample_type;
				typedef shared_ptr<sample_type> sample_ptr_type;
				typedef typename TRAITS::value_type value_type;

				static const char* getInterpretation() { return TRAITS::interpretation(); }

				// Only strict matching compares the interpretation.
				static bool matches(const AbcA::MetaData& iMetaData, SchemaInterpMatching iMatching = kStrictMatching)
				{
					return iMatching != kStrictMatching || iMetaData.get("interpretation") == getInterpretation();
				}

				// Types without an interpretation accept any extent.
				static bool matches(const AbcA::PropertyHeader& iHeader, SchemaInterpMatching iMatching = kStrictMatching)
				{
					return iHeader.getDataType().getPod() == TRAITS::pod_enum &&
					       (iHeader.getDataType().getExtent() == TRAITS::extent || std::string() == getInterpretation()) && iHeader.isArray() &&
					       matches(iHeader.getMetaData(), iMatching);
				}

				ITypedArrayProperty() = default;

				// Matching defaults to kNoMatching here, unlike matches().
				ITypedArrayProperty(const ICompoundProperty& iParent, const std::string& iName, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument())
				{
					const Arguments Args = MakeArguments(iParent.getErrorHandlerPolicy(), iArg0, iArg1);
					getErrorHandler().setPolicy(Args.getErrorHandlerPolicy());
					ALEMBIC_ABC_SAFE_CALL_BEGIN("ITypedArrayProperty::ITypedArrayProperty()");
					AbcA::CompoundPropertyReaderPtr Parent = iParent.getPtr();
					ABCA_ASSERT(Parent, "NULL CompoundPropertyReader passed into ITypedArrayProperty ctor");
					const AbcA::PropertyHeader* Header = Parent->getPropertyHeader(iName);
					ABCA_ASSERT(Header != nullptr, "Nonexistent array property: " << iName);
					ABCA_ASSERT(matches(*Header, Args.getSchemaInterpMatching()),
					            "Incorrect match of header datatype: " << Header->getDataType() << " to expected: " << TRAITS::dataType()
					                                                   << ",\n...or incorrect match of interpretation: " << Header->getMetaData().get("interpretation")
					                                                   << " to expected: " << getInterpretation());
					m_property = Parent->getArrayProperty(iName);
					ALEMBIC_ABC_SAFE_CALL_END_RESET();
				}

				ITypedArrayProperty(AbcA::ArrayPropertyReaderPtr iProp, WrapExistingFlag iFlag, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument())
				    : IArrayProperty(iProp, iFlag, iArg0, iArg1)
				{
					ALEMBIC_ABC_SAFE_CALL_BEGIN("ITypedArrayProperty::ITypedArrayProperty()");
					ABCA_ASSERT(!m_property || matches(m_property->getHeader(), GetSchemaInterpMatching(iArg0, iArg1)),
					            "Incorrect match of header datatype: " << m_property->getHeader().getDataType() << " to expected: " << TRAITS::dataType());
					ALEMBIC_ABC_SAFE_CALL_END_RESET();
				}

				void get(sample_ptr_type& oVal, const ISampleSelector& iSS = ISampleSelector()) const
				{
					ALEMBIC_ABC_SAFE_CALL_BEGIN("IArrayProperty::get()");
					AbcA::ArraySamplePtr Untyped;
					m_property->getSample(sampleIndex(iSS), Untyped);
					// Both element types share the POD; a wider file extent just holds more values than we expose.
					ABCA_ASSERT(Untyped->getDataType().getPod() == TRAITS::pod_enum && Untyped->getDataType().getExtent() >= TRAITS::extent,
					            "Invalid DataType in TypedArraySample. Expected: " << TRAITS::dataType() << ", but got: " << Untyped->getDataType());
					Dimensions Dims = Untyped->getDimensions();
					if (Untyped->getDataType().getExtent() != TRAITS::extent)
					{
						Dims = Dimensions(Dims.numPoints());
					}
					auto* Typed = new sample_type(static_cast<const value_type*>(Untyped->getData()), Dims);
					oVal = sample_ptr_type(Typed, [Untyped](sample_type* p)
					                       { delete p; });
					return;
					ALEMBIC_ABC_SAFE_CALL_END();
				}

				sample_ptr_type getValue(const ISampleSelector& iSS = ISampleSelector()) const
				{
					sample_ptr_type Result;
					get(Result, iSS);
					return Result;
				}
			};

#define ALEMBIC_ABC_DECLARE_I_ARRAY_PROPERTY(TRAITS, STEM) typedef ITypedArrayProperty<TRAITS> I##STEM##ArrayProperty;
			ALEMBIC_ABC_FOR_EACH_TYPE(ALEMBIC_ABC_DECLARE_I_ARRAY_PROPERTY)
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
