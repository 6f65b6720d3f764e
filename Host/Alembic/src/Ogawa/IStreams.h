#pragma once

// Read access to an Ogawa file. The bytes come from a read-only memory mapping of the file or from
// memory the caller owns, every read checked against their size, or from the caller's std::istreams,
// read on demand (never copied whole) as the library's stream mode does. Like the library's, the stream
// route does not know the file's size: it reports the largest size there is, so the checks that use the
// size never fire there, a buffer is allocated for as many bytes as the file claims, and only the read
// that runs past the end fails.

#include <cstdint>
#include <cstring>
#include <istream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Alembic
{
	namespace Ogawa
	{
		class IStreams : public std::enable_shared_from_this<IStreams>
		{
		public:
			// Maps the file; a missing, unreadable or empty file leaves the stream "not open".
			explicit IStreams(const std::string& iFileName);
			// Reads from the caller's bytes, which must outlive the stream (used by the fuzzer).
			IStreams(const void* iData, uint64_t iSize);
			// Owns the bytes.
			explicit IStreams(std::vector<uint8_t>&& iBytes);
			// Reads from the caller's streams, which must outlive every reader and sample of the archive.
			// Each stream's position now is its origin. Streams that disagree on their size or header, or
			// whose position cannot be told, leave the archive invalid.
			explicit IStreams(const std::vector<std::istream*>& iStreams);
			~IStreams();
			IStreams(const IStreams&) = delete;
			IStreams& operator=(const IStreams&) = delete;

			bool isOpen() const { return m_open; }
			// True when the bytes are in memory (mapped or owned), so views cost nothing and stay valid.
			bool isInMemory() const { return m_data != nullptr; }
			// The file's size; on the stream route 0xffffffffffffffff, as the library's stream reader says.
			uint64_t getSize() const { return m_streams.empty() ? m_size : ~uint64_t(0); }
			// False when the sources were given but disagree (several streams of different files).
			bool isConsistent() const { return m_consistent; }

			// The bytes [iPos, iPos + iSize), kept alive by the returned pointer: a view into the mapping,
			// or a buffer read from a stream. Throws std::runtime_error("Ogawa IStreams::read failed.")
			// unless the range lies in the file and can be read.
			std::shared_ptr<const uint8_t> fetch(uint64_t iPos, uint64_t iSize);

			void read(uint64_t iPos, uint64_t iSize, void* oBuf);
			// The 16-byte header as the library's open reads it, failures ignored: a short stream leaves the
			// bytes it had and zeros after them, a short mapped file all zeros.
			void readHeader(uint8_t* oHeader);
			uint64_t readU64(uint64_t iPos)
			{
				uint64_t Value;
				read(iPos, 8, &Value);
				return Value;
			}

		private:
			void check(uint64_t iPos, uint64_t iSize) const;

			struct FStream
			{
				std::istream* stream;
				std::streamoff origin;
				std::mutex lock;
			};

			const uint8_t* m_data = nullptr;
			uint64_t m_size = 0;
			bool m_open = false;
			bool m_consistent = true;
			bool m_mapped = false;
			std::vector<uint8_t> m_owned;
			std::vector<std::unique_ptr<FStream>> m_streams;
		};

		typedef std::shared_ptr<IStreams> IStreamsPtr;
	}
}
