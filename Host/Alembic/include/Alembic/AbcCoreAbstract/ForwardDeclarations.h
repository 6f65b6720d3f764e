#pragma once

#include <Alembic/AbcCoreAbstract/Foundation.h>

namespace Alembic
{
	namespace AbcCoreAbstract
	{
		namespace ALEMBIC_VERSION_NS
		{
			class ArchiveReader;
			class ObjectReader;
			class BasePropertyReader;
			class CompoundPropertyReader;
			class ScalarPropertyReader;
			class ArrayPropertyReader;
			class ArchiveWriter;
			class ObjectWriter;
			class BasePropertyWriter;
			class CompoundPropertyWriter;
			class ScalarPropertyWriter;
			class ArrayPropertyWriter;

			typedef shared_ptr<ArchiveReader> ArchiveReaderPtr;
			typedef shared_ptr<ObjectReader> ObjectReaderPtr;
			typedef shared_ptr<BasePropertyReader> BasePropertyReaderPtr;
			typedef shared_ptr<CompoundPropertyReader> CompoundPropertyReaderPtr;
			typedef shared_ptr<ScalarPropertyReader> ScalarPropertyReaderPtr;
			typedef shared_ptr<ArrayPropertyReader> ArrayPropertyReaderPtr;
			typedef shared_ptr<ArchiveWriter> ArchiveWriterPtr;
			typedef shared_ptr<ObjectWriter> ObjectWriterPtr;
			typedef shared_ptr<BasePropertyWriter> BasePropertyWriterPtr;
			typedef shared_ptr<CompoundPropertyWriter> CompoundPropertyWriterPtr;
			typedef shared_ptr<ScalarPropertyWriter> ScalarPropertyWriterPtr;
			typedef shared_ptr<ArrayPropertyWriter> ArrayPropertyWriterPtr;
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
