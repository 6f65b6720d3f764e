#include "OStream.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace Alembic
{
	namespace Ogawa
	{
		namespace
		{
			const size_t BufferSize = 1 << 20;

			// "Ogawa", the frozen byte (0xff once the archive is complete), the version 1 (big-endian) and
			// the root group's position, patched in when the root is written.
			const uint8_t Header[16] = {'O', 'g', 'a', 'w', 'a', 0x00, 0x00, 0x01};
		}

		OStream::OStream(const std::string& iFileName)
		{
			m_file = std::fopen(iFileName.c_str(), "wb");
			if (m_file)
			{
				// Our own buffer batches small blocks; the stdio buffer would only copy twice.
				std::setvbuf(m_file, nullptr, _IONBF, 0);
				m_buffer.reserve(BufferSize);
				// On disk at once, so a reader that comes too early sees "not cleanly closed".
				write(Header, sizeof(Header));
				flush();
			}
		}

		OStream::OStream(std::ostream* iStream)
		    : m_stream(iStream)
		{
			if (m_stream)
			{
				m_stream->exceptions(std::ostream::failbit | std::ostream::badbit);
				m_origin = m_stream->tellp();
				if (m_origin < 0)
				{
					m_stream = nullptr;
					throw std::runtime_error("Illegal start of Ogawa stream");
				}
				write(Header, sizeof(Header));
			}
		}

		OStream::~OStream()
		{
			if (m_file)
			{
				close();
			}
		}

		void OStream::fail(const char* iWhat, int iError)
		{
			// A failed file is closed at once: later writes cannot pretend to succeed.
			if (m_file)
			{
				std::fclose(m_file);
				m_file = nullptr;
			}
			m_buffer.clear();
			throw std::runtime_error(std::string("Ogawa OStream::") + iWhat + " failed: " + std::strerror(iError ? iError : EIO));
		}

		void OStream::sink(const void* iBuf, size_t iSize)
		{
			if (iSize == 0)
			{
				return;
			}
			if (m_stream)
			{
				m_stream->write(static_cast<const char*>(iBuf), std::streamsize(iSize)).flush();
				return;
			}
			if (!m_file)
			{
				fail("write", EBADF);
			}
			errno = 0;
			if (std::fwrite(iBuf, 1, iSize, m_file) != iSize)
			{
				fail("write", errno);
			}
		}

		void OStream::seekTo(uint64_t iPos)
		{
			if (m_stream)
			{
				m_stream->seekp(m_origin + std::streamoff(iPos));
				return;
			}
			errno = 0;
			if (!m_file || ::fseeko(m_file, off_t(iPos), SEEK_SET) != 0)
			{
				fail("seek", errno);
			}
		}

		uint64_t OStream::write(const void* iBuf, size_t iSize)
		{
			const uint64_t Start = m_pos;
			if (m_stream || iSize >= BufferSize)
			{
				flush();
				sink(iBuf, iSize);
				m_flushedPos += iSize;
			}
			else
			{
				if (m_buffer.size() + iSize > BufferSize)
				{
					flush();
				}
				const uint8_t* Bytes = static_cast<const uint8_t*>(iBuf);
				m_buffer.insert(m_buffer.end(), Bytes, Bytes + iSize);
			}
			m_pos += iSize;
			return Start;
		}

		void OStream::writeDirect(const void* iBuf, size_t iSize)
		{
			sink(iBuf, iSize);
			m_flushedPos += iSize;
			m_pos += iSize;
		}

		void OStream::patch(uint64_t iPos, const void* iBuf, size_t iSize)
		{
			if (!m_buffer.empty() && iPos >= m_flushedPos)
			{
				std::memcpy(m_buffer.data() + (iPos - m_flushedPos), iBuf, iSize);
				return;
			}
			flush();
			seekTo(iPos);
			sink(iBuf, iSize);
			seekTo(m_pos);
		}

		void OStream::flush()
		{
			if (!m_buffer.empty())
			{
				sink(m_buffer.data(), m_buffer.size());
			}
			m_flushedPos += m_buffer.size();
			m_buffer.clear();
		}

		void OStream::close()
		{
			flush();
			if (m_file)
			{
				std::FILE* const File = m_file;
				m_file = nullptr;
				errno = 0;
				if (std::fclose(File) != 0)
				{
					fail("close", errno);
				}
			}
		}
	}
}
