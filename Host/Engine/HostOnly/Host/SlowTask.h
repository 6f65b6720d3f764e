#pragma once

#include "CoreMinimal.h"

#include <functional>

// Host-only: where FScopedSlowTask reports, so the command can draw progress and tests can watch it.
namespace Host
{
	struct FSlowTaskState
	{
		FString Message;
		float CompletedWork = 0.f;
		float TotalWork = 0.f;
		// Whether the task asked for a dialog (MakeDialog).
		bool bDialog = false;
		// 0 for the outermost task, 1 for one begun inside it, and so on.
		int32 Depth = 0;

		// Completed share of the work, 0 to 1 (1 for a task of no work).
		float Fraction() const;
	};

	struct FSlowTaskObserver
	{
		std::function<void(const FSlowTaskState&)> OnBegin;
		std::function<void(const FSlowTaskState&)> OnProgress;
		std::function<void(const FSlowTaskState&)> OnEnd;
	};

	// Installs Observer for every enabled slow task from now on (an empty one removes it) and returns the
	// one installed before.
	FSlowTaskObserver SetSlowTaskObserver(FSlowTaskObserver Observer);

	// Installs an observer while it lives, restoring the previous one after.
	class FScopedSlowTaskObserver
	{
	public:
		explicit FScopedSlowTaskObserver(FSlowTaskObserver Observer)
		    : Previous(SetSlowTaskObserver(std::move(Observer))) {}
		~FScopedSlowTaskObserver() { SetSlowTaskObserver(std::move(Previous)); }
		FScopedSlowTaskObserver(const FScopedSlowTaskObserver&) = delete;
		FScopedSlowTaskObserver& operator=(const FScopedSlowTaskObserver&) = delete;

	private:
		FSlowTaskObserver Previous;
	};
}
