// The velmora command: the plugin's tools without the editor.
#include "CoreMinimal.h"

#include <cstdio>
#include <cstring>

namespace
{
	constexpr const char* Usage =
		"velmora: fit hair grooms onto meshes without the editor\n"
		"\n"
		"usage: velmora <command> [options]\n"
		"\n"
		"commands:\n"
		"  --help     show this text\n";
}

int main(int argc, char** argv)
{
	if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)
	{
		std::fputs(Usage, stdout);
		return 0;
	}
	std::fprintf(stderr, "velmora: unknown command '%s' (see velmora --help)\n", argv[1]);
	return 2;
}
