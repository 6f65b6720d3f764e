#include "Async/ParallelFor.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace
{
	int32 WorkerCount()
	{
		const unsigned Cores = std::thread::hardware_concurrency();
		return Cores > 1 ? static_cast<int32>(Cores) : 1;
	}
}

void ParallelFor(const TCHAR* /*DebugName*/, int32 Num, int32 MinBatchSize, TFunctionRef<void(int32)> Body, EParallelForFlags Flags)
{
	if (Num <= 0)
	{
		return;
	}
	const int32 Batch = std::max(MinBatchSize, 1);
	const int32 Threads = std::min(WorkerCount(), (Num + Batch - 1) / Batch);
	if (Threads <= 1 || (Flags & EParallelForFlags::ForceSingleThread) != EParallelForFlags::None)
	{
		for (int32 Index = 0; Index < Num; ++Index)
		{
			Body(Index);
		}
		return;
	}
	// Batches are handed out one at a time, so an uneven body still spreads over every thread.
	const int32 BatchSize = std::max(Batch, std::min(1024, Num / (Threads * 8)));
	std::atomic<int32> Next{0};
	const auto Work = [&]()
	{
		for (int32 First = Next.fetch_add(BatchSize); First < Num; First = Next.fetch_add(BatchSize))
		{
			const int32 Last = std::min(Num, First + BatchSize);
			for (int32 Index = First; Index < Last; ++Index)
			{
				Body(Index);
			}
		}
	};
	std::vector<std::thread> Workers;
	Workers.reserve(static_cast<size_t>(Threads - 1));
	for (int32 Worker = 1; Worker < Threads; ++Worker)
	{
		Workers.emplace_back(Work);
	}
	Work();
	for (std::thread& Worker : Workers)
	{
		Worker.join();
	}
}

void ParallelFor(int32 Num, TFunctionRef<void(int32)> Body, EParallelForFlags Flags)
{
	ParallelFor(nullptr, Num, 1, Body, Flags);
}

void ParallelFor(int32 Num, TFunctionRef<void(int32)> Body, bool bForceSingleThread, bool /*bPumpRenderingThread*/)
{
	ParallelFor(nullptr, Num, 1, Body, bForceSingleThread ? EParallelForFlags::ForceSingleThread : EParallelForFlags::None);
}
