#pragma once

// Read access to an Ogawa file: the whole file memory-mapped, every read bounds-checked.

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace Alembic
{
	namespace Ogawa
	{
		class IStreams
		{
		public:
			// Maps the file; a missing, unreadable or empty file leaves the stream "not open".
			explicit IStreams(const std::string& iFileName);
			// Reads from the caller's bytes, which must outlive the stream (used by the fuzzer).
			IStreams(const void* iData, uint64_t iSize);
			// Owns the bytes (read in full from a caller's std::istream).
			explicit IStreams(std::vector<uint8_t>&& iBytes);
			~IStreams();
			IStreams(const IStreams&) = delete;
			IStreams& operator=(const IStreams&) = delete;

			bool isOpen() const { return m_data != nullptr; }
			uint64_t getSize() const { return m_size; }

			// Throws std::runtime_error("Ogawa IStreams::read failed.") unless [iPos, iPos + iSize) lies in the file.
			const uint8_t* view(uint64_t iPos, uint64_t iSize) const;

			void read(uint64_t iPos, uint64_t iSize, void* oBuf) const { std::memcpy(oBuf, view(iPos, iSize), iSize); }
			uint64_t readU64(uint64_t iPos) const
			{
				uint64_t Value;
				read(iPos, 8, &Value);
				return Value;
			}

		private:
			const uint8_t* m_data = nullptr;
			uint64_t m_size = 0;
			bool m_mapped = false;
			std::vector<uint8_t> m_owned;
		};

		typedef std::shared_ptr<IStreams> IStreamsPtr;
	}
}
