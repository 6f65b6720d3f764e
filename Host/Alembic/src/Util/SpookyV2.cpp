#include <Alembic/Util/SpookyV2.h>

#include <cstring>

namespace Alembic
{
	namespace Util
	{
		namespace ALEMBIC_VERSION_NS
		{
			namespace
			{
				const uint64_t SC = 0xdeadbeefdeadbeefULL;

				inline uint64_t Rotl(uint64_t x, int r)
				{
					return (x << r) | (x >> (64 - r));
				}

				inline uint64_t Word(const uint8_t* p)
				{
					uint64_t w;
					std::memcpy(&w, p, 8);
					return w;
				}

				// Little-endian integer of up to 8 bytes.
				inline uint64_t PartialWord(const uint8_t* p, size_t n)
				{
					uint64_t w = 0;
					for (size_t i = n; i > 0; --i)
					{
						w = (w << 8) | p[i - 1];
					}
					return w;
				}

				void ShortMix(uint64_t h[4])
				{
					static const int Steps[12][4] = {{2, 3, 0, 50}, {3, 0, 1, 52}, {0, 1, 2, 30}, {1, 2, 3, 41}, {2, 3, 0, 54}, {3, 0, 1, 48}, {0, 1, 2, 38}, {1, 2, 3, 37}, {2, 3, 0, 62}, {3, 0, 1, 34}, {0, 1, 2, 5}, {1, 2, 3, 36}};
					for (const auto& s : Steps)
					{
						h[s[0]] = Rotl(h[s[0]], s[3]);
						h[s[0]] += h[s[1]];
						h[s[2]] ^= h[s[0]];
					}
				}

				void ShortEnd(uint64_t h[4])
				{
					static const int Steps[11][3] = {{3, 2, 15}, {0, 3, 52}, {1, 0, 26}, {2, 1, 51}, {3, 2, 28}, {0, 3, 9}, {1, 0, 47}, {2, 1, 54}, {3, 2, 32}, {0, 3, 25}, {1, 0, 63}};
					for (const auto& s : Steps)
					{
						h[s[0]] ^= h[s[1]];
						h[s[1]] = Rotl(h[s[1]], s[2]);
						h[s[0]] += h[s[1]];
					}
				}

				Digest Short(const uint8_t* p, size_t n)
				{
					uint64_t h[4] = {0, 0, SC, SC};
					size_t Remainder = n % 32;
					if (n > 15)
					{
						for (size_t Chunk = 0; Chunk < n / 32; ++Chunk, p += 32)
						{
							h[2] += Word(p);
							h[3] += Word(p + 8);
							ShortMix(h);
							h[0] += Word(p + 16);
							h[1] += Word(p + 24);
						}
						if (Remainder >= 16)
						{
							h[2] += Word(p);
							h[3] += Word(p + 8);
							ShortMix(h);
							p += 16;
							Remainder -= 16;
						}
					}
					h[3] += uint64_t(n) << 56;
					if (Remainder == 0)
					{
						h[2] += SC;
						h[3] += SC;
					}
					else
					{
						h[2] += PartialWord(p, Remainder < 8 ? Remainder : 8);
						if (Remainder > 8)
						{
							h[3] += PartialWord(p + 8, Remainder - 8);
						}
					}
					ShortEnd(h);
					Digest Result;
					Result.setWord(0, h[0]);
					Result.setWord(1, h[1]);
					return Result;
				}

				void Mix(const uint64_t* d, uint64_t* h)
				{
					static const int MR[12] = {11, 32, 43, 31, 17, 28, 39, 57, 55, 54, 22, 46};
					for (int i = 0; i < 12; ++i)
					{
						h[i] += d[i];
						h[(i + 2) % 12] ^= h[(i + 10) % 12];
						h[(i + 11) % 12] ^= h[i];
						h[i] = Rotl(h[i], MR[i]);
						h[(i + 11) % 12] += h[(i + 1) % 12];
					}
				}

				void EndPartial(uint64_t* h)
				{
					static const int ER[12] = {44, 15, 34, 21, 38, 33, 10, 13, 38, 53, 42, 54};
					for (int i = 0; i < 12; ++i)
					{
						h[(i + 11) % 12] += h[(i + 1) % 12];
						h[(i + 2) % 12] ^= h[(i + 11) % 12];
						h[(i + 1) % 12] = Rotl(h[(i + 1) % 12], ER[i]);
					}
				}
			}

			void SpookyShortEnd(uint64_t& h0, uint64_t& h1, uint64_t& h2, uint64_t& h3)
			{
				uint64_t h[4] = {h0, h1, h2, h3};
				ShortEnd(h);
				h0 = h[0];
				h1 = h[1];
				h2 = h[2];
				h3 = h[3];
			}

			Digest SpookyHash128(const void* iData, size_t iNumBytes)
			{
				const uint8_t* p = static_cast<const uint8_t*>(iData);
				if (iNumBytes < 192)
				{
					return Short(p, iNumBytes);
				}
				uint64_t h[12];
				for (int i = 0; i < 12; i += 3)
				{
					h[i] = 0;
					h[i + 1] = 0;
					h[i + 2] = SC;
				}
				uint64_t d[12];
				const size_t NumBlocks = iNumBytes / 96;
				for (size_t b = 0; b < NumBlocks; ++b, p += 96)
				{
					std::memcpy(d, p, 96);
					Mix(d, h);
				}
				const size_t Remainder = iNumBytes % 96;
				uint8_t Last[96] = {};
				std::memcpy(Last, p, Remainder);
				Last[95] = uint8_t(Remainder);
				std::memcpy(d, Last, 96);
				for (int i = 0; i < 12; ++i)
				{
					h[i] += d[i];
				}
				EndPartial(h);
				EndPartial(h);
				EndPartial(h);
				Digest Result;
				Result.setWord(0, h[0]);
				Result.setWord(1, h[1]);
				return Result;
			}
		}
	}
}
