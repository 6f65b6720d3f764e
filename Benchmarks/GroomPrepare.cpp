// Preparing and surveying a groom exported as many small curves objects under one parent (one object per
// strand, as some DCC exports are), at 1,000, 4,000 and 16,000 objects.
//
// Goal: the time grows with the number of objects, not with its square (each figure about 4x the one
// before, per_object_us about level).
#include <Alembic/AbcCoreOgawa/All.h>
#include <Alembic/AbcGeom/All.h>

#include "GroomPrepare.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
	using namespace Alembic::AbcGeom;

	// A file of Count curves objects of one strand of three points each, side by side under the top.
	std::string ManyObjectsFile(int32_t Count)
	{
		const std::filesystem::path Path =
		    std::filesystem::temp_directory_path() / ("velmora-prepare-" + std::to_string(::getpid()) + "-" + std::to_string(Count) + ".abc");
		if (!std::filesystem::exists(Path))
		{
			OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive(), Path.string());
			for (int32_t Index = 0; Index < Count; ++Index)
			{
				OCurves Curves(Archive.getTop(), "strand" + std::to_string(Index));
				const float X = 0.01f * static_cast<float>(Index);
				const std::vector<V3f> Points = {V3f(X, 0, 0), V3f(X, 1, 0), V3f(X, 2, 0)};
				const std::vector<int32_t> Counts = {3};
				Curves.getSchema().set(OCurvesSchema::Sample(V3fArraySample(Points), Int32ArraySample(Counts), kLinear, kNonPeriodic));
			}
		}
		return Path.string();
	}

	void BM_PrepareManyObjects(benchmark::State& State)
	{
		const std::string Path = ManyObjectsFile(static_cast<int32_t>(State.range(0)));
		for (auto _ : State)
		{
			GroomData Groom;
			GroomPrepare::FPrepareReport Report;
			if (!GroomPrepare::PrepareGroomRecord(Path, GroomPrepare::FPrepareOptions(), Groom, Report))
			{
				State.SkipWithError(Report.Error.c_str());
				break;
			}
		}
		State.counters["per_object_us"] = benchmark::Counter(static_cast<double>(State.range(0)), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
		std::filesystem::remove(Path);
	}

	void BM_SurveyManyObjects(benchmark::State& State)
	{
		const std::string Path = ManyObjectsFile(static_cast<int32_t>(State.range(0)));
		for (auto _ : State)
		{
			GroomPrepare::FGroomSurvey Survey;
			GroomPrepare::SurveyGroomFile(Path, Survey);
			benchmark::DoNotOptimize(Survey);
		}
		State.counters["per_object_us"] = benchmark::Counter(static_cast<double>(State.range(0)), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
		std::filesystem::remove(Path);
	}
}

BENCHMARK(BM_PrepareManyObjects)->Arg(1000)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SurveyManyObjects)->Arg(1000)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
