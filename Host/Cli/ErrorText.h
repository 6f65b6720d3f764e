#pragma once

#include <string>

namespace VelmoraCli
{
	// The last line of a message: the groom writer's exceptions span lines and end with the cause.
	std::string LastLineOf(const std::string& Message);

	// "1 strand", "2 strands": Count and Noun, made plural by an s unless there is one.
	std::string Counted(long long Count, const char* Noun);
	// The same with a plural of its own ("1 miss", "2 misses").
	std::string Counted(long long Count, const char* Noun, const char* Plural);
}
