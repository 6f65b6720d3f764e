// The mesh query on heads and on meshes of large triangles: build time, inside tests and nearest points per
// second, and memory.
//
// Heads: the demo head (20,164 triangles) with the demo groom and with 100,000 strands x 32 points, a large
// head (about 500,000 triangles) with the demo groom, and the demo head open at the neck with the demo groom. Each strand is placed as a fit leaves it: its
// root moved onto the nearest surface point, the rest moved with it.
//
// Goals: inside tests cheap enough that every repair of a fit together costs at most twice the plain fit
// (the inside test of every point is most of it); building and answering on meshes of large triangles in
// memory that follows their number: 1,000 of them well under 400 MB (peak_mb counts every byte allocated
// while building, at its highest).
#include "Async/ParallelFor.h"
#include "DemoScene.h"
#include "Host/MeshBuilders.h"
#include "MeshQuery.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <memory>
#include <new>
#include <random>
#include <vector>

// Every allocation of the process, counted, so a benchmark can read the highest total while it builds.
namespace
{
	std::atomic<int64_t> LiveBytes{0};
	std::atomic<int64_t> PeakBytes{0};

	void* CountedAlloc(std::size_t Size, std::size_t Alignment)
	{
		void* Block = Alignment > alignof(std::max_align_t) ? std::aligned_alloc(Alignment, (Size + Alignment - 1) / Alignment * Alignment) : std::malloc(Size ? Size : 1);
		if (!Block)
		{
			throw std::bad_alloc();
		}
		const int64_t Live = LiveBytes.fetch_add(static_cast<int64_t>(malloc_usable_size(Block))) + static_cast<int64_t>(malloc_usable_size(Block));
		int64_t Peak = PeakBytes.load();
		while (Live > Peak && !PeakBytes.compare_exchange_weak(Peak, Live))
		{
		}
		return Block;
	}

	void CountedFree(void* Block)
	{
		if (Block)
		{
			LiveBytes.fetch_sub(static_cast<int64_t>(malloc_usable_size(Block)));
			std::free(Block);
		}
	}
}

void* operator new(std::size_t Size)
{
	return CountedAlloc(Size, 0);
}
void* operator new[](std::size_t Size)
{
	return CountedAlloc(Size, 0);
}
void* operator new(std::size_t Size, std::align_val_t Alignment)
{
	return CountedAlloc(Size, static_cast<std::size_t>(Alignment));
}
void* operator new[](std::size_t Size, std::align_val_t Alignment)
{
	return CountedAlloc(Size, static_cast<std::size_t>(Alignment));
}
void operator delete(void* Block) noexcept
{
	CountedFree(Block);
}
void operator delete[](void* Block) noexcept
{
	CountedFree(Block);
}
void operator delete(void* Block, std::size_t) noexcept
{
	CountedFree(Block);
}
void operator delete[](void* Block, std::size_t) noexcept
{
	CountedFree(Block);
}
void operator delete(void* Block, std::align_val_t) noexcept
{
	CountedFree(Block);
}
void operator delete[](void* Block, std::align_val_t) noexcept
{
	CountedFree(Block);
}
void operator delete(void* Block, std::size_t, std::align_val_t) noexcept
{
	CountedFree(Block);
}
void operator delete[](void* Block, std::size_t, std::align_val_t) noexcept
{
	CountedFree(Block);
}

namespace
{
	using GroomFitting::FMeshQuery;

	struct FMeshLists
	{
		TArray<FVector> Vertices;
		TArray<int32> Indices;
	};

	FMeshLists ListsOf(const Host::FMeshData& Data)
	{
		FMeshLists Lists;
		for (const FVector3f& Position : Data.Positions)
		{
			Lists.Vertices.Add(FVector(Position));
		}
		for (const uint32 Index : Data.Indices)
		{
			Lists.Indices.Add(static_cast<int32>(Index));
		}
		return Lists;
	}

	std::shared_ptr<const FMeshQuery> BuildOrDie(const FMeshLists& Lists)
	{
		FString Error;
		std::shared_ptr<const FMeshQuery> Query = FMeshQuery::Build(Lists.Vertices, Lists.Indices, Error);
		if (!Query)
		{
			std::fprintf(stderr, "the benchmark's mesh was refused: %s\n", TCHAR_TO_UTF8(*Error));
			std::abort();
		}
		return Query;
	}

	GroomData DemoGroom(const Host::FMeshData& Head, int32 Strands, int32 PointsPerStrand)
	{
		VelmoraCli::FDemoGroomOptions Options;
		Options.Strands = Strands;
		Options.PointsPerStrand = PointsPerStrand;
		return VelmoraCli::BuildDemoGroom(Head, Options);
	}

	// Straight strands from random directions, rooted 11 units from the centre with 0.2 between points,
	// as the fit command's benchmark makes them.
	GroomData StraightGroom(int32 Strands, int32 PointsPerStrand)
	{
		GroomData Groom;
		std::mt19937 Random(7);
		std::uniform_real_distribution<double> Uniform(-1.0, 1.0);
		for (int32 Strand = 0; Strand < Strands; ++Strand)
		{
			FVector Direction;
			do
			{
				Direction = FVector(Uniform(Random), Uniform(Random), Uniform(Random));
			} while (Direction.Size() < 0.2 || Direction.Size() > 1.0);
			Direction = Direction.GetSafeNormal();
			for (int32 Point = 0; Point < PointsPerStrand; ++Point)
			{
				const FVector Position = Direction * (11.0 + 0.2 * Point);
				Groom.positions.insert(Groom.positions.end(), {static_cast<float>(Position.X), static_cast<float>(Position.Y), static_cast<float>(Position.Z)});
			}
			Groom.vertexCounts.push_back(PointsPerStrand);
		}
		return Groom;
	}

	// A head, its query, and a groom's points as a fit leaves them.
	struct FHeadScene
	{
		FMeshLists Lists;
		std::shared_ptr<const FMeshQuery> Query;
		std::vector<FVector> Roots;
		std::vector<FVector> Points;

		FHeadScene(const Host::FMeshData& Head, int32 Strands, int32 PointsPerStrand)
		    : FHeadScene(Head, DemoGroom(Head, Strands, PointsPerStrand))
		{
		}

		FHeadScene(const Host::FMeshData& Head, const GroomData& Groom)
		{
			Lists = ListsOf(Head);
			Query = BuildOrDie(Lists);
			size_t First = 0;
			for (const int32 Count : Groom.vertexCounts)
			{
				const auto PointAt = [&Groom](size_t Index)
				{
					return FVector(Groom.positions[3 * Index], Groom.positions[3 * Index + 1], Groom.positions[3 * Index + 2]);
				};
				FVector Nearest, Normal;
				const FVector Root = PointAt(First);
				const FVector Move = Query->NearestPoint(Root, Nearest, Normal) ? Nearest - Root : FVector(0, 0, 0);
				for (int32 Point = 0; Point < Count; ++Point)
				{
					(Point == 0 ? Roots : Points).push_back(PointAt(First + static_cast<size_t>(Point)) + Move);
				}
				First += static_cast<size_t>(Count);
			}
		}
	};

	FHeadScene& DemoScene()
	{
		static FHeadScene Scene(VelmoraCli::BuildDemoHead(), 20000, 10);
		return Scene;
	}
	FHeadScene& DenseGroomScene()
	{
		static FHeadScene Scene(VelmoraCli::BuildDemoHead(), 100000, 32);
		return Scene;
	}
	FHeadScene& LargeHeadScene()
	{
		static FHeadScene Scene(Host::BuildHead(500000), 20000, 10);
		return Scene;
	}
	// The fit command's benchmark: a 50,000-triangle head and 100,000 straight strands of 32 points.
	FHeadScene& CommandScene()
	{
		static FHeadScene Scene(Host::BuildHead(50000), StraightGroom(100000, 32));
		return Scene;
	}
	// The demo head open at the neck, as scanned heads often are.
	Host::FMeshData OpenNeckHead()
	{
		const Host::FMeshData Head = VelmoraCli::BuildDemoHead();
		Host::FMeshData Open;
		Open.Positions = Head.Positions;
		for (int32 Triangle = 0; Triangle < Head.NumTriangles(); ++Triangle)
		{
			const uint32* Corners = &Head.Indices[3 * Triangle];
			if (Head.Positions[Corners[0]].Z + Head.Positions[Corners[1]].Z + Head.Positions[Corners[2]].Z > -27.f)
			{
				Open.Indices.Append({Corners[0], Corners[1], Corners[2]});
			}
		}
		return Open;
	}
	FHeadScene& OpenNeckScene()
	{
		static FHeadScene Scene(OpenNeckHead(), 20000, 10);
		return Scene;
	}
	FHeadScene& SceneFor(int64 Which)
	{
		switch (Which)
		{
			case 0:
				return DemoScene();
			case 1:
				return DenseGroomScene();
			case 2:
				return LargeHeadScene();
			case 4:
				return CommandScene();
			default:
				return OpenNeckScene();
		}
	}
	const char* SceneName(int64 Which)
	{
		const char* Names[] = {"demo head, demo groom", "demo head, 100k x 32 groom", "500k-triangle head, demo groom", "demo head open at the neck, demo groom",
		                       "50k-triangle head, 100k x 32 straight strands"};
		return Names[Which];
	}

	// Arg: 0 the demo head, 2 the large head, 3 the open head, 4 the fit command's head. Wall time: the build
	// runs on every core.
	void BM_Build(benchmark::State& State)
	{
		const FHeadScene& Scene = SceneFor(State.range(0));
		State.SetLabel(SceneName(State.range(0)));
		SIZE_T Bytes = 0;
		for (auto _ : State)
		{
			const std::shared_ptr<const FMeshQuery> Query = BuildOrDie(Scene.Lists);
			Bytes = Query->GetAllocatedSize();
		}
		State.counters["triangles"] = static_cast<double>(Scene.Lists.Indices.Num() / 3);
		State.counters["query_mb"] = static_cast<double>(Bytes) / (1 << 20);
	}

	// Arg: as SceneFor. Every point but the roots, on one thread.
	void BM_IsInside(benchmark::State& State)
	{
		const FHeadScene& Scene = SceneFor(State.range(0));
		State.SetLabel(SceneName(State.range(0)));
		int64 Inside = 0;
		for (auto _ : State)
		{
			Inside = 0;
			for (const FVector& Point : Scene.Points)
			{
				Inside += Scene.Query->IsInside(Point) ? 1 : 0;
			}
		}
		State.SetItemsProcessed(State.iterations() * static_cast<int64>(Scene.Points.size()));
		State.counters["inside"] = static_cast<double>(Inside);
		State.counters["points"] = static_cast<double>(Scene.Points.size());
	}

	void BM_IsInsideParallel(benchmark::State& State)
	{
		const FHeadScene& Scene = SceneFor(State.range(0));
		State.SetLabel(SceneName(State.range(0)));
		std::vector<uint8> Inside(Scene.Points.size());
		for (auto _ : State)
		{
			ParallelFor(TEXT("IsInside"), static_cast<int32>(Scene.Points.size()), 4096, [&](int32 Index)
			            { Inside[static_cast<size_t>(Index)] = Scene.Query->IsInside(Scene.Points[static_cast<size_t>(Index)]) ? 1 : 0; });
		}
		State.SetItemsProcessed(State.iterations() * static_cast<int64>(Scene.Points.size()));
	}

	// The nearest point of each root (on the surface after the fit), unbounded and bounded by a small
	// reach, as a fit that knows how far a point can be would ask: Args the scene, and 0 any distance, 1
	// within 0.01, 2 within 0.002 (the report's search for a root on the surface).
	void BM_NearestOfRoots(benchmark::State& State)
	{
		const FHeadScene& Scene = SceneFor(State.range(0));
		const double Reaches[] = {TNumericLimits<double>::Max(), 0.01, 0.002};
		const char* ReachNames[] = {", any distance", ", within 0.01", ", within 0.002"};
		const double Reach = Reaches[State.range(1)];
		State.SetLabel(std::string(SceneName(State.range(0))) + ReachNames[State.range(1)]);
		for (auto _ : State)
		{
			for (const FVector& Root : Scene.Roots)
			{
				FVector Nearest, Normal;
				benchmark::DoNotOptimize(Scene.Query->NearestPoint(Root, Nearest, Normal, Reach));
			}
		}
		State.SetItemsProcessed(State.iterations() * static_cast<int64>(Scene.Roots.size()));
	}

	// The nearest point of every point of the strands (off the surface, some far).
	void BM_NearestOfPoints(benchmark::State& State)
	{
		const FHeadScene& Scene = SceneFor(State.range(0));
		State.SetLabel(SceneName(State.range(0)));
		for (auto _ : State)
		{
			for (const FVector& Point : Scene.Points)
			{
				FVector Nearest, Normal;
				benchmark::DoNotOptimize(Scene.Query->NearestPoint(Point, Nearest, Normal));
			}
		}
		State.SetItemsProcessed(State.iterations() * static_cast<int64>(Scene.Points.size()));
	}

	// Bringing out every point that is inside.
	void BM_ResolveInside(benchmark::State& State)
	{
		const FHeadScene& Scene = SceneFor(State.range(0));
		State.SetLabel(SceneName(State.range(0)));
		std::vector<FVector> Inside;
		for (const FVector& Point : Scene.Points)
		{
			if (Scene.Query->IsInside(Point))
			{
				Inside.push_back(Point);
			}
		}
		int64 Resolved = 0;
		for (auto _ : State)
		{
			Resolved = 0;
			for (const FVector& Point : Inside)
			{
				FVector Out;
				Resolved += Scene.Query->ResolvePoint(Point, 0.1, Out) == GroomFitting::EResolveResult::Resolved ? 1 : 0;
			}
		}
		State.SetItemsProcessed(State.iterations() * static_cast<int64>(Inside.size()));
		State.counters["inside"] = static_cast<double>(Inside.size());
		State.counters["resolved"] = static_cast<double>(Resolved);
	}

	// Args: the number of triangles, each some 2,000 units across, and how they lie: 0 all on one edge
	// (open flat pages), 1 in overlapping tetrahedra (closed shells that each cross most of the space), 2 a
	// closed double cone (all from two apexes to a rim). Peak bytes allocated while building (the mesh
	// lists included) and what the query keeps.
	void BM_LargeTriangles(benchmark::State& State)
	{
		const int32 Count = static_cast<int32>(State.range(0));
		const int64 Shape = State.range(1);
		const char* Names[] = {"pages on one edge", "overlapping tetrahedra", "double cone"};
		State.SetLabel(Names[Shape]);
		FMeshLists Lists;
		if (Shape == 0)
		{
			Lists.Vertices.Add(FVector(0, 0, -1000));
			Lists.Vertices.Add(FVector(0, 0, 1000));
			for (int32 Page = 0; Page < Count; ++Page)
			{
				const double Angle = 2.0 * UE_DOUBLE_PI * Page / Count;
				const int32 Tip = Lists.Vertices.Add(FVector(1000.0 * std::cos(Angle), 1000.0 * std::sin(Angle), 0.0));
				Lists.Indices.Append({0, 1, Tip});
			}
		}
		else if (Shape == 1)
		{
			uint32 Seed = 12345;
			const auto Next = [&Seed]()
			{
				Seed = Seed * 1664525u + 1013904223u;
				return static_cast<double>(Seed >> 8) / static_cast<double>(1u << 24) * 2000.0 - 1000.0;
			};
			for (int32 Tetrahedron = 0; Tetrahedron < Count / 4; ++Tetrahedron)
			{
				const int32 Base = Lists.Vertices.Num();
				for (int32 Corner = 0; Corner < 4; ++Corner)
				{
					Lists.Vertices.Add(FVector(Next(), Next(), Next()));
				}
				Lists.Indices.Append({Base, Base + 1, Base + 2, Base, Base + 3, Base + 1, Base + 1, Base + 3, Base + 2, Base, Base + 2, Base + 3});
			}
		}
		else
		{
			const int32 Top = Lists.Vertices.Add(FVector(0, 0, 1000));
			const int32 Bottom = Lists.Vertices.Add(FVector(0, 0, -1000));
			for (int32 Segment = 0; Segment < Count / 2; ++Segment)
			{
				const double Angle = 4.0 * UE_DOUBLE_PI * Segment / Count;
				Lists.Vertices.Add(FVector(1000.0 * std::cos(Angle), 1000.0 * std::sin(Angle), 0.0));
			}
			for (int32 Segment = 0; Segment < Count / 2; ++Segment)
			{
				const int32 This = 2 + Segment, After = 2 + (Segment + 1) % (Count / 2);
				Lists.Indices.Append({This, Top, After, This, After, Bottom});
			}
		}
		int64 Peak = 0;
		SIZE_T Kept = 0;
		int64 Inside = 0;
		for (auto _ : State)
		{
			const int64 Before = LiveBytes.load();
			PeakBytes.store(Before);
			const std::shared_ptr<const FMeshQuery> Query = BuildOrDie(Lists);
			Peak = PeakBytes.load() - Before;
			Kept = Query->GetAllocatedSize();
			Inside = 0;
			for (int32 Sample = 0; Sample < 1000; ++Sample)
			{
				Inside += Query->IsInside(FVector(-900.0 + 1.8 * Sample, 0.5 * Sample - 250.0, 0.3 * Sample - 150.0)) ? 1 : 0;
			}
		}
		State.counters["peak_mb"] = static_cast<double>(Peak) / (1 << 20);
		State.counters["query_mb"] = static_cast<double>(Kept) / (1 << 20);
		State.counters["inside"] = static_cast<double>(Inside);
	}
}

BENCHMARK(BM_LargeTriangles)->ArgsProduct({{1000, 16385}, {0, 1, 2}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Build)->Arg(0)->Arg(2)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_IsInside)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IsInsideParallel)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_NearestOfRoots)->Args({0, 0})->Args({0, 1})->Args({2, 0})->Args({4, 0})->Args({4, 2})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NearestOfPoints)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResolveInside)->Arg(0)->Arg(1)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
