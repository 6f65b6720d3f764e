#include <Alembic/Util/Murmur3.h>

#include <cstring>

namespace Alembic
{
	namespace Util
	{
		namespace ALEMBIC_VERSION_NS
		{
			namespace
			{
				inline uint64_t Rotl(uint64_t x, int r)
				{
					return (x << r) | (x >> (64 - r));
				}

				inline uint64_t Fmix(uint64_t k)
				{
					k ^= k >> 33;
					k *= 0xff51afd7ed558ccdULL;
					k ^= k >> 33;
					k *= 0xc4ceb9fe1a85ec53ULL;
					k ^= k >> 33;
					return k;
				}
			}

			Digest MurmurHash3_x64_128(const void* iData, size_t iNumBytes)
			{
				const uint8_t* Data = static_cast<const uint8_t*>(iData);
				const size_t NumBlocks = iNumBytes / 16;
				const uint64_t c1 = 0x87c37b91114253d5ULL;
				const uint64_t c2 = 0x4cf5ad432745937fULL;
				uint64_t h1 = 0;
				uint64_t h2 = 0;

				for (size_t i = 0; i < NumBlocks; ++i)
				{
					uint64_t k1;
					uint64_t k2;
					std::memcpy(&k1, Data + i * 16, 8);
					std::memcpy(&k2, Data + i * 16 + 8, 8);
					k1 *= c1;
					k1 = Rotl(k1, 31);
					k1 *= c2;
					h1 ^= k1;
					h1 = Rotl(h1, 27);
					h1 += h2;
					h1 = h1 * 5 + 0x52dce729;
					k2 *= c2;
					k2 = Rotl(k2, 33);
					k2 *= c1;
					h2 ^= k2;
					h2 = Rotl(h2, 31);
					h2 += h1;
					h2 = h2 * 5 + 0x38495ab5;
				}

				const uint8_t* Tail = Data + NumBlocks * 16;
				const size_t TailLen = iNumBytes & 15;
				uint64_t k1 = 0;
				uint64_t k2 = 0;
				for (size_t i = TailLen; i > 8; --i)
				{
					k2 = (k2 << 8) | Tail[i - 1];
				}
				for (size_t i = TailLen < 8 ? TailLen : 8; i > 0; --i)
				{
					k1 = (k1 << 8) | Tail[i - 1];
				}
				if (TailLen > 8)
				{
					k2 *= c2;
					k2 = Rotl(k2, 33);
					k2 *= c1;
					h2 ^= k2;
				}
				if (TailLen > 0)
				{
					k1 *= c1;
					k1 = Rotl(k1, 31);
					k1 *= c2;
					h1 ^= k1;
				}

				h1 ^= uint64_t(iNumBytes);
				h2 ^= uint64_t(iNumBytes);
				h1 += h2;
				h2 += h1;
				h1 = Fmix(h1);
				h2 = Fmix(h2);
				h1 += h2;
				h2 += h1;

				Digest Result;
				Result.setWord(0, h1);
				Result.setWord(1, h2);
				return Result;
			}
		}
	}
}
