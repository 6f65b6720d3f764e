#include "StagedOutput.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <system_error>
#include <unistd.h>

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
		// Interrupts end the command; a crash (an abort, a fault) still must not leave staging behind.
		constexpr int InterruptSignals[] = {SIGINT, SIGTERM, SIGHUP};
		constexpr int HandledSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL};

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

		void ReplaceAll(std::string& Text, const std::string& From, const std::string& To)
		{
			for (size_t At = From.empty() ? std::string::npos : Text.find(From); At != std::string::npos; At = Text.find(From, At + To.size()))
			{
				Text.replace(At, From.size(), To);
			}
		}
	}

	FStagedOutput::FStagedOutput(std::string InTargetPath, EStagedName InNaming)
	    : TargetPath(std::move(InTargetPath)), Naming(InNaming)
	{
	}

	FStagedOutput::~FStagedOutput()
	{
		// Watched until it is gone: a signal meanwhile finishes the removal.
		if (!StagingDirectory.empty())
		{
			std::error_code Ignored;
			fs::remove_all(StagingDirectory, Ignored);
		}
		UnregisterDirectory(Slot);
	}

	bool FStagedOutput::CheckTarget(const std::string& Target, const std::vector<FInputFile>& Inputs, std::string& OutError)
	{
		FDestination Destination;
		return ResolveTarget(Target, Inputs, Destination, OutError);
	}

	bool FStagedOutput::Prepare(std::string& OutError, const std::vector<FInputFile>& Inputs)
	{
		FDestination Destination;
		if (!ResolveTarget(TargetPath, Inputs, Destination, OutError))
		{
			return false;
		}
		FinalPath = Destination.Path;
		// Short, so the target's name may use the whole file-name limit.
		std::string Template = (DirectoryOf(FinalPath) / ".velmora-XXXXXX").string();
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
		const std::string Name = Naming == EStagedName::Short ? std::string("staged") : fs::path(FinalPath).filename().string();
		StagingPath = (fs::path(StagingDirectory) / Name).string();
		return true;
	}

	std::string FStagedOutput::NameTarget(std::string Message) const
	{
		if (!StagingDirectory.empty())
		{
			ReplaceAll(Message, StagingPath, TargetPath);
			ReplaceAll(Message, StagingDirectory, DirectoryOf(TargetPath).string());
		}
		return Message;
	}

	bool FStagedOutput::Commit(std::string& OutError)
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
			if (Entry.path() != fs::path(StagingPath))
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
		const FCommitWindow Window;
		for (const FMove& Move : Moves)
		{
			if (std::rename(Move.From.c_str(), Move.To.Path.c_str()) != 0)
			{
				OutError = "cannot write '" + NameTarget(Move.From) + "': " + Reason(errno);
				return false;
			}
		}
		return true;
	}
}
