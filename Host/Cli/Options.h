#pragma once

#include "CoreMinimal.h"

#include <string>
#include <vector>

// Argument conventions shared by the subcommands.
namespace VelmoraCli
{
	// A number with nothing after it, finite.
	bool ParseNumber(const std::string& Text, double& OutValue);

	// Reads the value of a vector option whose name sits at Args[Index]: "X,Y,Z" in one argument (or after
	// "--name="), or three numbers in the next three. With bAllowSingle, one number S stands for S,S,S.
	// Advances Index past what it used. False with a reason in OutError.
	bool ParseVectorOption(const std::vector<std::string>& Args, size_t& Index, bool bAllowSingle, FVector& OutValue, std::string& OutError);

	// Splits "--name=value" into name and value; other arguments are left alone.
	bool SplitInlineValue(const std::string& Arg, std::string& OutName, std::string& OutValue);

	// Takes the argument at Index that no option of the command took: "--" makes every argument after it
	// a file, another option is unknown (false, with the reason), anything else is a file. Index moves
	// past what was taken.
	bool TakeFileArgument(const std::vector<std::string>& Args, size_t& Index, std::vector<std::string>& Files, std::string& OutError);

	// Whether Arg looks like an option rather than a file or a negative number.
	bool IsOption(const std::string& Arg);

	// Checks a vector option's value against the float the groom stores it in: every axis within float
	// range and, with bNonZero, none zero (a scale). False with a reason naming the option.
	bool CheckFloatVector(const std::string& Name, const FVector& Value, bool bNonZero, std::string& OutError);

	// Reads the file name after an option such as -o at Args[Index] (or after "--name="), advancing
	// Index past it. A separate argument that looks like an option is refused: "-o -q" is a slip,
	// not a file named "-q" ("-o ./-q" or "--output=-q" name one).
	bool ParseFileOption(const std::vector<std::string>& Args, size_t& Index, std::string& OutPath, std::string& OutError);
}
