#include "CliTestUtils.h"
#include "Options.h"

using namespace CliTest;

namespace
{
	// The vector an option's arguments give, and how many arguments it took (0 when refused).
	std::pair<FVector, size_t> ParseVector(std::vector<std::string> Args, bool bAllowSingle = false)
	{
		size_t Index = 0;
		FVector Value(-1, -1, -1);
		std::string Error;
		if (!VelmoraCli::ParseVectorOption(Args, Index, bAllowSingle, Value, Error))
		{
			EXPECT_FALSE(Error.empty());
			return {Value, 0};
		}
		return {Value, Index};
	}
}

TEST(CommandLine, VectorsComeAsOneTripleOrThreeNumbers)
{
	EXPECT_EQ(ParseVector({"--origin", "1,-2,3.5"}), std::make_pair(FVector(1, -2, 3.5), size_t(2)));
	EXPECT_EQ(ParseVector({"--origin=1,-2,3.5", "next"}), std::make_pair(FVector(1, -2, 3.5), size_t(1)));
	EXPECT_EQ(ParseVector({"--origin", "1", "-2", "3.5", "file.abc"}), std::make_pair(FVector(1, -2, 3.5), size_t(4)));
	EXPECT_EQ(ParseVector({"--origin", "1e2,0,-0"}), std::make_pair(FVector(100, 0, 0), size_t(2)));
}

TEST(CommandLine, ScaleTakesOneNumberForAllAxes)
{
	EXPECT_EQ(ParseVector({"--mesh-scale", "2", "groom.abc"}, true), std::make_pair(FVector(2, 2, 2), size_t(2)));
	EXPECT_EQ(ParseVector({"--mesh-scale=0.5"}, true), std::make_pair(FVector(0.5, 0.5, 0.5), size_t(1)));
	EXPECT_EQ(ParseVector({"--mesh-scale", "1,2,3"}, true), std::make_pair(FVector(1, 2, 3), size_t(2)));
	EXPECT_EQ(ParseVector({"--origin", "2", "groom.abc"}).second, 0u) << "a position needs three numbers";
}

TEST(CommandLine, RefusesWhatIsNotThreeFiniteNumbers)
{
	for (const std::vector<std::string>& Args : std::vector<std::vector<std::string>>{
	         {"--origin"}, {"--origin", "1,2"}, {"--origin", "1,2,3,4"}, {"--origin", "1,,3"}, {"--origin", "a,b,c"}, {"--origin", "1,2,inf"}, {"--origin", "nan,0,0"}, {"--origin", "1", "2"}, {"--origin", " 1,2,3"}, {"--origin", "1,2,3x"}, {"--origin", "1e999,0,0"}})
	{
		EXPECT_EQ(ParseVector(Args).second, 0u) << ::testing::PrintToString(Args);
	}
}

TEST(CommandLine, NegativeNumbersAreNotOptions)
{
	EXPECT_FALSE(VelmoraCli::IsOption("-5"));
	EXPECT_FALSE(VelmoraCli::IsOption("-0.5e3"));
	EXPECT_FALSE(VelmoraCli::IsOption("-"));
	EXPECT_TRUE(VelmoraCli::IsOption("-q"));
	EXPECT_TRUE(VelmoraCli::IsOption("--json"));
}

TEST(CommandLine, EveryCommandExplainsItselfWithAnExample)
{
	const fs::path Dir = VelmoraTest::MakeTempDir("help");
	const FRun Top = RunVelmora("--help", Dir);
	EXPECT_EQ(Top.ExitCode, 0);
	for (const char* Command : {"fit", "check", "convert", "demo", "inspect", "pack"})
	{
		SCOPED_TRACE(Command);
		EXPECT_NE(Top.Stdout.find(std::string("  ") + Command + " "), std::string::npos) << Top.Stdout;
		const FRun Help = RunVelmora(std::string(Command) + " --help", Dir);
		EXPECT_EQ(Help.ExitCode, 0);
		EXPECT_EQ(Help.Stdout.rfind(std::string("usage: velmora ") + Command, 0), 0u) << Help.Stdout;
		EXPECT_NE(Help.Stdout.find(std::string("example: velmora ") + Command), std::string::npos);
		EXPECT_EQ(RunVelmora(std::string("help ") + Command, Dir).Stdout, Help.Stdout);
	}
	const FRun Unknown = RunVelmora("frobnicate", Dir);
	EXPECT_EQ(Unknown.ExitCode, 2);
	EXPECT_EQ(Unknown.Stderr, "velmora: unknown command 'frobnicate' (see velmora --help)\n");
}

TEST(CommandLine, OptionTablesTakeValuesOnlyWhereTheyCanBeValues)
{
	std::string Report, Offset = "none";
	bool bJson = false;
	const std::vector<VelmoraCli::FOption> Options = {
	    VelmoraCli::FileOption({"--report"}, Report),
	    VelmoraCli::FlagOption({"--json"}, bJson),
	    {{"--offset"}, VelmoraCli::EValue::OptionalNumber, "a distance", [&Offset](const VelmoraCli::FOptionValue& Value, std::string&)
	     {
		     Offset = Value.bGiven ? Value.Text : "default";
		     return true;
	     }},
	};
	const auto Parse = [&](std::vector<std::string> Args, std::vector<std::string>* Files = nullptr)
	{
		std::vector<std::string> Taken;
		std::string Error;
		const VelmoraCli::EParsed Parsed = VelmoraCli::ParseArguments(Args, Options, Taken, Error);
		EXPECT_EQ(Parsed == VelmoraCli::EParsed::Bad, !Error.empty()) << Error;
		if (Files)
		{
			*Files = Taken;
		}
		return Parsed;
	};
	EXPECT_EQ(Parse({"--report", "--json"}), VelmoraCli::EParsed::Bad);
	EXPECT_EQ(Parse({"--report", ""}), VelmoraCli::EParsed::Bad);
	EXPECT_EQ(Parse({"--report="}), VelmoraCli::EParsed::Bad);
	EXPECT_EQ(Parse({"--json=1"}), VelmoraCli::EParsed::Bad);
	EXPECT_EQ(Parse({"a", "--help", "--frobnicate"}), VelmoraCli::EParsed::Help);

	std::vector<std::string> Files;
	EXPECT_EQ(Parse({"--offset", "groom.abc", "--report=-q", "--", "--json"}, &Files), VelmoraCli::EParsed::Run);
	EXPECT_EQ(Offset, "default") << "a file after an optional value stays a file";
	EXPECT_EQ(Report, "-q") << "said with '=', a value may look like an option";
	EXPECT_EQ(Files, (std::vector<std::string>{"groom.abc", "--json"}));
	EXPECT_FALSE(bJson);
	for (const char* Numberish : {"nan", "0x10", "-1", ".5", "Inf"})
	{
		EXPECT_EQ(Parse({"--offset", Numberish}, &Files), VelmoraCli::EParsed::Run);
		EXPECT_EQ(Offset, Numberish) << "taken as the value, for the option to judge";
		EXPECT_TRUE(Files.empty());
	}
}

TEST(CommandLine, NumbersAreDecimalAndFinite)
{
	double Value = 0;
	for (const char* Good : {"1", "-0.5", "+2e3", ".5", "5.", "1E-3"})
	{
		EXPECT_TRUE(VelmoraCli::ParseNumber(Good, Value)) << Good;
	}
	for (const char* Bad : {"0x10", "nan", "inf", "-infinity", "1e400", "", " 1", "1 ", "1e", "e5", ".", "1,5", "0x1p3"})
	{
		EXPECT_FALSE(VelmoraCli::ParseNumber(Bad, Value)) << Bad;
	}
	uint64_t Whole = 0;
	std::string Error;
	EXPECT_FALSE(VelmoraCli::ParseWholeNumber("--strands", "2.5", "a whole number", 1, 10, Whole, Error));
	EXPECT_EQ(Error, "--strands expects a whole number from 1 to 10, not '2.5'");
	EXPECT_TRUE(VelmoraCli::ParseWholeNumber("--strands", "10", "a whole number", 1, 10, Whole, Error));
	EXPECT_EQ(Whole, 10u);
}
