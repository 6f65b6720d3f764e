#include "WrittenGroom.h"

#include "StreamCapture.h"

#include "Host/Log.h"

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
}
