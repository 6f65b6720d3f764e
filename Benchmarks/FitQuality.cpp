// The fit's repairs and its report on the demo head: the demo groom (20,000 strands x 10 points) and a
// groom of 100,000 strands x 32 points on the same scalp. Each fit runs in memory (no file), with every
// option off, each alone, and all on; the counters give the report's figures after that fit.
//
// Goals: with every option on, no miss left and no point inside, every root on the surface; all options
// together cost at most twice the plain fit (BM_RepairsAgainstPlain*: the two fits take turns on fresh
// copies, and the counters give the median of each and their ratio).
#include "Components/StaticMeshComponent.h"
#include "DemoScene.h"
#include "Engine/StaticMesh.h"
#include "GameFramework/Actor.h"
#include "GroomFitting.h"
#include "MeshQuery.h"
#include "Host/Log.h"
#include "Host/World.h"
#include "MeshDescription.h"
#include "PhysicsEngine/BodySetup.h"
#include "StaticMeshAttributes.h"
#include "UObject/UObjectGlobals.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

namespace
{
	using GroomFitting::FFitOptions;
	using GroomFitting::FFitReport;

	struct FScene
	{
		UWorld* World = nullptr;
		UStaticMeshComponent* Head = nullptr;
		GroomData Groom;
		std::shared_ptr<const GroomFitting::FMeshQuery> Query;

		FScene(int32 Strands, int32 PointsPerStrand)
		{
			Host::SetLogEcho(false);
			World = Host::NewWorld();
			const Host::FMeshData Mesh = VelmoraCli::BuildDemoHead();
			Head = Host::AddStaticMeshComponent(Host::SpawnActor(World), Host::NewAuthoredStaticMesh(Mesh, Host::ECollisionSides::DoubleSided));
			VelmoraCli::FDemoGroomOptions Options;
			Options.Strands = Strands;
			Options.PointsPerStrand = PointsPerStrand;
			Groom = VelmoraCli::BuildDemoGroom(Mesh, Options);
			FString Error;
			Query = GroomFitting::GetMeshQuery(Head, Error);
		}
	};

	FScene& DemoScene()
	{
		static FScene Scene(20000, 10);
		return Scene;
	}

	FScene& LargeScene()
	{
		static FScene Scene(100000, 32);
		return Scene;
	}

	FFitOptions OptionsFor(int64 Which)
	{
		FFitOptions Options;
		Options.bSnapMissesToNearest = Which == 1 || Which == 4;
		Options.bOrientToSurface = Which == 2 || Which == 4;
		Options.bResolvePenetration = Which == 3 || Which == 4;
		return Options;
	}

	void Report(benchmark::State& State, const FScene& Scene, const GroomData& Fitted, const FFitReport& Fit)
	{
		FFitReport Measured;
		FString Error;
		GroomFitting::MeasureGroom(Fitted, *Scene.Query, FVector::ZeroVector, GroomFitting::DefaultSurfaceTolerance, Measured, Error);
		State.counters["misses"] = static_cast<double>(Fit.Misses);
		State.counters["snapped"] = static_cast<double>(Fit.MissesSnapped);
		State.counters["oriented"] = static_cast<double>(Fit.StrandsOriented);
		State.counters["resolved"] = static_cast<double>(Fit.PointsResolved);
		State.counters["roots_off"] = static_cast<double>(Measured.RootsOffSurface);
		State.counters["inside"] = static_cast<double>(Measured.PointsInside);
		State.counters["strands_in"] = static_cast<double>(Measured.StrandsInside);
	}

	// Arg: 0 every option off, 1 snap misses, 2 orient, 3 resolve penetration, 4 all. The mesh's query is
	// made once, as a fit makes it for a mesh it has not seen, and kept while the mesh stays the same.
	void Fit(benchmark::State& State, FScene& Scene)
	{
		const FFitOptions Options = OptionsFor(State.range(0));
		GroomData Fitted;
		FFitReport Fit;
		for (auto _ : State)
		{
			State.PauseTiming();
			Fitted = Scene.Groom;
			State.ResumeTiming();
			GroomFitting::FitRecord(Fitted, Scene.Head, FVector::ZeroVector, FVector::ZeroVector, Options, nullptr, &Fit);
		}
		Report(State, Scene, Fitted, Fit);
	}

	double Median(std::vector<double> Values)
	{
		std::sort(Values.begin(), Values.end());
		return Values.empty() ? 0.0 : Values[Values.size() / 2];
	}

	// Seconds of one fit of a fresh copy of the scene's groom.
	double TimeFit(FScene& Scene, const FFitOptions& Options, GroomData& Fitted)
	{
		Fitted = Scene.Groom;
		const auto Start = std::chrono::steady_clock::now();
		GroomFitting::FitRecord(Fitted, Scene.Head, FVector::ZeroVector, FVector::ZeroVector, Options, nullptr, nullptr);
		return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
	}

	void RepairsAgainstPlain(benchmark::State& State, FScene& Scene)
	{
		GroomData Fitted;
		std::vector<double> Repaired, Plain;
		for (auto _ : State)
		{
			Repaired.push_back(TimeFit(Scene, OptionsFor(4), Fitted));
			Plain.push_back(TimeFit(Scene, OptionsFor(0), Fitted));
			State.SetIterationTime(Repaired.back());
		}
		State.counters["repaired_ms"] = 1e3 * Median(Repaired);
		State.counters["plain_ms"] = 1e3 * Median(Plain);
		State.counters["ratio"] = Median(Repaired) / Median(Plain);
	}

	void BM_RepairsAgainstPlainDemo(benchmark::State& State)
	{
		RepairsAgainstPlain(State, DemoScene());
	}
	void BM_RepairsAgainstPlainLarge(benchmark::State& State)
	{
		RepairsAgainstPlain(State, LargeScene());
	}

	void BM_FitDemo(benchmark::State& State)
	{
		Fit(State, DemoScene());
	}
	void BM_FitLarge(benchmark::State& State)
	{
		Fit(State, LargeScene());
	}

	// The report on the unfitted groom: a nearest point per root and an inside test per point.
	void Measure(benchmark::State& State, FScene& Scene)
	{
		FFitReport Measured;
		FString Error;
		for (auto _ : State)
		{
			GroomFitting::MeasureGroom(Scene.Groom, *Scene.Query, FVector::ZeroVector, GroomFitting::DefaultSurfaceTolerance, Measured, Error);
		}
		State.counters["roots_off"] = static_cast<double>(Measured.RootsOffSurface);
		State.counters["inside"] = static_cast<double>(Measured.PointsInside);
		State.counters["points"] = static_cast<double>(Measured.Points);
	}
	void BM_MeasureDemo(benchmark::State& State)
	{
		Measure(State, DemoScene());
	}
	void BM_MeasureLarge(benchmark::State& State)
	{
		Measure(State, LargeScene());
	}

}

BENCHMARK(BM_FitDemo)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MeasureDemo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FitLarge)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_MeasureLarge)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_RepairsAgainstPlainDemo)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(31);
BENCHMARK(BM_RepairsAgainstPlainLarge)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);
BENCHMARK_MAIN();
