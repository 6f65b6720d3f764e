#include "Options.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <algorithm>

namespace VelmoraCli
{
	namespace
	{
		// Decimal number syntax: an optional sign, digits with an optional point (or a point and digits),
		// and an optional exponent.
		bool IsDecimal(const std::string& Text)
		{
			size_t At = 0;
			const auto Digits = [&]
			{
				const size_t Start = At;
				while (At < Text.size() && Text[At] >= '0' && Text[At] <= '9')
				{
					++At;
				}
				return At - Start;
			};
			if (At < Text.size() && (Text[At] == '+' || Text[At] == '-'))
			{
				++At;
			}
			size_t Mantissa = Digits();
			if (At < Text.size() && Text[At] == '.')
			{
				++At;
				Mantissa += Digits();
			}
			if (Mantissa == 0)
			{
				return false;
			}
			if (At < Text.size() && (Text[At] == 'e' || Text[At] == 'E'))
			{
				++At;
				if (At < Text.size() && (Text[At] == '+' || Text[At] == '-'))
				{
					++At;
				}
				if (Digits() == 0)
				{
					return false;
				}
			}
			return At == Text.size();
		}

		// Whether an optional value's candidate starts as a number would, or as a mistyped one: then it is
		// the value, and refused if wrong, rather than a file.
		bool StartsLikeNumber(const std::string& Text)
		{
			if (Text.empty())
			{
				return false;
			}
			const std::string Body = Text[0] == '+' || Text[0] == '-' ? Text.substr(1) : Text;
			std::string Lower;
			for (const char Character : Body)
			{
				Lower += static_cast<char>(std::tolower(static_cast<unsigned char>(Character)));
			}
			return (!Body.empty() && ((Body[0] >= '0' && Body[0] <= '9') || Body[0] == '.')) || Lower == "nan" || Lower == "inf" || Lower == "infinity";
		}
	}

	bool ParseNumber(const std::string& Text, double& OutValue)
	{
		if (!IsDecimal(Text))
		{
			return false;
		}
		errno = 0;
		char* End = nullptr;
		const double Value = std::strtod(Text.c_str(), &End);
		if (errno != 0 || End != Text.c_str() + Text.size() || !std::isfinite(Value))
		{
			return false;
		}
		OutValue = Value;
		return true;
	}

	bool ParseWholeNumber(const std::string& Name, const std::string& Text, const char* What, uint64_t Low, uint64_t High, uint64_t& OutValue,
	                      std::string& OutError)
	{
		double Number = 0;
		if (!ParseNumber(Text, Number) || Number != std::floor(Number) || Number < static_cast<double>(Low) || Number > static_cast<double>(High))
		{
			OutError = Name + " expects " + What + " from " + std::to_string(Low) + " to " + std::to_string(High) + ", not '" + Text + "'";
			return false;
		}
		OutValue = static_cast<uint64_t>(Number);
		return true;
	}

	bool SplitInlineValue(const std::string& Arg, std::string& OutName, std::string& OutValue)
	{
		const size_t Equals = Arg.find('=');
		if (Arg.rfind("--", 0) != 0 || Equals == std::string::npos)
		{
			return false;
		}
		OutName = Arg.substr(0, Equals);
		OutValue = Arg.substr(Equals + 1);
		return true;
	}

	bool IsOption(const std::string& Arg)
	{
		double Number = 0;
		return Arg.size() > 1 && Arg[0] == '-' && !ParseNumber(Arg, Number);
	}

	namespace
	{
		bool ParseTriple(const std::string& Text, FVector& OutValue)
		{
			double Values[3] = {};
			size_t Start = 0;
			for (int Axis = 0; Axis < 3; ++Axis)
			{
				const size_t Comma = Text.find(',', Start);
				const bool bLast = Axis == 2;
				if (bLast != (Comma == std::string::npos))
				{
					return false;
				}
				const std::string Part = Text.substr(Start, bLast ? std::string::npos : Comma - Start);
				if (!ParseNumber(Part, Values[Axis]))
				{
					return false;
				}
				Start = Comma + 1;
			}
			OutValue = FVector(Values[0], Values[1], Values[2]);
			return true;
		}
	}

	bool ParseVectorOption(const std::vector<std::string>& Args, size_t& Index, bool bAllowSingle, FVector& OutValue, std::string& OutError)
	{
		std::string Name = Args[Index];
		std::string Inline;
		const bool bInline = SplitInlineValue(Args[Index], Name, Inline);
		const std::string Expected = bAllowSingle ? "S or X,Y,Z" : "X,Y,Z";
		const auto Fail = [&](const std::string& Got)
		{
			OutError = Name + " expects " + Expected + ", not '" + Got + "'";
			return false;
		};

		if (bInline || (Index + 1 < Args.size() && Args[Index + 1].find(',') != std::string::npos))
		{
			const std::string Text = bInline ? Inline : Args[Index + 1];
			double Single = 0;
			if (bAllowSingle && ParseNumber(Text, Single))
			{
				OutValue = FVector(Single, Single, Single);
			}
			else if (!ParseTriple(Text, OutValue))
			{
				return Fail(Text);
			}
			Index += bInline ? 1 : 2;
			return true;
		}

		double Values[3] = {};
		int Count = 0;
		while (Count < 3 && Index + 1 + Count < Args.size() && ParseNumber(Args[Index + 1 + Count], Values[Count]))
		{
			++Count;
		}
		if (Count == 3)
		{
			OutValue = FVector(Values[0], Values[1], Values[2]);
			Index += 4;
			return true;
		}
		if (Count >= 1 && bAllowSingle)
		{
			OutValue = FVector(Values[0], Values[0], Values[0]);
			Index += 2;
			return true;
		}
		if (Index + 1 >= Args.size())
		{
			OutError = Name + " expects " + Expected;
			return false;
		}
		return Fail(Args[Index + 1]);
	}

	bool CheckFloatVector(const std::string& Name, const FVector& Value, bool bNonZero, std::string& OutError)
	{
		const double Largest = std::numeric_limits<float>::max();
		const double Axes[3] = {Value.X, Value.Y, Value.Z};
		char Text[128];
		std::snprintf(Text, sizeof(Text), "%g,%g,%g", Value.X, Value.Y, Value.Z);
		for (const double Axis : Axes)
		{
			if (!(std::fabs(Axis) <= Largest))
			{
				OutError = Name + " " + Text + " does not fit a float (largest 3.4028235e+38)";
				return false;
			}
			if (bNonZero && Axis == 0.0)
			{
				OutError = Name + " " + Text + " is zero on an axis, which flattens the mesh";
				return false;
			}
		}
		return true;
	}

	bool TakeFileArgument(const std::vector<std::string>& Args, size_t& Index, std::vector<std::string>& Files, std::string& OutError)
	{
		const std::string& Arg = Args[Index];
		if (Arg == "--")
		{
			Files.insert(Files.end(), Args.begin() + static_cast<std::ptrdiff_t>(Index) + 1, Args.end());
			Index = Args.size();
			return true;
		}
		if (IsOption(Arg))
		{
			OutError = "unknown option '" + Arg + "'";
			return false;
		}
		Files.push_back(Arg);
		++Index;
		return true;
	}

	namespace
	{
		const FOption* FindOption(const std::vector<FOption>& Options, const std::string& Name)
		{
			for (const FOption& Option : Options)
			{
				if (std::find(Option.Names.begin(), Option.Names.end(), Name) != Option.Names.end())
				{
					return &Option;
				}
			}
			return nullptr;
		}

		// Reads the value of Option, named at Args[Index], into OutValue and moves Index past what it used.
		bool ReadValue(const std::vector<std::string>& Args, size_t& Index, const FOption& Option, bool bInline, const std::string& Inline, FOptionValue& OutValue,
		               std::string& OutError)
		{
			const std::string& Name = OutValue.Name;
			const bool bNext = Index + 1 < Args.size();
			switch (Option.Value)
			{
				case EValue::None:
					if (bInline)
					{
						OutError = Name + " takes no value";
						return false;
					}
					Index += 1;
					return true;
				case EValue::Vector:
				case EValue::VectorOrScalar:
				{
					if (bInline && Inline.empty())
					{
						OutError = Name + " expects " + Option.Expects;
						return false;
					}
					OutValue.bGiven = true;
					return ParseVectorOption(Args, Index, Option.Value == EValue::VectorOrScalar, OutValue.Vector, OutError);
				}
				case EValue::OptionalNumber:
					if (bInline)
					{
						OutValue.bGiven = true;
						OutValue.Text = Inline;
					}
					else if (bNext && StartsLikeNumber(Args[Index + 1]))
					{
						OutValue.bGiven = true;
						OutValue.Text = Args[Index + 1];
						Index += 1;
					}
					Index += 1;
					if (OutValue.bGiven && OutValue.Text.empty())
					{
						OutError = Name + " expects " + Option.Expects;
						return false;
					}
					return true;
				case EValue::Required:
					if (bInline)
					{
						OutValue.Text = Inline;
						Index += 1;
					}
					else
					{
						if (!bNext)
						{
							OutError = Name + " expects " + Option.Expects;
							return false;
						}
						if (IsOption(Args[Index + 1]))
						{
							OutError = Name + " expects " + Option.Expects + ", not the option '" + Args[Index + 1] + "'";
							return false;
						}
						OutValue.Text = Args[Index + 1];
						Index += 2;
					}
					OutValue.bGiven = true;
					if (OutValue.Text.empty())
					{
						OutError = Name + " expects " + Option.Expects + ", not an empty value";
						return false;
					}
					return true;
			}
			return false;
		}
	}

	bool TakeInputsAndOutput(std::vector<std::string>& Files, size_t NumInputs, std::string& InOutOutput, const std::string& Synopsis, std::string& OutError)
	{
		if (Files.size() == NumInputs + 1 && InOutOutput.empty())
		{
			InOutOutput = Files.back();
			Files.pop_back();
		}
		if (Files.size() > NumInputs)
		{
			OutError = "too many files";
			return false;
		}
		if (Files.size() < NumInputs || InOutOutput.empty())
		{
			OutError = "expects " + Synopsis;
			return false;
		}
		return true;
	}

	EParsed ParseArguments(const std::vector<std::string>& Args, const std::vector<FOption>& Options, std::vector<std::string>& OutFiles, std::string& OutError)
	{
		for (size_t Index = 0; Index < Args.size();)
		{
			const std::string& Arg = Args[Index];
			std::string Name = Arg, Inline;
			const bool bInline = SplitInlineValue(Arg, Name, Inline);
			if (Name == "-h" || Name == "--help")
			{
				return EParsed::Help;
			}
			const FOption* Option = FindOption(Options, Name);
			if (!Option)
			{
				if (!TakeFileArgument(Args, Index, OutFiles, OutError))
				{
					return EParsed::Bad;
				}
				continue;
			}
			FOptionValue Value;
			Value.Name = Name;
			if (!ReadValue(Args, Index, *Option, bInline, Inline, Value, OutError) || (Option->Apply && !Option->Apply(Value, OutError)))
			{
				return EParsed::Bad;
			}
		}
		return EParsed::Run;
	}

	FOption FlagOption(std::vector<std::string> Names, bool& bTarget)
	{
		return {std::move(Names), EValue::None, std::string(), [&bTarget](const FOptionValue&, std::string&)
		        {
			        bTarget = true;
			        return true;
		        }};
	}

	FOption FileOption(std::vector<std::string> Names, std::string& Target, std::string Expects)
	{
		return {std::move(Names), EValue::Required, std::move(Expects), [&Target](const FOptionValue& Value, std::string&)
		        {
			        Target = Value.Text;
			        return true;
		        }};
	}

	void AddPlacementOptions(std::vector<FOption>& Options, FPlacement& Placement)
	{
		const auto Vector = [&Options](const char* Name, bool bScale, bool bFloat, std::function<void(const FVector&)> Store)
		{
			Options.push_back({{Name}, bScale ? EValue::VectorOrScalar : EValue::Vector, bScale ? "S or X,Y,Z" : "X,Y,Z", [=](const FOptionValue& Value, std::string& OutError)
			                   {
				                   if (bFloat && !CheckFloatVector(Value.Name, Value.Vector, bScale, OutError))
				                   {
					                   return false;
				                   }
				                   Store(Value.Vector);
				                   return true;
			                   }});
		};
		Vector("--origin", false, true, [&Placement](const FVector& Value)
		       {
			       Placement.Origin = Value;
			       Placement.bOriginGiven = true; });
		Vector("--actor-location", false, true, [&Placement](const FVector& Value)
		       {
			       Placement.ActorLocation = Value;
			       Placement.bActorLocationGiven = true; });
		Vector("--mesh-location", false, true, [&Placement](const FVector& Value)
		       { Placement.MeshLocation = Value; });
		Vector("--mesh-rotation", false, false, [&Placement](const FVector& Value)
		       { Placement.MeshRotation = FRotator(Value.X, Value.Y, Value.Z); });
		Vector("--mesh-scale", true, true, [&Placement](const FVector& Value)
		       { Placement.MeshScale = Value; });
	}

	void AddMeshLimitOptions(std::vector<FOption>& Options, FMeshImportLimits& Limits)
	{
		Options.push_back({{"--mesh-memory-limit"}, EValue::Required, "a whole number of megabytes from 64 to 1048576", [&Limits](const FOptionValue& Value, std::string& OutError)
		                   { return ParseWholeNumber(Value.Name, Value.Text, "a whole number of megabytes", 64, 1048576, Limits.MemoryMB, OutError); }});
		Options.push_back({{"--mesh-time-limit"}, EValue::Required, "a whole number of seconds from 1 to 86400", [&Limits](const FOptionValue& Value, std::string& OutError)
		                   { return ParseWholeNumber(Value.Name, Value.Text, "a whole number of seconds", 1, 86400, Limits.TimeSeconds, OutError); }});
		Options.push_back({{"--mesh-max-triangles"}, EValue::Required, "a whole number of triangles from 1 to 1000000000", [&Limits](const FOptionValue& Value, std::string& OutError)
		                   { return ParseWholeNumber(Value.Name, Value.Text, "a whole number of triangles", 1, 1000000000, Limits.MaxTriangles, OutError); }});
	}
}
