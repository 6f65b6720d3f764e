#pragma once

// Append-only output with a write buffer, plus in-place patches of bytes already written. The bytes go
// to a file the stream opens itself, or to the caller's std::ostream, where every position counts from
// the stream's position when it was handed over.
//
// Failures: with a file of its own, a failed write, patch, flush or close throws std::runtime_error
// naming the system's reason, and the stream is failed from then on. With the caller's ostream the
// stream's own state records failures, as the library leaves them to the caller (who checks it after
// closing the archive). The destructor never throws.

#include <cstdint>
#include <cstdio>
#include <ostream>
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
			// Throws std::runtime_error("Illegal start of Ogawa stream") if the stream cannot tell its position.
			explicit OStream(std::ostream* iStream);
			~OStream();
			OStream(const OStream&) = delete;
			OStream& operator=(const OStream&) = delete;

			bool isValid() const { return m_file != nullptr || m_stream != nullptr; }
			uint64_t getPos() const { return m_pos; }

			// Appends at the end and returns where the bytes start.
			uint64_t write(const void* iBuf, size_t iSize);
			// Appends straight to the file or stream, bypassing the buffer (which must be flushed first).
			// Safe on a helper thread while the owner thread leaves the stream alone.
			void writeDirect(const void* iBuf, size_t iSize);
			// Overwrites bytes that were written before.
			void patch(uint64_t iPos, const void* iBuf, size_t iSize);
			// Hands the buffered bytes to the file or stream.
			void flush();
			// Flushes and, for a file of its own, closes it; reports what the close reports.
			void close();

		private:
			void sink(const void* iBuf, size_t iSize);
			void seekTo(uint64_t iPos);
			[[noreturn]] void fail(const char* iWhat, int iError);

			std::FILE* m_file = nullptr;
			std::ostream* m_stream = nullptr;
			std::streamoff m_origin = 0;
			uint64_t m_pos = 0;
			uint64_t m_flushedPos = 0;
			std::vector<uint8_t> m_buffer;
		};
	}
}
