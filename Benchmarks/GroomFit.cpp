// The whole fit of a 100,000-strand x 32-point groom onto a head of about 100,000 triangles, split into
// its phases, beside raw Embree tracing the same segments in the same run.
//
// Goals: the traces within 1.5x of raw Embree; the whole fit within 1.3x of read + build + raw traces + write.
#include "Components/StaticMeshComponent.h"
#include "Engine/StaticMesh.h"
#include "GameFramework/Actor.h"
#include "GroomFitting.h"
#include "Host/Log.h"
#include "Host/MeshBuilders.h"
#include "Host/World.h"
#include "PhysicsEngine/BodySetup.h"
#include "velmoraBPLibrary.h"

#include <benchmark/benchmark.h>
#include <embree3/rtcore.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
	constexpr int32 NumStrands = 100000;
	constexpr int32 PointsPerStrand = 32;
	constexpr int32 HeadTriangles = 100000;

	// The groom file code reports each write on standard output, where the benchmark's table goes too.
	class FQuietStdout
	{
	public:
		FQuietStdout()
		    : Saved(std::cout.rdbuf(nullptr)) {}
		~FQuietStdout()
		{
			std::cout.rdbuf(Saved);
			std::cout.clear();
		}

	private:
		std::streambuf* Saved;
	};

	struct FFitScene
	{
		std::filesystem::path Dir;
		std::string SourcePath;
		std::string TargetPath;
		UWorld* World = nullptr;
		AActor* Source = nullptr;
		UStaticMeshComponent* Head = nullptr;
		Host::FMeshData Mesh;
		FVector Origin;
		GroomData Groom;
		// The spherical projection's segment of every strand, and what the host's trace found.
		std::vector<FVector> Starts;
		std::vector<FVector> Ends;
		std::vector<FVector> Hits;

		FFitScene()
		{
			Host::SetLogEcho(false);
			// A head at standing height, double-sided as the conversion makes it; the groom is fitted from its centre.
			Origin = FVector(0, 0, 160);
			World = Host::NewWorld();
			Source = Host::SpawnActor(World, Origin);
			Mesh = Host::BuildHead(HeadTriangles);
			Head = Host::AddStaticMeshComponent(Host::SpawnActor(World, Origin), Host::NewStaticMesh(Mesh, Host::ECollisionSides::DoubleSided), FTransform(Origin));

			// Strands from random directions, rooted 14 units out, growing outwards with a little curl.
			std::mt19937 Random(2024);
			std::normal_distribution<float> Gaussian;
			Groom.vertexCounts.assign(NumStrands, PointsPerStrand);
			Groom.positions.reserve(static_cast<size_t>(NumStrands) * PointsPerStrand * 3);
			for (int32 Strand = 0; Strand < NumStrands; ++Strand)
			{
				FVector3f Direction(Gaussian(Random), Gaussian(Random), Gaussian(Random));
				Direction = Direction * (1.f / std::sqrt(Direction.SizeSquared()));
				for (int32 Point = 0; Point < PointsPerStrand; ++Point)
				{
					const float Along = 14.f + 0.4f * Point;
					const FVector3f Curl(std::sin(0.3f * Point), std::cos(0.3f * Point), 0.f);
					const FVector3f P = Direction * Along + Curl * 0.2f;
					Groom.positions.insert(Groom.positions.end(), {P.X, P.Y, P.Z});
				}
				Groom.widths.push_back(0.01f);
				Groom.groomColors.insert(Groom.groomColors.end(), {0.3f, 0.2f, 0.1f});
			}

			Starts.resize(NumStrands);
			Ends.resize(NumStrands);
			for (int32 Strand = 0; Strand < NumStrands; ++Strand)
			{
				GroomFitting::SphericalSegment(Groom, Strand * PointsPerStrand, Origin, Starts[Strand], Ends[Strand]);
			}
			Dir = std::filesystem::temp_directory_path() / ("velmora-groomfit-" + std::to_string(::getpid()));
			std::filesystem::create_directories(Dir);
			SourcePath = (Dir / "groom.abc").string();
			TargetPath = (Dir / "fitted.abc").string();
			{
				FQuietStdout Quiet;
				WriteGroom(SourcePath, Groom);
			}

			Hits.resize(NumStrands);
			for (int32 Strand = 0; Strand < NumStrands; ++Strand)
			{
				Hits[Strand] = ComponentTrace(Starts[Strand], Ends[Strand], Head);
			}
			Host::ClearDebugLines(World);
		}
		~FFitScene()
		{
			std::error_code Ignored;
			std::filesystem::remove_all(Dir, Ignored);
		}
	};

	FFitScene& Scene()
	{
		static FFitScene Instance;
		return Instance;
	}

	// The head's triangles in world space, as plain Embree would hold them.
	struct FRawEmbree
	{
		RTCDevice Device = nullptr;
		RTCScene Scene = nullptr;

		explicit FRawEmbree(const Host::FMeshData& Mesh, const FVector& Offset)
		{
			Device = rtcNewDevice(nullptr);
			Build(Mesh, Offset);
		}
		~FRawEmbree()
		{
			if (Scene)
			{
				rtcReleaseScene(Scene);
			}
			rtcReleaseDevice(Device);
		}
		void Build(const Host::FMeshData& Mesh, const FVector& Offset)
		{
			if (Scene)
			{
				rtcReleaseScene(Scene);
			}
			RTCGeometry Geometry = rtcNewGeometry(Device, RTC_GEOMETRY_TYPE_TRIANGLE);
			float* Vertices = static_cast<float*>(rtcSetNewGeometryBuffer(Geometry, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, 3 * sizeof(float), Mesh.Positions.Num()));
			for (int32 Vertex = 0; Vertex < Mesh.Positions.Num(); ++Vertex)
			{
				const FVector3f P(FVector(Mesh.Positions[Vertex]) + Offset);
				Vertices[3 * Vertex] = P.X;
				Vertices[3 * Vertex + 1] = P.Y;
				Vertices[3 * Vertex + 2] = P.Z;
			}
			uint32* Indices = static_cast<uint32*>(rtcSetNewGeometryBuffer(Geometry, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, 3 * sizeof(uint32), Mesh.NumTriangles()));
			std::copy(Mesh.Indices.begin(), Mesh.Indices.end(), Indices);
			rtcCommitGeometry(Geometry);
			Scene = rtcNewScene(Device);
			rtcAttachGeometry(Scene, Geometry);
			rtcReleaseGeometry(Geometry);
			rtcCommitScene(Scene);
		}
		bool Trace(const FVector& Start, const FVector& End, FVector& OutHit) const
		{
			RTCIntersectContext Context;
			rtcInitIntersectContext(&Context);
			RTCRayHit RayHit;
			const FVector3f Origin(Start), Direction(End - Start);
			RayHit.ray.org_x = Origin.X;
			RayHit.ray.org_y = Origin.Y;
			RayHit.ray.org_z = Origin.Z;
			RayHit.ray.dir_x = Direction.X;
			RayHit.ray.dir_y = Direction.Y;
			RayHit.ray.dir_z = Direction.Z;
			RayHit.ray.tnear = 0.f;
			RayHit.ray.tfar = 1.f;
			RayHit.ray.time = 0.f;
			RayHit.ray.mask = ~0u;
			RayHit.ray.id = 0;
			RayHit.ray.flags = 0;
			RayHit.hit.geomID = RTC_INVALID_GEOMETRY_ID;
			RayHit.hit.instID[0] = RTC_INVALID_GEOMETRY_ID;
			rtcIntersect1(Scene, &Context, &RayHit);
			if (RayHit.hit.geomID == RTC_INVALID_GEOMETRY_ID)
			{
				return false;
			}
			OutHit = Start + (End - Start) * static_cast<double>(RayHit.ray.tfar);
			return true;
		}
	};

	FRawEmbree& Raw()
	{
		static FRawEmbree Instance(Scene().Mesh, Scene().Origin);
		return Instance;
	}

	// The head's collision dropped, and cooked again as a freshly built mesh has it: the acceleration
	// structure the traces use is made here.
	UBodySetup* HeadBody(FFitScene& S)
	{
		return S.Head->GetStaticMesh()->GetBodySetup();
	}
	void DropCollision(FFitScene& S)
	{
		HeadBody(S)->InvalidatePhysicsData();
	}
	void CookCollision(FFitScene& S)
	{
		HeadBody(S)->CreatePhysicsMeshes();
	}
}

static void BM_GroomFit_Read(benchmark::State& State)
{
	FFitScene& S = Scene();
	for (auto _ : State)
	{
		bool bReadFailed = false;
		benchmark::DoNotOptimize(ReadGroom(S.SourcePath, bReadFailed));
	}
	State.SetBytesProcessed(State.iterations() * static_cast<int64>(std::filesystem::file_size(S.SourcePath)));
}
BENCHMARK(BM_GroomFit_Read)->Unit(benchmark::kMillisecond);

static void BM_GroomFit_AccelerationBuild(benchmark::State& State)
{
	FFitScene& S = Scene();
	for (auto _ : State)
	{
		State.PauseTiming();
		DropCollision(S);
		State.ResumeTiming();
		CookCollision(S);
	}
	State.counters["triangles"] = S.Mesh.NumTriangles();
}
BENCHMARK(BM_GroomFit_AccelerationBuild)->Unit(benchmark::kMillisecond);

static void BM_GroomFit_Traces(benchmark::State& State)
{
	FFitScene& S = Scene();
	ComponentTrace(S.Starts[0], S.Ends[0], S.Head);
	int64 NumHits = 0;
	for (auto _ : State)
	{
		for (int32 Strand = 0; Strand < NumStrands; ++Strand)
		{
			bool bHit = false;
			benchmark::DoNotOptimize(ComponentTrace(S.Starts[Strand], S.Ends[Strand], S.Head, &bHit));
			NumHits += bHit ? 1 : 0;
		}
		State.PauseTiming();
		Host::ClearDebugLines(S.World);
		State.ResumeTiming();
	}
	State.counters["hits/fit"] = static_cast<double>(NumHits) / static_cast<double>(State.iterations());
	State.SetItemsProcessed(State.iterations() * NumStrands);
}
BENCHMARK(BM_GroomFit_Traces)->Unit(benchmark::kMillisecond);

static void BM_GroomFit_RawEmbreeBuild(benchmark::State& State)
{
	FFitScene& S = Scene();
	FRawEmbree& R = Raw();
	for (auto _ : State)
	{
		R.Build(S.Mesh, S.Origin);
	}
}
BENCHMARK(BM_GroomFit_RawEmbreeBuild)->Unit(benchmark::kMillisecond);

static void BM_GroomFit_RawEmbreeTraces(benchmark::State& State)
{
	FFitScene& S = Scene();
	const FRawEmbree& R = Raw();
	int64 NumHits = 0;
	for (auto _ : State)
	{
		for (int32 Strand = 0; Strand < NumStrands; ++Strand)
		{
			FVector Hit;
			NumHits += R.Trace(S.Starts[Strand], S.Ends[Strand], Hit) ? 1 : 0;
			benchmark::DoNotOptimize(Hit);
		}
	}
	State.counters["hits/fit"] = static_cast<double>(NumHits) / static_cast<double>(State.iterations());
	State.SetItemsProcessed(State.iterations() * NumStrands);
}
BENCHMARK(BM_GroomFit_RawEmbreeTraces)->Unit(benchmark::kMillisecond);

// The same segments through the host's trace and through raw Embree in alternating blocks, so that a
// machine whose load changes during the run treats both alike; the ratio is the goal's measure.
static void BM_GroomFit_TracesBesideRawEmbree(benchmark::State& State)
{
	using FClock = std::chrono::steady_clock;
	FFitScene& S = Scene();
	const FRawEmbree& R = Raw();
	ComponentTrace(S.Starts[0], S.Ends[0], S.Head);
	constexpr int32 BlockSize = 500;
	FClock::duration Host{}, Embree{};
	for (auto _ : State)
	{
		for (int32 First = 0; First < NumStrands; First += BlockSize)
		{
			const int32 Last = FMath::Min(First + BlockSize, NumStrands);
			const FClock::time_point T0 = FClock::now();
			for (int32 Strand = First; Strand < Last; ++Strand)
			{
				benchmark::DoNotOptimize(ComponentTrace(S.Starts[Strand], S.Ends[Strand], S.Head));
			}
			const FClock::time_point T1 = FClock::now();
			for (int32 Strand = First; Strand < Last; ++Strand)
			{
				FVector Hit;
				benchmark::DoNotOptimize(R.Trace(S.Starts[Strand], S.Ends[Strand], Hit));
				benchmark::DoNotOptimize(Hit);
			}
			Host += T1 - T0;
			Embree += FClock::now() - T1;
		}
		State.PauseTiming();
		Host::ClearDebugLines(S.World);
		State.ResumeTiming();
	}
	const double Iterations = static_cast<double>(State.iterations());
	State.counters["host_ms"] = std::chrono::duration<double, std::milli>(Host).count() / Iterations;
	State.counters["raw_ms"] = std::chrono::duration<double, std::milli>(Embree).count() / Iterations;
	State.counters["host/raw"] = std::chrono::duration<double>(Host).count() / std::chrono::duration<double>(Embree).count();
}
BENCHMARK(BM_GroomFit_TracesBesideRawEmbree)->Unit(benchmark::kMillisecond)->Iterations(10);

static void BM_GroomFit_Moves(benchmark::State& State)
{
	FFitScene& S = Scene();
	GroomData Groom = S.Groom;
	for (auto _ : State)
	{
		State.PauseTiming();
		Groom.positions = S.Groom.positions;
		State.ResumeTiming();
		for (int32 Strand = 0; Strand < NumStrands; ++Strand)
		{
			GroomFitting::MoveStrand(Groom, Strand * PointsPerStrand, PointsPerStrand, S.Hits[Strand], S.Origin);
		}
		benchmark::DoNotOptimize(Groom.positions.data());
	}
	State.SetItemsProcessed(State.iterations() * NumStrands);
}
BENCHMARK(BM_GroomFit_Moves)->Unit(benchmark::kMillisecond);

static void BM_GroomFit_Write(benchmark::State& State)
{
	FFitScene& S = Scene();
	for (auto _ : State)
	{
		FQuietStdout Quiet;
		WriteGroom(S.TargetPath, S.Groom);
	}
	State.SetBytesProcessed(State.iterations() * static_cast<int64>(std::filesystem::file_size(S.TargetPath)));
}
BENCHMARK(BM_GroomFit_Write)->Unit(benchmark::kMillisecond);

// The whole fit as a Blueprint calls it, with the head's collision cooked first as a fresh mesh has it:
// cook, read, project, trace and move every strand, write and rename.
static void BM_GroomFit_WholeFit(benchmark::State& State)
{
	FFitScene& S = Scene();
	const FString Source(UTF8_TO_TCHAR(S.SourcePath.c_str()));
	const FString Target(UTF8_TO_TCHAR(S.TargetPath.c_str()));
	for (auto _ : State)
	{
		State.PauseTiming();
		DropCollision(S);
		Host::ClearDebugLines(S.World);
		State.ResumeTiming();
		FQuietStdout Quiet;
		CookCollision(S);
		UvelmoraBPLibrary::FitGroomToStaticMesh(S.Source, S.Head, S.Origin, Source, Target);
	}
}
BENCHMARK(BM_GroomFit_WholeFit)->Unit(benchmark::kMillisecond);

// The whole fit beside its reference, read + build + raw Embree traces + write, in alternation, so that
// a machine whose load changes during the run treats both alike; the ratio is the goal's measure.
static void BM_GroomFit_WholeFitBesideParts(benchmark::State& State)
{
	using FClock = std::chrono::steady_clock;
	FFitScene& S = Scene();
	FRawEmbree& R = Raw();
	const FString Source(UTF8_TO_TCHAR(S.SourcePath.c_str()));
	const FString Target(UTF8_TO_TCHAR(S.TargetPath.c_str()));
	FClock::duration Whole{}, Read{}, Build{}, Traces{}, Write{};
	for (auto _ : State)
	{
		DropCollision(S);
		Host::ClearDebugLines(S.World);
		FQuietStdout Quiet;
		const FClock::time_point T0 = FClock::now();
		CookCollision(S);
		UvelmoraBPLibrary::FitGroomToStaticMesh(S.Source, S.Head, S.Origin, Source, Target);
		const FClock::time_point T1 = FClock::now();
		bool bReadFailed = false;
		const GroomData Groom = ReadGroom(S.SourcePath, bReadFailed);
		const FClock::time_point T2 = FClock::now();
		DropCollision(S);
		const FClock::time_point T3 = FClock::now();
		CookCollision(S);
		const FClock::time_point T4 = FClock::now();
		for (int32 Strand = 0; Strand < NumStrands; ++Strand)
		{
			FVector Hit;
			benchmark::DoNotOptimize(R.Trace(S.Starts[Strand], S.Ends[Strand], Hit));
		}
		const FClock::time_point T5 = FClock::now();
		WriteGroom(S.TargetPath, Groom);
		const FClock::time_point T6 = FClock::now();
		Whole += T1 - T0;
		Read += T2 - T1;
		Build += T4 - T3;
		Traces += T5 - T4;
		Write += T6 - T5;
	}
	const auto Milliseconds = [&State](FClock::duration D)
	{ return std::chrono::duration<double, std::milli>(D).count() / static_cast<double>(State.iterations()); };
	const double Parts = Milliseconds(Read) + Milliseconds(Build) + Milliseconds(Traces) + Milliseconds(Write);
	State.counters["whole_ms"] = Milliseconds(Whole);
	State.counters["read_ms"] = Milliseconds(Read);
	State.counters["build_ms"] = Milliseconds(Build);
	State.counters["raw_traces_ms"] = Milliseconds(Traces);
	State.counters["write_ms"] = Milliseconds(Write);
	State.counters["whole/parts"] = Milliseconds(Whole) / Parts;
}
BENCHMARK(BM_GroomFit_WholeFitBesideParts)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
