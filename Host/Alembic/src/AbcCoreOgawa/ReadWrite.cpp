#include <Alembic/AbcCoreOgawa/ReadWrite.h>

#include "ReaderImpl.h"
#include "WriterImpl.h"

namespace Alembic
{
	namespace AbcCoreOgawa
	{
		namespace ALEMBIC_VERSION_NS
		{
			WriteArchive::WriteArchive() = default;

			AbcA::ArchiveWriterPtr WriteArchive::operator()(const std::string& iFileName, const AbcA::MetaData& iMetaData) const
			{
				return std::make_shared<AwImpl>(iFileName, iMetaData);
			}

			AbcA::ArchiveWriterPtr WriteArchive::operator()(std::ostream* iStream, const AbcA::MetaData& iMetaData) const
			{
				return std::make_shared<AwImpl>(iStream, iMetaData);
			}

			ReadArchive::ReadArchive() = default;

			ReadArchive::ReadArchive(size_t, bool) {}

			ReadArchive::ReadArchive(const std::vector<std::istream*>& iStreams)
			    : m_streams(iStreams) {}

			AbcA::ArchiveReaderPtr ReadArchive::operator()(const std::string& iFileName) const
			{
				// Given streams, the name is ignored and the streams are read on demand.
				if (!m_streams.empty())
				{
					return std::make_shared<ArImpl>(std::string(), std::make_shared<Ogawa::IStreams>(m_streams));
				}
				return std::make_shared<ArImpl>(iFileName, std::make_shared<Ogawa::IStreams>(iFileName));
			}

			AbcA::ArchiveReaderPtr ReadArchive::operator()(const std::string& iFileName, AbcA::ReadArraySampleCachePtr) const
			{
				return (*this)(iFileName);
			}
		}
	}
}
