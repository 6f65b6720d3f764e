#pragma once

// A compound property created with a schema's identity in its metadata.

#include <Alembic/Abc/OCompoundProperty.h>
#include <Alembic/Abc/SchemaInfoDeclarations.h>

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			template<class INFO>
			class OSchema : public OCompoundProperty
			{
			public:
				typedef INFO info_type;

				static const char* getSchemaTitle() { return INFO::title(); }
				static const char* getDefaultSchemaName() { return INFO::defaultName(); }
				static const char* getSchemaBaseType() { return INFO::schemaBaseType(); }
				static bool replaceOnSparse() { return INFO::replaceOnSparse(); }
				static bool matches(const AbcA::MetaData& iMetaData, SchemaInterpMatching iMatching = kStrictMatching)
				{
					if (std::string() == getSchemaTitle() || iMatching == kNoMatching)
					{
						return true;
					}
					return iMetaData.get("schema") == getSchemaTitle();
				}

				OSchema() = default;

				OSchema(AbcA::CompoundPropertyWriterPtr iParent, const std::string& iName = INFO::defaultName(), const Argument& iArg0 = Argument(),
				        const Argument& iArg1 = Argument(), const Argument& iArg2 = Argument(), const Argument& iArg3 = Argument())
				{
					const Arguments Args = MakeArguments(ErrorHandler::kThrowPolicy, iArg0, iArg1, iArg2, iArg3);
					getErrorHandler().setPolicy(Args.getErrorHandlerPolicy());
					ALEMBIC_ABC_SAFE_CALL_BEGIN("OSchema::OSchema::init()");
					ABCA_ASSERT(iParent, "NULL CompoundPropertyWriterPtr passed into OSchema ctor");
					AbcA::MetaData MetaData = Args.getMetaData();
					if (!Args.isSparse())
					{
						MetaData.set("schema", getSchemaTitle());
					}
					if (std::string() != getSchemaBaseType() && !Args.isSparse())
					{
						MetaData.set("schemaBaseType", getSchemaBaseType());
					}
					m_property = iParent->createCompoundProperty(iName, MetaData);
					ALEMBIC_ABC_SAFE_CALL_END_RESET();
				}
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
