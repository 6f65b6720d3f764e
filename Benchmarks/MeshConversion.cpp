// Converting a skeletal head of 200,000 render vertices and 400,000 triangles into the static mesh
// asset. Goal: linear in size, and at most 1 microsecond per triangle for the conversion's own steps
// (everything but the engine's Build and the collision cooking, which are timed apart and reported as
// counters). Times are the converting thread's processor time.

#include "CoreMinimal.h"
#include "Engine/SkeletalMesh.h"
#include "Engine/StaticMesh.h"
#include "Host/SkeletalMeshes.h"
#include "PhysicsEngine/BodySetup.h"
#include "velmoraBPLibrary.h"

#include <benchmark/benchmark.h>

#include <ctime>

namespace
{
	// The converting thread's own processor time, kernel time (page faults) included: the machine is
	// shared, and wall time would also count the time other processes held the cores.
	double ThreadSeconds()
	{
		timespec Now{};
		clock_gettime(CLOCK_THREAD_CPUTIME_ID, &Now);
		return static_cast<double>(Now.tv_sec) + static_cast<double>(Now.tv_nsec) * 1e-9;
	}

	// A closed Rings x Segments grid bent into a torus: Rings * Segments render vertices and twice as
	// many triangles, every vertex shared by six of them, as on a real head away from its seams.
	Host::FSkeletalLOD MakeHeadLOD(int32 Rings, int32 Segments)
	{
		Host::FSkeletalLOD LOD;
		LOD.Positions.Reserve(Rings * Segments);
		for (int32 Ring = 0; Ring < Rings; ++Ring)
		{
			const double Around = 2.0 * UE_DOUBLE_PI * Ring / Rings;
			for (int32 Segment = 0; Segment < Segments; ++Segment)
			{
				const double Tube = 2.0 * UE_DOUBLE_PI * Segment / Segments;
				const double Radius = 12.0 + 4.0 * FMath::Cos(Tube);
				LOD.Positions.Add(FVector3f(FVector(Radius * FMath::Cos(Around), Radius * FMath::Sin(Around), 4.0 * FMath::Sin(Tube))));
			}
		}
		LOD.Indices.Reserve(6 * Rings * Segments);
		for (int32 Ring = 0; Ring < Rings; ++Ring)
		{
			for (int32 Segment = 0; Segment < Segments; ++Segment)
			{
				const uint32 A = Ring * Segments + Segment;
				const uint32 B = Ring * Segments + (Segment + 1) % Segments;
				const uint32 C = ((Ring + 1) % Rings) * Segments + Segment;
				const uint32 D = ((Ring + 1) % Rings) * Segments + (Segment + 1) % Segments;
				LOD.Indices.Append({A, C, D, A, D, B});
			}
		}
		return LOD;
	}

	// Argument: the size divisor; 1 is the full head of 400 x 500 (200,000 vertices, 400,000 triangles).
	void BM_SkeletalMeshToStaticMesh(benchmark::State& State)
	{
		const int32 Divisor = static_cast<int32>(State.range(0));
		USkeletalMesh* Head = Host::MakeSkeletalMesh(MakeHeadLOD(400 / Divisor, 500 / Divisor));
		const int64 NumTriangles = 2 * (400 / Divisor) * (500 / Divisor);

		double BuildSeconds = 0.0;
		double CollisionSeconds = 0.0;
		double OwnSeconds = 0.0;
		for (auto _ : State)
		{
			const double Start = ThreadSeconds();
			UStaticMesh* Mesh = UvelmoraBPLibrary::SkeletalMeshToStaticMesh(Head);
			const double Total = ThreadSeconds() - Start;
			if (!Mesh)
			{
				State.SkipWithError("conversion failed");
				return;
			}
			State.SetIterationTime(Total);

			// The same Build and collision steps again, on the same committed mesh, to take them apart.
			const double BuildStart = ThreadSeconds();
			Mesh->Build(false);
			const double Build = ThreadSeconds() - BuildStart;
			const double CollisionStart = ThreadSeconds();
			Mesh->GetBodySetup()->InvalidatePhysicsData();
			Mesh->GetBodySetup()->CreatePhysicsMeshes();
			const double Collision = ThreadSeconds() - CollisionStart;

			BuildSeconds += Build;
			CollisionSeconds += Collision;
			OwnSeconds += Total - Build - Collision;

			// The host keeps every object; drop the replaced mesh's data so iterations do not pile up.
			Mesh->SetNumSourceModels(0);
			Mesh->SetRenderData(nullptr);
		}

		const double Iterations = static_cast<double>(State.iterations());
		State.SetComplexityN(NumTriangles);
		State.counters["triangles"] = static_cast<double>(NumTriangles);
		State.counters["own_us_per_tri"] = OwnSeconds / Iterations / NumTriangles * 1e6;
		State.counters["build_ms"] = BuildSeconds / Iterations * 1e3;
		State.counters["collision_ms"] = CollisionSeconds / Iterations * 1e3;
		State.counters["own_ms"] = OwnSeconds / Iterations * 1e3;
	}
}

BENCHMARK(BM_SkeletalMeshToStaticMesh)->Arg(4)->Arg(2)->Arg(1)->UseManualTime()->MinTime(2.0)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

BENCHMARK_MAIN();
