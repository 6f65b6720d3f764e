#pragma once

// Byte-level helpers for the records the writer emits.

#include <cstring>
#include <string>
#include <vector>

#include <Alembic/Util/All.h>

namespace Alembic
{
namespace AbcCoreOgawa
{
namespace ALEMBIC_VERSION_NS
{
class ByteWriter
{
public:
	template<class T>
	void pod(const T& iValue)
	{
		const uint8_t* p = reinterpret_cast<const uint8_t*>(&iValue);
		m_bytes.insert(m_bytes.end(), p, p + sizeof(T));
	}
	void bytes(const void* iData, size_t iSize)
	{
		const uint8_t* p = static_cast<const uint8_t*>(iData);
		m_bytes.insert(m_bytes.end(), p, p + iSize);
	}
	void text(const std::string& iText) { bytes(iText.data(), iText.size()); }
	void digest(const Util::Digest& iDigest) { bytes(iDigest.d, 16); }
	// A 1, 2 or 4 byte field, by size hint 0, 1 or 2.
	void hinted(uint32_t iHint, uint32_t iValue)
	{
		if (iHint == 0)
		{
			pod(uint8_t(iValue));
		}
		else if (iHint == 1)
		{
			pod(uint16_t(iValue));
		}
		else
		{
			pod(uint32_t(iValue));
		}
	}
	const std::vector<uint8_t>& get() const { return m_bytes; }
	std::vector<uint8_t>& get() { return m_bytes; }

private:
	std::vector<uint8_t> m_bytes;
};
}
using namespace ALEMBIC_VERSION_NS;
}
}
