#pragma once

// Append-only output with a write buffer, plus in-place patches of bytes already written.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace Alembic
{
	namespace Ogawa
	{
		class OStream
		{
		public:
			explicit OStream(const std::string& iFileName);
			~OStream();
			OStream(const OStream&) = delete;
			OStream& operator=(const OStream&) = delete;

			bool isValid() const { return m_file != nullptr; }
			uint64_t getPos() const { return m_pos; }

			// Appends at the end and returns where the bytes start.
			uint64_t write(const void* iBuf, size_t iSize);
			// Appends straight to the file, bypassing the buffer (which must be flushed first).
			// Used from a helper thread while the owner thread leaves the stream alone.
			void writeDirect(const void* iBuf, size_t iSize);
			// Overwrites bytes that were written before.
			void patch(uint64_t iPos, const void* iBuf, size_t iSize);
			void flush();

		private:
			std::FILE* m_file = nullptr;
			uint64_t m_pos = 0;
			uint64_t m_flushedPos = 0;
			std::vector<uint8_t> m_buffer;
		};
	}
}
