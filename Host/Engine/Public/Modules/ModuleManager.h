#pragma once

#include "CoreMinimal.h"
#include "Modules/ModuleInterface.h"

#include <map>
#include <memory>

typedef IModuleInterface* (*FInitializeModuleFunctionPtr)(void);

// One module compiled into the process: its name and its factory. Entries are static objects that link
// themselves into a list, so registration needs no allocation before main.
class FModuleInitializerEntry
{
public:
	FModuleInitializerEntry(const TCHAR* InName, FInitializeModuleFunctionPtr InFunction);

	static FInitializeModuleFunctionPtr FindModule(const TCHAR* Name);

private:
	const TCHAR* Name;
	FInitializeModuleFunctionPtr Function;
	FModuleInitializerEntry* Next;
};

// Loads modules by name: creates the module object from its registered factory and starts it up;
// unloading shuts it down and destroys it.
class FModuleManager
{
public:
	static FModuleManager& Get();

	IModuleInterface* LoadModule(const FName InModuleName);
	IModuleInterface& LoadModuleChecked(const FName InModuleName);
	bool UnloadModule(const FName InModuleName, bool bIsShutdown = false);
	bool IsModuleLoaded(const FName InModuleName) const;
	IModuleInterface* GetModule(const FName InModuleName);

	template<typename TModuleInterface>
	static TModuleInterface& LoadModuleChecked(const FName ModuleName)
	{
		return static_cast<TModuleInterface&>(Get().LoadModuleChecked(ModuleName));
	}

	template<typename TModuleInterface>
	static TModuleInterface* LoadModulePtr(const FName ModuleName)
	{
		return static_cast<TModuleInterface*>(Get().LoadModule(ModuleName));
	}

	// Null when the module is not loaded; never loads it.
	template<typename TModuleInterface>
	static TModuleInterface* GetModulePtr(const FName ModuleName)
	{
		return static_cast<TModuleInterface*>(Get().GetModule(ModuleName));
	}

	template<typename TModuleInterface>
	static TModuleInterface& GetModuleChecked(const FName ModuleName)
	{
		IModuleInterface* Module = Get().GetModule(ModuleName);
		check(Module != nullptr);
		return static_cast<TModuleInterface&>(*Module);
	}

private:
	struct FNameLess
	{
		bool operator()(const FName& Lhs, const FName& Rhs) const { return Lhs.GetComparisonIndex() < Rhs.GetComparisonIndex(); }
	};
	std::map<FName, std::unique_ptr<IModuleInterface>, FNameLess> Modules;
};

// Registers ModuleImplClass under ModuleName and marks the library as an engine module.
#define IMPLEMENT_MODULE(ModuleImplClass, ModuleName)                                                               \
	static IModuleInterface* Initialize##ModuleName##Module()                                                       \
	{                                                                                                               \
		return new ModuleImplClass();                                                                               \
	}                                                                                                               \
	static FModuleInitializerEntry ModuleName##InitializerEntry(TEXT(#ModuleName), Initialize##ModuleName##Module); \
	extern "C" DLLEXPORT void IMPLEMENT_MODULE_##ModuleName() {}                                                    \
	extern "C" DLLEXPORT void ThisIsAnUnrealEngineModule() {}
