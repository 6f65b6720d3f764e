#include "Commands.h"

#include "SafeText.h"

#include <cstdio>

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

	int RunCommand(const char* Name, EParsed Parsed, const std::string& ParseError, const std::function<bool(std::string&)>& Work)
	{
		if (Parsed == EParsed::Help)
		{
			std::fputs(*FindCommand(Name)->Usage, stdout);
			return 0;
		}
		if (Parsed == EParsed::Bad)
		{
			std::fprintf(stderr, "velmora %s: %s (see velmora %s --help)\n", Name, SafeText::Escaped(ParseError).c_str(), Name);
			return 2;
		}
		std::string Error;
		if (!Work(Error))
		{
			// A name from a file (or a path given) may hold a newline or a terminal's escape: one line, shown as it is.
			std::fprintf(stderr, "velmora %s: %s\n", Name, SafeText::Escaped(Error).c_str());
			return 1;
		}
		return 0;
	}
}
