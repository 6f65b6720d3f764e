#pragma once

// A compound property that follows a schema, identified by the "schema" key of its metadata.

#include <Alembic/Abc/ICompoundProperty.h>
#include <Alembic/Abc/SchemaInfoDeclarations.h>

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			template<class INFO>
			class ISchema : public ICompoundProperty
			{
			public:
				typedef INFO info_type;

				static const char* getSchemaTitle() { return INFO::title(); }
				static const char* getDefaultSchemaName() { return INFO::defaultName(); }
				static const char* getSchemaBaseType() { return INFO::schemaBaseType(); }

				static bool matches(const AbcA::MetaData& iMetaData, SchemaInterpMatching iMatching = kStrictMatching)
				{
					if (std::string() == getSchemaTitle() || iMatching == kNoMatching)
					{
						return true;
					}
					return iMetaData.get("schema") == getSchemaTitle();
				}
				static bool matches(const AbcA::PropertyHeader& iHeader, SchemaInterpMatching iMatching = kStrictMatching)
				{
					return iHeader.isCompound() && matches(iHeader.getMetaData(), iMatching);
				}

				ISchema() = default;

				ISchema(const ICompoundProperty& iParent, const std::string& iName = INFO::defaultName(), const Argument& iArg0 = Argument(),
				        const Argument& iArg1 = Argument())
				{
					init(iParent, iName, iArg0, iArg1);
				}

				ISchema(const ICompoundProperty& iThis, WrapExistingFlag, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument())
				    : ICompoundProperty(iThis.getPtr(), kWrapExisting, MakeArguments(iThis.getErrorHandlerPolicy(), iArg0, iArg1).getErrorHandlerPolicy())
				{
				}

			private:
				void init(const ICompoundProperty& iParent, const std::string& iName, const Argument& iArg0, const Argument& iArg1)
				{
					const Arguments Args = MakeArguments(iParent.getErrorHandlerPolicy(), iArg0, iArg1);
					getErrorHandler().setPolicy(Args.getErrorHandlerPolicy());
					ALEMBIC_ABC_SAFE_CALL_BEGIN("ISchema::ISchema::init()");
					AbcA::CompoundPropertyReaderPtr Parent = iParent.getPtr();
					ABCA_ASSERT(Parent, "NULL parent passed into ISchema ctor");
					const AbcA::PropertyHeader* Header = Parent->getPropertyHeader(iName);
					ABCA_ASSERT(Header && Header->isCompound(), "Nonexistent compound property: " << iName);
					if (Args.getSchemaInterpMatching() == kStrictMatching)
					{
						ABCA_ASSERT(matches(*Header, kStrictMatching),
						            "Incorrect match of schema: " << Header->getMetaData().get("schema") << " to expected: " << getSchemaTitle());
					}
					m_property = Parent->getCompoundProperty(iName);
					ALEMBIC_ABC_SAFE_CALL_END_RESET();
				}
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
