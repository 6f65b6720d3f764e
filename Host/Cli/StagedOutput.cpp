#include "StagedOutput.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace VelmoraCli
{
	namespace
	{
		// ---------------------------------------------------------------------------------------------
		// Signals: the handler empties and removes every registered staging directory, then lets the
		// signal end the process as it would have without us (status 128 + signal for the shell).
		// Everything it touches is async-signal-safe: lock-free atomics, fixed buffers and system calls.

		constexpr int MaxSlots = 8;

		struct FSlot
		{
			std::atomic<int> State{0}; // 0 free, 1 being filled, 2 registered
			char Path[PATH_MAX] = {};
		};

		FSlot Slots[MaxSlots];
		std::atomic<bool> bHandlersInstalled{false};
		// While staged files are being renamed into place the handler only notes the signal: removing the
		// rest would leave a companion beside an older main file. Commit acts on it once done.
		std::atomic<int> Committing{0};
		std::atomic<int> PendingSignal{0};
		// Interrupts end the command (a reader that went away, `| head -c1`, and a processor-time limit
		// among them); a crash (an abort, a fault) still must not leave staging behind. The mesh importer's
		// child resets each of these, so the handler never runs there.
		constexpr int InterruptSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGALRM, SIGXCPU};
		constexpr int HandledSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGALRM, SIGXCPU, SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL};

		struct FDirent64
		{
			uint64_t Inode;
			int64_t Offset;
			unsigned short RecordLength;
			unsigned char Type;
			char Name[];
		};

		// Async-signal-safe: no directory streams, only the system calls beneath them.
		void EmptyAndRemoveDirectory(const char* Path)
		{
			for (int Pass = 0; Pass < 4; ++Pass)
			{
				const int Directory = open(Path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
				if (Directory < 0)
				{
					return;
				}
				alignas(FDirent64) char Buffer[4096];
				for (long Read; (Read = syscall(SYS_getdents64, Directory, Buffer, sizeof(Buffer))) > 0;)
				{
					for (long At = 0; At < Read;)
					{
						const FDirent64* Entry = reinterpret_cast<const FDirent64*>(Buffer + At);
						const bool bDot = Entry->Name[0] == '.' && (Entry->Name[1] == '\0' || (Entry->Name[1] == '.' && Entry->Name[2] == '\0'));
						if (!bDot)
						{
							unlinkat(Directory, Entry->Name, 0);
						}
						At += Entry->RecordLength;
					}
				}
				close(Directory);
				// A writer on another thread may have added a file meanwhile: look again.
				if (rmdir(Path) == 0 || errno == ENOENT)
				{
					return;
				}
			}
		}

		void RemoveRegisteredDirectories()
		{
			for (FSlot& Slot : Slots)
			{
				if (Slot.State.load() == 2)
				{
					EmptyAndRemoveDirectory(Slot.Path);
				}
			}
		}

		// The dispositions found before ours, restored to let a signal take its usual course.
		struct sigaction PreviousActions[NSIG];

		void EndBySignal(int Signal)
		{
			sigaction(Signal, &PreviousActions[Signal], nullptr);
			raise(Signal);
		}

		bool IsFault(int Signal)
		{
			return Signal == SIGSEGV || Signal == SIGBUS || Signal == SIGFPE || Signal == SIGILL;
		}

		extern "C" void OnTerminatingSignal(int Signal, siginfo_t* Info, void*)
		{
			const int SavedErrno = errno;
			const bool bFault = IsFault(Signal) && Info && Info->si_code > 0;
			if (!bFault && Signal != SIGABRT)
			{
				PendingSignal.store(Signal);
				if (Committing.load() != 0)
				{
					errno = SavedErrno;
					return;
				}
			}
			RemoveRegisteredDirectories();
			if (bFault)
			{
				// Returning runs the faulting instruction again, now under the previous disposition.
				sigaction(Signal, &PreviousActions[Signal], nullptr);
			}
			else
			{
				// Blocked until the handler returns, then it ends the process as it would have.
				EndBySignal(Signal);
			}
			errno = SavedErrno;
		}

		void InstallHandlers()
		{
			if (bHandlersInstalled.exchange(true))
			{
				return;
			}
			// Past a file-size limit a write should fail (EFBIG) and be reported like a full disk, not
			// kill the process.
			signal(SIGXFSZ, SIG_IGN);
			// A stack overflow leaves no stack to run the handler on: give it its own.
			static char AlternateStack[64 * 1024];
			stack_t Stack = {};
			Stack.ss_sp = AlternateStack;
			Stack.ss_size = sizeof(AlternateStack);
			sigaltstack(&Stack, nullptr);

			struct sigaction Action = {};
			Action.sa_sigaction = OnTerminatingSignal;
			Action.sa_flags = SA_RESTART | SA_SIGINFO | SA_ONSTACK;
			sigemptyset(&Action.sa_mask);
			for (const int Signal : InterruptSignals)
			{
				sigaddset(&Action.sa_mask, Signal);
			}
			for (const int Signal : HandledSignals)
			{
				// A signal ignored by whoever started us (nohup) stays ignored.
				if (sigaction(Signal, nullptr, &PreviousActions[Signal]) == 0 && PreviousActions[Signal].sa_handler != SIG_IGN)
				{
					sigaction(Signal, &Action, nullptr);
				}
			}
		}

		// A slot holding Template, for mkdtemp to fill in place: the handler sees the directory from the
		// moment it exists (a template not yet filled names nothing and is passed over). -1 when all
		// slots are taken or the path is too long, and the directory goes unwatched.
		int ReserveSlot(const std::string& Template)
		{
			if (Template.size() >= PATH_MAX)
			{
				return -1;
			}
			InstallHandlers();
			for (int Index = 0; Index < MaxSlots; ++Index)
			{
				int Free = 0;
				if (Slots[Index].State.compare_exchange_strong(Free, 1))
				{
					std::memcpy(Slots[Index].Path, Template.c_str(), Template.size() + 1);
					Slots[Index].State.store(2);
					return Index;
				}
			}
			return -1;
		}

		void UnregisterDirectory(int Slot)
		{
			if (Slot >= 0)
			{
				Slots[Slot].State.store(0);
			}
		}

		// Defers interrupts while it lives; a signal that came meanwhile ends the process when it goes.
		struct FCommitWindow
		{
			FCommitWindow() { Committing.store(1); }
			~FCommitWindow()
			{
				Committing.store(0);
				if (const int Signal = PendingSignal.load())
				{
					RemoveRegisteredDirectories();
					EndBySignal(Signal);
				}
			}
		};

		// ---------------------------------------------------------------------------------------------
		// Targets

		std::string Reason(int Error)
		{
			return std::error_code(Error, std::generic_category()).message();
		}

		const char* DescribeKind(mode_t Mode)
		{
			if (S_ISCHR(Mode))
			{
				return "a character device";
			}
			if (S_ISBLK(Mode))
			{
				return "a block device";
			}
			if (S_ISFIFO(Mode))
			{
				return "a FIFO";
			}
			if (S_ISSOCK(Mode))
			{
				return "a socket";
			}
			return "not a regular file";
		}

		std::string ReadLink(const std::string& Path)
		{
			char Text[PATH_MAX];
			const ssize_t Length = readlink(Path.c_str(), Text, sizeof(Text));
			return Length > 0 ? std::string(Text, static_cast<size_t>(Length)) : std::string();
		}

		// Where writing Path lands and what is there now.
		struct FDestination
		{
			std::string Path;
			bool bExists = false;
			struct stat Info = {};
		};

		// Follows a link at Path to the file it names; refuses anything but a regular file or nothing.
		// Shown is the name messages use.
		bool ResolveDestination(const std::string& Path, const std::string& Shown, FDestination& Out, std::string& OutError)
		{
			const auto Fail = [&](const std::string& Why)
			{
				OutError = "cannot write '" + Shown + "': " + Why;
				return false;
			};
			Out = FDestination();
			Out.Path = Path;
			struct stat Link = {};
			if (lstat(Path.c_str(), &Link) != 0)
			{
				// Nothing there yet (or no directory to hold it, which the caller tells apart).
				return errno == ENOENT || errno == ENOTDIR ? true : Fail(Reason(errno));
			}
			Out.Info = Link;
			if (S_ISLNK(Link.st_mode))
			{
				if (stat(Path.c_str(), &Out.Info) != 0)
				{
					return errno == ENOENT ? Fail("it is a link to '" + ReadLink(Path) + "', which does not exist") : Fail(Reason(errno));
				}
				char* Real = realpath(Path.c_str(), nullptr);
				if (!Real)
				{
					return Fail(Reason(errno));
				}
				Out.Path = Real;
				std::free(Real);
			}
			if (S_ISDIR(Out.Info.st_mode))
			{
				return Fail("it is a directory");
			}
			if (!S_ISREG(Out.Info.st_mode))
			{
				return Fail(std::string("it is ") + DescribeKind(Out.Info.st_mode) + "; only regular files are replaced");
			}
			if (access(Out.Path.c_str(), W_OK) != 0)
			{
				return Fail(Reason(errno));
			}
			Out.bExists = true;
			return true;
		}

		bool CheckDirectory(const fs::path& Directory, const std::string& TargetPath, std::string& OutError)
		{
			std::error_code Error;
			if (fs::exists(Directory, Error) && !fs::is_directory(Directory, Error))
			{
				OutError = "cannot write '" + TargetPath + "': '" + Directory.string() + "' is not a directory";
				return false;
			}
			if (!fs::is_directory(Directory, Error))
			{
				OutError = "cannot write '" + TargetPath + "': directory '" + Directory.string() + "' does not exist";
				return false;
			}
			return true;
		}

		fs::path DirectoryOf(const std::string& Path)
		{
			const fs::path Parent = fs::path(Path).parent_path();
			return Parent.empty() ? fs::path(".") : Parent;
		}

		bool ResolveTarget(const std::string& TargetPath, const std::vector<FInputFile>& Inputs, FDestination& Out, std::string& OutError)
		{
			if (TargetPath.empty() || !fs::path(TargetPath).has_filename())
			{
				OutError = "cannot write '" + TargetPath + "': not a file name";
				return false;
			}
			if (!ResolveDestination(TargetPath, TargetPath, Out, OutError) || !CheckDirectory(DirectoryOf(Out.Path), TargetPath, OutError))
			{
				return false;
			}
			for (const FInputFile& Input : Inputs)
			{
				struct stat Info = {};
				if (Out.bExists && stat(Input.Path.c_str(), &Info) == 0 && Info.st_dev == Out.Info.st_dev && Info.st_ino == Out.Info.st_ino)
				{
					OutError = "cannot write '" + TargetPath + "': it is the same file as the " + Input.Role + " '" + Input.Path + "'";
					return false;
				}
			}
			return true;
		}

		// Forces a staged file to the disk, so a write error the file system reports late (a full quota on
		// a network file system, an I/O error) is seen before the file replaces anything.
		int SyncFile(const std::string& Path)
		{
			const int File = open(Path.c_str(), O_RDONLY | O_CLOEXEC);
			if (File < 0)
			{
				return errno;
			}
			const int Result = fsync(File) == 0 ? 0 : errno;
			close(File);
			return Result == EINVAL || Result == EROFS ? 0 : Result;
		}

		// Replaces From where it is not the start of a longer number: /proc/self/fd/5 is not in .../fd/57.
		void ReplaceAll(std::string& Text, const std::string& From, const std::string& To)
		{
			const bool bEndsInDigit = !From.empty() && From.back() >= '0' && From.back() <= '9';
			for (size_t At = From.empty() ? std::string::npos : Text.find(From); At != std::string::npos;)
			{
				const size_t After = At + From.size();
				if (bEndsInDigit && After < Text.size() && Text[After] >= '0' && Text[After] <= '9')
				{
					At = Text.find(From, At + 1);
					continue;
				}
				Text.replace(At, From.size(), To);
				At = Text.find(From, At + To.size());
			}
		}

		// ---------------------------------------------------------------------------------------------
		// Staging names. `.velmora-XXXXXX` is a staging directory holding LockName; `.velmora-XXXXXX.commit`
		// is an unnamed output linked in for the moment before it is renamed over its target. The X are
		// mkdtemp's letters and digits. Nothing of another shape is ever removed.

		constexpr char StagingPrefix[] = ".velmora-";
		constexpr size_t PrefixLength = sizeof(StagingPrefix) - 1;
		constexpr size_t RandomLength = 6;
		constexpr char CommitSuffix[] = ".commit";
		constexpr size_t CommitSuffixLength = sizeof(CommitSuffix) - 1;
		constexpr char LockName[] = ".velmora-lock";
		// Between a target's stem and the run's letters in the names of its companions: "head.velmora-XXXXXX.bin".
		constexpr char CompanionInfix[] = ".velmora-";
		// An old main file is searched this far for the companions it names.
		constexpr uintmax_t MaxScannedMainBytes = 16u << 20;
		// Written once the lock is held: a lock file without it belongs to a process between creating
		// and locking it, unless it is older than any such moment can last.
		constexpr char LockMark[] = "velmora staging\n";
		constexpr size_t LockMarkLength = sizeof(LockMark) - 1;
		constexpr time_t UnmarkedGraceSeconds = 3600;

		enum class EStagingShape
		{
			None,
			Directory,
			CommitFile,
		};

		bool IsNameLetter(char Letter)
		{
			return (Letter >= 'a' && Letter <= 'z') || (Letter >= 'A' && Letter <= 'Z') || (Letter >= '0' && Letter <= '9');
		}

		EStagingShape ShapeOf(const char* Name)
		{
			const size_t Length = std::strlen(Name);
			if (Length < PrefixLength + RandomLength || std::memcmp(Name, StagingPrefix, PrefixLength) != 0)
			{
				return EStagingShape::None;
			}
			for (size_t At = PrefixLength; At < PrefixLength + RandomLength; ++At)
			{
				if (!IsNameLetter(Name[At]))
				{
					return EStagingShape::None;
				}
			}
			const char* Rest = Name + PrefixLength + RandomLength;
			if (*Rest == '\0')
			{
				return EStagingShape::Directory;
			}
			return std::strcmp(Rest, CommitSuffix) == 0 ? EStagingShape::CommitFile : EStagingShape::None;
		}

		std::string RandomLetters()
		{
			static constexpr char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
			unsigned char Bytes[RandomLength] = {};
			if (getrandom(Bytes, sizeof(Bytes), GRND_NONBLOCK) != static_cast<ssize_t>(sizeof(Bytes)))
			{
				static std::atomic<uint64_t> Counter{0};
				uint64_t Seed = static_cast<uint64_t>(getpid()) * 0x9E3779B97F4A7C15ull ^ static_cast<uint64_t>(time(nullptr)) ^ (Counter.fetch_add(1) << 32);
				for (unsigned char& Byte : Bytes)
				{
					Seed = Seed * 6364136223846793005ull + 1442695040888963407ull;
					Byte = static_cast<unsigned char>(Seed >> 56);
				}
			}
			std::string Text;
			for (const unsigned char Byte : Bytes)
			{
				Text.push_back(Letters[Byte % (sizeof(Letters) - 1)]);
			}
			return Text;
		}

		// The staging of this process, by file: another run's cleanup locks separately and so sees the lock,
		// but locks a network file system emulates may not tell two descriptors of one process apart.
		std::mutex LiveLock;
		std::vector<std::pair<dev_t, ino_t>> LiveStaging;

		void AddLive(const struct stat& Info)
		{
			const std::lock_guard<std::mutex> Guard(LiveLock);
			LiveStaging.emplace_back(Info.st_dev, Info.st_ino);
		}

		void RemoveLive(const struct stat& Info)
		{
			const std::lock_guard<std::mutex> Guard(LiveLock);
			for (size_t Index = 0; Index < LiveStaging.size(); ++Index)
			{
				if (LiveStaging[Index] == std::make_pair(Info.st_dev, Info.st_ino))
				{
					LiveStaging.erase(LiveStaging.begin() + static_cast<std::ptrdiff_t>(Index));
					break;
				}
			}
		}

		bool IsLive(const struct stat& Info)
		{
			const std::lock_guard<std::mutex> Guard(LiveLock);
			for (const std::pair<dev_t, ino_t>& Live : LiveStaging)
			{
				if (Live.first == Info.st_dev && Live.second == Info.st_ino)
				{
					return true;
				}
			}
			return false;
		}

		bool TryLock(int Descriptor)
		{
			int Result;
			while ((Result = flock(Descriptor, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR)
			{
			}
			return Result == 0;
		}

		bool Lock(int Descriptor)
		{
			int Result;
			while ((Result = flock(Descriptor, LOCK_EX)) != 0 && errno == EINTR)
			{
			}
			return Result == 0;
		}

		bool IsOld(const struct stat& Info)
		{
			return time(nullptr) - Info.st_mtime > UnmarkedGraceSeconds;
		}

		bool IsSameFile(const struct stat& A, const struct stat& B)
		{
			return A.st_dev == B.st_dev && A.st_ino == B.st_ino;
		}

		// Opens a file of ours to lock it: for writing where allowed, which a lock over a network needs.
		int OpenToLock(int Directory, const char* Name)
		{
			const int Flags = O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
			const int Descriptor = openat(Directory, Name, O_RDWR | Flags);
			return Descriptor >= 0 || errno != EACCES ? Descriptor : openat(Directory, Name, O_RDONLY | Flags);
		}

		// Removes Name in Directory and all it holds, links not followed. Depth bounds what a writer made.
		void RemoveTreeAt(int Directory, const char* Name, int Depth)
		{
			const int Tree = openat(Directory, Name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
			if (Tree < 0)
			{
				return;
			}
			if (DIR* Stream = fdopendir(dup(Tree)))
			{
				while (const dirent* Entry = readdir(Stream))
				{
					if (std::strcmp(Entry->d_name, ".") == 0 || std::strcmp(Entry->d_name, "..") == 0)
					{
						continue;
					}
					if (unlinkat(Tree, Entry->d_name, 0) != 0 && errno == EISDIR && Depth > 0)
					{
						RemoveTreeAt(Tree, Entry->d_name, Depth - 1);
					}
				}
				closedir(Stream);
			}
			close(Tree);
			unlinkat(Directory, Name, AT_REMOVEDIR);
		}

		void RemoveIfAbandonedDirectory(int Parent, const char* Name, const struct stat& Info)
		{
			const int Directory = openat(Parent, Name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
			if (Directory < 0)
			{
				return;
			}
			const int LockDescriptor = OpenToLock(Directory, LockName);
			if (LockDescriptor < 0)
			{
				// A process dies between making the directory and its lock file only if killed in that
				// instant; once nothing could be starting there any more, only an empty one goes.
				if (errno == ENOENT && IsOld(Info))
				{
					unlinkat(Parent, Name, AT_REMOVEDIR);
				}
				close(Directory);
				return;
			}
			struct stat LockInfo = {};
			struct stat Now = {};
			bool bAbandoned = fstat(LockDescriptor, &LockInfo) == 0 && S_ISREG(LockInfo.st_mode) && LockInfo.st_uid == geteuid() && TryLock(LockDescriptor);
			if (bAbandoned)
			{
				char Mark[LockMarkLength] = {};
				const bool bMarked = pread(LockDescriptor, Mark, LockMarkLength, 0) == static_cast<ssize_t>(LockMarkLength) && std::memcmp(Mark, LockMark, LockMarkLength) == 0;
				// Still the directory that was looked at, not one put in its place since.
				bAbandoned = (bMarked || IsOld(LockInfo)) && fstatat(Parent, Name, &Now, AT_SYMLINK_NOFOLLOW) == 0 && IsSameFile(Now, Info);
			}
			if (bAbandoned)
			{
				RemoveTreeAt(Parent, Name, 8);
			}
			close(LockDescriptor);
			close(Directory);
		}

		void RemoveIfAbandonedCommitFile(int Parent, const char* Name, const struct stat& Info)
		{
			// The unnamed file was locked before it got this name, by the process that lives while it
			// matters.
			const int Descriptor = OpenToLock(Parent, Name);
			if (Descriptor < 0)
			{
				return;
			}
			struct stat Opened = {};
			struct stat Now = {};
			if (fstat(Descriptor, &Opened) == 0 && IsSameFile(Opened, Info) && TryLock(Descriptor) && fstatat(Parent, Name, &Now, AT_SYMLINK_NOFOLLOW) == 0 &&
			    IsSameFile(Now, Info))
			{
				unlinkat(Parent, Name, 0);
			}
			close(Descriptor);
		}

		// The tests force the named staging with this, to try it where unnamed files work.
		bool IsNamedStagingForced()
		{
			const char* Value = std::getenv("VELMORA_TEST_NAMED_STAGING");
			return Value && *Value && std::strcmp(Value, "0") != 0;
		}

		std::string DescriptorPath(int Descriptor)
		{
			return "/proc/self/fd/" + std::to_string(Descriptor);
		}

		// Gives the unnamed file a name; fails with EEXIST where the name is taken.
		int LinkUnnamed(int Descriptor, const std::string& Path)
		{
			if (linkat(AT_FDCWD, DescriptorPath(Descriptor).c_str(), AT_FDCWD, Path.c_str(), AT_SYMLINK_FOLLOW) == 0)
			{
				return 0;
			}
			if (errno != ENOENT)
			{
				return errno;
			}
			// No /proc: the same, where the system lets a process link its own descriptor.
			return linkat(Descriptor, "", AT_FDCWD, Path.c_str(), AT_EMPTY_PATH) == 0 ? 0 : errno;
		}
	}

	FStagedOutput::FStagedOutput(std::string InTargetPath, EStagedName InNaming)
	    : TargetPath(std::move(InTargetPath)), Naming(InNaming)
	{
	}

	FStagedOutput::~FStagedOutput()
	{
		if (bLive)
		{
			RemoveLive(LiveInfo);
		}
		if (File >= 0)
		{
			close(File);
		}
		// Watched until it is gone: a signal meanwhile finishes the removal.
		if (!StagingDirectory.empty())
		{
			std::error_code Ignored;
			fs::remove_all(StagingDirectory, Ignored);
		}
		if (LockFile >= 0)
		{
			close(LockFile);
		}
		UnregisterDirectory(Slot);
	}

	bool FStagedOutput::CheckTarget(const std::string& Target, const std::vector<FInputFile>& Inputs, std::string& OutError)
	{
		FDestination Destination;
		return ResolveTarget(Target, Inputs, Destination, OutError);
	}

	int FStagedOutput::RemoveAbandoned(const std::string& Directory)
	{
		const int Parent = open(Directory.empty() ? "." : Directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
		if (Parent < 0)
		{
			return 0;
		}
		struct FCandidate
		{
			std::string Name;
			EStagingShape Shape;
			struct stat Info;
		};
		std::vector<FCandidate> Candidates;
		if (DIR* Stream = fdopendir(dup(Parent)))
		{
			while (const dirent* Entry = readdir(Stream))
			{
				const EStagingShape Shape = ShapeOf(Entry->d_name);
				struct stat Info = {};
				if (Shape == EStagingShape::None || fstatat(Parent, Entry->d_name, &Info, AT_SYMLINK_NOFOLLOW) != 0 || Info.st_uid != geteuid() || IsLive(Info))
				{
					continue;
				}
				if ((Shape == EStagingShape::Directory && S_ISDIR(Info.st_mode)) || (Shape == EStagingShape::CommitFile && S_ISREG(Info.st_mode)))
				{
					Candidates.push_back({Entry->d_name, Shape, Info});
				}
			}
			closedir(Stream);
		}
		int Removed = 0;
		for (const FCandidate& Candidate : Candidates)
		{
			if (Candidate.Shape == EStagingShape::Directory)
			{
				RemoveIfAbandonedDirectory(Parent, Candidate.Name.c_str(), Candidate.Info);
			}
			else
			{
				RemoveIfAbandonedCommitFile(Parent, Candidate.Name.c_str(), Candidate.Info);
			}
			struct stat Ignored = {};
			Removed += fstatat(Parent, Candidate.Name.c_str(), &Ignored, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT ? 1 : 0;
		}
		close(Parent);
		return Removed;
	}

	namespace
	{
		// The target's stem as its companions are named after it: short enough that
		// "<stem>.velmora-XXXXXX.<extension>" fits the file-name limit, cut where no UTF-8 sequence is split.
		std::string CompanionStem(const std::string& FinalPath)
		{
			const fs::path Final(FinalPath);
			std::string Stem = Final.stem().string();
			const size_t Taken = (sizeof(CompanionInfix) - 1) + RandomLength + std::max<size_t>(Final.extension().string().size(), 16);
			const size_t Room = Taken < NAME_MAX ? NAME_MAX - Taken : 0;
			if (Stem.size() > Room)
			{
				size_t Cut = Room;
				while (Cut > 0 && (static_cast<unsigned char>(Stem[Cut]) & 0xC0) == 0x80)
				{
					--Cut;
				}
				Stem.resize(Cut);
			}
			return Stem;
		}

		// Names of this output's companions of an earlier run that the file at MainPath names:
		// "<Stem>.velmora-XXXXXX.<extension>". Nothing of another shape is ever removed.
		std::vector<std::string> CompanionsNamedIn(const std::string& MainPath, const std::string& Stem)
		{
			std::vector<std::string> Names;
			std::error_code Error;
			const uintmax_t Size = fs::file_size(MainPath, Error);
			std::ifstream File(MainPath, std::ios::binary);
			if (Error || Size > MaxScannedMainBytes || !File)
			{
				return Names;
			}
			const std::string Text((std::istreambuf_iterator<char>(File)), std::istreambuf_iterator<char>());
			const std::string Start = Stem + CompanionInfix;
			for (size_t At = Text.find(Start); At != std::string::npos; At = Text.find(Start, At + 1))
			{
				size_t End = At + Start.size();
				size_t Letters = 0;
				while (End < Text.size() && Letters < RandomLength && IsNameLetter(Text[End]))
				{
					++End;
					++Letters;
				}
				if (Letters != RandomLength || End >= Text.size() || Text[End] != '.')
				{
					continue;
				}
				size_t Extension = ++End;
				while (End < Text.size() && IsNameLetter(Text[End]))
				{
					++End;
				}
				const bool bWholeName = At == 0 || !IsNameLetter(Text[At - 1]);
				if (End > Extension && bWholeName && (End == Text.size() || !IsNameLetter(Text[End])))
				{
					const std::string Name = Text.substr(At, End - At);
					if (std::find(Names.begin(), Names.end(), Name) == Names.end())
					{
						Names.push_back(Name);
					}
				}
			}
			return Names;
		}

		// Held while an output with companions is renamed into place, so two velmora runs writing one
		// target take turns and each removes exactly what the other left. Best effort: where the file
		// system has no locks, the worst left is an unnamed companion.
		struct FDirectoryLock
		{
			int Descriptor = -1;
			explicit FDirectoryLock(const fs::path& Directory)
			    : Descriptor(open(Directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
			{
				if (Descriptor >= 0)
				{
					while (flock(Descriptor, LOCK_EX) != 0 && errno == EINTR)
					{
					}
				}
			}
			~FDirectoryLock()
			{
				if (Descriptor >= 0)
				{
					close(Descriptor);
				}
			}
			FDirectoryLock(const FDirectoryLock&) = delete;
			FDirectoryLock& operator=(const FDirectoryLock&) = delete;
		};
	}

	bool FStagedOutput::Prepare(std::string& OutError, const std::vector<FInputFile>& Inputs)
	{
		FDestination Destination;
		if (!ResolveTarget(TargetPath, Inputs, Destination, OutError))
		{
			return false;
		}
		FinalPath = Destination.Path;
		InstallHandlers();
		const std::string Directory = DirectoryOf(FinalPath).string();
		RemoveAbandoned(Directory);
		// Companions are named after the main file, so only a writer of one file can do without names.
		if (Naming == EStagedName::Short && !IsNamedStagingForced() && PrepareUnnamed(Directory))
		{
			return true;
		}
		return PrepareNamed(Directory, OutError);
	}

	bool FStagedOutput::PrepareUnnamed(const std::string& Directory)
	{
		// Not supported everywhere (EOPNOTSUPP, EISDIR, EINVAL: older tmpfs, network file systems); the
		// named staging then reports what is really wrong, if anything.
		const int Descriptor = open(Directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
		if (Descriptor < 0)
		{
			return false;
		}
		// The writers open the file by name: it must be reachable through /proc, and writable by name
		// (not so under a umask that takes the owner's write bit).
		const std::string Path = DescriptorPath(Descriptor);
		const int Probe = open(Path.c_str(), O_WRONLY | O_CLOEXEC);
		if (Probe < 0)
		{
			close(Descriptor);
			return false;
		}
		close(Probe);
		// Locked before it can have a name, so the name it has for a moment at Commit is never taken for
		// an abandoned one while this process lives.
		TryLock(Descriptor);
		bLive = fstat(Descriptor, &LiveInfo) == 0;
		if (bLive)
		{
			AddLive(LiveInfo);
		}
		File = Descriptor;
		StagingPath = Path;
		return true;
	}

	bool FStagedOutput::PrepareNamed(const std::string& Directory, std::string& OutError)
	{
		// Short, so the target's name may use the whole file-name limit.
		std::string Template = (fs::path(Directory) / (std::string(StagingPrefix) + "XXXXXX")).string();
		Slot = ReserveSlot(Template);
		if (!mkdtemp(Slot >= 0 ? Slots[Slot].Path : Template.data()))
		{
			const int Error = errno;
			UnregisterDirectory(Slot);
			Slot = -1;
			OutError = "cannot write '" + TargetPath + "': " + Reason(Error);
			return false;
		}
		StagingDirectory = Slot >= 0 ? std::string(Slots[Slot].Path) : Template;
		const std::string LockPath = (fs::path(StagingDirectory) / LockName).string();
		LockFile = open(LockPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
		if (LockFile < 0)
		{
			OutError = "cannot write '" + TargetPath + "': " + Reason(errno);
			return false;
		}
		// A run cleaning up meanwhile holds the lock only while it looks at the unmarked file. Where the
		// file system has no locks, no run can take this for abandoned either.
		if (Lock(LockFile) && pwrite(LockFile, LockMark, LockMarkLength, 0) != static_cast<ssize_t>(LockMarkLength))
		{
			OutError = "cannot write '" + TargetPath + "': " + Reason(errno);
			return false;
		}
		bLive = stat(StagingDirectory.c_str(), &LiveInfo) == 0;
		if (bLive)
		{
			AddLive(LiveInfo);
		}
		std::string Name = "staged";
		if (Naming == EStagedName::Target)
		{
			// A writer names companions (a glTF's .bin) after the file it is given, and the file names
			// them: under this run's letters, the target never points at another run's companions.
			Name = CompanionStem(FinalPath) + CompanionInfix + StagingDirectory.substr(StagingDirectory.size() - RandomLength) +
			       fs::path(FinalPath).extension().string();
		}
		StagingPath = (fs::path(StagingDirectory) / Name).string();
		return true;
	}

	std::string FStagedOutput::NameTarget(std::string Message) const
	{
		if (File >= 0)
		{
			ReplaceAll(Message, StagingPath, TargetPath);
		}
		else if (!StagingDirectory.empty())
		{
			ReplaceAll(Message, StagingPath, TargetPath);
			ReplaceAll(Message, StagingDirectory, DirectoryOf(TargetPath).string());
		}
		return Message;
	}

	bool FStagedOutput::Commit(std::string& OutError)
	{
		return File >= 0 ? CommitUnnamed(OutError) : CommitNamed(OutError);
	}

	bool FStagedOutput::CommitUnnamed(std::string& OutError)
	{
		struct stat Written = {};
		if (fstat(File, &Written) != 0 || Written.st_size == 0)
		{
			OutError = "cannot write '" + TargetPath + "': nothing was written";
			return false;
		}
		FDestination To;
		// Checked again: the target may have changed while the output was made.
		if (!ResolveDestination(TargetPath, TargetPath, To, OutError))
		{
			return false;
		}
		if (fsync(File) != 0 && errno != EINVAL && errno != EROFS)
		{
			OutError = "cannot write '" + TargetPath + "': " + Reason(errno);
			return false;
		}
		if (To.bExists)
		{
			// A replaced file keeps its permissions (and, for root, its owner; chown first, as it clears
			// the set-id bits).
			if (geteuid() == 0)
			{
				[[maybe_unused]] const int Ignored = fchown(File, To.Info.st_uid, To.Info.st_gid);
			}
			fchmod(File, To.Info.st_mode & 07777);
		}
		const FCommitWindow Window;
		if (!To.bExists)
		{
			// A new target needs no second name; if one appeared meanwhile, it is replaced as any.
			const int Error = LinkUnnamed(File, To.Path);
			if (Error == 0)
			{
				return true;
			}
			if (Error != EEXIST)
			{
				OutError = "cannot write '" + TargetPath + "': " + Reason(Error);
				return false;
			}
		}
		// rename replaces atomically, and only a name can be renamed.
		const fs::path Directory = DirectoryOf(To.Path);
		for (int Attempt = 0; Attempt < 100; ++Attempt)
		{
			const std::string Temporary = (Directory / (StagingPrefix + RandomLetters() + CommitSuffix)).string();
			const int Error = LinkUnnamed(File, Temporary);
			if (Error == EEXIST)
			{
				continue;
			}
			if (Error != 0)
			{
				OutError = "cannot write '" + TargetPath + "': " + Reason(Error);
				return false;
			}
			if (std::rename(Temporary.c_str(), To.Path.c_str()) != 0)
			{
				const int RenameError = errno;
				unlink(Temporary.c_str());
				OutError = "cannot write '" + TargetPath + "': " + Reason(RenameError);
				return false;
			}
			return true;
		}
		OutError = "cannot write '" + TargetPath + "': " + Reason(EEXIST);
		return false;
	}

	bool FStagedOutput::CommitNamed(std::string& OutError)
	{
		std::error_code Error;
		if (StagingDirectory.empty() || !fs::is_regular_file(StagingPath, Error))
		{
			OutError = "cannot write '" + TargetPath + "': nothing was written";
			return false;
		}
		struct FMove
		{
			std::string From;
			FDestination To;
		};
		// The main file goes last, so it only appears once its companions are in place.
		std::vector<FMove> Moves;
		const fs::path Directory = DirectoryOf(FinalPath);
		for (const fs::directory_entry& Entry : fs::directory_iterator(StagingDirectory, Error))
		{
			if (Entry.path() != fs::path(StagingPath) && Entry.path().filename() != LockName)
			{
				const std::string To = (Directory / Entry.path().filename()).string();
				const std::string Shown = (DirectoryOf(TargetPath) / Entry.path().filename()).string();
				FMove Move{Entry.path().string(), {}};
				if (!ResolveDestination(To, Shown, Move.To, OutError))
				{
					return false;
				}
				Moves.push_back(std::move(Move));
			}
		}
		if (Error)
		{
			OutError = "cannot write '" + TargetPath + "': " + Error.message();
			return false;
		}
		FMove Main{StagingPath, {}};
		// Checked again: the target may have changed while the output was made.
		if (!ResolveDestination(TargetPath, TargetPath, Main.To, OutError))
		{
			return false;
		}
		Moves.push_back(std::move(Main));

		for (const FMove& Move : Moves)
		{
			if (const int SyncError = SyncFile(Move.From))
			{
				OutError = "cannot write '" + NameTarget(Move.From) + "': " + Reason(SyncError);
				return false;
			}
			if (Move.To.bExists)
			{
				// A replaced file keeps its permissions (and, for root, its owner; chown first, as it
				// clears the set-id bits).
				if (geteuid() == 0)
				{
					[[maybe_unused]] const int Ignored = chown(Move.From.c_str(), Move.To.Info.st_uid, Move.To.Info.st_gid);
				}
				chmod(Move.From.c_str(), Move.To.Info.st_mode & 07777);
			}
		}
		std::optional<FDirectoryLock> DirectoryLock;
		std::vector<std::string> OldCompanions;
		if (Naming == EStagedName::Target)
		{
			DirectoryLock.emplace(Directory);
			// Read under the lock, just before the main file is replaced: what it names goes once the new one is in.
			OldCompanions = CompanionsNamedIn(Moves.back().To.Path, CompanionStem(FinalPath));
		}
		const FCommitWindow Window;
		for (const FMove& Move : Moves)
		{
			if (std::rename(Move.From.c_str(), Move.To.Path.c_str()) != 0)
			{
				OutError = "cannot write '" + NameTarget(Move.From) + "': " + Reason(errno);
				return false;
			}
		}
		for (const std::string& Name : OldCompanions)
		{
			const bool bJustWritten = std::any_of(Moves.begin(), Moves.end(), [&](const FMove& Move)
			                                      { return fs::path(Move.To.Path).filename() == Name; });
			struct stat Info = {};
			const std::string Path = (Directory / Name).string();
			if (!bJustWritten && lstat(Path.c_str(), &Info) == 0 && S_ISREG(Info.st_mode))
			{
				unlink(Path.c_str());
			}
		}
		return true;
	}
}
