#pragma once

#include "Options.h"

#include <string>
#include <vector>

// The velmora command's subcommands. Each has a row in the command table, from which 'velmora --help' is
// made, and the same shape: Parse<Command> reads the arguments into a request (help, or a bad command
// line with its one-line reason, is told apart by EParsed), and the work function takes the request and
// either succeeds (having printed its summary) or returns false with the one-line reason in OutError.
// RunCommand turns that into what the user sees: the reason after "velmora <command>: ", and the exit
// status (0 done, 1 bad input, 2 bad command line).
namespace VelmoraCli
{
	using FCommandRunner = int (*)(const std::vector<std::string>& Args);

	struct FCommand
	{
		const char* Name;
		// The arguments, as the overview lists them: "GROOM.abc MESH OUT.abc".
		const char* Synopsis;
		// One line for the overview.
		const char* Summary;
		// The command's own help.
		const char* const* Usage;
		FCommandRunner Run;
	};

	const std::vector<FCommand>& GetCommands();
	const FCommand* FindCommand(const std::string& Name);
	// 'velmora --help'.
	std::string OverviewHelp();

	// The steps every command takes: Parse gives Help (the command's help on stdout, 0), Bad ("velmora
	// NAME: REASON (see velmora NAME --help)", 2) or Run; then Work, whose false prints "velmora NAME:
	// REASON" and gives 1.
	// With bJson, a failure also prints {"command": NAME, "error": REASON} on stdout, so a batch that keeps
	// each run's JSON has one for every run.
	int RunCommand(const char* Name, EParsed Parsed, const std::string& ParseError, const std::function<bool(std::string&)>& Work, bool bJson = false);

	// Whether the arguments ask for JSON ("--json" before any "--").
	bool AsksForJson(const std::vector<std::string>& Args);

	// For a command that printed its JSON, with the reason in it, before failing: RunCommand adds none.
	void NoteJsonPrinted();

	// A command's whole run: Parse fills a request from the arguments, Work does what it asks.
	template<typename TRequest>
	int RunCommand(const char* Name, const std::vector<std::string>& Args, EParsed (*Parse)(const std::vector<std::string>&, TRequest&, std::string&),
	               bool (*Work)(const TRequest&, std::string&))
	{
		TRequest Request;
		std::string Error;
		const EParsed Parsed = Parse(Args, Request, Error);
		return RunCommand(
		    Name, Parsed, Error, [&](std::string& OutError)
		    { return Work(Request, OutError); },
		    AsksForJson(Args));
	}

	int RunInspect(const std::vector<std::string>& Args);
	int RunPack(const std::vector<std::string>& Args);
	int RunFit(const std::vector<std::string>& Args);
	int RunDemo(const std::vector<std::string>& Args);
	int RunConvert(const std::vector<std::string>& Args);
	int RunCheck(const std::vector<std::string>& Args);
	int RunPrepare(const std::vector<std::string>& Args);

	extern const char* const InspectUsage;
	extern const char* const PackUsage;
	extern const char* const FitUsage;
	extern const char* const DemoUsage;
	extern const char* const ConvertUsage;
	extern const char* const CheckUsage;
	extern const char* const PrepareUsage;
}
