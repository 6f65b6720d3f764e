#pragma once

#include "Delegates/Delegate.h"

DECLARE_DELEGATE(FExecuteAction);
DECLARE_DELEGATE_RetVal(bool, FCanExecuteAction);
DECLARE_DELEGATE_RetVal(bool, FIsActionChecked);
DECLARE_DELEGATE_RetVal(bool, FIsActionButtonVisible);

enum class EUIActionRepeatMode
{
	RepeatDisabled,
	RepeatEnabled,
};

// What a menu entry does when chosen, and whether it may be chosen.
struct FUIAction
{
	FExecuteAction ExecuteAction;
	FCanExecuteAction CanExecuteAction;
	FIsActionChecked IsCheckedDelegate;
	FIsActionButtonVisible IsActionVisibleDelegate;
	EUIActionRepeatMode RepeatMode = EUIActionRepeatMode::RepeatDisabled;

	FUIAction() = default;
	FUIAction(FExecuteAction InitExecuteAction, EUIActionRepeatMode InitRepeatMode = EUIActionRepeatMode::RepeatDisabled)
	    : ExecuteAction(MoveTemp(InitExecuteAction)), RepeatMode(InitRepeatMode)
	{
	}
	FUIAction(FExecuteAction InitExecuteAction, FCanExecuteAction InitCanExecuteAction,
	          EUIActionRepeatMode InitRepeatMode = EUIActionRepeatMode::RepeatDisabled)
	    : ExecuteAction(MoveTemp(InitExecuteAction)), CanExecuteAction(MoveTemp(InitCanExecuteAction)), RepeatMode(InitRepeatMode)
	{
	}
	FUIAction(FExecuteAction InitExecuteAction, FCanExecuteAction InitCanExecuteAction, FIsActionChecked InitIsCheckedDelegate,
	          EUIActionRepeatMode InitRepeatMode = EUIActionRepeatMode::RepeatDisabled)
	    : ExecuteAction(MoveTemp(InitExecuteAction)), CanExecuteAction(MoveTemp(InitCanExecuteAction)),
	      IsCheckedDelegate(MoveTemp(InitIsCheckedDelegate)), RepeatMode(InitRepeatMode)
	{
	}
	FUIAction(FExecuteAction InitExecuteAction, FCanExecuteAction InitCanExecuteAction, FIsActionChecked InitIsCheckedDelegate,
	          FIsActionButtonVisible InitIsActionVisibleDelegate, EUIActionRepeatMode InitRepeatMode = EUIActionRepeatMode::RepeatDisabled)
	    : ExecuteAction(MoveTemp(InitExecuteAction)), CanExecuteAction(MoveTemp(InitCanExecuteAction)),
	      IsCheckedDelegate(MoveTemp(InitIsCheckedDelegate)), IsActionVisibleDelegate(MoveTemp(InitIsActionVisibleDelegate)),
	      RepeatMode(InitRepeatMode)
	{
	}

	// Without a can-execute delegate, an action can run whenever it has something to run.
	bool CanExecute() const { return CanExecuteAction.IsBound() ? CanExecuteAction.Execute() : ExecuteAction.IsBound(); }

	bool Execute() const
	{
		if (CanExecute())
		{
			return ExecuteAction.ExecuteIfBound();
		}
		return false;
	}

	bool IsBound() const { return ExecuteAction.IsBound(); }
};
