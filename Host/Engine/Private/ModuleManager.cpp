#include "Modules/ModuleManager.h"

#include "HostModules.h"

namespace
{
	FModuleInitializerEntry*& FirstEntry()
	{
		static FModuleInitializerEntry* First = nullptr;
		return First;
	}
}

FModuleInitializerEntry::FModuleInitializerEntry(const TCHAR* InName, FInitializeModuleFunctionPtr InFunction)
    : Name(InName), Function(InFunction), Next(FirstEntry())
{
	FirstEntry() = this;
}

FInitializeModuleFunctionPtr FModuleInitializerEntry::FindModule(const TCHAR* Name)
{
	if (FName(Name) == FName(TEXT("LevelEditor")))
	{
		return &UE::Host::CreateLevelEditorModule;
	}
	for (const FModuleInitializerEntry* Entry = FirstEntry(); Entry; Entry = Entry->Next)
	{
		if (FName(Entry->Name) == FName(Name))
		{
			return Entry->Function;
		}
	}
	return nullptr;
}

FModuleManager& FModuleManager::Get()
{
	static FModuleManager Manager;
	return Manager;
}

IModuleInterface* FModuleManager::LoadModule(const FName InModuleName)
{
	if (IModuleInterface* Loaded = GetModule(InModuleName))
	{
		return Loaded;
	}
	const FInitializeModuleFunctionPtr Initialize = FModuleInitializerEntry::FindModule(*InModuleName.ToString());
	if (!Initialize)
	{
		return nullptr;
	}
	IModuleInterface* Module = Initialize();
	if (!Module)
	{
		return nullptr;
	}
	// Registered before start-up so that a module asking for itself while starting finds itself.
	Modules[InModuleName].reset(Module);
	Module->StartupModule();
	return Module;
}

IModuleInterface& FModuleManager::LoadModuleChecked(const FName InModuleName)
{
	IModuleInterface* Module = LoadModule(InModuleName);
	checkf(Module != nullptr, TEXT("Unable to load module '%s'"), *InModuleName.ToString());
	return *Module;
}

bool FModuleManager::UnloadModule(const FName InModuleName, bool bIsShutdown)
{
	const auto Found = Modules.find(InModuleName);
	if (Found == Modules.end())
	{
		return false;
	}
	// Still registered while it shuts down, as in the engine; destroyed afterwards.
	IModuleInterface* const Module = Found->second.get();
	Module->ShutdownModule();
	Modules.erase(InModuleName);
	return true;
}

bool FModuleManager::IsModuleLoaded(const FName InModuleName) const
{
	return Modules.contains(InModuleName);
}

IModuleInterface* FModuleManager::GetModule(const FName InModuleName)
{
	const auto Found = Modules.find(InModuleName);
	return Found != Modules.end() ? Found->second.get() : nullptr;
}
