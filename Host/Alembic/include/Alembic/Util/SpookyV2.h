#pragma once

// SpookyHash V2 (seeds 0, 0): the property and object hashes.

#include <Alembic/Util/Digest.h>

namespace Alembic
{
	namespace Util
	{
		namespace ALEMBIC_VERSION_NS
		{
			Digest SpookyHash128(const void* iData, size_t iNumBytes);

			// The short-message finaliser, used on its own to chain sample digests.
			void SpookyShortEnd(uint64_t& h0, uint64_t& h1, uint64_t& h2, uint64_t& h3);

			// Gathers bytes and hashes them in one go; equal to the streaming form.
			class SpookyHasher
			{
			public:
				void update(const void* iData, size_t iNumBytes)
				{
					const uint8_t* p = static_cast<const uint8_t*>(iData);
					m_bytes.insert(m_bytes.end(), p, p + iNumBytes);
				}
				void update(const Digest& iDigest) { update(iDigest.d, 16); }
				void update(const std::string& iText) { update(iText.data(), iText.size()); }
				Digest final() const { return SpookyHash128(m_bytes.data(), m_bytes.size()); }

			private:
				std::vector<uint8_t> m_bytes;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
