#pragma once

#include "CoreTypes.h"

// How a menu or toolbar entry behaves when chosen.
enum class EUserInterfaceActionType : uint8
{
	None,
	Button,
	ToggleButton,
	RadioButton,
	Check,
	CollapsedButton,
};
