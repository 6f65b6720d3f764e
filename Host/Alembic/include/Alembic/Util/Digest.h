#pragma once

// A 16-byte content digest: sample keys and the object/property hashes.

#include <cstring>
#include <ostream>

#include <Alembic/Util/Foundation.h>

namespace Alembic
{
	namespace Util
	{
		namespace ALEMBIC_VERSION_NS
		{
			struct Digest
			{
				uint8_t d[16] = {};

				uint64_t word(int i) const
				{
					uint64_t w;
					std::memcpy(&w, d + 8 * i, 8);
					return w;
				}
				void setWord(int i, uint64_t w) { std::memcpy(d + 8 * i, &w, 8); }
				bool operator==(const Digest& o) const { return std::memcmp(d, o.d, 16) == 0; }
				bool operator!=(const Digest& o) const { return !(*this == o); }
				bool operator<(const Digest& o) const { return std::memcmp(d, o.d, 16) < 0; }
				std::string str() const
				{
					static const char Hex[] = "0123456789abcdef";
					std::string s;
					for (uint8_t b : d)
					{
						s += Hex[b >> 4];
						s += Hex[b & 15];
					}
					return s;
				}
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
