#pragma once

// Entry points: functors that open an archive for reading or create one for writing.

#include <istream>
#include <ostream>

#include <Alembic/AbcCoreAbstract/All.h>

namespace Alembic
{
	namespace AbcCoreOgawa
	{
		namespace ALEMBIC_VERSION_NS
		{
			class WriteArchive
			{
			public:
				WriteArchive();
				::Alembic::AbcCoreAbstract::ArchiveWriterPtr operator()(const std::string& iFileName, const ::Alembic::AbcCoreAbstract::MetaData& iMetaData) const;
				// Writes to the caller's stream, every position counted from the stream's position now. The
				// stream must outlive the archive; its state tells whether every write succeeded, so check it
				// (flush and close it) once the archive is gone.
				::Alembic::AbcCoreAbstract::ArchiveWriterPtr operator()(std::ostream* iStream, const ::Alembic::AbcCoreAbstract::MetaData& iMetaData) const;
			};

			class ReadArchive
			{
			public:
				// One memory-mapped stream.
				ReadArchive();
				// Accepted for compatibility; reading is always memory-mapped.
				ReadArchive(size_t iNumStreams, bool iUseMMap = true);
				// Reads the archive from the caller's streams, on demand, from each stream's position now; the
				// streams must outlive the archive and its samples. Several streams serve several threads.
				ReadArchive(const std::vector<std::istream*>& iStreams);

				::Alembic::AbcCoreAbstract::ArchiveReaderPtr operator()(const std::string& iFileName) const;
				// The cache is ignored, as Ogawa archives do not use one.
				::Alembic::AbcCoreAbstract::ArchiveReaderPtr operator()(const std::string& iFileName, ::Alembic::AbcCoreAbstract::ReadArraySampleCachePtr iCache) const;

			private:
				std::vector<std::istream*> m_streams;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
