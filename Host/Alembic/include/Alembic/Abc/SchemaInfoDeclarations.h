#pragma once

// Declares a schema's identity: title, base type and the name of its compound.

#define ALEMBIC_ABC_DECLARE_SCHEMA_INFO(SCHEMA_TITLE, SCHEMA_BASE_TYPE, DEFAULT_NAME, REPLACE_ON_SPARSE, INFO_TYPE) \
	struct INFO_TYPE                                                                                                \
	{                                                                                                               \
		static const char* title() { return SCHEMA_TITLE; }                                                         \
		static const char* defaultName() { return DEFAULT_NAME; }                                                   \
		static const char* schemaBaseType() { return SCHEMA_BASE_TYPE; }                                            \
		static bool replaceOnSparse() { return REPLACE_ON_SPARSE; }                                                 \
	}

#define ALEMBIC_ABCGEOM_DECLARE_SCHEMA_INFO ALEMBIC_ABC_DECLARE_SCHEMA_INFO
