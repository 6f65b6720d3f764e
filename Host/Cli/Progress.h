#pragma once

#include "Host/SlowTask.h"

#include <chrono>
#include <cstdio>

// Draws the engine's slow-task progress on a terminal: one line redrawn in place on a terminal, or a
// line per tenth of the work elsewhere (logs) when asked to. Tasks that end quickly draw nothing.
namespace VelmoraCli
{
	enum class EProgressMode
	{
		Off,
		Auto,   // only when the stream is a terminal
		Always, // also into files and pipes
	};

	class FProgressDisplay
	{
	public:
		FProgressDisplay(FILE* Stream, EProgressMode Mode);
		~FProgressDisplay();
		FProgressDisplay(const FProgressDisplay&) = delete;
		FProgressDisplay& operator=(const FProgressDisplay&) = delete;

		// Moments the outermost task began and ended, for timing its stages.
		bool HasTaskBegun() const { return bBegun; }
		std::chrono::steady_clock::time_point GetTaskBegin() const { return Begin; }
		std::chrono::steady_clock::time_point GetTaskEnd() const { return End; }

	private:
		void Draw(const Host::FSlowTaskState& State, bool bFinal);

		FILE* Stream;
		bool bEnabled = false;
		bool bTerminal = false;
		bool bBegun = false;
		bool bDrawn = false;
		int LastTenth = -1;
		std::chrono::steady_clock::time_point Begin;
		std::chrono::steady_clock::time_point End;
		std::chrono::steady_clock::time_point LastDraw;
		Host::FScopedSlowTaskObserver Observer;
	};
}
