#include <Alembic/AbcCoreOgawa/ReadWrite.h>

#include <iterator>

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

			ReadArchive::ReadArchive() = default;

			ReadArchive::ReadArchive(size_t, bool) {}

			ReadArchive::ReadArchive(const std::vector<std::istream*>& iStreams)
			    : m_streams(iStreams) {}

			AbcA::ArchiveReaderPtr ReadArchive::operator()(const std::string& iFileName) const
			{
				if (!m_streams.empty() && m_streams.front())
				{
					std::istream& Stream = *m_streams.front();
					std::vector<uint8_t> Bytes((std::istreambuf_iterator<char>(Stream)), std::istreambuf_iterator<char>());
					return std::make_shared<ArImpl>(std::string(), std::make_shared<Ogawa::IStreams>(std::move(Bytes)));
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
