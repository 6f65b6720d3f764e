#pragma once

#include "CoreMinimal.h"
#include "EditorUtilityWidgetBlueprint.h"
#include "Host/Editor.h"
#include "Host/LevelEditorMenus.h"
#include "Host/Plugins.h"
#include "Modules/ModuleManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace VelmoraTests
{
	inline const TCHAR* const ImportToolPath = TEXT("/velmora/EUW_velmora_import_tool");
	inline const TCHAR* const PluginDisabledPath = TEXT("/velmora/EUW_Metahuman_plugin_disabled");
	inline const TCHAR* const PluginInvalidPath = TEXT("/velmora/EUW_Metahuman_plugin_invalid");

	enum class EMetaHuman
	{
		Missing,
		Disabled,
		Enabled,
	};

	inline void SetMetaHuman(EMetaHuman State)
	{
		std::vector<Host::FPluginState> Plugins{{FString(TEXT("velmora")), true}};
		if (State != EMetaHuman::Missing)
		{
			Plugins.push_back({FString(TEXT("MetaHuman")), State == EMetaHuman::Enabled});
		}
		Host::SetPlugins(Plugins);
	}

	// The names of the widget blueprints of every tab opened so far ("" for a request without one).
	inline std::vector<std::string> OpenedWidgets()
	{
		std::vector<std::string> Names;
		for (const Host::FSpawnedTab& Tab : Host::GetSpawnedTabs())
		{
			Names.push_back(Tab.Blueprint ? std::string(TCHAR_TO_UTF8(*Tab.Blueprint->GetName())) : std::string());
		}
		return Names;
	}

	// Each test starts with the plugin's three widgets in its content, no tabs open and the module
	// unloaded; it ends with the module unloaded again.
	class FEditorTest : public ::testing::Test
	{
	protected:
		void SetUp() override
		{
			FModuleManager::Get().UnloadModule(TEXT("velmora"));
			for (const TCHAR* Path : {ImportToolPath, PluginDisabledPath, PluginInvalidPath})
			{
				Host::AddContentAsset(Path, UEditorUtilityWidgetBlueprint::StaticClass());
			}
			Host::ClearSpawnedTabs();
			SetMetaHuman(EMetaHuman::Missing);
		}

		void TearDown() override
		{
			FModuleManager::Get().UnloadModule(TEXT("velmora"));
			SetMetaHuman(EMetaHuman::Missing);
		}

		static void StartModule(EMetaHuman State)
		{
			SetMetaHuman(State);
			ASSERT_NE(FModuleManager::Get().LoadModule(TEXT("velmora")), nullptr);
		}

		static bool ChooseImport() { return Host::ChooseMenuEntry("Velmora", "MetaHuman Import"); }
	};
}
