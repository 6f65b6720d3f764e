#pragma once

// Byte-level helpers for the records the writer emits.

#include <cstring>
#include <string>
#include <vector>

#include <Alembic/Util/All.h>
#include <Alembic/Util/SpookyV2.h>
#include <Alembic/AbcCoreAbstract/All.h>

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

			// Every sample block starts with this many key bytes.
			const size_t KeySize = 16;

			// De-duplication never matches samples of different classes.
			enum SampleClass
			{
				kNumericClass = 0,
				kStringClass = 1,
				kWstringClass = 2
			};

			class AwImpl;
			struct PropertyRecord;

			void CheckName(const std::string& iName, const char* iWhat);
			// The bytes that describe a property to its hash: name, metadata, type and time sampling.
			void HashHeader(Util::SpookyHasher& ioHasher, const PropertyRecord& iRecord, const AbcCoreAbstract::TimeSampling* iSampling);
			// One record of a property headers block; asks the archive for the metadata index.
			void WritePropertyRecord(ByteWriter& ioOut, const PropertyRecord& iRecord, AwImpl& iArchive);
			Util::Digest HashOfDigests(const std::vector<Util::Digest>& iDigests);
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
