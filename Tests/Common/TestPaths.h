#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace VelmoraTest
{
	// The shared fixtures folder beside the checkout, or nothing on a fresh clone.
	std::optional<std::filesystem::path> SharedDir();

	// The Alembic fixtures folder, or nothing.
	std::optional<std::filesystem::path> AlembicFixturesDir();

	// The folder of files other tools wrote (../shared/realworld), or nothing.
	std::optional<std::filesystem::path> RealWorldDir();

	// A fresh, empty folder for one test's files; removed when the process ends.
	std::filesystem::path MakeTempDir(const std::string& Label);
}

// Skips the current test with a clear reason when the shared fixtures are not there.
#define VELMORA_REQUIRE_FIXTURES(DirVar)                                                              \
	const auto DirVar##Opt = ::VelmoraTest::AlembicFixturesDir();                                     \
	if (!DirVar##Opt)                                                                                 \
	{                                                                                                 \
		GTEST_SKIP() << "shared Alembic fixtures not found beside the checkout (../shared); skipped"; \
	}                                                                                                 \
	const std::filesystem::path DirVar = *DirVar##Opt
