#pragma once

// Opens an archive of whatever core wrote it, or several as one layered archive. This build reads
// Ogawa only: an HDF5 archive is recognised by its signature and reported as such, with an invalid
// archive, as the library does when built without HDF5.

#include <Alembic/Abc/IArchive.h>
#include <Alembic/AbcCoreAbstract/ReadArraySampleCache.h>

#include <istream>
#include <vector>

namespace Alembic
{
	namespace AbcCoreFactory
	{
		namespace ALEMBIC_VERSION_NS
		{
			class IFactory
			{
			public:
				IFactory() = default;
				~IFactory() = default;

				// Which core gave the archive, kUnknown when it is invalid.
				enum CoreType
				{
					kHDF5,
					kOgawa,
					kLayer,
					kUnknown
				};

				Alembic::Abc::IArchive getArchive(const std::string& iFileName, CoreType& oType);
				Alembic::Abc::IArchive getArchive(const std::string& iFileName);
				// The first name lies on top. Files that do not open are left out.
				Alembic::Abc::IArchive getArchive(const std::vector<std::string>& iFileNames);
				Alembic::Abc::IArchive getArchive(const std::vector<std::string>& iFileNames, CoreType& oType);
				Alembic::Abc::IArchive getArchive(const std::vector<std::istream*>& iStreams, CoreType& oType);

				void setHDF5CacheHierarchy(bool iCacheHierarchy) { m_cacheHierarchy = iCacheHierarchy; }
				bool getHDF5CacheHierarchy() const { return m_cacheHierarchy; }
				void setSampleCache(Alembic::AbcCoreAbstract::ReadArraySampleCachePtr iCachePtr) { m_cachePtr = iCachePtr; }
				Alembic::AbcCoreAbstract::ReadArraySampleCachePtr getSampleCache() const { return m_cachePtr; }
				size_t getOgawaNumStreams() const { return m_numStreams; }
				void setOgawaNumStreams(size_t iNumStreams) { m_numStreams = iNumStreams; }

				enum OgawaReadStrategy
				{
					kFileStreams,
					kMemoryMappedFiles
				};

				OgawaReadStrategy getOgawaReadStrategy() { return m_readStrategy; }
				void setOgawaReadStrategy(OgawaReadStrategy iStrategy) { m_readStrategy = iStrategy; }
				Alembic::Abc::ErrorHandler::Policy getPolicy() { return m_policy; }
				void setPolicy(Alembic::Abc::ErrorHandler::Policy iPolicy) { m_policy = iPolicy; }

			private:
				bool m_cacheHierarchy = true;
				size_t m_numStreams = 1;
				OgawaReadStrategy m_readStrategy = kMemoryMappedFiles;
				Alembic::AbcCoreAbstract::ReadArraySampleCachePtr m_cachePtr;
				Alembic::Abc::ErrorHandler::Policy m_policy = Alembic::Abc::ErrorHandler::kThrowPolicy;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
