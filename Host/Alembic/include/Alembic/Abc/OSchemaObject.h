#pragma once

// An object that holds one schema compound, e.g. OCurves. The schema's title goes into the
// object's metadata so that readers can recognise it without opening the compound.

#include <Alembic/Abc/OSchema.h>

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			template<class SCHEMA>
			class OSchemaObject : public OObject
			{
			public:
				typedef SCHEMA schema_type;

				static const char* getSchemaTitle() { return SCHEMA::getSchemaTitle(); }
				static std::string getSchemaObjTitle() { return std::string(SCHEMA::getSchemaTitle()) + ":" + SCHEMA::getDefaultSchemaName(); }
				static bool matches(const AbcA::MetaData& iMetaData, SchemaInterpMatching iMatching = kStrictMatching)
				{
					if (std::string() == getSchemaTitle() || iMatching == kNoMatching)
					{
						return true;
					}
					if (iMatching == kStrictMatching)
					{
						return iMetaData.get("schemaObjTitle") == getSchemaObjTitle();
					}
					return iMetaData.get("schema") == getSchemaTitle();
				}
				static bool matches(const AbcA::ObjectHeader& iHeader, SchemaInterpMatching iMatching = kStrictMatching)
				{
					return matches(iHeader.getMetaData(), iMatching);
				}

				OSchemaObject() = default;

				OSchemaObject(OObject iParent, const std::string& iName, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument(),
				              const Argument& iArg2 = Argument())
				{
					const Arguments Args = MakeArguments(iParent.getErrorHandlerPolicy(), iArg0, iArg1, iArg2);
					getErrorHandler().setPolicy(Args.getErrorHandlerPolicy());
					ALEMBIC_ABC_SAFE_CALL_BEGIN("OSchemaObject::OSchemaObject( OObject, name )");
					ABCA_ASSERT(iParent.getPtr(), "NULL parent passed into OSchemaObject ctor");
					// A sparse object only overrides another archive's object of the same path, so it claims no schema.
					AbcA::MetaData MetaData = Args.getMetaData();
					const SparseFlag Sparse = Args.isSparse() ? kSparse : kFull;
					if (!Args.isSparse())
					{
						MetaData.set("schema", SCHEMA::getSchemaTitle());
						MetaData.set("schemaObjTitle", getSchemaObjTitle());
						if (std::string() != SCHEMA::getSchemaBaseType())
						{
							MetaData.set("schemaBaseType", SCHEMA::getSchemaBaseType());
						}
					}
					m_object = iParent.getPtr()->createChild(AbcA::ObjectHeader(iName, MetaData));
					// The schema gets the time sampling but not the object's metadata; a sparse schema that
					// replaces what it overrides says so in its own.
					AbcA::MetaData SchemaMetaData;
					if (Args.isSparse() && SCHEMA::replaceOnSparse())
					{
						SchemaMetaData.set("replace", "1");
					}
					const AbcA::TimeSamplingPtr& TsPtr = Args.getTimeSampling();
					if (TsPtr)
					{
						m_schema = SCHEMA(m_object->getProperties(), SCHEMA::getDefaultSchemaName(), Args.getErrorHandlerPolicy(), TsPtr, SchemaMetaData, Sparse);
					}
					else
					{
						m_schema = SCHEMA(m_object->getProperties(), SCHEMA::getDefaultSchemaName(), Args.getErrorHandlerPolicy(), Args.getTimeSamplingIndex(), SchemaMetaData, Sparse);
					}
					ALEMBIC_ABC_SAFE_CALL_END_RESET();
				}

				SCHEMA& getSchema() { return m_schema; }
				const SCHEMA& getSchema() const { return m_schema; }

				void reset() override
				{
					m_schema.reset();
					OObject::reset();
				}
				bool valid() const override { return OObject::valid() && m_schema.valid(); }

			private:
				SCHEMA m_schema;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
