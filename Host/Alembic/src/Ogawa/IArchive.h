#pragma once

// The Ogawa tree for reading: a 16-byte header, then groups (lists of child slots) and data blocks.

#include <mutex>
#include <vector>

#include "IStreams.h"

namespace Alembic
{
	namespace Ogawa
	{
		// Bit 63 of a slot marks data; the rest is a position.
		static const uint64_t DataBit = 0x8000000000000000ULL;
		static const uint64_t PositionMask = 0x7fffffffffffffffULL;

		class IData
		{
		public:
			IData(IStreamsPtr iStreams, uint64_t iPos);

			uint64_t getSize() const { return m_size; }
			uint64_t getPos() const { return m_pos; }
			// The payload [iOffset, iOffset + iSize), valid while this block lives; throws when the range
			// runs past the block or the file.
			const uint8_t* view(uint64_t iOffset, uint64_t iSize) const;
			const uint8_t* view() const { return view(0, m_size); }
			// The same bytes, kept alive by the pointer itself (for samples handed to the caller).
			std::shared_ptr<const uint8_t> share(uint64_t iOffset, uint64_t iSize) const;
			void read(uint64_t iSize, void* oBuf, uint64_t iOffset) const;

		private:
			struct FHeld
			{
				uint64_t offset;
				uint64_t size;
				std::shared_ptr<const uint8_t> bytes;
			};

			IStreamsPtr m_streams;
			uint64_t m_pos;
			uint64_t m_size;
			// Ranges read from a stream for view(); a mapping needs none.
			mutable std::mutex m_heldLock;
			mutable std::vector<FHeld> m_held;
		};

		typedef std::shared_ptr<IData> IDataPtr;

		class IGroup;
		typedef std::shared_ptr<IGroup> IGroupPtr;

		class IGroup
		{
		public:
			// A light group reads its slots only when they are asked for.
			IGroup(IStreamsPtr iStreams, uint64_t iPos, bool iLight);

			uint64_t getNumChildren() const { return m_numChildren; }
			uint64_t getPos() const { return m_pos; }
			bool isChildGroup(uint64_t i) const { return i < m_numChildren && (slot(i) & DataBit) == 0; }
			bool isChildData(uint64_t i) const { return i < m_numChildren && (slot(i) & DataBit) != 0; }
			bool isEmptyChildGroup(uint64_t i) const { return i < m_numChildren && slot(i) == 0; }
			bool isEmptyChildData(uint64_t i) const { return i < m_numChildren && slot(i) == DataBit; }

			// Null when slot i is missing, is data, or cannot be a group (a position of 8 or less, or this group itself).
			IGroupPtr getGroup(uint64_t i, bool iLight) const;
			// Null when slot i is missing or is a group.
			IDataPtr getData(uint64_t i) const;
			uint64_t slot(uint64_t i) const;

		private:
			IStreamsPtr m_streams;
			uint64_t m_pos;
			uint64_t m_numChildren = 0;
			std::vector<uint64_t> m_slots;
		};

		class IArchive
		{
		public:
			explicit IArchive(const std::string& iFileName);
			explicit IArchive(IStreamsPtr iStreams);

			bool isValid() const { return m_valid; }
			bool isFrozen() const { return m_frozen; }
			uint16_t getVersion() const { return m_version; }
			// Reads the root group; throws if it lies outside the file.
			IGroupPtr getGroup() const;
			const IStreamsPtr& getStreams() const { return m_streams; }

		private:
			void init();

			IStreamsPtr m_streams;
			bool m_valid = false;
			bool m_frozen = false;
			uint16_t m_version = 0;
			uint64_t m_rootPos = 0;
		};
	}
}
