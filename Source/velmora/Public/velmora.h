#pragma once

#include "CoreMinimal.h"
#include "Modules/ModuleInterface.h"
#include "Templates/SharedPointer.h"

class FExtender;
class FMenuBarBuilder;
class FMenuBuilder;

// The editor module: records the MetaHuman plugin's state once at start-up and adds the "Velmora"
// menu, whose one entry opens the import wizard that fits that state.
class FvelmoraModule : public IModuleInterface
{
public:
	virtual void StartupModule() override;
	virtual void ShutdownModule() override;

	// Menu callbacks, bound to this module object without owning it.
	void AddToolsMenu(FMenuBarBuilder& MenuBarBuilder);
	void FillToolsMenu(FMenuBuilder& MenuBuilder);

private:
	void OpenImportWizard() const;

	bool bMetaHumanPluginFound = false;
	bool bMetaHumanPluginEnabled = false;

	// Kept so that shutting down removes the menu: its callbacks point at this object.
	TSharedPtr<FExtender> MenuExtender;
};
