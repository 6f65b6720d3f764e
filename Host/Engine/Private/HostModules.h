#pragma once

class IModuleInterface;

// The engine's own modules the host provides, created on first load like any other module.
namespace UE::Host
{
	IModuleInterface* CreateLevelEditorModule();
}
