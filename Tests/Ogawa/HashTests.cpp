// The two digests must match the reference library's bit for bit; the file's keys and hashes depend on them.

#include <Alembic/Util/Murmur3.h>
#include <Alembic/Util/SpookyV2.h>

#include <gtest/gtest.h>

#include <numeric>

namespace
{
	using namespace Alembic::Util;

	std::vector<Alembic::Util::uint8_t> Counting(size_t Count)
	{
		std::vector<Alembic::Util::uint8_t> Bytes(Count);
		std::iota(Bytes.begin(), Bytes.end(), Alembic::Util::uint8_t(0));
		return Bytes;
	}

	struct FVector
	{
		std::vector<Alembic::Util::uint8_t> Input;
		const char* Murmur;
		const char* Spooky;
	};

	TEST(Digests, MatchTheReferenceVectorsOnShortAndLongInputs)
	{
		const FVector Vectors[] = {
		    {{}, "00000000000000000000000000000000", "1909f56bfc062723c751e8b465ee728b"},
		    {{'a', 'b', 'c'}, "6778ad3f3f3f96b4522dca264174a23b", "67c93775f715ab8ab01178caf86713c6"},
		    {Counting(15), "e92549fd98152347e97dc688ee6d84cd", "8b27dc65de86aad9104a2a55640524da"},
		    {Counting(32), "0f502fb622906dc65111c3346e0a051c", "d23f62e2680bf5578b1994f9ef243989"},
		    {Counting(200), "33e54dc358d26ce5b83eb17540a579a4", "725f837076a837fef24b6280c60ea0a2"},
		    {Counting(256), "b9126fdc13c3991c1ecc34ab7f07d670", "2303c5518b9d3b2050ff997565a096c8"},
		};
		for (const FVector& Each : Vectors)
		{
			EXPECT_EQ(MurmurHash3_x64_128(Each.Input.data(), Each.Input.size()).str(), Each.Murmur) << Each.Input.size() << " bytes";
			EXPECT_EQ(SpookyHash128(Each.Input.data(), Each.Input.size()).str(), Each.Spooky) << Each.Input.size() << " bytes";
		}
	}

	TEST(Digests, ShortEndChainsLikeTheReference)
	{
		Alembic::Util::uint64_t h0 = 1, h1 = 2, h2 = 3, h3 = 4;
		SpookyShortEnd(h0, h1, h2, h3);
		EXPECT_EQ(h0, 0xd05bc6ce4c6b2efeULL);
		EXPECT_EQ(h1, 0x8616ffe259af1463ULL);
		EXPECT_EQ(h2, 0xcc8d19644d5efeddULL);
		EXPECT_EQ(h3, 0x6491d728a1b49620ULL);
	}
}
