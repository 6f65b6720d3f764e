#include "WrittenGroom.h"

#include "StreamCapture.h"

#include "Host/Log.h"

#include <algorithm>

namespace VelmoraCli
{
	bool ReadsBackWhole(const std::string& Path, const GroomData& Expected, const std::string& Shown, std::string& OutError)
	{
		return ReadsBackWhole(Path, Expected.vertexCounts.size(), Expected.positions.size() / 3, Shown, OutError);
	}

	bool ReadsBackWhole(const std::string& Path, size_t Strands, size_t Points, const std::string& Shown, std::string& OutError)
	{
		bool bFailed = false;
		GroomData Written;
		{
			Host::FScopedLogCapture Quiet;
			FScopedStreamCapture Streams;
			try
			{
				Written = ReadGroom(Path, bFailed);
			}
			catch (...)
			{
				bFailed = true;
			}
		}
		if (bFailed || Written.vertexCounts.size() != Strands || Written.positions.size() / 3 != Points)
		{
			OutError = "cannot write '" + Shown + "': the written file does not read back whole (is the disk full?)";
			return false;
		}
		return true;
	}

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
}
