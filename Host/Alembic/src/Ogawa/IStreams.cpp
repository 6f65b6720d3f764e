#include "IStreams.h"

#include <algorithm>
#include <fcntl.h>
#include <limits>
#include <new>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Alembic
{
	namespace Ogawa
	{
		namespace
		{
			[[noreturn]] void ReadFailed()
			{
				throw std::runtime_error("Ogawa IStreams::read failed.");
			}

			// Reads [iPos, iPos + iSize) of the stream, counted from its origin; false on any failure, with
			// the bytes read before it in oBuf.
			bool ReadStream(std::istream& ioStream, std::streamoff iOrigin, uint64_t iPos, uint64_t iSize, void* oBuf)
			{
				ioStream.clear();
				if (iPos > uint64_t(std::numeric_limits<std::streamoff>::max() - iOrigin) || !ioStream.seekg(iOrigin + std::streamoff(iPos)))
				{
					return false;
				}
				ioStream.read(static_cast<char*>(oBuf), std::streamsize(std::min<uint64_t>(iSize, uint64_t(std::numeric_limits<std::streamsize>::max()))));
				return !ioStream.fail() && uint64_t(ioStream.gcount()) == iSize;
			}
		}

		IStreams::IStreams(const std::string& iFileName)
		{
			const int Fd = ::open(iFileName.c_str(), O_RDONLY | O_CLOEXEC);
			if (Fd < 0)
			{
				return;
			}
			struct stat Info;
			if (::fstat(Fd, &Info) == 0 && S_ISREG(Info.st_mode) && Info.st_size > 0)
			{
				void* Mapped = ::mmap(nullptr, size_t(Info.st_size), PROT_READ, MAP_PRIVATE, Fd, 0);
				if (Mapped != MAP_FAILED)
				{
					m_data = static_cast<const uint8_t*>(Mapped);
					m_size = uint64_t(Info.st_size);
					m_mapped = true;
					m_open = true;
				}
			}
			::close(Fd);
		}

		IStreams::IStreams(const void* iData, uint64_t iSize)
		{
			if (iData && iSize > 0)
			{
				m_data = static_cast<const uint8_t*>(iData);
				m_size = iSize;
				m_open = true;
			}
		}

		IStreams::IStreams(std::vector<uint8_t>&& iBytes)
		    : m_owned(std::move(iBytes))
		{
			if (!m_owned.empty())
			{
				m_data = m_owned.data();
				m_size = m_owned.size();
				m_open = true;
			}
		}

		IStreams::IStreams(const std::vector<std::istream*>& iStreams)
		{
			uint8_t FirstHeader[16] = {};
			for (std::istream* Stream : iStreams)
			{
				if (!Stream)
				{
					m_consistent = false;
					continue;
				}
				const std::streamoff Origin = Stream->tellg();
				uint64_t Size = 0;
				if (Origin >= 0 && Stream->seekg(0, std::ios_base::end))
				{
					const std::streamoff End = Stream->tellg();
					Size = End >= Origin ? uint64_t(End - Origin) : 0;
				}
				else
				{
					m_consistent = false;
					Stream->clear();
					continue;
				}
				// A stream shorter than the header reads as zeros, which no valid header is.
				uint8_t Header[16] = {};
				if (Size >= 16 && !ReadStream(*Stream, Origin, 0, 16, Header))
				{
					std::memset(Header, 0, sizeof(Header));
				}
				if (m_streams.empty())
				{
					m_size = Size;
					std::memcpy(FirstHeader, Header, 16);
				}
				else if (Size != m_size || std::memcmp(Header, FirstHeader, 16) != 0)
				{
					m_consistent = false;
				}
				m_streams.push_back(std::unique_ptr<FStream>(new FStream{Stream, Origin, {}}));
			}
			m_open = !m_streams.empty() && m_consistent;
		}

		IStreams::~IStreams()
		{
			if (m_mapped)
			{
				::munmap(const_cast<uint8_t*>(m_data), size_t(m_size));
			}
		}

		void IStreams::check(uint64_t iPos, uint64_t iSize) const
		{
			// Streams are not checked: the read itself fails past the end, as the library's does.
			if (!m_open || (m_streams.empty() && (iPos > m_size || iSize > m_size - iPos)))
			{
				ReadFailed();
			}
		}

		void IStreams::readHeader(uint8_t* oHeader)
		{
			std::memset(oHeader, 0, 16);
			if (!m_open)
			{
				return;
			}
			if (m_data)
			{
				if (m_size >= 16)
				{
					std::memcpy(oHeader, m_data, 16);
				}
				return;
			}
			FStream& First = *m_streams.front();
			std::lock_guard<std::mutex> Lock(First.lock);
			ReadStream(*First.stream, First.origin, 0, 16, oHeader);
		}

		void IStreams::read(uint64_t iPos, uint64_t iSize, void* oBuf)
		{
			check(iPos, iSize);
			if (iSize == 0)
			{
				return;
			}
			if (m_data)
			{
				std::memcpy(oBuf, m_data + iPos, iSize);
				return;
			}
			// Any idle stream will do; with none idle, wait for the first.
			for (const std::unique_ptr<FStream>& Stream : m_streams)
			{
				std::unique_lock<std::mutex> Lock(Stream->lock, std::try_to_lock);
				if (Lock.owns_lock())
				{
					if (!ReadStream(*Stream->stream, Stream->origin, iPos, iSize, oBuf))
					{
						ReadFailed();
					}
					return;
				}
			}
			FStream& First = *m_streams.front();
			std::lock_guard<std::mutex> Lock(First.lock);
			if (!ReadStream(*First.stream, First.origin, iPos, iSize, oBuf))
			{
				ReadFailed();
			}
		}

		std::shared_ptr<const uint8_t> IStreams::fetch(uint64_t iPos, uint64_t iSize)
		{
			check(iPos, iSize);
			if (m_data)
			{
				// Shares ownership of the mapping, so the view outlives every other reader.
				return std::shared_ptr<const uint8_t>(shared_from_this(), m_data + iPos);
			}
			// As the library: the buffer is allocated for what the file claims before the read can fail.
			if (iSize > size_t(-1))
			{
				throw std::bad_alloc();
			}
			std::shared_ptr<uint8_t[]> Buffer(new uint8_t[iSize ? size_t(iSize) : 1]);
			read(iPos, iSize, Buffer.get());
			return std::shared_ptr<const uint8_t>(Buffer, Buffer.get());
		}
	}
}
