#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace VelmoraTest
{
	// The shared fixtures folder beside the checkout, or nothing on a fresh clone.
	std::optional<std::filesystem::path> SharedDir();

	// The Alembic fixtures folder, or nothing.
	std::optional<std::filesystem::path> AlembicFixturesDir();

	// The folder of files other tools wrote (../shared/realworld), or nothing.
	std::optional<std::filesystem::path> RealWorldDir();

	// A file of ../shared/realworld, or nothing.
	std::optional<std::filesystem::path> RealFile(const std::string& Name);

	// A fresh, empty folder for one test's files; removed when the process ends.
	std::filesystem::path MakeTempDir(const std::string& Label);

	// The names in a folder, sorted: what a write left behind.
	std::vector<std::string> Listing(const std::filesystem::path& Dir);
}

// Skips the current test with a clear reason when the shared fixtures are not there.
#define VELMORA_REQUIRE_FIXTURES(DirVar)                                                              \
	const auto DirVar##Opt = ::VelmoraTest::AlembicFixturesDir();                                     \
	if (!DirVar##Opt)                                                                                 \
	{                                                                                                 \
		GTEST_SKIP() << "shared Alembic fixtures not found beside the checkout (../shared); skipped"; \
	}                                                                                                 \
	const std::filesystem::path DirVar = *DirVar##Opt

// Declares Var as the file Name of ../shared/realworld, or skips the current test where it is not there.
#define VELMORA_REQUIRE_REAL_FILE(Var, Name)                                                      \
	const auto Var##Opt = ::VelmoraTest::RealFile(Name);                                          \
	if (!Var##Opt)                                                                                \
	{                                                                                             \
		GTEST_SKIP() << Name << " not found in ../shared/realworld beside the checkout; skipped"; \
	}                                                                                             \
	const std::filesystem::path Var = *Var##Opt
