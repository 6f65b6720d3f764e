#include "EditorTestHelpers.h"

#include "Engine/Blueprint.h"
#include "Host/Log.h"

using namespace VelmoraTests;

using FImportWizard = FEditorTest;

TEST_F(FImportWizard, EachPluginStateOpensItsWidget)
{
	const struct
	{
		EMetaHuman State;
		const char* Widget;
	} Cases[] = {
	    {EMetaHuman::Missing, "EUW_Metahuman_plugin_invalid"},
	    {EMetaHuman::Disabled, "EUW_Metahuman_plugin_disabled"},
	    {EMetaHuman::Enabled, "EUW_velmora_import_tool"},
	};
	for (const auto& Case : Cases)
	{
		SCOPED_TRACE(Case.Widget);
		FModuleManager::Get().UnloadModule(TEXT("velmora"));
		Host::ClearSpawnedTabs();
		StartModule(Case.State);

		Host::FScopedLogCapture Capture;
		EXPECT_TRUE(ChooseImport());
		EXPECT_EQ(OpenedWidgets(), std::vector<std::string>{Case.Widget});
		ASSERT_NE(Host::GetSpawnedTabs()[0].Widget, nullptr);
		EXPECT_TRUE(Capture.GetLines().empty());
	}
}

TEST_F(FImportWizard, PluginStateIsReadOnlyAtStartup)
{
	StartModule(EMetaHuman::Disabled);
	SetMetaHuman(EMetaHuman::Enabled);
	ChooseImport();
	SetMetaHuman(EMetaHuman::Missing);
	ChooseImport();

	EXPECT_EQ(OpenedWidgets(), (std::vector<std::string>{"EUW_Metahuman_plugin_disabled", "EUW_Metahuman_plugin_disabled"}));

	// Only the next start-up sees the change.
	FModuleManager::Get().UnloadModule(TEXT("velmora"));
	Host::ClearSpawnedTabs();
	StartModule(EMetaHuman::Missing);
	ChooseImport();
	EXPECT_EQ(OpenedWidgets(), std::vector<std::string>{"EUW_Metahuman_plugin_invalid"});
}

TEST_F(FImportWizard, PluginNameIsLookedUpExactly)
{
	// A plugin with another name is not the MetaHuman plugin.
	Host::SetPlugins({{FString(TEXT("velmora")), true}, {FString(TEXT("MetaHumanCharacter")), true}});
	ASSERT_NE(FModuleManager::Get().LoadModule(TEXT("velmora")), nullptr);
	ChooseImport();
	EXPECT_EQ(OpenedWidgets(), std::vector<std::string>{"EUW_Metahuman_plugin_invalid"});
}

TEST_F(FImportWizard, DeletedWidgetOpensNothingAndOnlyTheEngineSaysSo)
{
	StartModule(EMetaHuman::Enabled);
	Host::DeleteContentAsset(ImportToolPath);

	Host::FScopedLogCapture Capture;
	ChooseImport();
	EXPECT_TRUE(Host::GetSpawnedTabs().empty());
	// The launcher adds nothing to the editor's own line.
	EXPECT_EQ(Capture.Formatted(), std::vector<std::string>{"LogEditorAssetSubsystem: Error: LoadAsset failed: The AssetData "
	                                                        "'/velmora/EUW_velmora_import_tool.EUW_velmora_import_tool' could not be found in the Asset Registry."});
}

TEST_F(FImportWizard, AssetOfAnotherClassOpensNothingAndSaysSo)
{
	StartModule(EMetaHuman::Enabled);
	Host::AddContentAsset(ImportToolPath, UBlueprint::StaticClass());

	Host::FScopedLogCapture Capture;
	ChooseImport();
	EXPECT_TRUE(Host::GetSpawnedTabs().empty());
	ASSERT_EQ(Capture.GetLines().size(), 1u);
	EXPECT_EQ(Capture.GetLines()[0].Category, FName(TEXT("LogTemp")));
	EXPECT_EQ(Capture.GetLines()[0].Verbosity, ELogVerbosity::Warning);
	EXPECT_NE(Capture.GetLines()[0].Utf8Text().find("/velmora/EUW_velmora_import_tool"), std::string::npos);
}

TEST_F(FImportWizard, EveryChoiceOpensATab)
{
	StartModule(EMetaHuman::Enabled);
	ChooseImport();
	ChooseImport();
	EXPECT_EQ(OpenedWidgets(), (std::vector<std::string>{"EUW_velmora_import_tool", "EUW_velmora_import_tool"}));
}
