#include "Async/ParallelFor.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace
{
	// Worker threads that live as long as the process, as the engine's task threads do: a loop of many
	// small ParallelFor calls pays for no thread start.
	class FWorkerPool
	{
	public:
		static FWorkerPool& Get()
		{
			static FWorkerPool Pool;
			return Pool;
		}

		int32 NumThreads() const { return static_cast<int32>(Workers.size()) + 1; }

		// Runs the job on the workers and the calling thread. False, having run nothing, when the pool is
		// busy: a nested call, or one from another thread at the same time.
		bool TryRun(int32 Num, int32 BatchSize, TFunctionRef<void(int32)> Body)
		{
			// A thread inside a job (a worker, or the caller itself) never waits for the pool.
			if (bInJob)
			{
				return false;
			}
			std::unique_lock<std::mutex> Owner(RunLock, std::try_to_lock);
			if (!Owner.owns_lock())
			{
				return false;
			}
			bInJob = true;
			{
				const std::lock_guard<std::mutex> Guard(Lock);
				Job.emplace(Body, Num, BatchSize);
				Busy = static_cast<int32>(Workers.size());
				++Generation;
			}
			Wake.notify_all();
			Work(*Job);
			std::unique_lock<std::mutex> Guard(Lock);
			Done.wait(Guard, [this]
			          { return Busy == 0; });
			Job.reset();
			bInJob = false;
			return true;
		}

	private:
		struct FJob
		{
			FJob(TFunctionRef<void(int32)> InBody, int32 InNum, int32 InBatchSize)
			    : Body(InBody), Num(InNum), BatchSize(InBatchSize)
			{
			}

			TFunctionRef<void(int32)> Body;
			int32 Num;
			int32 BatchSize;
			std::atomic<int32> Next{0};
		};

		FWorkerPool()
		{
			const unsigned Cores = std::thread::hardware_concurrency();
			for (unsigned Worker = 1; Worker < std::max(Cores, 1u); ++Worker)
			{
				Workers.emplace_back([this]
				                     { WorkerLoop(); });
			}
		}

		~FWorkerPool()
		{
			{
				const std::lock_guard<std::mutex> Guard(Lock);
				bStopping = true;
			}
			Wake.notify_all();
			for (std::thread& Worker : Workers)
			{
				Worker.join();
			}
		}

		// Batches are handed out one at a time, so an uneven body still spreads over every thread.
		static void Work(FJob& Current)
		{
			for (int32 First = Current.Next.fetch_add(Current.BatchSize); First < Current.Num; First = Current.Next.fetch_add(Current.BatchSize))
			{
				const int32 Last = std::min(Current.Num, First + Current.BatchSize);
				for (int32 Index = First; Index < Last; ++Index)
				{
					Current.Body(Index);
				}
			}
		}

		void WorkerLoop()
		{
			bInJob = true;
			uint64 Seen = 0;
			std::unique_lock<std::mutex> Guard(Lock);
			for (;;)
			{
				Wake.wait(Guard, [&]
				          { return bStopping || Generation != Seen; });
				if (bStopping)
				{
					return;
				}
				Seen = Generation;
				Guard.unlock();
				Work(*Job);
				Guard.lock();
				if (--Busy == 0)
				{
					Done.notify_one();
				}
			}
		}

		static thread_local bool bInJob;
		std::vector<std::thread> Workers;
		std::mutex RunLock;
		std::mutex Lock;
		std::condition_variable Wake;
		std::condition_variable Done;
		std::optional<FJob> Job;
		uint64 Generation = 0;
		int32 Busy = 0;
		bool bStopping = false;
	};

	thread_local bool FWorkerPool::bInJob = false;
}

void ParallelFor(const TCHAR* /*DebugName*/, int32 Num, int32 MinBatchSize, TFunctionRef<void(int32)> Body, EParallelForFlags Flags)
{
	if (Num <= 0)
	{
		return;
	}
	const int32 Batch = std::max(MinBatchSize, 1);
	const bool bSingle = (Flags & EParallelForFlags::ForceSingleThread) != EParallelForFlags::None || Num <= Batch;
	if (!bSingle)
	{
		FWorkerPool& Pool = FWorkerPool::Get();
		const int32 BatchSize = std::max(Batch, std::min(1024, Num / (Pool.NumThreads() * 8)));
		if (Pool.NumThreads() > 1 && Pool.TryRun(Num, BatchSize, Body))
		{
			return;
		}
	}
	for (int32 Index = 0; Index < Num; ++Index)
	{
		Body(Index);
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
