// What the commands do to the file system when things go wrong: failed writes, targets that are not
// plain files or are the inputs, links, odd names, interrupts. Each run is a child process, so limits
// and signals reach only it.
#include "CliTestUtils.h"
#include "Options.h"
#include "Picture.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <limits>
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

	// Starts velmora in Dir with Args as they are (no shell: any byte may appear), its stdout and stderr
	// going to files outside Dir. SIGXFSZ keeps its default action: the command itself must turn a write
	// past the file-size limit into a failed write (EFBIG), as on a full disk.
	FChild StartVelmora(const std::vector<std::string>& Args, const fs::path& Dir, rlim_t FileSizeLimit = RLIM_INFINITY)
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
		Child.Pid = fork();
		if (Child.Pid == 0)
		{
			const rlimit Limit = {FileSizeLimit, FileSizeLimit};
			const int OutFile = open(Out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
			const int ErrFile = open(Err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
			if (chdir(Dir.c_str()) != 0 || OutFile < 0 || ErrFile < 0 || dup2(OutFile, 1) < 0 || dup2(ErrFile, 2) < 0 || setrlimit(RLIMIT_FSIZE, &Limit) != 0)
			{
				_exit(126);
			}
			signal(SIGXFSZ, SIG_DFL);
			execv(Argv[0], Argv.data());
			_exit(127);
		}
		return Child;
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

	FOutcome RunChild(const std::vector<std::string>& Args, const fs::path& Dir, rlim_t FileSizeLimit = RLIM_INFINITY)
	{
		return Finish(StartVelmora(Args, Dir, FileSizeLimit));
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

	// The demo's first file is its head.
	ExpectOneLineError(RunChild({"demo", "-o", "demo", "--strands", "100", "-q"}, Dir, 64 * 1024), "velmora demo: cannot write 'demo/head.obj': File too large");
	EXPECT_EQ(ListDir(Dir / "demo"), std::vector<std::string>());
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
	for (const int Signal : {SIGINT, SIGTERM, SIGHUP})
	{
		SCOPED_TRACE(strsignal(Signal));
		bool bCaught = false;
		// The demo stages one file after another for a second or two; stop it while one is staged.
		for (int Attempt = 0; Attempt < 3 && !bCaught; ++Attempt)
		{
			const fs::path Out = Dir / ("out-" + std::to_string(Signal) + "-" + std::to_string(Attempt));
			fs::create_directory(Out);
			const FChild Child = StartVelmora({"demo", "-o", Out.filename().string(), "--strands", "150000", "-q"}, Dir);
			const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
			while (!HasStaging(Out) && std::chrono::steady_clock::now() < Deadline && waitpid(Child.Pid, nullptr, WNOHANG) == 0)
			{
				std::this_thread::sleep_for(std::chrono::microseconds(200));
			}
			kill(Child.Pid, SIGSTOP);
			bCaught = HasStaging(Out);
			kill(Child.Pid, Signal);
			kill(Child.Pid, SIGCONT);
			const FOutcome Outcome = Finish(Child);
			EXPECT_FALSE(HasStaging(Out)) << ::testing::PrintToString(ListDir(Out));
			if (bCaught)
			{
				EXPECT_EQ(Outcome.Signal, Signal) << "exit " << Outcome.ExitCode << ": " << Outcome.Stderr;
			}
		}
		EXPECT_TRUE(bCaught) << "the demo never showed its staging";
	}
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
