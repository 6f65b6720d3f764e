#include <Alembic/AbcCoreFactory/IFactory.h>
#include <Alembic/AbcCoreLayer/Read.h>
#include <Alembic/AbcCoreOgawa/ReadWrite.h>

#include <cstring>
#include <fstream>

namespace Alembic
{
	namespace AbcCoreFactory
	{
		namespace ALEMBIC_VERSION_NS
		{
			namespace
			{
				// The HDF5 superblock signature a file starts with.
				bool StartsLikeHDF5(const std::string& iFileName)
				{
					std::ifstream File(iFileName.c_str(), std::ios::binary);
					if (!File.is_open())
					{
						return false;
					}
					char Bytes[8] = {0, 0, 0, 0, 0, 0, 0, 0};
					File.read(Bytes, 8);
					return std::memcmp(Bytes, "\211HDF\r\n\032\n", 8) == 0;
				}
			}

			Alembic::Abc::IArchive IFactory::getArchive(const std::string& iFileName, CoreType& oType)
			{
				// Try Ogawa quietly first, so a file of another core is not an error yet.
				const Alembic::AbcCoreOgawa::ReadArchive Ogawa(m_numStreams, m_readStrategy == kMemoryMappedFiles);
				Alembic::Abc::IArchive Archive(Ogawa, iFileName, Alembic::Abc::ErrorHandler::kQuietNoopPolicy, m_cachePtr);
				if (Archive.valid())
				{
					oType = kOgawa;
					Archive.getErrorHandler().setPolicy(m_policy);
					return Archive;
				}
				oType = StartsLikeHDF5(iFileName) ? kHDF5 : kUnknown;
				return Alembic::Abc::IArchive();
			}

			Alembic::Abc::IArchive IFactory::getArchive(const std::string& iFileName)
			{
				CoreType Type;
				return getArchive(iFileName, Type);
			}

			Alembic::Abc::IArchive IFactory::getArchive(const std::vector<std::string>& iFileNames)
			{
				CoreType Type;
				return getArchive(iFileNames, Type);
			}

			Alembic::Abc::IArchive IFactory::getArchive(const std::vector<std::string>& iFileNames, CoreType& oType)
			{
				Alembic::AbcCoreLayer::ArchiveReaderPtrs Archives;
				CoreType Type = kUnknown;
				for (const std::string& Name : iFileNames)
				{
					Alembic::Abc::IArchive Archive = getArchive(Name, Type);
					if (Archive.getPtr())
					{
						Archives.push_back(Archive.getPtr());
					}
				}
				if (Archives.size() == 1)
				{
					oType = Type;
					return Alembic::Abc::IArchive(Archives[0], m_policy);
				}
				if (!Archives.empty())
				{
					oType = kLayer;
					return Alembic::Abc::IArchive(Alembic::AbcCoreLayer::ReadArchive()(Archives), m_policy);
				}
				oType = kUnknown;
				return Alembic::Abc::IArchive();
			}

			Alembic::Abc::IArchive IFactory::getArchive(const std::vector<std::istream*>& iStreams, CoreType& oType)
			{
				const Alembic::AbcCoreOgawa::ReadArchive Ogawa(iStreams);
				Alembic::Abc::IArchive Archive(Ogawa, "", m_policy, m_cachePtr);
				if (Archive.valid())
				{
					oType = kOgawa;
					return Archive;
				}
				oType = kUnknown;
				return Alembic::Abc::IArchive();
			}
		}
	}
}
