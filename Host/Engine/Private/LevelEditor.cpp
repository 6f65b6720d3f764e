#include "LevelEditor.h"

#include "HostModules.h"

FLevelEditorModule::FLevelEditorModule()
    : MenuExtensibilityManager(MakeShared<FExtensibilityManager>()), ToolBarExtensibilityManager(MakeShared<FExtensibilityManager>())
{
}

void FLevelEditorModule::StartupModule()
{
}

void FLevelEditorModule::ShutdownModule()
{
}

IModuleInterface* UE::Host::CreateLevelEditorModule()
{
	return new FLevelEditorModule();
}
