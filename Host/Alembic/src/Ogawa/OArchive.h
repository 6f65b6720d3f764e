#pragma once

// The Ogawa tree for writing. Data blocks go out at once; a group is written when it is frozen,
// after all of its children, and then fills in its slot in the parent.

#include <memory>
#include <vector>

#include "OStream.h"

namespace Alembic
{
	namespace Ogawa
	{
		static const uint64_t EmptyData = 0x8000000000000000ULL;
		static const uint64_t EmptyGroup = 0;

		class OArchive;
		class OGroup;
		typedef std::shared_ptr<OGroup> OGroupPtr;

		class OGroup
		{
		public:
			// A new child group; its slot stays a placeholder until the child is frozen.
			OGroupPtr addGroup();
			// Appends a data block (or the empty-data marker) and returns its position (0 when empty).
			uint64_t addData(const void* iBytes, size_t iSize);
			uint64_t addData(const std::vector<uint8_t>& iBytes) { return addData(iBytes.data(), iBytes.size()); }
			// One block made of two parts (a key and its payload), without joining them in memory first.
			uint64_t addData(const void* iFirst, size_t iFirstSize, const void* iSecond, size_t iSecondSize);
			// Re-uses a block written before; position 0 gives the empty-data marker.
			void addDataRef(uint64_t iPos) { m_slots.push_back(iPos | 0x8000000000000000ULL); }
			size_t getNumChildren() const { return m_slots.size(); }

			// Writes the group block (nothing for an empty group) and patches the parent's slot.
			void freeze();
			bool isFrozen() const { return m_frozen; }

		private:
			friend class OArchive;
			OGroup(OArchive* iArchive, OGroup* iParent, size_t iIndex)
			    : m_archive(iArchive), m_parent(iParent), m_index(iIndex) {}

			OArchive* m_archive;
			OGroup* m_parent;
			size_t m_index;
			std::vector<uint64_t> m_slots;
			bool m_frozen = false;
		};

		class OArchive
		{
		public:
			explicit OArchive(const std::string& iFileName);
			// Positions count from the stream's position now.
			explicit OArchive(std::ostream* iStream);
			// Closes the archive if still open, as the library does; a failed write there ends the process.
			~OArchive();

			bool isValid() const { return m_stream.isValid(); }
			const OGroupPtr& getGroup() { return m_root; }
			// Only for writers that append blocks themselves and refer to them with addDataRef.
			OStream& getStream() { return m_stream; }
			// Freezes the root and marks the file as cleanly closed; throws when a write fails.
			void close();

		private:
			friend class OGroup;
			OStream m_stream;
			OGroupPtr m_root;
			bool m_closed = false;
		};
	}
}
