// The velmora command: the plugin's tools without the editor.
#include "Commands.h"

#include <cstdio>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

int main(int argc, char** argv)
{
#if defined(__GLIBC__)
	// A command holds a few large buffers (a groom's points, the reader's and the writer's samples) that
	// come and go once each. From the heap, and kept there when freed, the next one reuses their pages
	// instead of the kernel mapping and zeroing fresh ones for each: a tenth of a fit's time.
	mallopt(M_MMAP_MAX, 0);
	mallopt(M_TRIM_THRESHOLD, -1);
#endif
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
