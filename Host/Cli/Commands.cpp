#include "Commands.h"

#include "JsonWriter.h"
#include "SafeText.h"

#include <cstdio>
#include <new>
#include <stdexcept>

namespace VelmoraCli
{
	const std::vector<FCommand>& GetCommands()
	{
		static const std::vector<FCommand> Commands = {
		    {"fit", "GROOM.abc MESH OUT.abc", "put every strand's root on the surface of a mesh (OBJ, FBX, glTF, ...)", &FitUsage, RunFit},
		    {"check", "GROOM.abc MESH", "report how a groom lies on a mesh: roots off the surface, points inside", &CheckUsage, RunCheck},
		    {"convert", "SKINNED_MESH OUT", "turn LOD 0 of a skinned mesh into a static mesh file", &ConvertUsage, RunConvert},
		    {"demo", "", "build a head and a groom, fit it, and draw the result (velmora-demo/)", &DemoUsage, RunDemo},
		    {"inspect", "GROOM.abc|MESH [--json]", "show what a groom file holds, as the fit reads it, or a mesh file's parts", &InspectUsage, RunInspect},
		    {"prepare", "IN.abc OUT.abc", "turn a groom from Blender, Houdini or Maya into one the fit reads", &PrepareUsage, RunPrepare},
		    {"pack", "RECORD.json OUT.abc", "write a groom record given as JSON to an Alembic file", &PackUsage, RunPack},
		};
		return Commands;
	}

	const FCommand* FindCommand(const std::string& Name)
	{
		for (const FCommand& Command : GetCommands())
		{
			if (Name == Command.Name)
			{
				return &Command;
			}
		}
		return nullptr;
	}

	std::string OverviewHelp()
	{
		std::string Help = "velmora: the velmora plugin's tools without the editor, for batch work and a first look\n"
		                   "\n"
		                   "usage: velmora <command> [arguments]\n"
		                   "\n"
		                   "commands:\n";
		for (const FCommand& Command : GetCommands())
		{
			char Line[256];
			const std::string Head = std::string(Command.Name) + (*Command.Synopsis ? " " : "") + Command.Synopsis;
			std::snprintf(Line, sizeof(Line), "  %-30s %s\n", Head.c_str(), Command.Summary);
			Help += Line;
		}
		Help += "\n"
		        "examples:\n"
		        "  velmora demo\n"
		        "  velmora fit groom.abc head.obj fitted.abc --origin 0,0,160\n"
		        "  velmora check fitted.abc head.obj\n"
		        "  velmora convert head_skinned.fbx head.obj\n"
		        "  velmora prepare blender_groom.abc groom.abc --up y --scale 100\n"
		        "\n"
		        "'velmora <command> --help' tells more about each. Exit status: 0 done, 1 bad input, 2 bad command line;\n"
		        "an interrupted command leaves no partial file and ends by the signal (128 + its number).\n";
		return Help;
	}

	bool AsksForJson(const std::vector<std::string>& Args)
	{
		for (const std::string& Arg : Args)
		{
			if (Arg == "--")
			{
				return false;
			}
			if (Arg == "--json")
			{
				return true;
			}
		}
		return false;
	}

	namespace
	{
		// One command runs per process.
		bool bJsonPrinted = false;

		void PrintJsonError(const char* Name, const std::string& Error)
		{
			if (!bJsonPrinted)
			{
				std::fputs(ToStrictJson({{"command", Name}, {"error", Error}}).c_str(), stdout);
				std::fflush(stdout);
			}
		}
	}

	void NoteJsonPrinted()
	{
		bJsonPrinted = true;
	}

	int RunCommand(const char* Name, EParsed Parsed, const std::string& ParseError, const std::function<bool(std::string&)>& Work, bool bJson)
	{
		if (Parsed == EParsed::Help)
		{
			std::fputs(*FindCommand(Name)->Usage, stdout);
			return 0;
		}
		if (Parsed == EParsed::Bad)
		{
			std::fprintf(stderr, "velmora %s: %s (see velmora %s --help)\n", Name, SafeText::Escaped(ParseError).c_str(), Name);
			if (bJson)
			{
				PrintJsonError(Name, ParseError);
			}
			return 2;
		}
		std::string Error;
		bool bDone = false;
		// Whatever the work was building is freed on the way out, so there is memory to say so; staged
		// outputs go with it.
		try
		{
			bDone = Work(Error);
		}
		catch (const std::bad_alloc&)
		{
			Error = "out of memory";
		}
		catch (const std::length_error&)
		{
			Error = "out of memory (a size beyond what can be held)";
		}
		catch (const std::exception& Exception)
		{
			Error = std::string("unexpected error: ") + Exception.what();
		}
		if (!bDone)
		{
			// A name from a file (or a path given) may hold a newline or a terminal's escape: one line, shown as it is.
			std::fprintf(stderr, "velmora %s: %s\n", Name, SafeText::Escaped(Error).c_str());
			if (bJson)
			{
				PrintJsonError(Name, Error);
			}
			return 1;
		}
		return 0;
	}
}
