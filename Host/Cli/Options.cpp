#include "Options.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace VelmoraCli
{
	bool ParseNumber(const std::string& Text, double& OutValue)
	{
		if (Text.empty() || std::isspace(static_cast<unsigned char>(Text[0])))
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

	bool ParseFileOption(const std::vector<std::string>& Args, size_t& Index, std::string& OutPath, std::string& OutError)
	{
		std::string Name = Args[Index];
		std::string Inline;
		if (SplitInlineValue(Args[Index], Name, Inline))
		{
			if (Inline.empty())
			{
				OutError = Name + " expects a file name";
				return false;
			}
			OutPath = Inline;
			Index += 1;
			return true;
		}
		if (Index + 1 >= Args.size() || Args[Index + 1].empty())
		{
			OutError = Name + " expects a file name";
			return false;
		}
		if (IsOption(Args[Index + 1]))
		{
			OutError = Name + " expects a file name, not the option '" + Args[Index + 1] + "'";
			return false;
		}
		OutPath = Args[Index + 1];
		Index += 2;
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
}
