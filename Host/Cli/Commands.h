#pragma once

#include <string>
#include <vector>

// Each subcommand takes its arguments (without the command name) and returns the process exit code.
namespace VelmoraCli
{
	int RunInspect(const std::vector<std::string>& Args);
	int RunPack(const std::vector<std::string>& Args);
	int RunFit(const std::vector<std::string>& Args);
	int RunDemo(const std::vector<std::string>& Args);
	int RunConvert(const std::vector<std::string>& Args);
	int RunCheck(const std::vector<std::string>& Args);

	extern const char* const InspectUsage;
	extern const char* const PackUsage;
	extern const char* const FitUsage;
	extern const char* const DemoUsage;
	extern const char* const ConvertUsage;
	extern const char* const CheckUsage;
}
