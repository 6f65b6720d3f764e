// Writing and reading product-sized grooms (100,000 and 400,000 strands x 32 points, ~80 and ~300 MB)
// through the Alembic API, each beside the same bytes written with fwrite and read by mmap and copy.
// Goals: each Alembic figure within 1.5x of its raw twin; reading peaks under 2.5x the file size.
// Peak memory is measured in a fresh child process that only reads, and reported as counters.
//
// Writing with our Alembic runs both ways its writer can store a large sample, side by side in one run:
// "hash_first" (the default: hash, then write key and payload once) and "hash_while_writing" (the
// earlier way: payload on a helper thread while hashing, key patched in afterwards); a real Alembic
// installation runs the first only. Each goes to a named file and to the plugin's own stream handed to
// the library (FGroomFileSink, the plugin's route). Reading goes by name (memory-mapped) and through a
// std::ifstream (the stream route, read on demand).

#include <Alembic/AbcCoreOgawa/All.h>
#include <Alembic/AbcGeom/All.h>

#include "alembicIO.h"

#if VELMORA_OUR_ALEMBIC
#include "../Host/Alembic/src/AbcCoreOgawa/WriteStrategy.h"
#endif

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
	using namespace Alembic::AbcGeom;

	const int PointsPerStrand = 32;

	struct FGroom
	{
		std::vector<V3f> Points;
		std::vector<int32_t> Counts;
		std::vector<float> Widths;
		std::vector<V2f> Uvs;
		std::vector<V3f> Colors;
		std::vector<V3f> Normals;
	};

	FGroom MakeGroom(int NumStrands)
	{
		FGroom G;
		std::mt19937 Random(20240611);
		std::uniform_real_distribution<float> Unit(0.0f, 1.0f);
		G.Counts.assign(NumStrands, PointsPerStrand);
		for (int s = 0; s < NumStrands; ++s)
		{
			const V3f Root(Unit(Random) * 2 - 1, 0, Unit(Random) * 2 - 1);
			for (int j = 0; j < PointsPerStrand; ++j)
			{
				G.Points.push_back(Root + V3f(0.001f * j, 0.05f * j + 0.001f * Unit(Random), 0.002f * j));
				G.Widths.push_back(0.001f + 0.003f * Unit(Random));
				G.Uvs.emplace_back(float(j) * (1.0f / float(PointsPerStrand - 1)), 0.0f);
			}
			G.Colors.emplace_back(Unit(Random), Unit(Random), Unit(Random));
			G.Normals.emplace_back(0.1f * Unit(Random), 1.0f, 0.1f * Unit(Random));
		}
		return G;
	}

	const FGroom& TestGroom(int NumStrands = 100000)
	{
		static std::map<int, FGroom> Grooms;
		auto Found = Grooms.find(NumStrands);
		if (Found == Grooms.end())
		{
			Found = Grooms.emplace(NumStrands, MakeGroom(NumStrands)).first;
		}
		return Found->second;
	}

	std::string TempPath(const char* Name)
	{
		return (std::filesystem::temp_directory_path() / (std::string("velmora-bench-") + std::to_string(::getpid()) + "-" + Name)).string();
	}

	void WriteCurves(OArchive& Archive, const FGroom& Groom)
	{
		OCurves Curves(Archive.getTop(), "groom");
		OCompoundProperty Arb = Curves.getSchema().getArbGeomParams();
		MetaData Attributes;
		Attributes.set("geoScope", "vtx");
		Attributes.set("interpretation", "vector");
		{
			OV3fArrayProperty Colors(Arb, "groom_color", Attributes);
			Colors.set(V3fArraySample(Groom.Colors));
		}
		{
			OV3fArrayProperty Normals(Arb, "surface_normal", Attributes);
			Normals.set(V3fArraySample(Groom.Normals));
		}
		Curves.getSchema().set(OCurvesSchema::Sample(P3fArraySample(Groom.Points), Int32ArraySample(Groom.Counts), kCubic, kNonPeriodic,
		                                             OFloatGeomParam::Sample(FloatArraySample(Groom.Widths), kVertexScope), OV2fGeomParam::Sample(V2fArraySample(Groom.Uvs), kVertexScope),
		                                             ON3fGeomParam::Sample(), kBezierBasis, FloatArraySample(), UcharArraySample(), FloatArraySample()));
	}

	// The library opens the file by name.
	void WriteAlembic(const std::string& Path, const FGroom& Groom)
	{
		OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive(), Path);
		WriteCurves(Archive, Groom);
	}

	// The plugin's route: its own file, through the stream that never fails, handed to the library.
	void WriteAlembicStream(const std::string& Path, const FGroom& Groom)
	{
		FGroomFileSink Sink;
		Sink.Open(Path);
		{
			std::ostream Stream(&Sink);
			OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive()(&Stream, MetaData()), kWrapExisting);
			WriteCurves(Archive, Groom);
		}
		Sink.Close();
	}

	template<class T>
	void WriteArray(std::FILE* File, const std::vector<T>& Values)
	{
		std::fwrite(Values.data(), sizeof(T), Values.size(), File);
	}

	void WriteRaw(const std::string& Path, const FGroom& Groom)
	{
		std::FILE* File = std::fopen(Path.c_str(), "wb");
		WriteArray(File, Groom.Points);
		WriteArray(File, Groom.Counts);
		WriteArray(File, Groom.Widths);
		WriteArray(File, Groom.Uvs);
		WriteArray(File, Groom.Colors);
		WriteArray(File, Groom.Normals);
		std::fclose(File);
	}

	// What the product keeps after reading: its own copies of every array.
	struct FReadGroom
	{
		std::vector<V3f> Points;
		std::vector<int32_t> Counts;
		std::vector<float> Widths;
		std::vector<V3f> Colors;
		std::vector<V3f> Normals;
	};

	template<class T, class SAMPLE>
	void CopyOut(std::vector<T>& Out, const SAMPLE& Sample)
	{
		Out.assign(Sample->get(), Sample->get() + Sample->size());
	}

	FReadGroom ReadArchiveOut(const IArchive& Archive)
	{
		FReadGroom Out;
		ICurves Curves(Archive.getTop().getChild(0), kWrapExisting);
		const ICurvesSchema Schema = Curves.getSchema();
		const ISampleSelector Selector(index_t(0));
		const ICurvesSchema::Sample Sample = Schema.getValue(Selector);
		CopyOut(Out.Points, Sample.getPositions());
		CopyOut(Out.Counts, Sample.getCurvesNumVertices());
		IFloatGeomParam::Sample Widths;
		Schema.getWidthsParam().getExpanded(Widths, Selector);
		CopyOut(Out.Widths, Widths.getVals());
		const ICompoundProperty Arb = Schema.getArbGeomParams();
		CopyOut(Out.Colors, IV3fArrayProperty(Arb, "groom_color").getValue(Selector));
		CopyOut(Out.Normals, IV3fArrayProperty(Arb, "surface_normal").getValue(Selector));
		return Out;
	}

	FReadGroom ReadAlembic(const std::string& Path)
	{
		return ReadArchiveOut(IArchive(Alembic::AbcCoreOgawa::ReadArchive(), Path, ErrorHandler::kThrowPolicy, ReadArraySampleCachePtr()));
	}

	// The plugin's route: its own std::ifstream, read on demand by the library.
	FReadGroom ReadAlembicStream(const std::string& Path)
	{
		std::ifstream File(Path, std::ios::binary);
		return ReadArchiveOut(IArchive(Alembic::AbcCoreOgawa::ReadArchive(std::vector<std::istream*>{&File}), Path, ErrorHandler::kThrowPolicy,
		                               ReadArraySampleCachePtr()));
	}

	FReadGroom ReadRaw(const std::string& Path)
	{
		FReadGroom Out;
		const int Fd = ::open(Path.c_str(), O_RDONLY);
		struct stat Info;
		::fstat(Fd, &Info);
		void* Mapped = ::mmap(nullptr, size_t(Info.st_size), PROT_READ, MAP_PRIVATE, Fd, 0);
		const uint8_t* Cursor = static_cast<const uint8_t*>(Mapped);
		const auto Take = [&Cursor](auto& Vector, size_t Count)
		{
			using T = typename std::decay_t<decltype(Vector)>::value_type;
			Vector.resize(Count);
			std::memcpy(Vector.data(), Cursor, Count * sizeof(T));
			Cursor += Count * sizeof(T);
		};
		// Per strand: points, widths and uvs per point (3 + 1 + 2 floats), a count, a colour and a normal.
		const size_t NumStrands = size_t(Info.st_size) / sizeof(float) / (PointsPerStrand * 6 + 7);
		const size_t NumPoints = NumStrands * PointsPerStrand;
		Take(Out.Points, NumPoints);
		Take(Out.Counts, NumStrands);
		Take(Out.Widths, NumPoints);
		Cursor += NumPoints * sizeof(V2f); // uvs are written but the product does not read them
		Take(Out.Colors, NumStrands);
		Take(Out.Normals, NumStrands);
		::munmap(Mapped, size_t(Info.st_size));
		::close(Fd);
		return Out;
	}

	// Outside the timed region: drop the previous output and flush dirty pages, so no iteration
	// pays for write-back that an earlier one (or the other benchmark) left behind.
	void Settle(benchmark::State& State, const std::string& Path)
	{
		State.PauseTiming();
		std::filesystem::remove(Path);
		::sync();
		State.ResumeTiming();
	}

	double FileMB(const std::string& Path)
	{
		return double(std::filesystem::file_size(Path)) / (1024.0 * 1024.0);
	}

	// Peak resident memory of a fresh copy of this program that only reads the file, in MB.
	double PeakReadRssMB(const char* Mode, const std::string& Path)
	{
		const pid_t Child = ::fork();
		if (Child == 0)
		{
			::execl("/proc/self/exe", "AlembicGroomIO", Mode, Path.c_str(), static_cast<char*>(nullptr));
			::_exit(127);
		}
		int Status = 0;
		struct rusage Usage = {};
		::wait4(Child, &Status, 0, &Usage);
		return double(Usage.ru_maxrss) / 1024.0;
	}

	// Our Alembic can still store large samples the earlier way; a real installation has one way only.
	constexpr bool bCanHashWhileWriting = VELMORA_OUR_ALEMBIC;

	void SetHashWhileWriting(bool bEnabled)
	{
#if VELMORA_OUR_ALEMBIC
		Alembic::AbcCoreOgawa::HostOnly::SetHashWhileWriting(bEnabled);
#else
		(void)bEnabled;
#endif
	}

	// Arguments: strands, then 0 for hash_first or 1 for hash_while_writing.
	void WriteBenchmark(benchmark::State& State, void (*Write)(const std::string&, const FGroom&), const char* Name)
	{
		const FGroom& Groom = TestGroom(int(State.range(0)));
		const bool bHashWhileWriting = State.range(1) != 0;
		State.SetLabel(bHashWhileWriting ? "hash_while_writing (before)" : "hash_first (now)");
		SetHashWhileWriting(bHashWhileWriting);
		const std::string Path = TempPath(Name);
		for (auto _ : State)
		{
			Settle(State, Path);
			Write(Path, Groom);
		}
		SetHashWhileWriting(false);
		State.counters["file_MB"] = FileMB(Path);
		State.SetBytesProcessed(std::int64_t(State.iterations()) * std::int64_t(std::filesystem::file_size(Path)));
		std::filesystem::remove(Path);
	}

	void BM_WriteAlembic(benchmark::State& State)
	{
		WriteBenchmark(State, &WriteAlembic, "write.abc");
	}

	void BM_WriteAlembicStream(benchmark::State& State)
	{
		WriteBenchmark(State, &WriteAlembicStream, "write-stream.abc");
	}

	void BM_WriteRaw(benchmark::State& State)
	{
		const FGroom& Groom = TestGroom(int(State.range(0)));
		const std::string Path = TempPath("write.raw");
		for (auto _ : State)
		{
			Settle(State, Path);
			WriteRaw(Path, Groom);
		}
		State.counters["file_MB"] = FileMB(Path);
		State.SetBytesProcessed(std::int64_t(State.iterations()) * std::int64_t(std::filesystem::file_size(Path)));
		std::filesystem::remove(Path);
	}

	void ReadBenchmark(benchmark::State& State, FReadGroom (*Read)(const std::string&), const char* ChildMode, void (*Write)(const std::string&, const FGroom&), const char* Name)
	{
		const std::string Path = TempPath(Name);
		Write(Path, TestGroom(int(State.range(0))));
		::sync();
		for (auto _ : State)
		{
			benchmark::DoNotOptimize(Read(Path));
		}
		const double Peak = PeakReadRssMB(ChildMode, Path);
		State.counters["file_MB"] = FileMB(Path);
		State.counters["peak_rss_MB"] = Peak;
		State.counters["peak_over_file"] = Peak / FileMB(Path);
		State.SetBytesProcessed(std::int64_t(State.iterations()) * std::int64_t(std::filesystem::file_size(Path)));
		std::filesystem::remove(Path);
	}

	void BM_ReadAlembic(benchmark::State& State)
	{
		ReadBenchmark(State, &ReadAlembic, "--read-alembic", &WriteAlembic, "read.abc");
	}

	void BM_ReadAlembicStream(benchmark::State& State)
	{
		ReadBenchmark(State, &ReadAlembicStream, "--read-alembic-stream", &WriteAlembic, "read-stream.abc");
	}

	void BM_ReadRaw(benchmark::State& State)
	{
		ReadBenchmark(State, &ReadRaw, "--read-raw", &WriteRaw, "read.raw");
	}

	// The look the plugin's reader takes at the slots of each array it reads (FGroomFileLayout), beside
	// the whole read by name it guards: it reads group and header blocks only, so it should stay a small
	// fixed cost (goal: under 1% of the read).
	const std::vector<std::vector<std::string>> GroomArrays = {{".geom", "P"},
	                                                           {".geom", "nVertices"},
	                                                           {".geom", "width"},
	                                                           {".geom", ".arbGeomParams", "groom_color"},
	                                                           {".geom", ".arbGeomParams", "surface_normal"}};

	void BM_GroomLayoutCheck(benchmark::State& State)
	{
		const std::string Path = TempPath("layout.abc");
		WriteAlembic(Path, TestGroom(int(State.range(0))));
		for (auto _ : State)
		{
			FGroomFileLayout Layout;
			Layout.Open(Path);
			for (const std::vector<std::string>& Names : GroomArrays)
			{
				benchmark::DoNotOptimize(Layout.FindArraySampleProblem("/groom", Names, 0));
			}
		}
		State.counters["file_MB"] = FileMB(Path);
		std::filesystem::remove(Path);
	}

	void BM_ReadGroomByName(benchmark::State& State)
	{
		const std::string Path = TempPath("read-groom.abc");
		WriteAlembic(Path, TestGroom(int(State.range(0))));
		for (auto _ : State)
		{
			bool bFailed = false;
			benchmark::DoNotOptimize(ReadGroom(Path, bFailed, EGroomReadRoute::ByName));
		}
		State.counters["file_MB"] = FileMB(Path);
		std::filesystem::remove(Path);
	}

	void WriteArgs(benchmark::internal::Benchmark* Bench)
	{
		Bench->ArgNames({"strands", "hash_while_writing"});
		for (const int Strands : {100000, 400000})
		{
			Bench->Args({Strands, 0});
			if (bCanHashWhileWriting)
			{
				Bench->Args({Strands, 1});
			}
		}
	}

	BENCHMARK(BM_WriteAlembic)->Apply(WriteArgs)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
	BENCHMARK(BM_WriteAlembicStream)->Apply(WriteArgs)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
	BENCHMARK(BM_WriteRaw)->ArgName("strands")->Arg(100000)->Arg(400000)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
	BENCHMARK(BM_ReadAlembic)->ArgName("strands")->Arg(100000)->Arg(400000)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
	BENCHMARK(BM_ReadAlembicStream)->ArgName("strands")->Arg(100000)->Arg(400000)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
	BENCHMARK(BM_GroomLayoutCheck)->ArgName("strands")->Arg(100000)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(2.0);
	BENCHMARK(BM_ReadGroomByName)->ArgName("strands")->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
	BENCHMARK(BM_ReadRaw)->ArgName("strands")->Arg(100000)->Arg(400000)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
}

int main(int argc, char** argv)
{
	// The child mode of PeakReadRssMB: read once and exit.
	if (argc == 3 && std::strcmp(argv[1], "--read-alembic") == 0)
	{
		return ReadAlembic(argv[2]).Points.empty() ? 1 : 0;
	}
	if (argc == 3 && std::strcmp(argv[1], "--read-alembic-stream") == 0)
	{
		return ReadAlembicStream(argv[2]).Points.empty() ? 1 : 0;
	}
	if (argc == 3 && std::strcmp(argv[1], "--read-raw") == 0)
	{
		return ReadRaw(argv[2]).Points.empty() ? 1 : 0;
	}
	benchmark::Initialize(&argc, argv);
	benchmark::RunSpecifiedBenchmarks();
	benchmark::Shutdown();
	return 0;
}
