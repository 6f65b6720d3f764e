#include "IStreams.h"

#include <fcntl.h>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Alembic
{
	namespace Ogawa
	{
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
			}
		}

		IStreams::IStreams(std::vector<uint8_t>&& iBytes)
		    : m_owned(std::move(iBytes))
		{
			if (!m_owned.empty())
			{
				m_data = m_owned.data();
				m_size = m_owned.size();
			}
		}

		IStreams::~IStreams()
		{
			if (m_mapped)
			{
				::munmap(const_cast<uint8_t*>(m_data), size_t(m_size));
			}
		}

		const uint8_t* IStreams::view(uint64_t iPos, uint64_t iSize) const
		{
			if (!m_data || iPos > m_size || iSize > m_size - iPos)
			{
				throw std::runtime_error("Ogawa IStreams::read failed.");
			}
			return m_data + iPos;
		}
	}
}
