#pragma once

// Archives that record the writing application, date and frame rate.

#include <ctime>

#include <Alembic/Abc/OArchive.h>

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			static const char* kApplicationNameKey = "_ai_Application";
			static const char* kDateWrittenKey = "_ai_DateWritten";
			static const char* kUserDescriptionKey = "_ai_Description";
			static const char* kDCCFPSKey = "_ai_DCC_FPS";

			template<class ARCHIVE_CTOR>
			OArchive CreateArchiveWithInfo(ARCHIVE_CTOR iCtor, const std::string& iFileName, double iDCCFPS, const std::string& iApplicationWriter,
			                               const std::string& iUserDescription, const AbcA::MetaData& iMetaData = AbcA::MetaData(),
			                               ErrorHandler::Policy iPolicy = ErrorHandler::kThrowPolicy)
			{
				AbcA::MetaData MetaData = iMetaData;
				if (!iApplicationWriter.empty())
				{
					MetaData.set(kApplicationNameKey, iApplicationWriter);
				}
				std::time_t Now = std::time(nullptr);
				std::string Date = std::ctime(&Now);
				if (!Date.empty() && Date.back() == '\n')
				{
					Date.pop_back();
				}
				MetaData.set(kDateWrittenKey, Date);
				if (!iUserDescription.empty())
				{
					MetaData.set(kUserDescriptionKey, iUserDescription);
				}
				if (iDCCFPS > 0)
				{
					MetaData.set(kDCCFPSKey, std::to_string(iDCCFPS));
				}
				return OArchive(iCtor, iFileName, MetaData, iPolicy);
			}

			template<class ARCHIVE_CTOR>
			OArchive CreateArchiveWithInfo(ARCHIVE_CTOR iCtor, const std::string& iFileName, const std::string& iApplicationWriter,
			                               const std::string& iUserDescription, const AbcA::MetaData& iMetaData = AbcA::MetaData(),
			                               ErrorHandler::Policy iPolicy = ErrorHandler::kThrowPolicy)
			{
				return CreateArchiveWithInfo(iCtor, iFileName, 0.0, iApplicationWriter, iUserDescription, iMetaData, iPolicy);
			}
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
