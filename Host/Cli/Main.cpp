// The velmora command: the plugin's tools without the editor.
#include "Commands.h"

#include <cstdio>
#include <string>
#include <vector>

namespace
{
	constexpr const char* Usage =
		"velmora: fit hair grooms onto meshes without the editor\n"
		"\n"
		"usage: velmora <command> [arguments]\n"
		"\n"
		"commands:\n"
		"  inspect GROOM.abc [--json]   show what a groom file holds, as the fit reads it\n"
		"  pack RECORD.json OUT.abc     write a groom record given as JSON to an Alembic file\n"
		"\n"
		"'velmora <command> --help' tells more about each.\n";
}

int main(int argc, char** argv)
{
	const std::vector<std::string> Args(argv + (argc > 1 ? 2 : 1), argv + argc);
	const std::string Command = argc > 1 ? argv[1] : "--help";
	if (Command == "--help" || Command == "-h" || Command == "help")
	{
		std::fputs(Usage, stdout);
		return 0;
	}
	if (Command == "inspect")
	{
		return VelmoraCli::RunInspect(Args);
	}
	if (Command == "fit")
	{
		return VelmoraCli::RunFit(Args);
	}
	if (Command == "demo")
	{
		return VelmoraCli::RunDemo(Args);
	}
	if (Command == "pack")
	{
		return VelmoraCli::RunPack(Args);
	}
	std::fprintf(stderr, "velmora: unknown command '%s' (see velmora --help)\n", Command.c_str());
	return 2;
}
