#include "EditorTestHelpers.h"

#include "Host/Log.h"
#include "LevelEditor.h"
#include "velmora.h"

using namespace VelmoraTests;

namespace
{
	int32 CountMenus(const std::string& Label)
	{
		int32 Count = 0;
		for (const std::string& Menu : Host::LevelEditorMenuLabels())
		{
			Count += Menu == Label ? 1 : 0;
		}
		return Count;
	}

	Host::FMenuItemView FindMenu(const std::string& Label)
	{
		for (const Host::FMenuItemView& Menu : Host::BuildLevelEditorMenuBar())
		{
			if (Menu.Label == Label)
			{
				return Menu;
			}
		}
		ADD_FAILURE() << "no menu " << Label;
		return {};
	}
}

using FModuleMenu = FEditorTest;

TEST_F(FModuleMenu, RegistersUnderItsNameAndStartsWithoutLogging)
{
	EXPECT_FALSE(FModuleManager::Get().IsModuleLoaded(TEXT("velmora")));
	Host::FScopedLogCapture Capture;
	StartModule(EMetaHuman::Enabled);
	EXPECT_NE(FModuleManager::GetModulePtr<FvelmoraModule>(TEXT("velmora")), nullptr);
	EXPECT_TRUE(FModuleManager::Get().IsModuleLoaded(TEXT("LevelEditor")));
	EXPECT_TRUE(Capture.GetLines().empty());
}

TEST_F(FModuleMenu, VelmoraMenuFollowsHelpWithItsTooltip)
{
	EXPECT_EQ(Host::LevelEditorMenuLabels(), (std::vector<std::string>{"File", "Edit", "Window", "Tools", "Help"}));
	StartModule(EMetaHuman::Missing);

	EXPECT_EQ(Host::LevelEditorMenuLabels(), (std::vector<std::string>{"File", "Edit", "Window", "Tools", "Help", "Velmora"}));
	const Host::FMenuItemView Menu = FindMenu("Velmora");
	EXPECT_EQ(Menu.Type, FMultiBlock::EType::PullDownMenu);
	EXPECT_EQ(Menu.ToolTip, "Velmora Tools");
	EXPECT_TRUE(Menu.Block.ExtensionHook.IsNone());
	EXPECT_TRUE(Menu.Block.TutorialHighlightName.IsNone());
}

TEST_F(FModuleMenu, MenuHoldsOnlyTheImportEntry)
{
	StartModule(EMetaHuman::Enabled);
	const std::vector<Host::FMenuItemView> Entries = Host::OpenMenu(FindMenu("Velmora"));

	ASSERT_EQ(Entries.size(), 1u);
	const Host::FMenuItemView& Entry = Entries[0];
	EXPECT_EQ(Entry.Type, FMultiBlock::EType::MenuEntry);
	EXPECT_EQ(Entry.Label, "MetaHuman Import");
	EXPECT_EQ(Entry.ToolTip, "Start the import wizard");
	EXPECT_FALSE(Entry.Block.Icon.IsSet());
	EXPECT_EQ(Entry.Block.UserInterfaceActionType, EUserInterfaceActionType::Button);
	EXPECT_TRUE(Entry.Block.ExtensionHook.IsNone());
	EXPECT_TRUE(Entry.Block.TutorialHighlightName.IsNone());
	EXPECT_FALSE(Entry.Block.InputBindingOverride.IsSet());

	const FUIAction& Action = Entry.Block.Action;
	EXPECT_TRUE(Action.ExecuteAction.IsBound());
	EXPECT_FALSE(Action.CanExecuteAction.IsBound());
	EXPECT_FALSE(Action.IsCheckedDelegate.IsBound());
	EXPECT_FALSE(Action.IsActionVisibleDelegate.IsBound());
	EXPECT_EQ(Action.RepeatMode, EUIActionRepeatMode::RepeatDisabled);
}

TEST_F(FModuleMenu, ShutdownRemovesTheMenu)
{
	StartModule(EMetaHuman::Enabled);
	ASSERT_EQ(CountMenus("Velmora"), 1);

	FModuleManager::Get().UnloadModule(TEXT("velmora"));

	// The menu's callbacks pointed at the destroyed module; nothing of it may remain to be called.
	EXPECT_EQ(CountMenus("Velmora"), 0);
	EXPECT_FALSE(ChooseImport());
	EXPECT_TRUE(Host::GetSpawnedTabs().empty());
}

TEST_F(FModuleMenu, ShutdownAfterTheLevelEditorIsGone)
{
	StartModule(EMetaHuman::Enabled);
	ASSERT_TRUE(FModuleManager::Get().UnloadModule(TEXT("LevelEditor")));
	EXPECT_TRUE(FModuleManager::Get().UnloadModule(TEXT("velmora")));
	// A fresh level editor knows nothing of the unloaded module.
	EXPECT_EQ(CountMenus("Velmora"), 0);
}

TEST_F(FModuleMenu, RestartLeavesOneMenu)
{
	StartModule(EMetaHuman::Enabled);
	FModuleManager::Get().UnloadModule(TEXT("velmora"));
	StartModule(EMetaHuman::Enabled);

	EXPECT_EQ(CountMenus("Velmora"), 1);
	EXPECT_TRUE(ChooseImport());
	EXPECT_EQ(OpenedWidgets(), std::vector<std::string>{"EUW_velmora_import_tool"});
}

TEST_F(FModuleMenu, OtherExtendersAtHelpKeepTheirOrder)
{
	FLevelEditorModule& LevelEditor = FModuleManager::LoadModuleChecked<FLevelEditorModule>(TEXT("LevelEditor"));
	auto AddMenuAfterHelp = [&LevelEditor](const TCHAR* Label)
	{
		TSharedPtr<FExtender> Extender = MakeShared<FExtender>();
		Extender->AddMenuBarExtension(TEXT("Help"), EExtensionHook::After, nullptr,
		                              FMenuBarExtensionDelegate::CreateLambda([Label](FMenuBarBuilder& Builder)
		                                                                      { Builder.AddPullDownMenu(FText::FromString(Label), FText::FromString(Label), FNewMenuDelegate()); }));
		LevelEditor.GetMenuExtensibilityManager()->AddExtender(Extender);
		return Extender;
	};

	const TSharedPtr<FExtender> Before = AddMenuAfterHelp(TEXT("Earlier"));
	StartModule(EMetaHuman::Missing);
	const TSharedPtr<FExtender> After = AddMenuAfterHelp(TEXT("Later"));

	EXPECT_EQ(Host::LevelEditorMenuLabels(), (std::vector<std::string>{"File", "Edit", "Window", "Tools", "Help", "Earlier", "Velmora", "Later"}));

	FModuleManager::Get().UnloadModule(TEXT("velmora"));
	EXPECT_EQ(Host::LevelEditorMenuLabels(), (std::vector<std::string>{"File", "Edit", "Window", "Tools", "Help", "Earlier", "Later"}));
	LevelEditor.GetMenuExtensibilityManager()->RemoveExtender(Before);
	LevelEditor.GetMenuExtensibilityManager()->RemoveExtender(After);
}
