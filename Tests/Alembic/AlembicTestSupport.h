#pragma once

// Helpers for the Alembic tests. They use only the public Alembic API (plus raw file bytes) and the
// product's own reader and writer, so the same tests run against a real Alembic installation.

#include "alembicIO.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace AlembicTest
{
	// A groom record plus the messages the reader gave for it (as the fixtures' JSON spells them:
	// log lines without their one trailing line break, stderr line by line).
	struct FGroomRecord
	{
		GroomData Groom;
		std::vector<std::string> Log;
		std::vector<std::string> Stderr;
	};

	// Parses a fixture's expected.json or record.json; each number becomes the float strtof gives.
	FGroomRecord LoadRecordJson(const std::filesystem::path& Path);

	// The product's ReadGroom, with its log lines and standard-error lines collected.
	FGroomRecord ReadGroomCollecting(const std::string& Path, bool* bOutReadFailed = nullptr);

	// The product's WriteGroom, without its progress line on standard output; what it writes must import
	// cleanly into the engine, but for the model's ExpectedUnmodelled lines.
	void WriteGroomQuietly(const std::string& Path, const GroomData& Groom, const std::vector<std::string>& ExpectedUnmodelled = {});

	// Bit-for-bit equality, so -0 against 0 or a rounding difference does not pass.
	bool SameBits(const std::vector<float>& A, const std::vector<float>& B);

	// Differences between two Ogawa files, walking both trees and ignoring where blocks sit and the
	// writing library's version: the int32 of root block 1 and the _ai_AlembicVersion entry of the archive
	// metadata. Empty when equivalent.
	std::vector<std::string> CompareOgawaTrees(const std::filesystem::path& A, const std::filesystem::path& B);

	// Runs the rest of the scope from another working folder.
	class FScopedCurrentDir
	{
	public:
		explicit FScopedCurrentDir(const std::filesystem::path& Dir)
		    : Previous(std::filesystem::current_path()) { std::filesystem::current_path(Dir); }
		~FScopedCurrentDir() { std::filesystem::current_path(Previous); }

	private:
		std::filesystem::path Previous;
	};

	std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& Path);
	void WriteFileBytes(const std::filesystem::path& Path, const std::vector<uint8_t>& Bytes);
}
