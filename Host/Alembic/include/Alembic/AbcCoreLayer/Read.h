#pragma once

// Several archives read as one: objects and properties of the same path merge, later archives in the
// list lie under earlier ones (the first named wins), and "replace" or "prune" in an overriding
// header replaces or removes what lies below.

#include <Alembic/AbcCoreAbstract/All.h>

namespace Alembic
{
	namespace AbcCoreLayer
	{
		namespace ALEMBIC_VERSION_NS
		{
			typedef std::vector<::Alembic::AbcCoreAbstract::ArchiveReaderPtr> ArchiveReaderPtrs;

			class ReadArchive
			{
			public:
				ReadArchive() = default;
				::Alembic::AbcCoreAbstract::ArchiveReaderPtr operator()(ArchiveReaderPtrs& iArchives) const;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
