#pragma once

#include <Alembic/Abc/Base.h>

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			class IObject;

			class IArchive : public Base
			{
			public:
				IArchive() = default;

				// ARCHIVE_CTOR is a functor such as AbcCoreOgawa::ReadArchive, called as iCtor(name, cache).
				template<class ARCHIVE_CTOR>
				IArchive(ARCHIVE_CTOR iCtor, const std::string& iFileName, ErrorHandler::Policy iPolicy = ErrorHandler::kThrowPolicy,
				         AbcA::ReadArraySampleCachePtr iCachePtr = AbcA::ReadArraySampleCachePtr())
				    : Base(iPolicy)
				{
					ALEMBIC_ABC_SAFE_CALL_BEGIN("IArchive::IArchive( iFileName )");
					m_archive = iCtor(iFileName, iCachePtr);
					ALEMBIC_ABC_SAFE_CALL_END_RESET();
				}

				IArchive(AbcA::ArchiveReaderPtr iPtr, ErrorHandler::Policy iPolicy = ErrorHandler::kThrowPolicy)
				    : Base(iPolicy), m_archive(std::move(iPtr)) {}
				IArchive(AbcA::ArchiveReaderPtr iPtr, WrapExistingFlag, ErrorHandler::Policy iPolicy = ErrorHandler::kThrowPolicy)
				    : Base(iPolicy), m_archive(std::move(iPtr))
				{
				}

				std::string getName() const;
				IObject getTop() const;
				AbcA::TimeSamplingPtr getTimeSampling(uint32_t iIndex);
				uint32_t getNumTimeSamplings();
				index_t getMaxNumSamplesForTimeSamplingIndex(uint32_t iIndex);
				int32_t getArchiveVersion();
				AbcA::ReadArraySampleCachePtr getReadArraySampleCachePtr();
				void setReadArraySampleCachePtr(AbcA::ReadArraySampleCachePtr iCachePtr);
				AbcA::ArchiveReaderPtr getPtr() const { return m_archive; }

				void reset() override
				{
					m_archive.reset();
					Base::reset();
				}
				bool valid() const override { return Base::valid() && m_archive != nullptr; }

			private:
				AbcA::ArchiveReaderPtr m_archive;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
