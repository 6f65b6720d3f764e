#pragma once

#include "CoreMinimal.h"
#include "Templates/SharedPointer.h"

// A plugin the engine knows about, enabled or not.
class IPlugin : public TSharedFromThis<IPlugin>
{
public:
	virtual ~IPlugin() {}

	virtual const FString& GetName() const = 0;
	virtual bool IsEnabled() const = 0;
	virtual bool CanContainContent() const = 0;
};

// Finds plugins by name. Names compare without regard to case, as engine strings do.
class IPluginManager
{
public:
	virtual ~IPluginManager() {}

	static IPluginManager& Get();

	// Null when no plugin of that name is known.
	virtual TSharedPtr<IPlugin> FindPlugin(const FStringView Name) = 0;
	virtual TSharedPtr<IPlugin> FindPlugin(const ANSICHAR* Name) = 0;
	// Null when the plugin is unknown or not enabled.
	virtual TSharedPtr<IPlugin> FindEnabledPlugin(const FStringView Name) = 0;
};
