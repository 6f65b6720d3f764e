// What the commands do to the file system when things go wrong: failed writes, targets that are not
// plain files or are the inputs, links, odd names, interrupts. Each run is a child process, so limits
// and signals reach only it.
#include "CliTestUtils.h"
#include "Options.h"
#include "Picture.h"
#include "StagedOutput.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <limits>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace CliTest;

namespace
{
	struct FOutcome
	{
		int ExitCode = -1;
		// The signal that ended the run, 0 when it exited.
		int Signal = 0;
		std::string Stdout;
		std::string Stderr;
	};

	struct FChild
	{
		pid_t Pid = -1;
		fs::path Streams;
	};

	// How a child runs beyond its arguments.
	struct FRunSetup
	{
		rlim_t FileSizeLimit = RLIM_INFINITY;
		// Outputs staged in named directories even where unnamed files work.
		bool bNamedStaging = false;
		// stdout and stderr go to a pipe nobody reads any more.
		bool bClosedPipe = false;
	};

	// Starts velmora in Dir with Args as they are (no shell: any byte may appear), its stdout and stderr
	// going to files outside Dir. SIGXFSZ keeps its default action: the command itself must turn a write
	// past the file-size limit into a failed write (EFBIG), as on a full disk.
	FChild StartVelmora(const std::vector<std::string>& Args, const fs::path& Dir, const FRunSetup& Setup)
	{
		FChild Child;
		Child.Streams = VelmoraTest::MakeTempDir("child-streams");
		const std::string Out = (Child.Streams / "out").string(), Err = (Child.Streams / "err").string();
		std::vector<char*> Argv = {const_cast<char*>(VELMORA_CLI_PATH)};
		for (const std::string& Arg : Args)
		{
			Argv.push_back(const_cast<char*>(Arg.c_str()));
		}
		Argv.push_back(nullptr);
		int Pipe[2] = {-1, -1};
		if (Setup.bClosedPipe && pipe(Pipe) != 0)
		{
			ADD_FAILURE() << "no pipe";
			return Child;
		}
		Child.Pid = fork();
		if (Child.Pid == 0)
		{
			const rlimit Limit = {Setup.FileSizeLimit, Setup.FileSizeLimit};
			const int OutFile = Setup.bClosedPipe ? Pipe[1] : open(Out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
			const int ErrFile = Setup.bClosedPipe ? Pipe[1] : open(Err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
			if (Setup.bClosedPipe)
			{
				close(Pipe[0]);
			}
			if (chdir(Dir.c_str()) != 0 || OutFile < 0 || ErrFile < 0 || dup2(OutFile, 1) < 0 || dup2(ErrFile, 2) < 0 || setrlimit(RLIMIT_FSIZE, &Limit) != 0)
			{
				_exit(126);
			}
			signal(SIGXFSZ, SIG_DFL);
			signal(SIGPIPE, SIG_DFL);
			if (Setup.bNamedStaging)
			{
				setenv("VELMORA_TEST_NAMED_STAGING", "1", 1);
			}
			else
			{
				unsetenv("VELMORA_TEST_NAMED_STAGING");
			}
			execv(Argv[0], Argv.data());
			_exit(127);
		}
		if (Setup.bClosedPipe)
		{
			close(Pipe[0]);
			close(Pipe[1]);
		}
		return Child;
	}

	FChild StartVelmora(const std::vector<std::string>& Args, const fs::path& Dir, rlim_t FileSizeLimit = RLIM_INFINITY)
	{
		FRunSetup Setup;
		Setup.FileSizeLimit = FileSizeLimit;
		return StartVelmora(Args, Dir, Setup);
	}

	// Waits for the child; a run still going after a minute is killed and fails the test.
	FOutcome Finish(const FChild& Child)
	{
		FOutcome Outcome;
		int Status = 0;
		const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
		while (waitpid(Child.Pid, &Status, WNOHANG) == 0)
		{
			if (std::chrono::steady_clock::now() > Deadline)
			{
				kill(Child.Pid, SIGKILL);
				waitpid(Child.Pid, &Status, 0);
				ADD_FAILURE() << "velmora hung";
				break;
			}
			std::this_thread::sleep_for(std::chrono::milliseconds(2));
		}
		Outcome.ExitCode = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
		Outcome.Signal = WIFSIGNALED(Status) ? WTERMSIG(Status) : 0;
		Outcome.Stdout = ReadText(Child.Streams / "out");
		Outcome.Stderr = ReadText(Child.Streams / "err");
		fs::remove_all(Child.Streams);
		return Outcome;
	}

	// A run to its end; the groom files a successful one writes in Dir must import cleanly into the engine.
	FOutcome RunChild(const std::vector<std::string>& Args, const fs::path& Dir, const FRunSetup& Setup)
	{
		const CheckedGroom::FGroomFolderOutputs Outputs(Dir);
		FOutcome Outcome = Finish(StartVelmora(Args, Dir, Setup));
		if (Outcome.ExitCode == 0)
		{
			Outputs.ExpectImportsCleanlyIfWritten();
		}
		return Outcome;
	}

	FOutcome RunChild(const std::vector<std::string>& Args, const fs::path& Dir, rlim_t FileSizeLimit = RLIM_INFINITY)
	{
		FRunSetup Setup;
		Setup.FileSizeLimit = FileSizeLimit;
		return RunChild(Args, Dir, Setup);
	}

	// A failure as the command must report it: exit 1, one line, starting as given.
	void ExpectOneLineError(const FOutcome& Outcome, const std::string& Start)
	{
		EXPECT_EQ(Outcome.ExitCode, 1) << "signal " << Outcome.Signal << ": " << Outcome.Stderr;
		EXPECT_EQ(Outcome.Stderr.rfind(Start, 0), 0u) << Outcome.Stderr;
		EXPECT_EQ(std::count(Outcome.Stderr.begin(), Outcome.Stderr.end(), '\n'), 1) << Outcome.Stderr;
	}

	bool HasStaging(const fs::path& Dir)
	{
		for (const std::string& Name : ListDir(Dir))
		{
			if (Name.rfind(".velmora", 0) == 0)
			{
				return true;
			}
		}
		return false;
	}

	// The bytes a running child has staged in Dir so far: in its unnamed file (seen through its
	// descriptors) or in a staging folder; -1 while it stages nothing there.
	off_t StagedBytes(pid_t Pid, const fs::path& Dir)
	{
		off_t Largest = -1;
		// Files vanish while they are looked at; that is a file not staged any more.
		try
		{
			const std::string Unnamed = fs::canonical(Dir).string() + "/#";
			std::error_code Error;
			for (const fs::directory_entry& Entry : fs::directory_iterator("/proc/" + std::to_string(Pid) + "/fd", Error))
			{
				std::error_code LinkError;
				const std::string Target = fs::read_symlink(Entry.path(), LinkError).string();
				struct stat Info = {};
				if (!LinkError && Target.rfind(Unnamed, 0) == 0 && stat(Entry.path().c_str(), &Info) == 0)
				{
					Largest = std::max(Largest, Info.st_size);
				}
			}
			for (const std::string& Name : ListDir(Dir))
			{
				if (Name.rfind(".velmora-", 0) == 0 && fs::is_directory(Dir / Name))
				{
					for (const std::string& Staged : ListDir(Dir / Name))
					{
						if (Staged != ".velmora-lock")
						{
							Largest = std::max(Largest, static_cast<off_t>(fs::file_size(Dir / Name / Staged)));
						}
					}
				}
			}
		}
		catch (const fs::filesystem_error&)
		{
		}
		return Largest;
	}

	bool HasEnded(pid_t Pid)
	{
		siginfo_t Info = {};
		return waitid(P_PID, static_cast<id_t>(Pid), &Info, WEXITED | WNOHANG | WNOWAIT) != 0 || Info.si_pid == Pid;
	}

	// Stops the child once it has written into a staged output in Dir, and leaves it stopped. False when
	// it ended, or did not get there within half a minute.
	bool StopWhileWriting(const FChild& Child, const fs::path& Dir)
	{
		const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
		while (std::chrono::steady_clock::now() < Deadline && !HasEnded(Child.Pid))
		{
			if (StagedBytes(Child.Pid, Dir) > 0)
			{
				kill(Child.Pid, SIGSTOP);
				// Stopped for sure once the system says so.
				siginfo_t Info = {};
				waitid(P_PID, static_cast<id_t>(Child.Pid), &Info, WSTOPPED | WEXITED | WNOWAIT);
				if (Info.si_code == CLD_STOPPED && StagedBytes(Child.Pid, Dir) > 0)
				{
					return true;
				}
				kill(Child.Pid, SIGCONT);
			}
			std::this_thread::sleep_for(std::chrono::microseconds(200));
		}
		return false;
	}

	std::vector<std::string> With(std::vector<std::string> Names, const std::vector<std::string>& More)
	{
		Names.insert(Names.end(), More.begin(), More.end());
		std::sort(Names.begin(), Names.end());
		return Names;
	}

	// A sphere mesh, a groom above it and a record of it, in a fresh directory.
	struct FScene
	{
		fs::path Dir;

		explicit FScene(const std::string& Label, int Strands = 60)
		    : Dir(VelmoraTest::MakeTempDir(Label))
		{
			SaveMesh(Dir / "sphere.obj", Host::BuildSphere(10.f, 24, 48));
			WriteGroomQuietly(Dir / "groom.abc", SphereGroom(Strands, 4, 10.f, 2.f));
			const GroomData Groom = SphereGroom(Strands, 4, 10.f, 2.f);
			const nlohmann::json Record = {{"positions", Groom.positions}, {"vertexCounts", Groom.vertexCounts}, {"widths", Groom.widths}};
			std::ofstream(Dir / "record.json") << Record.dump();
		}
	};

	// One invocation per command that writes a single named file, with OUT as the target.
	std::vector<std::vector<std::string>> WritersOf(const std::string& Target)
	{
		return {{"fit", "groom.abc", "sphere.obj", Target, "-q"}, {"pack", "record.json", Target, "-q"}, {"convert", "sphere.obj", Target, "-q"}};
	}

	// The Alembic writer's known abort on a failed flush (its message is swallowed with the writer's
	// other output); the writer's owner is fixing it.
	bool IsAlembicWriterAbort(const FOutcome& Outcome)
	{
		return Outcome.Signal == SIGABRT;
	}

	mode_t CurrentUmask()
	{
		const mode_t Mask = umask(022);
		umask(Mask);
		return Mask;
	}
}

TEST(WriteFailures, MeshWritersReportTheSystemsReasonAndLeaveNothing)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("write-fail-mesh");
	SaveMesh(Dir / "head.obj", Host::BuildHead(2000));
	std::ofstream(Dir / "earlier.obj") << "earlier";
	const std::vector<std::string> Before = ListDir(Dir);

	ExpectOneLineError(RunChild({"convert", "head.obj", "out.obj"}, Dir, 64 * 1024), "velmora convert: cannot write 'out.obj': File too large");
	ExpectOneLineError(RunChild({"convert", "head.obj", "earlier.obj"}, Dir, 64 * 1024), "velmora convert: cannot write 'earlier.obj': File too large");
	EXPECT_EQ(ListDir(Dir), Before);
	EXPECT_EQ(ReadText(Dir / "earlier.obj"), "earlier");

	// The demo's first file is its head; the folders it made for nothing go again, one it was given stays.
	ExpectOneLineError(RunChild({"demo", "-o", "demo/new", "--strands", "100", "-q"}, Dir, 64 * 1024), "velmora demo: cannot write 'demo/new/head.obj': File too large");
	EXPECT_EQ(ListDir(Dir), Before);
	fs::create_directory(Dir / "given");
	ExpectOneLineError(RunChild({"demo", "-o", "given", "--strands", "100", "-q"}, Dir, 64 * 1024), "velmora demo: cannot write 'given/head.obj': File too large");
	EXPECT_EQ(ListDir(Dir / "given"), std::vector<std::string>());
}

TEST(WriteFailures, GroomWritersReportTheSystemsReasonAndLeaveNothing)
{
	const FScene Scene("write-fail-groom", 3000);
	std::ofstream(Scene.Dir / "earlier.abc") << "earlier";
	const std::vector<std::string> Before = ListDir(Scene.Dir);
	for (const std::vector<std::string>& Args : {std::vector<std::string>{"fit", "groom.abc", "sphere.obj", "earlier.abc"}, std::vector<std::string>{"pack", "record.json", "earlier.abc"}})
	{
		SCOPED_TRACE(Args[0]);
		const FOutcome Outcome = RunChild(Args, Scene.Dir, 16 * 1024);
		// Whatever way it ends, nothing is left and nothing replaced.
		EXPECT_EQ(ListDir(Scene.Dir), Before);
		EXPECT_EQ(ReadText(Scene.Dir / "earlier.abc"), "earlier");
		EXPECT_FALSE(IsAlembicWriterAbort(Outcome)) << "the writer must report a failed write, not abort";
		ExpectOneLineError(Outcome, "velmora " + Args[0] + ": ");
		EXPECT_NE(Outcome.Stderr.find("'earlier.abc'"), std::string::npos) << Outcome.Stderr;
		EXPECT_NE(Outcome.Stderr.find("File too large"), std::string::npos) << Outcome.Stderr;
		EXPECT_EQ(Outcome.Stdout.find("writing to file"), std::string::npos) << Outcome.Stdout;
	}
}

// A fit's groom, report and picture go into place together: a picture that cannot be written leaves the
// earlier groom and report as they were and says so.
TEST(WriteFailures, AFitsOutputsAreAllWrittenOrNone)
{
	const FScene Scene("write-fail-all", 20);
	std::ofstream(Scene.Dir / "earlier.abc") << "earlier";
	std::ofstream(Scene.Dir / "report.json") << "{}";
	const std::vector<std::string> Before = ListDir(Scene.Dir);
	// Room for the groom and the report, not for the picture.
	const FOutcome Outcome = RunChild({"fit", "groom.abc", "sphere.obj", "earlier.abc", "--report", "report.json", "--picture", "fit.png", "-q"}, Scene.Dir, 24 * 1024);
	// Only the first line: the font library the picture loads may add its own (a cache another process
	// writes, a sanitizer's summary).
	EXPECT_EQ(Outcome.ExitCode, 1);
	EXPECT_EQ(Outcome.Stderr.substr(0, Outcome.Stderr.find('\n')), "velmora fit: cannot write 'fit.png': File too large (nothing was written)") << Outcome.Stderr;
	EXPECT_EQ(ListDir(Scene.Dir), Before);
	EXPECT_EQ(ReadText(Scene.Dir / "earlier.abc"), "earlier");
	EXPECT_EQ(ReadText(Scene.Dir / "report.json"), "{}");

	const FOutcome Written = RunChild({"fit", "groom.abc", "sphere.obj", "earlier.abc", "--report", "report.json", "--picture", "fit.png", "-q"}, Scene.Dir);
	EXPECT_EQ(Written.ExitCode, 0) << Written.Stderr;
	EXPECT_NE(ReadText(Scene.Dir / "report.json"), "{}");
	EXPECT_TRUE(fs::is_regular_file(Scene.Dir / "fit.png"));
}

TEST(WriteFailures, MeshAndPictureWritersSeeAFullDevice)
{
	if (!fs::exists("/dev/full"))
	{
		GTEST_SKIP() << "no /dev/full here";
	}
	// assimp's exporters and libpng behind Cairo both ignore or hide failed writes unless asked.
	std::string Error;
	EXPECT_FALSE(VelmoraCli::SaveMeshFile("/dev/full", Host::BuildHead(500), Error)) << "no format from the name";
	for (const char* Extension : {".obj", ".ply", ".stl", ".glb"})
	{
		SCOPED_TRACE(Extension);
		const fs::path Dir = VelmoraTest::MakeTempDir("full-device");
		const fs::path Target = Dir / (std::string("head") + Extension);
		fs::create_symlink("/dev/full", Target);
		Error.clear();
		EXPECT_FALSE(VelmoraCli::SaveMeshFile(Target.string(), Host::BuildHead(500), Error));
		EXPECT_NE(Error.find("No space left on device"), std::string::npos) << Error;
	}
	VelmoraCli::FPictureScene Picture;
	Picture.PanelSize = 64;
	testing::internal::CaptureStderr();
	EXPECT_FALSE(VelmoraCli::WritePicturePng("/dev/full", Picture, Error));
	EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
	EXPECT_EQ(Error, "cannot write '/dev/full': No space left on device");
}

TEST(OutputTargets, RefusesWhatIsNotARegularFile)
{
	const FScene Scene("targets-special");
	ASSERT_EQ(mkfifo((Scene.Dir / "fifo").c_str(), 0644), 0);
	const int Socket = socket(AF_UNIX, SOCK_STREAM, 0);
	sockaddr_un Address = {};
	Address.sun_family = AF_UNIX;
	const std::string SocketPath = (Scene.Dir / "socket").string();
	ASSERT_LT(SocketPath.size(), sizeof(Address.sun_path));
	std::memcpy(Address.sun_path, SocketPath.c_str(), SocketPath.size() + 1);
	ASSERT_EQ(bind(Socket, reinterpret_cast<const sockaddr*>(&Address), sizeof(Address)), 0);
	fs::create_directory(Scene.Dir / "folder");
	// A device of our own, never the system's /dev/null: a regression run as root would replace it.
	const bool bDevice = mknod((Scene.Dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
	const std::vector<std::string> Before = ListDir(Scene.Dir);

	const struct
	{
		const char* Target;
		const char* Reason;
	} Cases[] = {
	    {"fifo", "it is a FIFO; only regular files are replaced"},
	    {"socket", "it is a socket; only regular files are replaced"},
	    {"folder", "it is a directory"},
	    {"null", "it is a character device; only regular files are replaced"},
	};
	for (const auto& Case : Cases)
	{
		if (!bDevice && std::string(Case.Target) == "null")
		{
			continue; // making a device node takes privileges
		}
		for (const std::vector<std::string>& Args : WritersOf(Case.Target))
		{
			SCOPED_TRACE(Args[0] + " " + Case.Target);
			ExpectOneLineError(RunChild(Args, Scene.Dir), "velmora " + Args[0] + ": cannot write '" + Case.Target + "': " + Case.Reason + "\n");
			EXPECT_EQ(ListDir(Scene.Dir), Before);
		}
	}
	struct stat Device = {};
	EXPECT_TRUE(!bDevice || (stat((Scene.Dir / "null").c_str(), &Device) == 0 && S_ISCHR(Device.st_mode)));
	struct stat Fifo = {};
	ASSERT_EQ(stat((Scene.Dir / "fifo").c_str(), &Fifo), 0);
	EXPECT_TRUE(S_ISFIFO(Fifo.st_mode));
	close(Socket);
}

TEST(OutputTargets, RefusesAnInputUnderAnyName)
{
	const FScene Scene("targets-inputs");
	fs::create_hard_link(Scene.Dir / "groom.abc", Scene.Dir / "hard.abc");
	fs::create_symlink("groom.abc", Scene.Dir / "soft.abc");
	fs::create_hard_link(Scene.Dir / "record.json", Scene.Dir / "record-link.json");
	const std::string Folder = Scene.Dir.filename().string();
	const std::string Groom = ReadText(Scene.Dir / "groom.abc");
	const std::string Mesh = ReadText(Scene.Dir / "sphere.obj");
	const std::string Record = ReadText(Scene.Dir / "record.json");
	const std::vector<std::string> Before = ListDir(Scene.Dir);

	const struct
	{
		std::vector<std::string> Args;
		const char* Error;
	} Cases[] = {
	    {{"fit", "groom.abc", "sphere.obj", "groom.abc"}, "velmora fit: cannot write 'groom.abc': it is the same file as the groom 'groom.abc'\n"},
	    {{"fit", "groom.abc", "sphere.obj", "sphere.obj"}, "velmora fit: cannot write 'sphere.obj': it is the same file as the mesh 'sphere.obj'\n"},
	    {{"fit", "groom.abc", "sphere.obj", "-o", "hard.abc"}, "velmora fit: cannot write 'hard.abc': it is the same file as the groom 'groom.abc'\n"},
	    {{"fit", "soft.abc", "sphere.obj", "groom.abc"}, "velmora fit: cannot write 'groom.abc': it is the same file as the groom 'soft.abc'\n"},
	    {{"fit", "groom.abc", "sphere.obj", "../" + Folder + "/./sphere.obj"}, "velmora fit: cannot write '../"},
	    {{"convert", "sphere.obj", "./sphere.obj"}, "velmora convert: cannot write './sphere.obj': it is the same file as the mesh 'sphere.obj'\n"},
	    {{"pack", "record.json", "record-link.json"}, "velmora pack: cannot write 'record-link.json': it is the same file as the record 'record.json'\n"},
	};
	for (const auto& Case : Cases)
	{
		SCOPED_TRACE(Case.Args.back());
		ExpectOneLineError(RunChild(Case.Args, Scene.Dir), Case.Error);
		EXPECT_EQ(ListDir(Scene.Dir), Before);
	}
	EXPECT_EQ(ReadText(Scene.Dir / "groom.abc"), Groom);
	EXPECT_EQ(ReadText(Scene.Dir / "sphere.obj"), Mesh);
	EXPECT_EQ(ReadText(Scene.Dir / "record.json"), Record);
}

TEST(OutputTargets, LinksAreWrittenThroughAndReplacedFilesKeepTheirMode)
{
	const FScene Scene("targets-links");
	fs::create_directory(Scene.Dir / "real");
	for (const std::vector<std::string>& Args : WritersOf("link"))
	{
		SCOPED_TRACE(Args[0]);
		const fs::path Real = Scene.Dir / "real" / (Args[0] == "convert" ? "out.obj" : "out.abc");
		std::ofstream(Real) << "earlier";
		ASSERT_EQ(chmod(Real.c_str(), 0640), 0);
		fs::remove(Scene.Dir / "link");
		fs::create_symlink(fs::path("real") / Real.filename(), Scene.Dir / "link");
		// The link's name has no extension; the file it names tells convert the format.
		const FOutcome Outcome = RunChild(Args, Scene.Dir);
		ASSERT_EQ(Outcome.ExitCode, 0) << Outcome.Stderr;
		EXPECT_TRUE(fs::is_symlink(Scene.Dir / "link"));
		EXPECT_NE(ReadText(Real), "earlier");
		EXPECT_EQ(fs::status(Real).permissions() & fs::perms::mask, fs::perms(0640));
		EXPECT_FALSE(HasStaging(Scene.Dir / "real"));
	}

	// A new file gets the usual mode.
	const FOutcome Fresh = RunChild({"pack", "record.json", "fresh.abc", "-q"}, Scene.Dir);
	ASSERT_EQ(Fresh.ExitCode, 0) << Fresh.Stderr;
	EXPECT_EQ(fs::status(Scene.Dir / "fresh.abc").permissions() & fs::perms::mask, fs::perms(0666 & ~CurrentUmask()));

	// A link to nothing is refused rather than followed into a new file.
	fs::create_symlink("missing/out.abc", Scene.Dir / "dangling.abc");
	for (const std::vector<std::string>& Args : WritersOf("dangling.abc"))
	{
		SCOPED_TRACE(Args[0]);
		ExpectOneLineError(RunChild(Args, Scene.Dir), "velmora " + Args[0] + ": cannot write 'dangling.abc': it is a link to 'missing/out.abc', which does not exist\n");
	}
}

TEST(OutputTargets, LongAndNonUtf8NamesReachTheFileSystemUnchanged)
{
	const FScene Scene("targets-names");
	// 244 bytes: the longest name leaves no room for a suffix a writer might add.
	const std::string Long = std::string(240, 'g') + ".abc";
	const std::string LongMesh = std::string(240, 'm') + ".obj";
	for (const std::vector<std::string>& Args : {WritersOf(Long)[0], WritersOf(Long)[1], WritersOf(LongMesh)[2]})
	{
		SCOPED_TRACE(Args[0]);
		const FOutcome Outcome = RunChild(Args, Scene.Dir);
		EXPECT_EQ(Outcome.ExitCode, 0) << Outcome.Stderr;
		EXPECT_TRUE(fs::is_regular_file(Scene.Dir / Args[Args.size() - 2]));
	}

	// Latin-1 bytes, which are not UTF-8, in a folder, an input and the output.
	const std::string Folder = "gr\xe9";
	const std::string Output = Folder + "/fitt\xe9\xff.abc";
	fs::create_directory(Scene.Dir / Folder);
	fs::copy_file(Scene.Dir / "groom.abc", Scene.Dir / Folder / "s\xe9.abc");
	const FOutcome Fit = RunChild({"fit", Folder + "/s\xe9.abc", "sphere.obj", Output}, Scene.Dir);
	ASSERT_EQ(Fit.ExitCode, 0) << Fit.Stderr;
	EXPECT_EQ(ListDir(Scene.Dir / Folder), (std::vector<std::string>{"fitt\xe9\xff.abc", "s\xe9.abc"}));
	EXPECT_EQ(ReadGroomQuietly(Scene.Dir / Output).vertexCounts.size(), 60u);
	EXPECT_NE(Fit.Stdout.find("-> " + Output + "\n"), std::string::npos) << Fit.Stdout;
	// Neither the staging folder nor the plugin's view of the paths shows.
	EXPECT_EQ(Fit.Stdout.find("/.velmora-"), std::string::npos) << Fit.Stdout;
	EXPECT_EQ(Fit.Stdout.find("staged"), std::string::npos) << Fit.Stdout;
	EXPECT_EQ(Fit.Stdout.find("/proc/"), std::string::npos) << Fit.Stdout;

	// JSON holds text, so the summary shows such bytes as U+FFFD rather than failing.
	for (const std::vector<std::string>& Args : {std::vector<std::string>{"fit", Folder + "/s\xe9.abc", "sphere.obj", Output, "--json"}, std::vector<std::string>{"convert", "sphere.obj", Folder + "/m\xe9.obj", "--json"}})
	{
		SCOPED_TRACE(Args[0]);
		const FOutcome Json = RunChild(Args, Scene.Dir);
		ASSERT_EQ(Json.ExitCode, 0) << Json.Stderr;
		EXPECT_NE(nlohmann::json::parse(Json.Stdout)["output"].get<std::string>().find("gr\xef\xbf\xbd/"), std::string::npos) << Json.Stdout;
	}
	EXPECT_TRUE(fs::is_regular_file(Scene.Dir / Folder / "m\xe9.obj"));
}

TEST(OutputTargets, PackSaysItWroteOnlyWhenItDid)
{
	const FScene Scene("pack-messages");
	const FOutcome Good = RunChild({"pack", "record.json", "out.abc"}, Scene.Dir);
	ASSERT_EQ(Good.ExitCode, 0) << Good.Stderr;
	EXPECT_EQ(Good.Stdout, "writing to file: out.abc\n");

	std::ofstream(Scene.Dir / "broken.json") << "{\"positions\": [0, 0";
	const FOutcome Broken = RunChild({"pack", "broken.json", "other.abc"}, Scene.Dir);
	ExpectOneLineError(Broken, "velmora pack: cannot read record 'broken.json': not valid JSON: ");
	const FOutcome Nowhere = RunChild({"pack", "record.json", "nowhere/out.abc"}, Scene.Dir);
	ExpectOneLineError(Nowhere, "velmora pack: cannot write 'nowhere/out.abc': directory 'nowhere' does not exist\n");
	const FOutcome Missing = RunChild({"pack", "missing.json", "other.abc"}, Scene.Dir);
	ExpectOneLineError(Missing, "velmora pack: cannot read record 'missing.json': No such file or directory\n");
	for (const FOutcome* Failed : {&Broken, &Nowhere, &Missing})
	{
		EXPECT_EQ(Failed->Stdout, "");
	}
	EXPECT_FALSE(fs::exists(Scene.Dir / "other.abc"));
}

TEST(CommandLine, ValuesTheGroomsFloatsCannotHoldAreRefused)
{
	const FScene Scene("float-range");
	for (const std::vector<std::string>& Extra : std::vector<std::vector<std::string>>{
	         {"--actor-location", "1e39,0,0"}, {"--origin", "0", "-4e38", "0"}, {"--mesh-location=0,0,1e300"}, {"--mesh-scale", "1e39"}, {"--mesh-scale", "0"}, {"--mesh-scale", "1,0,1"}})
	{
		SCOPED_TRACE(Extra.front());
		std::vector<std::string> Args = {"fit", "groom.abc", "sphere.obj", "out.abc"};
		Args.insert(Args.end(), Extra.begin(), Extra.end());
		const FOutcome Outcome = RunChild(Args, Scene.Dir);
		EXPECT_EQ(Outcome.ExitCode, 2);
		EXPECT_EQ(std::count(Outcome.Stderr.begin(), Outcome.Stderr.end(), '\n'), 1) << Outcome.Stderr;
		EXPECT_NE(Outcome.Stderr.find("(see velmora fit --help)"), std::string::npos) << Outcome.Stderr;
		EXPECT_FALSE(fs::exists(Scene.Dir / "out.abc"));
	}
	// The float's own extremes are fine, and so is a mirroring scale.
	std::string Error;
	const double Largest = std::numeric_limits<float>::max();
	EXPECT_TRUE(VelmoraCli::CheckFloatVector("--origin", FVector(Largest, -Largest, 0), false, Error)) << Error;
	EXPECT_TRUE(VelmoraCli::CheckFloatVector("--mesh-scale", FVector(-1, 1e-30, 2), true, Error)) << Error;
	EXPECT_FALSE(VelmoraCli::CheckFloatVector("--origin", FVector(std::nextafter(Largest, 1e300), 0, 0), false, Error));
}

TEST(CommandLine, AnOptionWhereAnOutputBelongsIsRefused)
{
	const FScene Scene("output-option");
	for (const std::vector<std::string>& Args : std::vector<std::vector<std::string>>{
	         {"fit", "groom.abc", "sphere.obj", "-o", "-q"}, {"fit", "groom.abc", "sphere.obj", "--output", "--json"}, {"convert", "sphere.obj", "-o", "-q"}, {"pack", "record.json", "-o", "--quiet"}, {"demo", "-o", "-q"}})
	{
		SCOPED_TRACE(Args[0] + " " + Args.back());
		const FOutcome Outcome = RunChild(Args, Scene.Dir);
		EXPECT_EQ(Outcome.ExitCode, 2);
		EXPECT_NE(Outcome.Stderr.find("not the option '" + Args.back() + "'"), std::string::npos) << Outcome.Stderr;
		EXPECT_EQ(std::count(Outcome.Stderr.begin(), Outcome.Stderr.end(), '\n'), 1) << Outcome.Stderr;
	}
	EXPECT_FALSE(fs::exists(Scene.Dir / "-q"));
	// Said plainly, such a name is a name.
	const FOutcome Plain = RunChild({"pack", "record.json", "--output=-q", "-q"}, Scene.Dir);
	EXPECT_EQ(Plain.ExitCode, 0) << Plain.Stderr;
	EXPECT_TRUE(fs::is_regular_file(Scene.Dir / "-q"));
}

TEST(Interrupts, RemoveTheStagingAndEndWithTheSignal)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("interrupts");
	const struct
	{
		bool bNamed;
		int Signal;
	} Cases[] = {{true, SIGINT}, {true, SIGTERM}, {true, SIGHUP}, {true, SIGALRM}, {false, SIGTERM}};
	for (const auto& Case : Cases)
	{
		SCOPED_TRACE(std::string(Case.bNamed ? "named " : "unnamed ") + strsignal(Case.Signal));
		FRunSetup Setup;
		Setup.bNamedStaging = Case.bNamed;
		bool bCaught = false;
		// The demo stages one file after another for a second or two; stop it while it writes one.
		for (int Attempt = 0; Attempt < 3 && !bCaught; ++Attempt)
		{
			const fs::path Out = Dir / ("out-" + std::to_string(Case.Signal) + (Case.bNamed ? "-named-" : "-") + std::to_string(Attempt));
			fs::create_directory(Out);
			const FChild Child = StartVelmora({"demo", "-o", Out.filename().string(), "--strands", "150000", "-q"}, Dir, Setup);
			bCaught = StopWhileWriting(Child, Out);
			kill(Child.Pid, Case.Signal);
			kill(Child.Pid, SIGCONT);
			const FOutcome Outcome = Finish(Child);
			EXPECT_FALSE(HasStaging(Out)) << ::testing::PrintToString(ListDir(Out));
			if (bCaught)
			{
				EXPECT_EQ(Outcome.Signal, Case.Signal) << "exit " << Outcome.ExitCode << ": " << Outcome.Stderr;
			}
		}
		EXPECT_TRUE(bCaught) << "the demo was never seen writing";
	}
}

TEST(Interrupts, AReaderThatWentAwayEndsTheRunAndLeavesNothing)
{
	// `velmora fit ... --progress 2>&1 | head -c1`: the progress meets a closed pipe while the output is
	// staged.
	const FScene Scene("closed-pipe", 20000);
	const std::vector<std::string> Before = ListDir(Scene.Dir);
	for (const bool bNamed : {false, true})
	{
		SCOPED_TRACE(bNamed ? "named" : "unnamed");
		FRunSetup Setup;
		Setup.bNamedStaging = bNamed;
		Setup.bClosedPipe = true;
		const FOutcome Outcome = RunChild({"fit", "groom.abc", "sphere.obj", "out.abc", "--progress", "--report", "report.json"}, Scene.Dir, Setup);
		EXPECT_EQ(Outcome.Signal, SIGPIPE) << "exit " << Outcome.ExitCode;
		EXPECT_EQ(ListDir(Scene.Dir), Before);
	}
}

TEST(Abandoned, AKilledFitLeavesNothingOnceRunAgain)
{
	const FScene Scene("killed-fit", 150000);
	const std::vector<std::string> Before = ListDir(Scene.Dir);
	const std::vector<std::string> Fit = {"fit", "groom.abc", "sphere.obj", "out.abc", "-q"};
	for (const bool bNamed : {false, true})
	{
		SCOPED_TRACE(bNamed ? "named" : "unnamed");
		FRunSetup Setup;
		Setup.bNamedStaging = bNamed;
		bool bCaught = false;
		for (int Attempt = 0; Attempt < 3 && !bCaught; ++Attempt)
		{
			fs::remove(Scene.Dir / "out.abc");
			const FChild Child = StartVelmora(Fit, Scene.Dir, Setup);
			bCaught = StopWhileWriting(Child, Scene.Dir);
			kill(Child.Pid, SIGKILL);
			const FOutcome Outcome = Finish(Child);
			EXPECT_TRUE(!bCaught || Outcome.Signal == SIGKILL) << "exit " << Outcome.ExitCode;
		}
		ASSERT_TRUE(bCaught) << "the fit was never seen writing";
		// An unnamed file went with the process; a staging folder waits for the next run.
		EXPECT_EQ(HasStaging(Scene.Dir), bNamed);
		if (!bNamed)
		{
			EXPECT_EQ(ListDir(Scene.Dir), Before);
		}

		const FOutcome Again = RunChild(Fit, Scene.Dir);
		ASSERT_EQ(Again.ExitCode, 0) << Again.Stderr;
		EXPECT_EQ(ListDir(Scene.Dir), With(Before, {"out.abc"}));
		EXPECT_EQ(ReadGroomQuietly(Scene.Dir / "out.abc").vertexCounts.size(), 150000u);
		fs::remove(Scene.Dir / "out.abc");
	}
}

TEST(Abandoned, ALiveRunsStagingIsNeverRemoved)
{
	const FScene Scene("live-staging", 150000);
	const FScene Small("live-staging-small");
	fs::copy_file(Small.Dir / "record.json", Scene.Dir / "small.json");
	const std::vector<std::string> Before = ListDir(Scene.Dir);

	FRunSetup Named;
	Named.bNamedStaging = true;
	const FChild Live = StartVelmora({"fit", "groom.abc", "sphere.obj", "out.abc", "-q"}, Scene.Dir, Named);
	ASSERT_TRUE(StopWhileWriting(Live, Scene.Dir));
	std::vector<std::string> Staging;
	for (const std::string& Name : ListDir(Scene.Dir))
	{
		if (Name.rfind(".velmora-", 0) == 0)
		{
			Staging.push_back(Name);
		}
	}
	ASSERT_EQ(Staging.size(), 1u);
	const std::vector<std::string> Staged = ListDir(Scene.Dir / Staging[0]);

	// Other runs in the same folder, unnamed and named, while the first one is stopped mid-write.
	EXPECT_EQ(RunChild({"pack", "small.json", "unnamed.abc", "-q"}, Scene.Dir).ExitCode, 0);
	EXPECT_EQ(RunChild({"pack", "small.json", "named.abc", "-q"}, Scene.Dir, Named).ExitCode, 0);
	EXPECT_EQ(ListDir(Scene.Dir / Staging[0]), Staged);

	kill(Live.Pid, SIGCONT);
	const FOutcome Outcome = Finish(Live);
	EXPECT_EQ(Outcome.ExitCode, 0) << Outcome.Stderr;
	EXPECT_EQ(ListDir(Scene.Dir), With(Before, {"named.abc", "out.abc", "unnamed.abc"}));
	EXPECT_EQ(ReadGroomQuietly(Scene.Dir / "out.abc").vertexCounts.size(), 150000u);
}

TEST(Abandoned, AnUnnamedOutputIsInvisibleAndHeldBeforeItHasAName)
{
	const FScene Scene("unnamed-held");
	const std::vector<std::string> Before = ListDir(Scene.Dir);
	{
		VelmoraCli::FStagedOutput Output((Scene.Dir / "out.abc").string());
		std::string Error;
		ASSERT_TRUE(Output.Prepare(Error)) << Error;
		if (!Output.IsUnnamed())
		{
			GTEST_SKIP() << "this file system has no unnamed files (O_TMPFILE)";
		}
		std::ofstream(Output.GetStagingPath(), std::ios::binary) << "a whole groom";
		EXPECT_EQ(ListDir(Scene.Dir), Before);

		// The moment between the link and the rename at commit, frozen: another run must leave the name.
		const fs::path Linked = Scene.Dir / ".velmora-Commit.commit";
		ASSERT_EQ(linkat(AT_FDCWD, Output.GetStagingPath().c_str(), AT_FDCWD, Linked.c_str(), AT_SYMLINK_FOLLOW), 0);
		EXPECT_EQ(RunChild({"pack", "record.json", "other.abc", "-q"}, Scene.Dir).ExitCode, 0);
		EXPECT_EQ(ReadText(Linked), "a whole groom");

		ASSERT_TRUE(Output.Commit(Error)) << Error;
		fs::remove(Linked);
		EXPECT_EQ(ReadText(Scene.Dir / "out.abc"), "a whole groom");
		EXPECT_EQ(ListDir(Scene.Dir), With(Before, {"other.abc", "out.abc"}));
	}

	// Written to nothing, nothing is committed.
	VelmoraCli::FStagedOutput Empty((Scene.Dir / "empty.abc").string());
	std::string Error;
	ASSERT_TRUE(Empty.Prepare(Error)) << Error;
	EXPECT_FALSE(Empty.Commit(Error));
	EXPECT_EQ(Error, "cannot write '" + (Scene.Dir / "empty.abc").string() + "': nothing was written");
}

TEST(Abandoned, OnlyStagingOfItsOwnShapeThatNoProcessHoldsIsRemoved)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("abandoned-shapes");
	const auto Age = [](const fs::path& Path)
	{
		const timespec Times[2] = {{time(nullptr) - 7200, 0}, {time(nullptr) - 7200, 0}};
		ASSERT_EQ(utimensat(AT_FDCWD, Path.c_str(), Times, AT_SYMLINK_NOFOLLOW), 0);
	};
	// A staging folder with a file in it, and a lock file holding Mark (none when null).
	const auto MakeStaging = [&](const fs::path& Folder, const char* Mark)
	{
		fs::create_directory(Folder);
		std::ofstream(Folder / "staged") << "half a groom";
		if (Mark)
		{
			std::ofstream(Folder / ".velmora-lock") << Mark;
		}
	};
	const auto HoldLock = [](const fs::path& Path)
	{
		const int Descriptor = open(Path.c_str(), O_RDWR | O_CLOEXEC);
		EXPECT_EQ(flock(Descriptor, LOCK_EX), 0);
		return Descriptor;
	};
	const char* Mark = "velmora staging\n";

	// Abandoned: a marked lock nobody holds, an unmarked one older than any start, an old empty folder,
	// a commit name nobody holds.
	MakeStaging(Dir / ".velmora-Dead01", Mark);
	MakeStaging(Dir / ".velmora-Old001", "");
	Age(Dir / ".velmora-Old001" / ".velmora-lock");
	fs::create_directory(Dir / ".velmora-Empty2");
	Age(Dir / ".velmora-Empty2");
	std::ofstream(Dir / ".velmora-Gone01.commit") << "a whole groom";

	// Alive, or just being made: a held lock, a fresh unmarked lock, a fresh empty folder, a held commit.
	MakeStaging(Dir / ".velmora-Live01", Mark);
	const int LiveLock = HoldLock(Dir / ".velmora-Live01" / ".velmora-lock");
	MakeStaging(Dir / ".velmora-New001", "");
	fs::create_directory(Dir / ".velmora-Empty1");
	std::ofstream(Dir / ".velmora-Held01.commit") << "a whole groom";
	const int HeldCommit = HoldLock(Dir / ".velmora-Held01.commit");

	// Not staging at all, however much it looks like it.
	MakeStaging(Dir / ".velmora-NoLock", nullptr);
	Age(Dir / ".velmora-NoLock");
	for (const char* Name : {".velmora-Dead0", ".velmora-Dead012", ".velmora-Dea_01", "velmora-Dead01", ".velmora-Dead01.bak", ".Velmora-Dead01"})
	{
		MakeStaging(Dir / Name, Mark);
	}
	std::ofstream(Dir / ".velmora-File01") << "a file of that name";
	std::ofstream(Dir / ".velmora-Gone01.commit2") << "not a commit";
	fs::create_directory(Dir / ".velmora-Dir001.commit");
	const fs::path Elsewhere = VelmoraTest::MakeTempDir("abandoned-elsewhere");
	MakeStaging(Elsewhere / "folder", Mark);
	fs::create_directory_symlink(Elsewhere / "folder", Dir / ".velmora-Link01");

	const std::vector<std::string> Kept = {".Velmora-Dead01", ".velmora-Dea_01", ".velmora-Dead0", ".velmora-Dead01.bak", ".velmora-Dead012", ".velmora-Dir001.commit", ".velmora-Empty1", ".velmora-File01", ".velmora-Gone01.commit2", ".velmora-Held01.commit", ".velmora-Link01", ".velmora-Live01", ".velmora-New001", ".velmora-NoLock", "velmora-Dead01"};
	EXPECT_EQ(VelmoraCli::FStagedOutput::RemoveAbandoned(Dir.string()), 4);
	std::vector<std::string> Sorted = Kept;
	std::sort(Sorted.begin(), Sorted.end());
	EXPECT_EQ(ListDir(Dir), Sorted);
	EXPECT_EQ(ListDir(Dir / ".velmora-Live01"), (std::vector<std::string>{".velmora-lock", "staged"}));
	EXPECT_EQ(ListDir(Elsewhere / "folder"), (std::vector<std::string>{".velmora-lock", "staged"}));

	// Once let go, they are abandoned too.
	close(LiveLock);
	close(HeldCommit);
	EXPECT_EQ(VelmoraCli::FStagedOutput::RemoveAbandoned(Dir.string()), 2);
	EXPECT_FALSE(fs::exists(Dir / ".velmora-Live01"));
	EXPECT_FALSE(fs::exists(Dir / ".velmora-Held01.commit"));
}

TEST(InspectCommand, BoundsLeaveOutPointsThatAreNotFinite)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("inspect-nan");
	GroomData Groom;
	Groom.vertexCounts = {3};
	Groom.positions = {1, 2, 3, std::numeric_limits<float>::quiet_NaN(), 0, 0, -1, 5, std::numeric_limits<float>::infinity()};
	WriteGroomQuietly(Dir / "nan.abc", Groom);
	const FOutcome Some = RunChild({"inspect", "nan.abc"}, Dir);
	EXPECT_NE(Some.Stdout.find("bounds          (1, 2, 3) to (1, 2, 3); 2 of the points are not finite and left out\n"), std::string::npos) << Some.Stdout;

	Groom.positions = {std::numeric_limits<float>::quiet_NaN(), 0, 0};
	Groom.vertexCounts = {1};
	WriteGroomQuietly(Dir / "all-nan.abc", Groom);
	const FOutcome None = RunChild({"inspect", "all-nan.abc"}, Dir);
	EXPECT_NE(None.Stdout.find("bounds          none: no point is finite\n"), std::string::npos) << None.Stdout;
}
