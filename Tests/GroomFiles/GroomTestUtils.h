#pragma once

#include "GroomJson.h"
#include "Host/Log.h"
#include "TestPaths.h"
#include "alembicIO.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace GroomTest
{
	inline std::string ReadText(const std::filesystem::path& Path)
	{
		std::ifstream Input(Path, std::ios::binary);
		std::ostringstream Text;
		Text << Input.rdbuf();
		return Text.str();
	}

	// Strands given as point lists; colours and normals one per strand.
	inline GroomData MakeGroom(const std::vector<std::vector<float>>& Strands)
	{
		GroomData Groom;
		for (const std::vector<float>& Points : Strands)
		{
			Groom.positions.insert(Groom.positions.end(), Points.begin(), Points.end());
			Groom.vertexCounts.push_back(static_cast<int32_t>(Points.size() / 3));
			for (size_t Point = 0; Point < Points.size() / 3; ++Point)
			{
				Groom.widths.push_back(0.01f * static_cast<float>(Point + 1));
			}
			Groom.groomColors.insert(Groom.groomColors.end(), {0.5f, 0.25f, 0.125f});
			Groom.surfaceNormals.insert(Groom.surfaceNormals.end(), {0.0f, 0.0f, 1.0f});
		}
		return Groom;
	}

	// Bit-for-bit equality of floats, so -0 and 0 or a rounding difference do not pass.
	inline bool SameBits(const std::vector<float>& A, const std::vector<float>& B)
	{
		return A.size() == B.size() && (A.empty() || std::memcmp(A.data(), B.data(), A.size() * sizeof(float)) == 0);
	}

	inline void ExpectSameRecord(const GroomData& Actual, const GroomData& Expected)
	{
		EXPECT_TRUE(SameBits(Actual.positions, Expected.positions)) << Actual.positions.size() << " positions vs " << Expected.positions.size();
		EXPECT_EQ(Actual.vertexCounts, Expected.vertexCounts);
		EXPECT_TRUE(SameBits(Actual.widths, Expected.widths)) << Actual.widths.size() << " widths vs " << Expected.widths.size();
		EXPECT_TRUE(SameBits(Actual.groomColors, Expected.groomColors)) << Actual.groomColors.size() << " colours vs " << Expected.groomColors.size();
		EXPECT_TRUE(SameBits(Actual.surfaceNormals, Expected.surfaceNormals)) << Actual.surfaceNormals.size() << " normals vs " << Expected.surfaceNormals.size();
	}

	// Reads Path by name and by stream: the same record, log lines, standard-error lines and outcome.
	inline void ExpectBothRoutesAlike(const std::string& Path)
	{
		SCOPED_TRACE(Path);
		GroomData Records[2];
		std::vector<std::string> Lines[2];
		std::string Stderr[2];
		bool bFailed[2] = {};
		for (const int Route : {0, 1})
		{
			Host::FScopedLogCapture Capture;
			testing::internal::CaptureStderr();
			Records[Route] = ReadGroom(Path, bFailed[Route], Route ? EGroomReadRoute::Stream : EGroomReadRoute::ByName);
			Stderr[Route] = testing::internal::GetCapturedStderr();
			Lines[Route] = Capture.Formatted();
		}
		ExpectSameRecord(Records[1], Records[0]);
		EXPECT_EQ(Lines[1], Lines[0]);
		EXPECT_EQ(Stderr[1], Stderr[0]);
		EXPECT_EQ(bFailed[1], bFailed[0]);
	}

	// Runs in another working directory for the life of the object.
	class FScopedWorkingDirectory
	{
	public:
		explicit FScopedWorkingDirectory(const std::filesystem::path& Dir)
		    : Previous(std::filesystem::current_path())
		{
			std::filesystem::current_path(Dir);
		}
		~FScopedWorkingDirectory() { std::filesystem::current_path(Previous); }

	private:
		std::filesystem::path Previous;
	};
}
