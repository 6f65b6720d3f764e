#include "Progress.h"

#include <string>
#include <unistd.h>

namespace VelmoraCli
{
	namespace
	{
		using FClock = std::chrono::steady_clock;

		// Progress of a task shorter than this is not worth a line.
		constexpr auto QuietTime = std::chrono::milliseconds(250);
		constexpr auto RedrawInterval = std::chrono::milliseconds(50);
	}

	FProgressDisplay::FProgressDisplay(FILE* InStream, EProgressMode Mode)
	    : Stream(InStream), Observer(Host::FSlowTaskObserver{
	                            [this](const Host::FSlowTaskState& State)
	                            {
		                            if (State.Depth == 0)
		                            {
			                            bBegun = true;
			                            Begin = LastDraw = FClock::now();
			                            bDrawn = false;
			                            LastTenth = -1;
		                            }
	                            },
	                            [this](const Host::FSlowTaskState& State)
	                            {
		                            if (State.Depth == 0)
		                            {
			                            Draw(State, false);
		                            }
	                            },
	                            [this](const Host::FSlowTaskState& State)
	                            {
		                            if (State.Depth == 0)
		                            {
			                            End = FClock::now();
			                            Draw(State, true);
		                            }
	                            }})
	{
		bTerminal = Stream && isatty(fileno(Stream));
		bEnabled = Stream && (Mode == EProgressMode::Always || (Mode == EProgressMode::Auto && bTerminal));
	}

	FProgressDisplay::~FProgressDisplay() = default;

	void FProgressDisplay::Draw(const Host::FSlowTaskState& State, bool bFinal)
	{
		if (!bEnabled)
		{
			return;
		}
		const FClock::time_point Now = FClock::now();
		const float Fraction = State.Fraction();
		const std::string Message = TCHAR_TO_UTF8(*State.Message);
		if (bTerminal)
		{
			if (!bDrawn && (bFinal || Now - Begin < QuietTime))
			{
				return;
			}
			if (!bFinal && Now - LastDraw < RedrawInterval)
			{
				return;
			}
			constexpr int Width = 30;
			const int Filled = static_cast<int>(Fraction * Width);
			std::fprintf(Stream, "\r%s [%s%s] %3d%% (%.0f/%.0f)\x1b[K", Message.c_str(), std::string(Filled, '#').c_str(),
			             std::string(Width - Filled, ' ').c_str(), static_cast<int>(Fraction * 100.f), State.CompletedWork, State.TotalWork);
			if (bFinal)
			{
				std::fputc('\n', Stream);
			}
		}
		else
		{
			const int Tenth = static_cast<int>(Fraction * 10.f);
			if (Tenth == LastTenth && !bFinal)
			{
				return;
			}
			if (bFinal && LastTenth == 10)
			{
				return;
			}
			LastTenth = bFinal ? 10 : Tenth;
			std::fprintf(Stream, "%s: %d%% (%.0f/%.0f)\n", Message.c_str(), bFinal ? 100 : Tenth * 10, bFinal ? State.TotalWork : State.CompletedWork,
			             State.TotalWork);
		}
		std::fflush(Stream);
		bDrawn = true;
		LastDraw = Now;
	}
}
