#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace VelmoraTest
{
	// Runs Case(0) .. Case(Count - 1) in child processes, one after another in the same child until one
	// ends it (a signal, an abort, an exit), then on in a new child from the next case. Returns the cases
	// that ended their child or returned false, in order. A fork per crash, not per case, keeps a sweep
	// of thousands of cases to a second or two. Endings, when given, gets for each of them how it failed
	// ("false", "exit 1", "signal 11"): a sanitizer that halts on a report exits, and its report goes to
	// a stderr the cases may have silenced.
	inline std::vector<size_t> FailingCasesInChildren(size_t Count, const std::function<bool(size_t)>& Case, std::vector<std::string>* Endings = nullptr)
	{
		struct FShared
		{
			size_t Current;
		};
		// One byte per case: 0 not run, 1 passed, 2 failed; and the case running now.
		const size_t Bytes = sizeof(FShared) + Count;
		void* const Map = mmap(nullptr, Bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
		if (Map == MAP_FAILED)
		{
			std::vector<size_t> All(Count);
			for (size_t I = 0; I < Count; ++I)
			{
				All[I] = I;
			}
			return All;
		}
		FShared* const Shared = static_cast<FShared*>(Map);
		uint8_t* const Results = reinterpret_cast<uint8_t*>(Shared + 1);
		std::vector<std::pair<size_t, std::string>> Ended;
		size_t Next = 0;
		while (Next < Count)
		{
			Shared->Current = Next;
			const pid_t Child = fork();
			if (Child == 0)
			{
				for (size_t I = Next; I < Count; ++I)
				{
					Shared->Current = I;
					Results[I] = Case(I) ? 1 : 2;
				}
				_exit(0);
			}
			int Status = 0;
			waitpid(Child, &Status, 0);
			if (WIFEXITED(Status) && WEXITSTATUS(Status) == 0)
			{
				break;
			}
			Results[Shared->Current] = 2;
			Ended.emplace_back(Shared->Current, WIFSIGNALED(Status) ? "signal " + std::to_string(WTERMSIG(Status)) : "exit " + std::to_string(WEXITSTATUS(Status)));
			Next = Shared->Current + 1;
		}
		std::vector<size_t> Failing;
		for (size_t I = 0; I < Count; ++I)
		{
			if (Results[I] != 1)
			{
				Failing.push_back(I);
				if (Endings)
				{
					const auto It = std::find_if(Ended.begin(), Ended.end(), [I](const std::pair<size_t, std::string>& End)
					                             { return End.first == I; });
					Endings->push_back(It != Ended.end() ? It->second : Results[I] == 2 ? "false"
					                                                                    : "not run");
				}
			}
		}
		munmap(Map, Bytes);
		return Failing;
	}
}
