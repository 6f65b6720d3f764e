#include "Commands.h"
#include "GroomJson.h"
#include "MeshParts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace VelmoraCli
{
	const char* const InspectUsage =
	    "usage: velmora inspect GROOM.abc [--json]\n"
	    "\n"
	    "Reads a groom the way the fit does and shows what it holds: strands, points, points per strand,\n"
	    "the widths, colours and normals and whether they are per strand or per point, the bounding box,\n"
	    "the projection a fit would choose, and every message the reader gave.\n"
	    "With --json, prints the whole record and the messages as JSON.\n"
	    "\n"
	    "example: velmora inspect groom.abc\n";

	namespace
	{
		std::string DescribeCount(size_t Count, size_t Strands, size_t Points)
		{
			if (Count == 0)
			{
				return "none";
			}
			if (Count == Strands && Count == Points)
			{
				return "per strand and per point";
			}
			if (Count == Strands)
			{
				return "per strand";
			}
			if (Count == Points)
			{
				return "per point";
			}
			if (Count == 1)
			{
				return "one for the whole groom";
			}
			return "matches neither the strands nor the points";
		}

		void PrintTriples(const char* Name, const std::vector<float>& Values, size_t Strands, size_t Points)
		{
			const size_t Count = Values.size() / 3;
			std::printf("  %-15s %zu (%s)%s\n", Name, Count, DescribeCount(Count, Strands, Points).c_str(),
			            Values.size() % 3 != 0 ? ", plus a partial triple" : "");
		}
	}

	namespace
	{
		void PrintGroom(const std::string& Path, const GroomData& Groom, const FReadMessages& Messages)
		{
			const size_t Strands = Groom.vertexCounts.size();
			const size_t Points = Groom.positions.size() / 3;
			int64_t CountSum = 0;
			int32_t MinCount = std::numeric_limits<int32_t>::max();
			int32_t MaxCount = std::numeric_limits<int32_t>::min();
			for (const int32_t Count : Groom.vertexCounts)
			{
				CountSum += Count;
				MinCount = std::min(MinCount, Count);
				MaxCount = std::max(MaxCount, Count);
			}

			std::printf("%s\n", Path.c_str());
			std::printf("  %-15s %zu\n", "strands", Strands);
			std::printf("  %-15s %zu%s\n", "points", Points, Groom.positions.size() % 3 != 0 ? ", plus a partial triple" : "");
			if (Strands > 0)
			{
				std::printf("  %-15s min %d, max %d\n", "points/strand", MinCount, MaxCount);
			}
			if (CountSum != static_cast<int64_t>(Points) || MinCount < 0)
			{
				std::printf("  %-15s the strand counts add up to %lld points, but the file holds %zu\n", "warning",
				            static_cast<long long>(CountSum), Points);
			}
			std::printf("  %-15s %zu (%s)\n", "widths", Groom.widths.size(), DescribeCount(Groom.widths.size(), Strands, Points).c_str());
			PrintTriples("groom_color", Groom.groomColors, Strands, Points);
			PrintTriples("surface_normal", Groom.surfaceNormals, Strands, Points);
			if (Points > 0)
			{
				// Points with a non-finite coordinate have no place in a box; they are counted instead.
				float Min[3] = {std::numeric_limits<float>::max(), std::numeric_limits<float>::max(), std::numeric_limits<float>::max()};
				float Max[3] = {-Min[0], -Min[1], -Min[2]};
				size_t NonFinite = 0;
				for (size_t Point = 0; Point < Points; ++Point)
				{
					const float* P = &Groom.positions[Point * 3];
					if (!std::isfinite(P[0]) || !std::isfinite(P[1]) || !std::isfinite(P[2]))
					{
						++NonFinite;
						continue;
					}
					for (int Axis = 0; Axis < 3; ++Axis)
					{
						Min[Axis] = std::min(Min[Axis], P[Axis]);
						Max[Axis] = std::max(Max[Axis], P[Axis]);
					}
				}
				if (NonFinite == Points)
				{
					std::printf("  %-15s none: no point is finite\n", "bounds");
				}
				else
				{
					std::printf("  %-15s (%g, %g, %g) to (%g, %g, %g)", "bounds", Min[0], Min[1], Min[2], Max[0], Max[1], Max[2]);
					if (NonFinite > 0)
					{
						std::printf("; %zu of the points are not finite and left out", NonFinite);
					}
					std::printf("\n");
				}
			}
			const bool bSurfaceNormal = Groom.surfaceNormals.size() / 3 == Strands;
			std::printf("  %-15s %s\n", "fit projection", bSurfaceNormal ? "surface normal (one normal per strand)" : "spherical (normals do not match the strands)");
			if (Messages.Log.empty() && Messages.Stderr.empty())
			{
				std::printf("  %-15s none\n", "messages");
			}
			else
			{
				std::printf("  messages:\n");
				for (const std::string& Line : Messages.Log)
				{
					std::printf("    LogTemp: Warning: %s\n", Line.c_str());
				}
				for (const std::string& Line : Messages.Stderr)
				{
					std::printf("    stderr: %s\n", Line.c_str());
				}
			}
		}

		struct FInspectRequest
		{
			std::string Path;
			bool bJson = false;
		};

		EParsed ParseInspect(const std::vector<std::string>& Args, FInspectRequest& Out, std::string& OutError)
		{
			std::vector<std::string> Files;
			const EParsed Parsed = ParseArguments(Args, {FlagOption({"--json"}, Out.bJson)}, Files, OutError);
			if (Parsed != EParsed::Run)
			{
				return Parsed;
			}
			if (Files.size() != 1)
			{
				OutError = Files.empty() ? "expects GROOM.abc" : "one groom file at a time";
				return EParsed::Bad;
			}
			Out.Path = Files[0];
			return EParsed::Run;
		}

		// A groom the reader could not read whole is still shown, with what the reader said; the command
		// then ends with status 1 and that reason.
		bool Inspect(const FInspectRequest& Request, std::string& OutError)
		{
			if (IsMeshFileName(Request.Path))
			{
				return InspectMeshParts(Request.Path, Request.bJson, OutError);
			}
			const std::string& Path = Request.Path;
			FReadMessages Messages;
			bool bReadFailed = false;
			const GroomData Groom = ReadGroomCollecting(Path, Messages, bReadFailed);
			if (bReadFailed)
			{
				OutError = "cannot read groom '" + Path + "' whole";
			}
			if (Request.bJson)
			{
				std::fputs(GroomToJson(Groom, Messages).c_str(), stdout);
				return !bReadFailed;
			}
			PrintGroom(Path, Groom, Messages);
			return !bReadFailed;
		}
	}

	int RunInspect(const std::vector<std::string>& Args)
	{
		FInspectRequest Request;
		std::string Error;
		const EParsed Parsed = ParseInspect(Args, Request, Error);
		return RunCommand("inspect", Parsed, Error, [&](std::string& OutError)
		                  { return Inspect(Request, OutError); });
	}
}
