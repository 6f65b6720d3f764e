#pragma once

#include <Alembic/Abc/Base.h>

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			class OObject;

			// The file is complete once this and every handle made from it are gone.
			class OArchive : public Base
			{
			public:
				OArchive() = default;

				// ARCHIVE_CTOR is a functor such as AbcCoreOgawa::WriteArchive, called as iCtor(name, metadata).
				template<class ARCHIVE_CTOR>
				OArchive(ARCHIVE_CTOR iCtor, const std::string& iFileName, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument())
				    : Base(GetErrorHandlerPolicyFromArgs(iArg0, iArg1))
				{
					ALEMBIC_ABC_SAFE_CALL_BEGIN("OArchive::OArchive( iFileName )");
					m_archive = iCtor(iFileName, GetMetaData(iArg0, iArg1));
					ALEMBIC_ABC_SAFE_CALL_END_RESET();
				}

				OArchive(AbcA::ArchiveWriterPtr iPtr, ErrorHandler::Policy iPolicy = ErrorHandler::kThrowPolicy)
				    : Base(iPolicy), m_archive(std::move(iPtr)) {}
				OArchive(AbcA::ArchiveWriterPtr iPtr, WrapExistingFlag, ErrorHandler::Policy iPolicy = ErrorHandler::kThrowPolicy)
				    : Base(iPolicy), m_archive(std::move(iPtr))
				{
				}

				std::string getName() const { return m_archive ? m_archive->getName() : std::string(); }
				OObject getTop();
				int8_t getCompressionHint() const { return m_archive ? m_archive->getCompressionHint() : -1; }
				void setCompressionHint(int8_t iCh)
				{
					if (m_archive)
					{
						m_archive->setCompressionHint(iCh);
					}
				}
				uint32_t addTimeSampling(const AbcA::TimeSampling& iTs);
				AbcA::TimeSamplingPtr getTimeSampling(uint32_t iIndex);
				uint32_t getNumTimeSamplings() { return m_archive ? m_archive->getNumTimeSamplings() : 0; }
				AbcA::ArchiveWriterPtr getPtr() { return m_archive; }

				void reset() override
				{
					m_archive.reset();
					Base::reset();
				}
				bool valid() const override { return Base::valid() && m_archive != nullptr; }

			private:
				AbcA::ArchiveWriterPtr m_archive;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
