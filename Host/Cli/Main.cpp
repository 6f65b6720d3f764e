// The velmora command: the plugin's tools without the editor.
#include "Commands.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
	const std::vector<std::string> Args(argv + (argc > 1 ? 2 : 1), argv + argc);
	const std::string Name = argc > 1 ? argv[1] : "--help";
	if (Name == "--help" || Name == "-h" || Name == "help")
	{
		// "velmora help fit" is "velmora fit --help".
		if (Args.empty())
		{
			std::fputs(VelmoraCli::OverviewHelp().c_str(), stdout);
			return 0;
		}
		if (const VelmoraCli::FCommand* Command = VelmoraCli::FindCommand(Args[0]))
		{
			return Command->Run({"--help"});
		}
		std::fprintf(stderr, "velmora: unknown command '%s' (see velmora --help)\n", Args[0].c_str());
		return 2;
	}
	if (const VelmoraCli::FCommand* Command = VelmoraCli::FindCommand(Name))
	{
		return Command->Run(Args);
	}
	std::fprintf(stderr, "velmora: unknown command '%s' (see velmora --help)\n", Name.c_str());
	return 2;
}
