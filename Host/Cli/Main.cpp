// The velmora command: the plugin's tools without the editor.
#include "Commands.h"

#include <cstdio>
#include <string>
#include <vector>

namespace
{
	constexpr const char* Usage =
	    "velmora: the velmora plugin's tools without the editor, for batch work and a first look\n"
	    "\n"
	    "usage: velmora <command> [arguments]\n"
	    "\n"
	    "commands:\n"
	    "  fit GROOM.abc MESH OUT.abc     put every strand's root on the surface of a mesh (OBJ, FBX, glTF, ...)\n"
	    "  check GROOM.abc MESH           report how a groom lies on a mesh: roots off the surface, points inside\n"
	    "  convert SKINNED_MESH OUT       turn LOD 0 of a skinned mesh into a static mesh file\n"
	    "  demo                           build a head and a groom, fit it, and draw the result (velmora-demo/)\n"
	    "  inspect GROOM.abc [--json]     show what a groom file holds, as the fit reads it\n"
	    "  pack RECORD.json OUT.abc       write a groom record given as JSON to an Alembic file\n"
	    "\n"
	    "examples:\n"
	    "  velmora demo\n"
	    "  velmora fit groom.abc head.obj fitted.abc --origin 0,0,160\n"
	    "  velmora check fitted.abc head.obj\n"
	    "  velmora convert head_skinned.fbx head.obj\n"
	    "\n"
	    "'velmora <command> --help' tells more about each. Exit status: 0 done, 1 bad input, 2 bad command line;\n"
	    "an interrupted command leaves no partial file and ends by the signal (128 + its number).\n";
}

namespace
{
	using FRunner = int (*)(const std::vector<std::string>&);

	FRunner FindCommand(const std::string& Name)
	{
		if (Name == "fit")
		{
			return VelmoraCli::RunFit;
		}
		if (Name == "check")
		{
			return VelmoraCli::RunCheck;
		}
		if (Name == "convert")
		{
			return VelmoraCli::RunConvert;
		}
		if (Name == "demo")
		{
			return VelmoraCli::RunDemo;
		}
		if (Name == "inspect")
		{
			return VelmoraCli::RunInspect;
		}
		if (Name == "pack")
		{
			return VelmoraCli::RunPack;
		}
		return nullptr;
	}
}

int main(int argc, char** argv)
{
	const std::vector<std::string> Args(argv + (argc > 1 ? 2 : 1), argv + argc);
	const std::string Command = argc > 1 ? argv[1] : "--help";
	if (Command == "--help" || Command == "-h" || Command == "help")
	{
		// "velmora help fit" is "velmora fit --help".
		if (!Args.empty())
		{
			if (const FRunner Runner = FindCommand(Args[0]))
			{
				return Runner({"--help"});
			}
			std::fprintf(stderr, "velmora: unknown command '%s' (see velmora --help)\n", Args[0].c_str());
			return 2;
		}
		std::fputs(Usage, stdout);
		return 0;
	}
	if (const FRunner Runner = FindCommand(Command))
	{
		return Runner(Args);
	}
	std::fprintf(stderr, "velmora: unknown command '%s' (see velmora --help)\n", Command.c_str());
	return 2;
}
