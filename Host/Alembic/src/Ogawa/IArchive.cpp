#include "IArchive.h"

#include <stdexcept>

namespace Alembic
{
	namespace Ogawa
	{
		IData::IData(IStreamsPtr iStreams, uint64_t iPos)
		    : m_streams(std::move(iStreams)), m_pos(iPos & PositionMask), m_size(0)
		{
			if (m_pos != 0)
			{
				m_size = m_streams->readU64(m_pos);
				if (m_size > m_streams->getSize())
				{
					throw std::runtime_error("Ogawa IData illegal size.");
				}
			}
		}

		std::shared_ptr<const uint8_t> IData::share(uint64_t iOffset, uint64_t iSize) const
		{
			if (iOffset > m_size || iSize > m_size - iOffset)
			{
				throw std::runtime_error("Ogawa IStreams::read failed.");
			}
			if (iSize == 0)
			{
				return nullptr;
			}
			return m_streams->fetch(m_pos + 8 + iOffset, iSize);
		}

		const uint8_t* IData::view(uint64_t iOffset, uint64_t iSize) const
		{
			if (m_streams->isInMemory())
			{
				return share(iOffset, iSize).get();
			}
			std::lock_guard<std::mutex> Lock(m_heldLock);
			for (const FHeld& Held : m_held)
			{
				if (iOffset >= Held.offset && iOffset - Held.offset <= Held.size && iSize <= Held.size - (iOffset - Held.offset))
				{
					return Held.bytes.get() + (iOffset - Held.offset);
				}
			}
			std::shared_ptr<const uint8_t> Bytes = share(iOffset, iSize);
			if (Bytes)
			{
				m_held.push_back({iOffset, iSize, Bytes});
			}
			return Bytes.get();
		}

		void IData::read(uint64_t iSize, void* oBuf, uint64_t iOffset) const
		{
			// A sub-range past the block's own end reads nothing, as the reference reader does.
			if (iOffset > m_size || iSize > m_size - iOffset || iSize == 0)
			{
				return;
			}
			m_streams->read(m_pos + 8 + iOffset, iSize, oBuf);
		}

		IGroup::IGroup(IStreamsPtr iStreams, uint64_t iPos, bool iLight)
		    : m_streams(std::move(iStreams)), m_pos(iPos)
		{
			if (m_pos == 0)
			{
				return;
			}
			const uint64_t Count = m_streams->readU64(m_pos);
			// A count that cannot fit in the file means "no children": the file is damaged, not huge.
			if (Count == 0 || Count > m_streams->getSize() / 8)
			{
				return;
			}
			m_numChildren = Count;
			if (!iLight || Count <= 8)
			{
				m_slots.resize(Count);
				m_streams->read(m_pos + 8, Count * 8, m_slots.data());
			}
		}

		uint64_t IGroup::slot(uint64_t i) const
		{
			if (!m_slots.empty())
			{
				return m_slots[i];
			}
			return m_streams->readU64(m_pos + 8 + 8 * i);
		}

		IGroupPtr IGroup::getGroup(uint64_t i, bool iLight) const
		{
			if (i >= m_numChildren)
			{
				return nullptr;
			}
			const uint64_t Slot = slot(i);
			if ((Slot & DataBit) != 0 || (Slot != 0 && (Slot <= 8 || Slot == m_pos)))
			{
				return nullptr;
			}
			return std::make_shared<IGroup>(m_streams, Slot, iLight);
		}

		IDataPtr IGroup::getData(uint64_t i) const
		{
			if (i >= m_numChildren)
			{
				return nullptr;
			}
			const uint64_t Slot = slot(i);
			if ((Slot & DataBit) == 0)
			{
				return nullptr;
			}
			return std::make_shared<IData>(m_streams, Slot);
		}

		IArchive::IArchive(const std::string& iFileName)
		    : m_streams(std::make_shared<IStreams>(iFileName))
		{
			init();
		}

		IArchive::IArchive(IStreamsPtr iStreams)
		    : m_streams(std::move(iStreams))
		{
			init();
		}

		void IArchive::init()
		{
			if (!m_streams->isOpen())
			{
				return;
			}
			uint8_t Header[16];
			m_streams->readHeader(Header);
			m_version = uint16_t((Header[6] << 8) | Header[7]);
			m_valid = std::memcmp(Header, "Ogawa", 5) == 0 && m_version == 1;
			m_frozen = Header[5] == 0xff;
			std::memcpy(&m_rootPos, Header + 8, 8);
		}

		IGroupPtr IArchive::getGroup() const
		{
			return std::make_shared<IGroup>(m_streams, m_rootPos, false);
		}
	}
}
