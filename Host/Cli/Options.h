#pragma once

#include "CoreMinimal.h"
#include "MeshImportGuard.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Argument conventions shared by the subcommands.
namespace VelmoraCli
{
	// A decimal number with nothing around it, finite: "1", "-0.5", "2e3". Hex, "nan", "inf", spaces and
	// numbers beyond double range are not numbers here.
	bool ParseNumber(const std::string& Text, double& OutValue);

	// A whole decimal number from Low to High. False for anything else, with the reason in OutError
	// ("NAME expects WHAT from LOW to HIGH, not 'TEXT'"), What naming the unit ("a whole number of seconds").
	bool ParseWholeNumber(const std::string& Name, const std::string& Text, const char* What, uint64_t Low, uint64_t High, uint64_t& OutValue,
	                      std::string& OutError);

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

	// One option of a command and what it does with its value. Every command reads its arguments with
	// ParseArguments over a table of these, so the rules are the same everywhere:
	// - a value is "--name=VALUE" or the next argument, never an option: "--report --json" is refused;
	// - an empty value is refused ("--report=" or "--report ''");
	// - an optional value (EValue::OptionalNumber) is the next argument only when it starts like a number,
	//   so "--resolve-penetration groom.abc" leaves the file alone and "--resolve-penetration nan" is a
	//   bad value, not a file;
	// - a flag takes no "=VALUE";
	// - "--" makes every argument after it a file.
	enum class EValue
	{
		None,
		Required,
		OptionalNumber,
		// "X,Y,Z" in one argument, or three numbers in three.
		Vector,
		// A vector, or one number for all three axes.
		VectorOrScalar,
	};

	struct FOptionValue
	{
		// The option as written ("--origin", "-o").
		std::string Name;
		bool bGiven = false;
		std::string Text;
		FVector Vector = FVector::ZeroVector;
	};

	struct FOption
	{
		std::vector<std::string> Names;
		EValue Value = EValue::None;
		// What the value is, for messages: "a file name", "keep or nearest".
		std::string Expects;
		// Applies the value; false with a one-line reason for a value that is wrong.
		std::function<bool(const FOptionValue&, std::string&)> Apply;
	};

	enum class EParsed
	{
		Run,
		Help,
		Bad,
	};

	// Reads Args against Options ("-h" and "--help" are always there): the arguments no option takes go to
	// OutFiles. Bad with a one-line reason for an unknown option or a value that is missing or wrong.
	EParsed ParseArguments(const std::vector<std::string>& Args, const std::vector<FOption>& Options, std::vector<std::string>& OutFiles, std::string& OutError);

	// The files of a command that reads NumInputs files and writes one, named last or by -o (InOutOutput):
	// the output is taken from Files, which keeps the inputs. False with "too many files" or "expects
	// <Synopsis>".
	bool TakeInputsAndOutput(std::vector<std::string>& Files, size_t NumInputs, std::string& InOutOutput, const std::string& Synopsis, std::string& OutError);

	// Options shared by several commands.
	FOption FlagOption(std::vector<std::string> Names, bool& bTarget);
	FOption FileOption(std::vector<std::string> Names, std::string& Target, std::string Expects = "a file name");

	// Where the groom and the mesh stand, as fit and check take it.
	struct FPlacement
	{
		FVector Origin = FVector::ZeroVector;
		bool bOriginGiven = false;
		FVector ActorLocation = FVector::ZeroVector;
		bool bActorLocationGiven = false;
		FVector MeshLocation = FVector::ZeroVector;
		FRotator MeshRotation = FRotator::ZeroRotator;
		FVector MeshScale = FVector::OneVector;
	};
	// --origin, --actor-location, --mesh-location, --mesh-rotation, --mesh-scale, each checked against the
	// float the groom holds it in (the rotation is an angle and is not).
	void AddPlacementOptions(std::vector<FOption>& Options, FPlacement& Placement);

	// --mesh-memory-limit MB and --mesh-time-limit S.
	void AddMeshLimitOptions(std::vector<FOption>& Options, FMeshImportLimits& Limits);
}
