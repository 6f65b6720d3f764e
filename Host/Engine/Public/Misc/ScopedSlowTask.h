#pragma once

#include "CoreMinimal.h"
#include "Internationalization/Text.h"

// Progress of a long task on the game thread, reported in frames of expected work. In the editor it
// drives a progress dialog; in the host it is told to whatever display the host installed (Host/SlowTask.h).
class FScopedSlowTask
{
public:
	FScopedSlowTask(float InAmountOfWork, const FText& InDefaultMessage = FText(), bool bInEnabled = true);
	~FScopedSlowTask();
	FScopedSlowTask(const FScopedSlowTask&) = delete;
	FScopedSlowTask& operator=(const FScopedSlowTask&) = delete;

	// Shows the task as a dialog (in the host: marks it as one a display should show).
	void MakeDialog(bool bShowCancelButton = false, bool bAllowInPIE = false);

	// Ends the previous frame, counting its work as done, and starts one expected to do ExpectedWorkThisFrame.
	void EnterProgressFrame(float ExpectedWorkThisFrame = 1.f, const FText& Text = FText());

	// Whether the user asked to cancel. The host has no cancel button.
	bool ShouldCancel() const { return false; }

	// The frame's message when it has one, else the task's default message.
	FText GetCurrentMessage() const { return FrameMessage.IsEmpty() ? DefaultMessage : FrameMessage; }

	FText DefaultMessage;
	FText FrameMessage;
	float TotalAmountOfWork = 0.f;
	float CompletedWork = 0.f;
	float CurrentFrameScope = 0.f;

private:
	bool bEnabled = true;
	bool bDialog = false;
	int32 Depth = 0;
};
