// `velmora fit` as a user runs it, beside the reference fit (the real Alembic for reading and writing,
// raw Embree for the traces), on the same files in memory-backed storage: a groom of 100,000 strands x
// 32 points with one normal per strand, and a head of 50,000 triangles. The two commands take turns, and
// the counters give the median of each and their ratio.
//
// Goals: the plain fit at or under 0.8 of the reference; every repair together at most 1.5 of the plain fit.
//
// The reference is built from ../shared/tools/ref-fit when the build uses a real Alembic installation
// (VELMORA_ALEMBIC=system); without it only velmora's own figures are given.
#include "Host/MeshBuilders.h"
#include "alembicIO.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{
	constexpr int32 NumStrands = 100000;
	constexpr int32 PointsPerStrand = 32;

	std::filesystem::path ScratchDir()
	{
		const std::filesystem::path Shm("/dev/shm");
		std::error_code Error;
		const std::filesystem::path Base = std::filesystem::is_directory(Shm, Error) ? Shm : std::filesystem::temp_directory_path();
		return Base / ("velmora-fitcommand-" + std::to_string(::getpid()));
	}

	// The same shapes the reference makes for itself: strands from random directions, rooted just outside
	// a bumpy sphere of radius 10, with their direction as the normal.
	struct FFiles
	{
		std::filesystem::path Dir = ScratchDir();
		std::string Groom;
		std::string Head;

		FFiles()
		{
			std::filesystem::create_directories(Dir);
			Groom = (Dir / "groom.abc").string();
			Head = (Dir / "head.obj").string();

			GroomData Record;
			std::mt19937 Random(7);
			std::uniform_real_distribution<float> Uniform(-1.f, 1.f);
			for (int32 Strand = 0; Strand < NumStrands; ++Strand)
			{
				float D[3];
				float Length;
				do
				{
					D[0] = Uniform(Random);
					D[1] = Uniform(Random);
					D[2] = Uniform(Random);
					Length = std::sqrt(D[0] * D[0] + D[1] * D[1] + D[2] * D[2]);
				} while (Length < 0.2f || Length > 1.f);
				for (float& Component : D)
				{
					Component /= Length;
				}
				for (int32 Point = 0; Point < PointsPerStrand; ++Point)
				{
					for (const float Component : D)
					{
						Record.positions.push_back(Component * (11.f + 0.2f * Point));
					}
					Record.widths.push_back(0.01f);
				}
				Record.vertexCounts.push_back(PointsPerStrand);
				Record.groomColors.insert(Record.groomColors.end(), {0.5f, 0.5f, 0.5f});
				Record.surfaceNormals.insert(Record.surfaceNormals.end(), {D[0], D[1], D[2]});
			}
			std::streambuf* const Saved = std::cout.rdbuf(nullptr);
			WriteGroom(Groom, Record);
			std::cout.rdbuf(Saved);
			std::cout.clear();

			// Plain "v x y z" and "f a b c" lines, the only OBJ the reference reads.
			const Host::FMeshData Mesh = Host::BuildHead(50000);
			std::ofstream Obj(Head);
			for (const FVector3f& Position : Mesh.Positions)
			{
				Obj << "v " << Position.X << ' ' << Position.Y << ' ' << Position.Z << '\n';
			}
			for (int32 Triangle = 0; Triangle < Mesh.NumTriangles(); ++Triangle)
			{
				Obj << "f " << Mesh.Indices[3 * Triangle] + 1 << ' ' << Mesh.Indices[3 * Triangle + 2] + 1 << ' ' << Mesh.Indices[3 * Triangle + 1] + 1 << '\n';
			}
		}
		~FFiles()
		{
			std::error_code Ignored;
			std::filesystem::remove_all(Dir, Ignored);
		}
	};

	FFiles& Files()
	{
		static FFiles Instance;
		return Instance;
	}

	// Runs the command with its output thrown away; the wall-clock seconds it took, or a negative number
	// when it failed.
	double Run(const std::vector<std::string>& Args)
	{
		const auto Start = std::chrono::steady_clock::now();
		const pid_t Child = ::fork();
		if (Child == 0)
		{
			std::vector<char*> Argv;
			for (const std::string& Arg : Args)
			{
				Argv.push_back(const_cast<char*>(Arg.c_str()));
			}
			Argv.push_back(nullptr);
			if (std::freopen("/dev/null", "w", stdout) && std::freopen("/dev/null", "w", stderr))
			{
				::execv(Argv[0], Argv.data());
			}
			::_exit(127);
		}
		int Status = 0;
		if (Child < 0 || ::waitpid(Child, &Status, 0) != Child || !WIFEXITED(Status) || WEXITSTATUS(Status) != 0)
		{
			return -1.0;
		}
		return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
	}

	double Median(std::vector<double> Values)
	{
		std::sort(Values.begin(), Values.end());
		return Values.empty() ? 0.0 : Values[Values.size() / 2];
	}

	std::vector<std::string> VelmoraFit(const std::string& Output, bool bRepairs)
	{
		std::vector<std::string> Args = {VELMORA_CLI_PATH, "fit", Files().Groom, Files().Head, Output, "--quiet"};
		if (bRepairs)
		{
			Args.insert(Args.end(), {"--on-miss", "nearest", "--orient", "--resolve-penetration"});
		}
		return Args;
	}

	// Each iteration runs the two commands in turn; the counters are the medians over all iterations.
	void Compare(benchmark::State& State, const std::vector<std::string>& First, const std::vector<std::string>& Second, const char* FirstName,
	             const char* SecondName)
	{
		std::vector<double> FirstTimes, SecondTimes;
		for (auto _ : State)
		{
			const double A = Run(First);
			const double B = Run(Second);
			if (A < 0.0 || B < 0.0)
			{
				State.SkipWithError("a command failed");
				return;
			}
			FirstTimes.push_back(A);
			SecondTimes.push_back(B);
			State.SetIterationTime(A + B);
		}
		State.counters[FirstName] = Median(FirstTimes);
		State.counters[SecondName] = Median(SecondTimes);
		State.counters["ratio"] = Median(FirstTimes) / Median(SecondTimes);
	}

	void BM_PlainFitAgainstReference(benchmark::State& State)
	{
#ifdef VELMORA_REF_FIT_PATH
		const std::string Reference = VELMORA_REF_FIT_PATH;
		Compare(State, VelmoraFit((Files().Dir / "out.abc").string(), false), {Reference, "fit", Files().Groom, Files().Head, (Files().Dir / "out_ref.abc").string()},
		        "velmora_s", "reference_s");
#else
		State.SkipWithError("no reference fit in this build: configure with -DVELMORA_ALEMBIC=system and ../shared beside the checkout");
#endif
	}

	void BM_RepairedFitAgainstPlain(benchmark::State& State)
	{
		Compare(State, VelmoraFit((Files().Dir / "repaired.abc").string(), true), VelmoraFit((Files().Dir / "plain.abc").string(), false), "repaired_s",
		        "plain_s");
	}
}

BENCHMARK(BM_PlainFitAgainstReference)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_RepairedFitAgainstPlain)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK_MAIN();
