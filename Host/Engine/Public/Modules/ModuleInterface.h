#pragma once

#include "CoreTypes.h"

// What every module implements. The module manager owns the instance; none of these is pure.
class IModuleInterface
{
public:
	virtual ~IModuleInterface() {}

	virtual void StartupModule() {}
	virtual void PreUnloadCallback() {}
	virtual void PostLoadCallback() {}
	virtual void ShutdownModule() {}
	virtual bool SupportsDynamicReloading() { return true; }
	virtual bool SupportsAutomaticShutdown() { return true; }
	virtual bool IsGameModule() const { return false; }
};
