#pragma once

#include "GroomFitting.h"

#include <nlohmann/json.hpp>

#include <string>

// The fit-quality report as the command prints it: lines for people, an object for JSON.
namespace VelmoraCli
{
	nlohmann::json QualityToJson(const GroomFitting::FFitReport& Report);
	nlohmann::json OptionsToJson(const GroomFitting::FFitOptions& Options);

	// "roots    ..." and "inside   ..." lines (and, after a fit, "moved" and "repairs"), each ending in a newline.
	std::string DescribeQuality(const GroomFitting::FFitReport& Report);
}
