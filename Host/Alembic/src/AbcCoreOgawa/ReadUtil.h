#pragma once

// Parsing of the Alembic records stored in Ogawa data blocks. Every field is bounds-checked
// against its block; the messages are the ones the reference reader gives.

#include <Alembic/AbcCoreAbstract/All.h>

#include "../Ogawa/IArchive.h"

namespace Alembic
{
	namespace AbcCoreOgawa
	{
		namespace ALEMBIC_VERSION_NS
		{
			namespace AbcA = ::Alembic::AbcCoreAbstract;
			using namespace ::Alembic::Util;

			// A property header plus the sample bookkeeping that only this layer needs.
			struct PropertyHeaderAndFriends
			{
				AbcA::PropertyHeader header;
				bool isScalarLike = false;
				bool isHomogeneous = false;
				uint32_t numSamples = 0;
				uint32_t firstChangedIndex = 0;
				uint32_t lastChangedIndex = 0;
				uint32_t timeSamplingIndex = 0;
			};
			typedef shared_ptr<PropertyHeaderAndFriends> PropertyHeaderPtr;

			// Index 0 of the table is the implicit empty metadata.
			typedef std::vector<AbcA::MetaDataPtr> MetaDataTable;

			void ReadTimeSamplings(const Ogawa::IDataPtr& iData, std::vector<AbcA::TimeSamplingPtr>& oSamplings, std::vector<AbcA::index_t>& oMaxSamples);
			void ReadIndexedMetaData(const Ogawa::IDataPtr& iData, MetaDataTable& oTable);
			void ReadObjectHeaders(const uint8_t* iBytes, size_t iSize, const std::string& iParentFullName, const MetaDataTable& iTable,
			                       std::vector<AbcA::ObjectHeaderPtr>& oHeaders);
			void ReadPropertyHeaders(const uint8_t* iBytes, size_t iSize, const MetaDataTable& iTable, const std::vector<AbcA::TimeSamplingPtr>& iSamplings,
			                         std::vector<PropertyHeaderPtr>& oHeaders);

			// Sample number -> stored sample, following the first/last changed bookkeeping.
			size_t StoredSampleIndex(const PropertyHeaderAndFriends& iHeader, AbcA::index_t iIndex);
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
