// The fit's repairs and its report on the demo head: the demo groom (20,000 strands x 10 points) and a
// groom of 100,000 strands x 32 points on the same scalp. Each fit runs in memory (no file), with every
// option off, each alone, and all on; the counters give the report's figures after that fit.
//
// Goals: with every option on, no miss left and no point inside, every root on the surface; all options
// together cost at most twice the plain fit.
#include "Components/StaticMeshComponent.h"
#include "DemoScene.h"
#include "Engine/StaticMesh.h"
#include "GameFramework/Actor.h"
#include "GroomFitQuality.h"
#include "GroomFitting.h"
#include "Host/Log.h"
#include "Host/World.h"
#include "MeshDescription.h"
#include "PhysicsEngine/BodySetup.h"
#include "StaticMeshAttributes.h"
#include "UObject/UObjectGlobals.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace
{
	using GroomFitQuality::FFitOptions;
	using GroomFitQuality::FFitReport;

	struct FScene
	{
		UWorld* World = nullptr;
		UStaticMeshComponent* Head = nullptr;
		GroomData Groom;
		std::unique_ptr<GroomFitQuality::FMeshQuery> Query;

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
			Query = GroomFitQuality::FMeshQuery::Create(Head, Error);
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
		GroomFitQuality::MeasureGroom(Fitted, *Scene.Query, FVector::ZeroVector, GroomFitQuality::DefaultSurfaceTolerance, Measured, Error);
		State.counters["misses"] = static_cast<double>(Fit.Misses);
		State.counters["snapped"] = static_cast<double>(Fit.MissesSnapped);
		State.counters["oriented"] = static_cast<double>(Fit.StrandsOriented);
		State.counters["resolved"] = static_cast<double>(Fit.PointsResolved);
		State.counters["roots_off"] = static_cast<double>(Measured.RootsOffSurface);
		State.counters["inside"] = static_cast<double>(Measured.PointsInside);
		State.counters["strands_in"] = static_cast<double>(Measured.StrandsInside);
	}

	// Arg: 0 every option off, 1 snap misses, 2 orient, 3 resolve penetration, 4 all. The query is made
	// inside the timed fit, as FitRecord makes it.
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
			GroomFitting::FitRecord(Fitted, Scene.Head, FVector::ZeroVector, FVector::ZeroVector, Options, &Fit);
		}
		Report(State, Scene, Fitted, Fit);
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
			GroomFitQuality::MeasureGroom(Scene.Groom, *Scene.Query, FVector::ZeroVector, GroomFitQuality::DefaultSurfaceTolerance, Measured, Error);
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

	// Per query, on points of the fitted demo groom: the normal at each root, the nearest point and the
	// inside test of every point.
	struct FFittedDemo
	{
		GroomData Fitted;
		std::vector<FVector> Roots;
		std::vector<FVector> Points;
		FFittedDemo()
		{
			FScene& Scene = DemoScene();
			Fitted = Scene.Groom;
			GroomFitting::FitRecord(Fitted, Scene.Head, FVector::ZeroVector, FVector::ZeroVector);
			size_t First = 0;
			for (const int32 Count : Fitted.vertexCounts)
			{
				for (int32 Point = 0; Point < Count; ++Point)
				{
					const size_t At = 3 * (First + Point);
					(Point == 0 ? Roots : Points).emplace_back(Fitted.positions[At], Fitted.positions[At + 1], Fitted.positions[At + 2]);
				}
				First += Count;
			}
		}
	};
	FFittedDemo& FittedDemo()
	{
		static FFittedDemo Demo;
		return Demo;
	}
	void BM_SurfaceNormalAtRoots(benchmark::State& State)
	{
		const FFittedDemo& Demo = FittedDemo();
		const GroomFitQuality::FMeshQuery& Query = *DemoScene().Query;
		for (auto _ : State)
		{
			for (const FVector& Root : Demo.Roots)
			{
				FVector Normal;
				benchmark::DoNotOptimize(Query.SurfaceNormal(Root, GroomFitQuality::DefaultSurfaceTolerance, Normal));
			}
		}
		State.SetItemsProcessed(State.iterations() * static_cast<int64>(Demo.Roots.size()));
	}
	void BM_NearestPointOfPoints(benchmark::State& State)
	{
		const FFittedDemo& Demo = FittedDemo();
		const GroomFitQuality::FMeshQuery& Query = *DemoScene().Query;
		for (auto _ : State)
		{
			for (const FVector& Point : Demo.Points)
			{
				FVector Nearest, Normal;
				benchmark::DoNotOptimize(Query.NearestPoint(Point, Nearest, Normal));
			}
		}
		State.SetItemsProcessed(State.iterations() * static_cast<int64>(Demo.Points.size()));
	}
	void BM_IsInsideOfPoints(benchmark::State& State)
	{
		const FFittedDemo& Demo = FittedDemo();
		const GroomFitQuality::FMeshQuery& Query = *DemoScene().Query;
		for (auto _ : State)
		{
			for (const FVector& Point : Demo.Points)
			{
				benchmark::DoNotOptimize(Query.IsInside(Point));
			}
		}
		State.SetItemsProcessed(State.iterations() * static_cast<int64>(Demo.Points.size()));
	}

	void BM_BuildQuery(benchmark::State& State)
	{
		FScene& Scene = DemoScene();
		for (auto _ : State)
		{
			FString Error;
			benchmark::DoNotOptimize(GroomFitQuality::FMeshQuery::Create(Scene.Head, Error));
		}
	}
}

BENCHMARK(BM_BuildQuery)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SurfaceNormalAtRoots)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NearestPointOfPoints)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IsInsideOfPoints)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FitDemo)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MeasureDemo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FitLarge)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_MeasureLarge)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_MAIN();
