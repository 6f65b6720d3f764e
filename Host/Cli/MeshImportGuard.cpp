#include "MeshImportGuard.h"

#include "Options.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <optional>
#include <poll.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace VelmoraCli
{
	namespace
	{
		using FClock = std::chrono::steady_clock;

		enum class EOutcome : uint32_t
		{
			Loaded,
			Failed,
			OutOfMemory,
		};

		// What the child writes on the pipe, followed by the reason's bytes, the positions, the indices and
		// the names of the files read, each ended by a zero byte.
		struct FReplyHeader
		{
			uint32_t Magic;
			EOutcome Outcome;
			uint32_t bFlag;
			uint32_t ReasonLength;
			uint64_t NumPositions;
			uint64_t NumIndices;
			uint64_t FileNamesLength;
		};
		constexpr uint32_t ReplyMagic = 0x766d6932;
		constexpr uint32_t MaxReasonLength = 64 * 1024;
		// Some thousands of full-length paths.
		constexpr uint64_t MaxFileNamesLength = 16 << 20;
		constexpr uint64_t GuardBytes = 1 << 20;

		bool WriteAll(int Fd, const void* Data, size_t Size)
		{
			const char* Bytes = static_cast<const char*>(Data);
			while (Size > 0)
			{
				const ssize_t Written = write(Fd, Bytes, Size);
				if (Written < 0)
				{
					if (errno == EINTR)
					{
						continue;
					}
					return false;
				}
				Bytes += Written;
				Size -= static_cast<size_t>(Written);
			}
			return true;
		}

		// Pages of address space the process holds now, in bytes.
		uint64_t AddressSpaceInUse()
		{
			unsigned long long Pages = 0;
			if (FILE* Statm = std::fopen("/proc/self/statm", "r"))
			{
				if (std::fscanf(Statm, "%llu", &Pages) != 1)
				{
					Pages = 0;
				}
				std::fclose(Statm);
			}
			return static_cast<uint64_t>(Pages) * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
		}

		// Lowers (or raises, up to the hard limit) a soft limit; a hard limit already lower wins.
		void SetSoftLimit(int Resource, uint64_t Value)
		{
			rlimit Limit{};
			if (getrlimit(Resource, &Limit) != 0)
			{
				return;
			}
			Limit.rlim_cur = Limit.rlim_max == RLIM_INFINITY ? static_cast<rlim_t>(Value) : std::min<rlim_t>(static_cast<rlim_t>(Value), Limit.rlim_max);
			setrlimit(Resource, &Limit);
		}

		void LiftSoftLimit(int Resource)
		{
			rlimit Limit{};
			if (getrlimit(Resource, &Limit) == 0)
			{
				Limit.rlim_cur = Limit.rlim_max;
				setrlimit(Resource, &Limit);
			}
		}

		uint64_t MegabytesToBytes(uint64_t MB)
		{
			return MB > (UINT64_MAX >> 21) ? (UINT64_MAX >> 1) : MB << 20;
		}

		struct FChildWork
		{
			const std::string& Path;
			const FMeshImport& Import;
			Host::FMeshData Mesh;
			bool bFlag = false;
			std::vector<std::string> FilesRead;
			std::string Reason;
			EOutcome Outcome = EOutcome::Failed;

			void Run()
			{
				try
				{
					Outcome = Import(Mesh, bFlag, FilesRead, Reason) ? EOutcome::Loaded : EOutcome::Failed;
					// The importer turns its own allocation failures into an error text.
					if (Outcome == EOutcome::Failed && Reason.ends_with(": std::bad_alloc"))
					{
						Outcome = EOutcome::OutOfMemory;
					}
				}
				catch (const std::bad_alloc&)
				{
					Outcome = EOutcome::OutOfMemory;
				}
				catch (const std::exception& Error)
				{
					LiftSoftLimit(RLIMIT_AS);
					Outcome = EOutcome::Failed;
					Reason = "cannot read mesh '" + Path + "': " + Error.what();
				}
				if (Outcome == EOutcome::OutOfMemory)
				{
					// Room for what is left to do: the reason and the reply.
					LiftSoftLimit(RLIMIT_AS);
					Mesh = Host::FMeshData();
					Reason.clear();
				}
			}
		};

		// In the child, under a time limit scaled with the file's size: the size it was scaled for.
		std::optional<uint64_t> GScaledForBytes;

		[[noreturn]] void RunChild(int Fd, pid_t Parent, const std::string& Path, const FMeshImportLimits& Limits, std::optional<uint64_t> ScaledForBytes,
		                           const FMeshImport& Import)
		{
			// Handlers inherited from the command must never run here: a cleanup handler would remove the
			// command's own files, a crash handler would report the importer's crash as the command's. The
			// child also goes when the command does.
			for (const int Signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGSEGV, SIGBUS, SIGABRT, SIGILL, SIGFPE, SIGTRAP, SIGALRM, SIGXCPU})
			{
				std::signal(Signal, SIG_DFL);
			}
			prctl(PR_SET_PDEATHSIG, SIGKILL);
			if (getppid() != Parent)
			{
				_exit(1);
			}
			// The pipe is the child's only say: whatever the importer (or a sanitizer) prints would break the
			// command's one-line errors.
			const int Null = open("/dev/null", O_WRONLY | O_CLOEXEC);
			if (Null >= 0)
			{
				dup2(Null, STDOUT_FILENO);
				dup2(Null, STDERR_FILENO);
				close(Null);
			}
			// A crash in the importer leaves no core file behind.
			SetSoftLimit(RLIMIT_CORE, 0);
			rlimit Cpu{};
			if (getrlimit(RLIMIT_CPU, &Cpu) == 0)
			{
				const rlim_t Seconds = static_cast<rlim_t>(std::max<uint64_t>(Limits.TimeSeconds, 1));
				Cpu.rlim_cur = Cpu.rlim_max == RLIM_INFINITY ? Seconds : std::min(Seconds, Cpu.rlim_max);
				// SIGXCPU at the soft limit; should anything catch it, SIGKILL two seconds on. A scaled limit
				// may still grow to the default's most (AllowImportTimeFor).
				const rlim_t Highest = ScaledForBytes ? std::max<rlim_t>(Cpu.rlim_cur, MaxDefaultImportSeconds) : Cpu.rlim_cur;
				Cpu.rlim_max = Cpu.rlim_max == RLIM_INFINITY ? Highest + 2 : std::min(Highest + 2, Cpu.rlim_max);
				setrlimit(RLIMIT_CPU, &Cpu);
			}
			GScaledForBytes = ScaledForBytes;
			FChildWork Work{Path, Import, {}, false, {}, {}, EOutcome::Failed};
			const uint64_t StackBytes = MegabytesToBytes(std::max<uint64_t>(Limits.StackMB, 1));
			SetSoftLimit(RLIMIT_AS, AddressSpaceInUse() + StackBytes + GuardBytes + MegabytesToBytes(Limits.MemoryMB));

			// The import runs on a thread of its own so its stack is what the limits say, whatever thread
			// called us.
			pthread_attr_t Attributes;
			pthread_attr_init(&Attributes);
			pthread_attr_setstacksize(&Attributes, static_cast<size_t>(StackBytes));
			// A wide guard, so a large frame past the end of the stack faults rather than lands elsewhere.
			pthread_attr_setguardsize(&Attributes, GuardBytes);
			pthread_t Thread;
			const auto Entry = [](void* Argument) -> void*
			{
				static_cast<FChildWork*>(Argument)->Run();
				return nullptr;
			};
			if (pthread_create(&Thread, &Attributes, Entry, &Work) == 0)
			{
				pthread_join(Thread, nullptr);
			}
			else
			{
				Work.Outcome = EOutcome::OutOfMemory;
			}

			FReplyHeader Header{};
			Header.Magic = ReplyMagic;
			Header.Outcome = Work.Outcome;
			Header.bFlag = Work.bFlag ? 1 : 0;
			if (Work.Reason.size() > MaxReasonLength)
			{
				Work.Reason.resize(MaxReasonLength);
			}
			Header.ReasonLength = static_cast<uint32_t>(Work.Reason.size());
			if (Work.Outcome == EOutcome::Loaded)
			{
				Header.NumPositions = static_cast<uint64_t>(Work.Mesh.Positions.Num());
				Header.NumIndices = static_cast<uint64_t>(Work.Mesh.Indices.Num());
			}
			std::string FileNames;
			for (const std::string& Name : Work.FilesRead)
			{
				if (Name.find('\0') == std::string::npos && FileNames.size() + Name.size() < MaxFileNamesLength)
				{
					FileNames.append(Name).push_back('\0');
				}
			}
			Header.FileNamesLength = FileNames.size();
			const bool bWritten = WriteAll(Fd, &Header, sizeof(Header)) && WriteAll(Fd, Work.Reason.data(), Work.Reason.size()) &&
			                      WriteAll(Fd, Work.Mesh.Positions.GetData(), Header.NumPositions * sizeof(FVector3f)) &&
			                      WriteAll(Fd, Work.Mesh.Indices.GetData(), Header.NumIndices * sizeof(uint32)) && WriteAll(Fd, FileNames.data(), FileNames.size());
			// No destructors, no exit handlers, no flushing of the command's buffered output.
			_exit(bWritten ? 0 : 1);
		}

		// Reads from the child until Size bytes came, the pipe ends or the deadline passes.
		struct FReplyReader
		{
			int Fd;
			FClock::time_point Deadline;
			bool bTimedOut = false;

			bool Read(void* Data, size_t Size)
			{
				char* Bytes = static_cast<char*>(Data);
				while (Size > 0)
				{
					const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - FClock::now()).count();
					if (Left <= 0)
					{
						bTimedOut = true;
						return false;
					}
					pollfd Poll{Fd, POLLIN, 0};
					const int Ready = poll(&Poll, 1, static_cast<int>(std::min<long long>(Left, INT_MAX)));
					if (Ready <= 0)
					{
						if (Ready < 0 && errno != EINTR)
						{
							return false;
						}
						continue;
					}
					const ssize_t Got = read(Fd, Bytes, std::min<size_t>(Size, 1 << 20));
					if (Got < 0)
					{
						if (errno == EINTR || errno == EAGAIN)
						{
							continue;
						}
						return false;
					}
					if (Got == 0)
					{
						return false;
					}
					Bytes += Got;
					Size -= static_cast<size_t>(Got);
				}
				return true;
			}
		};

		std::string DescribeSignal(int Signal)
		{
			const char* Name = sigabbrev_np(Signal);
			return "signal " + std::to_string(Signal) + (Name ? std::string(", SIG") + Name : std::string());
		}
	}

	uint64_t ImportTimeFor(uint64_t FileBytes)
	{
		constexpr uint64_t BaseSeconds = 5;
		constexpr uint64_t SecondsPerMB = 2;
		const uint64_t Megabytes = (FileBytes >> 20) + ((FileBytes & ((1 << 20) - 1)) != 0);
		return Megabytes >= MaxDefaultImportSeconds ? MaxDefaultImportSeconds : std::min(BaseSeconds + SecondsPerMB * Megabytes, MaxDefaultImportSeconds);
	}

	bool RunGuardedImport(const std::string& Path, const FMeshImportLimits& GivenLimits, const FMeshImport& Import, Host::FMeshData& OutMesh, bool& bOutFlag,
	                      std::string& OutError, const std::function<void()>& WhileImporting, std::vector<std::string>* OutFilesRead,
	                      std::string* OutText)
	{
		const auto Fail = [&](const std::string& Why)
		{
			OutError = "cannot read mesh '" + Path + "': " + Why;
			return false;
		};
		FMeshImportLimits Limits = GivenLimits;
		const bool bScaledTime = Limits.TimeSeconds == 0;
		uint64_t FileBytes = 0;
		if (bScaledTime)
		{
			// A file that cannot be looked at gets the most; the import then says what is wrong with it.
			struct stat Status = {};
			FileBytes = stat(Path.c_str(), &Status) == 0 ? static_cast<uint64_t>(Status.st_size) : UINT64_MAX;
			Limits.TimeSeconds = ImportTimeFor(FileBytes);
		}
		// A scaled limit may have grown in the child: the processor time it took says by how much.
		const auto TimeHint = [&](double CpuSeconds)
		{
			const uint64_t Shown = bScaledTime ? std::max<uint64_t>(Limits.TimeSeconds, static_cast<uint64_t>(CpuSeconds)) : Limits.TimeSeconds;
			return "took too long (more than " + std::to_string(Shown) + " s" + (bScaledTime ? " for a file of its size" : "") + "; see --mesh-time-limit)";
		};

		int Fds[2];
		if (pipe2(Fds, O_CLOEXEC) != 0)
		{
			return Fail(std::string("cannot start the importer: ") + std::strerror(errno));
		}
		const pid_t Parent = getpid();
		const pid_t Child = fork();
		if (Child < 0)
		{
			const int Error = errno;
			close(Fds[0]);
			close(Fds[1]);
			return Fail(std::string("cannot start the importer: ") + std::strerror(Error));
		}
		if (Child == 0)
		{
			close(Fds[0]);
			RunChild(Fds[1], Parent, Path, Limits, bScaledTime ? std::optional<uint64_t>(FileBytes) : std::nullopt, Import);
		}
		close(Fds[1]);
		if (WhileImporting)
		{
			WhileImporting();
		}

		// Processor time is the real limit; the wall clock only catches a child that waits on something.
		const uint64_t Seconds = std::min<uint64_t>(Limits.TimeSeconds, 1000000);
		const uint64_t MostSeconds = bScaledTime ? std::max(Seconds, MaxDefaultImportSeconds) : Seconds;
		FReplyReader Reader{Fds[0], FClock::now() + std::chrono::seconds(2 * MostSeconds + 10)};
		FReplyHeader Header{};
		std::string Reason;
		Host::FMeshData Mesh;
		std::string FileNames;
		bool bComplete = false;
		if (Reader.Read(&Header, sizeof(Header)) && Header.Magic == ReplyMagic && Header.ReasonLength <= MaxReasonLength &&
		    Header.FileNamesLength <= MaxFileNamesLength)
		{
			Reason.resize(Header.ReasonLength);
			if (Reader.Read(Reason.data(), Reason.size()))
			{
				if (Header.Outcome != EOutcome::Loaded)
				{
					bComplete = true;
				}
				else if (Header.NumPositions <= static_cast<uint64_t>(INT32_MAX) && Header.NumIndices <= static_cast<uint64_t>(INT32_MAX))
				{
					Mesh.Positions.SetNumUninitialized(static_cast<int32>(Header.NumPositions));
					Mesh.Indices.SetNumUninitialized(static_cast<int32>(Header.NumIndices));
					bComplete = Reader.Read(Mesh.Positions.GetData(), Header.NumPositions * sizeof(FVector3f)) &&
					            Reader.Read(Mesh.Indices.GetData(), Header.NumIndices * sizeof(uint32));
				}
				FileNames.resize(Header.FileNamesLength);
				bComplete = bComplete && Reader.Read(FileNames.data(), FileNames.size()) && (FileNames.empty() || FileNames.back() == '\0');
			}
		}
		close(Fds[0]);
		if (!bComplete)
		{
			// Still running (out of time, or its reply made no sense) or already gone: either way, gone now.
			kill(Child, SIGKILL);
		}
		int Status = 0;
		rusage Usage{};
		while (wait4(Child, &Status, 0, &Usage) < 0)
		{
			if (errno != EINTR)
			{
				return Fail(std::string("lost the importer: ") + std::strerror(errno));
			}
		}

		const double CpuSeconds = static_cast<double>(Usage.ru_utime.tv_sec + Usage.ru_stime.tv_sec) +
		                          1e-6 * static_cast<double>(Usage.ru_utime.tv_usec + Usage.ru_stime.tv_usec);
		if (Reader.bTimedOut)
		{
			return Fail(TimeHint(CpuSeconds));
		}
		if (bComplete && OutFilesRead)
		{
			OutFilesRead->clear();
			for (size_t First = 0; First < FileNames.size();)
			{
				const size_t End = FileNames.find('\0', First);
				OutFilesRead->push_back(FileNames.substr(First, End - First));
				First = End + 1;
			}
		}
		if (bComplete && WIFEXITED(Status) && WEXITSTATUS(Status) == 0)
		{
			switch (Header.Outcome)
			{
				case EOutcome::Loaded:
					OutMesh = std::move(Mesh);
					bOutFlag = Header.bFlag != 0;
					if (OutText)
					{
						*OutText = std::move(Reason);
					}
					return true;
				case EOutcome::OutOfMemory:
					return Fail("ran out of memory (more than " + std::to_string(Limits.MemoryMB) + " MB; see --mesh-memory-limit)");
				default:
					OutError = Reason.empty() ? "cannot read mesh '" + Path + "'" : Reason;
					return false;
			}
		}
		if (WIFSIGNALED(Status))
		{
			const int Signal = WTERMSIG(Status);
			if (Signal == SIGXCPU || (Signal == SIGKILL && CpuSeconds >= static_cast<double>(Seconds)))
			{
				return Fail(TimeHint(CpuSeconds));
			}
			return Fail("the importer crashed (" + DescribeSignal(Signal) + ")");
		}
		return Fail("the importer ended without a result (exit status " + std::to_string(WIFEXITED(Status) ? WEXITSTATUS(Status) : -1) + ")");
	}

	void AllowImportTimeFor(uint64_t MoreBytes)
	{
		rlimit Cpu{};
		if (!GScaledForBytes || getrlimit(RLIMIT_CPU, &Cpu) != 0)
		{
			return;
		}
		const uint64_t Bytes = *GScaledForBytes > UINT64_MAX - MoreBytes ? UINT64_MAX : *GScaledForBytes + MoreBytes;
		const rlim_t Seconds = static_cast<rlim_t>(ImportTimeFor(Bytes));
		if (Seconds > Cpu.rlim_cur)
		{
			Cpu.rlim_cur = std::min(Seconds, Cpu.rlim_max);
			setrlimit(RLIMIT_CPU, &Cpu);
		}
	}

	uint64_t TriangleLimitFor(const FMeshImportLimits& Limits, uint64_t StoredTriangles)
	{
		return Limits.MaxTriangles > 0 ? Limits.MaxTriangles : std::max(DefaultMaxTriangles, StoredTriangles);
	}
}
