#pragma once

// An object whose properties hold one schema compound, e.g. ICurves.

#include <Alembic/Abc/ISchema.h>

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			template<class SCHEMA>
			class ISchemaObject : public IObject
			{
			public:
				typedef SCHEMA schema_type;

				static const char* getSchemaTitle() { return SCHEMA::getSchemaTitle(); }
				static std::string getSchemaObjTitle() { return std::string(SCHEMA::getSchemaTitle()) + ":" + SCHEMA::getDefaultSchemaName(); }

				// Strict matching also accepts the object title under "schema", as the library does.
				static bool matches(const AbcA::MetaData& iMetaData, SchemaInterpMatching iMatching = kStrictMatching)
				{
					if (std::string() == getSchemaTitle() || iMatching == kNoMatching)
					{
						return true;
					}
					if (iMatching == kStrictMatching)
					{
						return iMetaData.get("schemaObjTitle") == getSchemaObjTitle() || iMetaData.get("schema") == getSchemaObjTitle();
					}
					return iMetaData.get("schema") == getSchemaTitle();
				}
				static bool matches(const AbcA::ObjectHeader& iHeader, SchemaInterpMatching iMatching = kStrictMatching)
				{
					return matches(iHeader.getMetaData(), iMatching);
				}

				ISchemaObject() = default;

				ISchemaObject(const IObject& iParent, const std::string& iName, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument())
				{
					getErrorHandler().setPolicy(MakeArguments(iParent.getErrorHandlerPolicy(), iArg0, iArg1).getErrorHandlerPolicy());
					ALEMBIC_ABC_SAFE_CALL_BEGIN("ISchemaObject::ISchemaObject( IObject )");
					AbcA::ObjectReaderPtr Parent = iParent.getPtr();
					ABCA_ASSERT(Parent, "NULL Ptr");
					m_object = Parent->getChild(iName);
					ABCA_ASSERT(m_object, "Bad child: " << iName);
					init(iArg0, iArg1);
					ALEMBIC_ABC_SAFE_CALL_END_RESET();
				}

				explicit ISchemaObject(const IObject& iObject, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument())
				    : IObject(iObject)
				{
					getErrorHandler().setPolicy(MakeArguments(iObject.getErrorHandlerPolicy(), iArg0, iArg1).getErrorHandlerPolicy());
					ALEMBIC_ABC_SAFE_CALL_BEGIN("ISchemaObject::ISchemaObject( wrap )");
					init(iArg0, iArg1);
					ALEMBIC_ABC_SAFE_CALL_END_RESET();
				}

				ISchemaObject(const IObject& iObject, WrapExistingFlag, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument())
				    : IObject(iObject)
				{
					getErrorHandler().setPolicy(MakeArguments(iObject.getErrorHandlerPolicy(), iArg0, iArg1).getErrorHandlerPolicy());
					ALEMBIC_ABC_SAFE_CALL_BEGIN("ISchemaObject::ISchemaObject( wrapflag )");
					init(iArg0, iArg1);
					ALEMBIC_ABC_SAFE_CALL_END_RESET();
				}

				SCHEMA& getSchema() { return m_schema; }
				const SCHEMA& getSchema() const { return m_schema; }

				void reset() override
				{
					m_schema.reset();
					IObject::reset();
				}
				bool valid() const override { return IObject::valid() && m_schema.valid(); }

			private:
				void init(const Argument& iArg0, const Argument& iArg1)
				{
					const SchemaInterpMatching Matching = GetSchemaInterpMatching(iArg0, iArg1);
					if (m_object && Matching != kNoMatching)
					{
						const AbcA::MetaData& MetaData = m_object->getHeader().getMetaData();
						ABCA_ASSERT(matches(MetaData, Matching),
						            "Incorrect match of schema: " << MetaData.get("schemaObjTitle") << " to expected: " << getSchemaObjTitle());
					}
					m_schema = SCHEMA(ICompoundProperty(m_object ? m_object->getProperties() : AbcA::CompoundPropertyReaderPtr(), kWrapExisting, getErrorHandlerPolicy()),
					                  SCHEMA::getDefaultSchemaName(), iArg0, iArg1);
				}

				SCHEMA m_schema;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
