#pragma once

// Helpers for the Alembic tests. They use only the public Alembic API (plus raw file bytes),
// so the same tests run against a real Alembic installation.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace AlembicTest
{
	// A groom as the product reads and writes it, plus the messages the reader produced.
	struct FGroomRecord
	{
		std::vector<float> Positions;
		std::vector<int32_t> VertexCounts;
		std::vector<float> Widths;
		std::vector<float> GroomColors;
		std::vector<float> SurfaceNormals;
		std::vector<std::string> Log;
		std::vector<std::string> Stderr;
	};

	// Parses a fixture's expected.json or record.json.
	FGroomRecord LoadRecordJson(const std::filesystem::path& Path);

	// The product's read path, step by step: the first curves object in pre-order, sample 0.
	FGroomRecord ReadGroomLikeTheProduct(const std::string& Path);

	// The product's write path (the fixtures' writer recipe).
	void WriteGroomLikeTheProduct(const std::string& Path, const FGroomRecord& Record);

	// Differences between two Ogawa files, walking both trees and ignoring where blocks sit and
	// the _ai_AlembicVersion entry of the archive metadata. Empty when equivalent.
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
