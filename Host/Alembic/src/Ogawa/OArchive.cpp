#include "OArchive.h"

namespace Alembic
{
	namespace Ogawa
	{
		OGroupPtr OGroup::addGroup()
		{
			m_slots.push_back(EmptyGroup);
			return OGroupPtr(new OGroup(m_archive, this, m_slots.size() - 1));
		}

		uint64_t OGroup::addData(const void* iBytes, size_t iSize)
		{
			if (iSize == 0)
			{
				m_slots.push_back(EmptyData);
				return 0;
			}
			OStream& Stream = m_archive->m_stream;
			const uint64_t Size = iSize;
			const uint64_t Pos = Stream.write(&Size, 8);
			Stream.write(iBytes, iSize);
			m_slots.push_back(Pos | EmptyData);
			return Pos;
		}

		uint64_t OGroup::addData(const void* iFirst, size_t iFirstSize, const void* iSecond, size_t iSecondSize)
		{
			if (iFirstSize + iSecondSize == 0)
			{
				m_slots.push_back(EmptyData);
				return 0;
			}
			OStream& Stream = m_archive->m_stream;
			const uint64_t Size = iFirstSize + iSecondSize;
			const uint64_t Pos = Stream.write(&Size, 8);
			Stream.write(iFirst, iFirstSize);
			Stream.write(iSecond, iSecondSize);
			m_slots.push_back(Pos | EmptyData);
			return Pos;
		}

		void OGroup::freeze()
		{
			if (m_frozen)
			{
				return;
			}
			m_frozen = true;
			uint64_t Pos = EmptyGroup;
			if (!m_slots.empty())
			{
				OStream& Stream = m_archive->m_stream;
				const uint64_t Count = m_slots.size();
				Pos = Stream.write(&Count, 8);
				Stream.write(m_slots.data(), m_slots.size() * 8);
			}
			if (m_parent)
			{
				m_parent->m_slots[m_index] = Pos;
			}
			else
			{
				m_archive->m_stream.patch(8, &Pos, 8);
			}
		}

		OArchive::OArchive(const std::string& iFileName)
		    : m_stream(iFileName), m_root(new OGroup(this, nullptr, 0))
		{
		}

		OArchive::OArchive(std::ostream* iStream)
		    : m_stream(iStream), m_root(new OGroup(this, nullptr, 0))
		{
		}

		void OArchive::close()
		{
			if (m_closed || !m_stream.isValid())
			{
				return;
			}
			m_closed = true;
			m_root->freeze();
			const uint8_t Frozen = 0xff;
			m_stream.patch(5, &Frozen, 1);
			m_stream.close();
		}

		OArchive::~OArchive()
		{
			// As the library's: the root is frozen and the frozen byte written here if nobody closed the
			// archive before, and a failure to write them is not caught.
			close();
		}
	}
}
