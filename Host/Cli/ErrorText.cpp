#include "ErrorText.h"

#include <algorithm>

namespace VelmoraCli
{
	std::string LastLineOf(const std::string& Message)
	{
		std::string Last;
		size_t Start = 0;
		while (Start <= Message.size())
		{
			const size_t End = std::min(Message.find('\n', Start), Message.size());
			const std::string Line = Message.substr(Start, End - Start);
			if (Line.find_first_not_of(" \r") != std::string::npos)
			{
				Last = Line;
			}
			Start = End + 1;
		}
		while (!Last.empty() && (Last.back() == '\r' || Last.back() == ' '))
		{
			Last.pop_back();
		}
		return Last.empty() ? std::string("unknown error") : Last;
	}

	std::string Counted(long long Count, const char* Noun)
	{
		return std::to_string(Count) + " " + Noun + (Count == 1 ? "" : "s");
	}

	std::string Counted(long long Count, const char* Noun, const char* Plural)
	{
		return std::to_string(Count) + " " + (Count == 1 ? Noun : Plural);
	}
}
