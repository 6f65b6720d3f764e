#pragma once

// Append-only output plus in-place patches of bytes already written. The bytes go to a file the stream
// opens itself, or to the caller's std::ostream, where every position counts from the stream's position
// when it was handed over. Either way the 16-byte header is written when the stream is made.
//
// Failures are the library's: the caller's stream is given failbit | badbit exceptions and every write
// is handed to it and flushed at once, so a write it cannot take throws std::ios_base::failure from
// wherever that write happens; with a file of its own, a failed write throws std::runtime_error naming
// the system's reason. Nothing is caught on the way out, so a failure met in a destructor (the frozen
// byte, the last groups) ends the process as it does with the library. A caller that must survive a
// failing disk hands over a stream that never fails.

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
			// Not valid when the file cannot be created; throws when its header cannot be written.
			explicit OStream(const std::string& iFileName);
			// Throws std::runtime_error("Illegal start of Ogawa stream") if the stream cannot tell its
			// position, and the stream's own exception when the header cannot be written.
			explicit OStream(std::ostream* iStream);
			// Writes what is still buffered (a file of its own only) and closes the file.
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
			// Hands the buffered bytes to the file.
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
			// Batches small blocks for a file of its own; the caller's stream gets each write as it comes.
			std::vector<uint8_t> m_buffer;
		};
	}
}
