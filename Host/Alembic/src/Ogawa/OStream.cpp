#include "OStream.h"

#include <cstring>
#include <stdexcept>

namespace Alembic
{
	namespace Ogawa
	{
		namespace
		{
			const size_t BufferSize = 1 << 20;
		}

		OStream::OStream(const std::string& iFileName)
		{
			m_file = std::fopen(iFileName.c_str(), "wb");
			if (m_file)
			{
				// Our own buffer batches small blocks; the stdio buffer would only copy twice.
				std::setvbuf(m_file, nullptr, _IONBF, 0);
				m_buffer.reserve(BufferSize);
			}
		}

		OStream::~OStream()
		{
			if (m_file)
			{
				flush();
				std::fclose(m_file);
			}
		}

		uint64_t OStream::write(const void* iBuf, size_t iSize)
		{
			const uint64_t Start = m_pos;
			if (m_buffer.size() + iSize > BufferSize)
			{
				flush();
			}
			if (iSize >= BufferSize)
			{
				if (m_file && std::fwrite(iBuf, 1, iSize, m_file) != iSize)
				{
					throw std::runtime_error("Ogawa OStream::write failed.");
				}
				m_flushedPos += iSize;
			}
			else
			{
				const uint8_t* Bytes = static_cast<const uint8_t*>(iBuf);
				m_buffer.insert(m_buffer.end(), Bytes, Bytes + iSize);
			}
			m_pos += iSize;
			return Start;
		}

		void OStream::writeDirect(const void* iBuf, size_t iSize)
		{
			if (m_file && std::fwrite(iBuf, 1, iSize, m_file) != iSize)
			{
				throw std::runtime_error("Ogawa OStream::write failed.");
			}
			m_flushedPos += iSize;
			m_pos += iSize;
		}

		void OStream::patch(uint64_t iPos, const void* iBuf, size_t iSize)
		{
			if (iPos >= m_flushedPos)
			{
				std::memcpy(m_buffer.data() + (iPos - m_flushedPos), iBuf, iSize);
				return;
			}
			flush();
			if (m_file)
			{
				std::fseek(m_file, long(iPos), SEEK_SET);
				std::fwrite(iBuf, 1, iSize, m_file);
				std::fseek(m_file, 0, SEEK_END);
			}
		}

		void OStream::flush()
		{
			if (m_file && !m_buffer.empty())
			{
				if (std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_file) != m_buffer.size())
				{
					throw std::runtime_error("Ogawa OStream::write failed.");
				}
			}
			m_flushedPos += m_buffer.size();
			m_buffer.clear();
		}
	}
}
