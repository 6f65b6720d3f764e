#pragma once

#include <string>

namespace VelmoraCli
{
	// The last line of a message: the groom writer's exceptions span lines and end with the cause.
	std::string LastLineOf(const std::string& Message);
}
