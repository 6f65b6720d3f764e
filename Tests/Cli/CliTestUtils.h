#pragma once

#include "Host/MeshBuilders.h"
#include "MeshFiles.h"
#include "TestPaths.h"
#include "alembicIO.h"
#include "CheckedGroomWrites.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace CliTest
{
	namespace fs = std::filesystem;

	struct FRun
	{
		int ExitCode = -1;
		std::string Stdout;
		std::string Stderr;
	};

	inline std::string ReadText(const fs::path& Path)
	{
		std::ifstream File(Path, std::ios::binary);
		std::ostringstream Text;
		Text << File.rdbuf();
		return Text.str();
	}

	// Runs the velmora program in Dir with Arguments as a shell would split them. Every groom file a
	// successful run writes in Dir must import cleanly into the engine.
	inline FRun RunVelmora(const std::string& Arguments, const fs::path& Dir)
	{
		const CheckedGroom::FGroomFolderOutputs Outputs(Dir);
		const fs::path ErrFile = Dir / ".stderr.txt";
		const std::string Command = "cd '" + Dir.string() + "' && '" VELMORA_CLI_PATH "' " + Arguments + " 2>'" + ErrFile.string() + "'";
		FRun Run;
		FILE* Pipe = popen(Command.c_str(), "r");
		if (!Pipe)
		{
			return Run;
		}
		std::array<char, 4096> Buffer;
		for (size_t Read; (Read = fread(Buffer.data(), 1, Buffer.size(), Pipe)) > 0;)
		{
			Run.Stdout.append(Buffer.data(), Read);
		}
		const int Status = pclose(Pipe);
		Run.ExitCode = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
		Run.Stderr = ReadText(ErrFile);
		fs::remove(ErrFile);
		if (Run.ExitCode == 0)
		{
			Outputs.ExpectImportsCleanlyIfWritten();
		}
		return Run;
	}

	inline void SaveMesh(const fs::path& Path, const Host::FMeshData& Mesh)
	{
		std::string Error;
		ASSERT_TRUE(VelmoraCli::SaveMeshFile(Path.string(), Mesh, Error)) << Error;
	}

	// Strands of Points points on a sphere of Radius around Centre, each root lifted by Lift along its
	// radial normal (one per strand unless bNormals is false), pointing outwards.
	inline GroomData SphereGroom(int Strands, int Points, float Radius, float Lift, const FVector& Centre = FVector::ZeroVector, bool bNormals = true)
	{
		GroomData Groom;
		for (int Strand = 0; Strand < Strands; ++Strand)
		{
			// A spiral over the upper half, so roots spread without randomness.
			const double Z = 1.0 - (Strand + 0.5) / Strands * 0.9;
			const double Around = Strand * 2.399963;
			const double Ring = std::sqrt(1.0 - Z * Z);
			const FVector Normal(Ring * std::cos(Around), Ring * std::sin(Around), Z);
			Groom.vertexCounts.push_back(Points);
			for (int Point = 0; Point < Points; ++Point)
			{
				const FVector P = Centre + Normal * (Radius + Lift + Point * 0.5);
				Groom.positions.insert(Groom.positions.end(), {static_cast<float>(P.X), static_cast<float>(P.Y), static_cast<float>(P.Z)});
				Groom.widths.push_back(0.1f);
			}
			Groom.groomColors.insert(Groom.groomColors.end(), {0.4f, 0.2f, 0.1f});
			if (bNormals)
			{
				Groom.surfaceNormals.insert(Groom.surfaceNormals.end(), {static_cast<float>(Normal.X), static_cast<float>(Normal.Y), static_cast<float>(Normal.Z)});
			}
		}
		return Groom;
	}

	inline void WriteGroomQuietly(const fs::path& Path, const GroomData& Groom)
	{
		CheckedGroom::WriteGroomQuietly(Path.string(), Groom);
	}

	inline GroomData ReadGroomQuietly(const fs::path& Path)
	{
		testing::internal::CaptureStdout();
		testing::internal::CaptureStderr();
		bool bFailed = false;
		GroomData Groom = ReadGroom(Path.string(), bFailed);
		testing::internal::GetCapturedStdout();
		testing::internal::GetCapturedStderr();
		EXPECT_FALSE(bFailed) << Path;
		return Groom;
	}

	inline FVector Root(const GroomData& Groom, size_t Strand)
	{
		size_t First = 0;
		for (size_t Index = 0; Index < Strand; ++Index)
		{
			First += static_cast<size_t>(Groom.vertexCounts[Index]);
		}
		return FVector(Groom.positions[3 * First], Groom.positions[3 * First + 1], Groom.positions[3 * First + 2]);
	}

	// Names in Dir, hidden ones too: a staging folder left behind would show here.
	inline std::vector<std::string> ListDir(const fs::path& Dir)
	{
		std::vector<std::string> Names;
		for (const fs::directory_entry& Entry : fs::directory_iterator(Dir))
		{
			Names.push_back(Entry.path().filename().string());
		}
		std::sort(Names.begin(), Names.end());
		return Names;
	}

	inline double Length(const FVector& V)
	{
		return std::sqrt(V.X * V.X + V.Y * V.Y + V.Z * V.Z);
	}

	// Distance from P to the nearest triangle of Mesh.
	inline double DistanceToMesh(const FVector& P, const Host::FMeshData& Mesh)
	{
		const auto Dot = [](const FVector& A, const FVector& B)
		{ return A.X * B.X + A.Y * B.Y + A.Z * B.Z; };
		double Best = 1e300;
		for (int32 Triangle = 0; Triangle < Mesh.NumTriangles(); ++Triangle)
		{
			FVector V[3];
			for (int Corner = 0; Corner < 3; ++Corner)
			{
				const FVector3f& C = Mesh.Positions[Mesh.Indices[3 * Triangle + Corner]];
				V[Corner] = FVector(C.X, C.Y, C.Z);
			}
			// Closest point on a triangle (Ericson, Real-Time Collision Detection 5.1.5).
			const FVector AB = V[1] - V[0], AC = V[2] - V[0], AP = P - V[0];
			const double D1 = Dot(AB, AP), D2 = Dot(AC, AP);
			FVector Closest;
			if (D1 <= 0 && D2 <= 0)
			{
				Closest = V[0];
			}
			else
			{
				const FVector BP = P - V[1];
				const double D3 = Dot(AB, BP), D4 = Dot(AC, BP);
				const FVector CP = P - V[2];
				const double D5 = Dot(AB, CP), D6 = Dot(AC, CP);
				const double VC = D1 * D4 - D3 * D2, VB = D5 * D2 - D1 * D6, VA = D3 * D6 - D5 * D4;
				if (D3 >= 0 && D4 <= D3)
				{
					Closest = V[1];
				}
				else if (D6 >= 0 && D5 <= D6)
				{
					Closest = V[2];
				}
				else if (VC <= 0 && D1 >= 0 && D3 <= 0)
				{
					Closest = V[0] + AB * (D1 / (D1 - D3));
				}
				else if (VB <= 0 && D2 >= 0 && D6 <= 0)
				{
					Closest = V[0] + AC * (D2 / (D2 - D6));
				}
				else if (VA <= 0 && (D4 - D3) >= 0 && (D5 - D6) >= 0)
				{
					Closest = V[1] + (V[2] - V[1]) * ((D4 - D3) / ((D4 - D3) + (D5 - D6)));
				}
				else
				{
					const double Denominator = 1.0 / (VA + VB + VC);
					Closest = V[0] + AB * (VB * Denominator) + AC * (VC * Denominator);
				}
			}
			Best = std::min(Best, Length(P - Closest));
		}
		return Best;
	}
}
