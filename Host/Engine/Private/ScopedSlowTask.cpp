#include "Misc/ScopedSlowTask.h"

#include "Host/SlowTask.h"

#include <algorithm>

namespace
{
	Host::FSlowTaskObserver& Observer()
	{
		static Host::FSlowTaskObserver Installed;
		return Installed;
	}

	int32& OpenTasks()
	{
		static int32 Count = 0;
		return Count;
	}

	Host::FSlowTaskState StateOf(const FScopedSlowTask& Task, bool bDialog, int32 Depth)
	{
		Host::FSlowTaskState State;
		State.Message = Task.GetCurrentMessage().ToString();
		State.CompletedWork = Task.CompletedWork;
		State.TotalWork = Task.TotalAmountOfWork;
		State.bDialog = bDialog;
		State.Depth = Depth;
		return State;
	}

	void Tell(const std::function<void(const Host::FSlowTaskState&)>& Callback, const Host::FSlowTaskState& State)
	{
		if (Callback)
		{
			Callback(State);
		}
	}
}

namespace Host
{
	float FSlowTaskState::Fraction() const
	{
		if (TotalWork <= 0.f)
		{
			return 1.f;
		}
		return std::clamp(CompletedWork / TotalWork, 0.f, 1.f);
	}

	FSlowTaskObserver SetSlowTaskObserver(FSlowTaskObserver NewObserver)
	{
		FSlowTaskObserver Previous = std::move(Observer());
		Observer() = std::move(NewObserver);
		return Previous;
	}
}

FScopedSlowTask::FScopedSlowTask(float InAmountOfWork, const FText& InDefaultMessage, bool bInEnabled)
    : DefaultMessage(InDefaultMessage), TotalAmountOfWork(InAmountOfWork), bEnabled(bInEnabled)
{
	if (bEnabled)
	{
		Depth = OpenTasks()++;
		Tell(Observer().OnBegin, StateOf(*this, bDialog, Depth));
	}
}

FScopedSlowTask::~FScopedSlowTask()
{
	if (bEnabled)
	{
		--OpenTasks();
		CompletedWork += CurrentFrameScope;
		CurrentFrameScope = 0.f;
		Tell(Observer().OnEnd, StateOf(*this, bDialog, Depth));
	}
}

void FScopedSlowTask::MakeDialog(bool bShowCancelButton, bool bAllowInPIE)
{
	if (bEnabled && !bDialog)
	{
		bDialog = true;
		Tell(Observer().OnProgress, StateOf(*this, bDialog, Depth));
	}
}

void FScopedSlowTask::EnterProgressFrame(float ExpectedWorkThisFrame, const FText& Text)
{
	CompletedWork += CurrentFrameScope;
	CurrentFrameScope = ExpectedWorkThisFrame;
	FrameMessage = Text;
	if (bEnabled)
	{
		Tell(Observer().OnProgress, StateOf(*this, bDialog, Depth));
	}
}
