#pragma once

#include "Templates/SharedPointer.h"

// Maps commands to actions for a menu or toolbar. The host's menus carry none of their own.
class FUICommandList : public TSharedFromThis<FUICommandList>
{
public:
	virtual ~FUICommandList() {}
};
