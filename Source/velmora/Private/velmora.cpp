#include "velmora.h"

#include "Editor.h"
#include "EditorAssetLibrary.h"
#include "EditorUtilitySubsystem.h"
#include "EditorUtilityWidgetBlueprint.h"
#include "Framework/MultiBox/MultiBoxBuilder.h"
#include "Framework/MultiBox/MultiBoxExtender.h"
#include "Interfaces/IPluginManager.h"
#include "LevelEditor.h"
#include "Modules/ModuleManager.h"
#include "Templates/Casts.h"
#include "Textures/SlateIcon.h"

void FvelmoraModule::StartupModule()
{
	// The wizard chooses its widget from this; the plugin's state is read once, here.
	const TSharedPtr<IPlugin> MetaHumanPlugin = IPluginManager::Get().FindPlugin(TEXT("MetaHuman"));
	bMetaHumanPluginFound = MetaHumanPlugin.IsValid();
	bMetaHumanPluginEnabled = bMetaHumanPluginFound && MetaHumanPlugin->IsEnabled();

	FLevelEditorModule& LevelEditorModule = FModuleManager::LoadModuleChecked<FLevelEditorModule>(TEXT("LevelEditor"));

	MenuExtender = MakeShared<FExtender>();
	MenuExtender->AddMenuBarExtension(TEXT("Help"), EExtensionHook::After, nullptr,
	                                  FMenuBarExtensionDelegate::CreateRaw(this, &FvelmoraModule::AddToolsMenu));
	LevelEditorModule.GetMenuExtensibilityManager()->AddExtender(MenuExtender);
}

void FvelmoraModule::ShutdownModule()
{
	// The extender's delegates point at this object, which is about to go.
	if (MenuExtender.IsValid())
	{
		if (FLevelEditorModule* LevelEditorModule = FModuleManager::GetModulePtr<FLevelEditorModule>(TEXT("LevelEditor")))
		{
			LevelEditorModule->GetMenuExtensibilityManager()->RemoveExtender(MenuExtender);
		}
		MenuExtender.Reset();
	}
}

void FvelmoraModule::AddToolsMenu(FMenuBarBuilder& MenuBarBuilder)
{
	MenuBarBuilder.AddPullDownMenu(
	    FText::FromString(TEXT("Velmora")),
	    FText::FromString(TEXT("Velmora Tools")),
	    FNewMenuDelegate::CreateRaw(this, &FvelmoraModule::FillToolsMenu),
	    NAME_None,
	    NAME_None);
}

void FvelmoraModule::FillToolsMenu(FMenuBuilder& MenuBuilder)
{
	MenuBuilder.AddMenuEntry(
	    FText::FromString(TEXT("MetaHuman Import")),
	    FText::FromString(TEXT("Start the import wizard")),
	    FSlateIcon(),
	    FUIAction(FExecuteAction::CreateLambda([this]()
	                                           { OpenImportWizard(); }),
	              EUIActionRepeatMode::RepeatDisabled),
	    NAME_None,
	    EUserInterfaceActionType::Button);
}

void FvelmoraModule::OpenImportWizard() const
{
	const TCHAR* WidgetPath = TEXT("/velmora/EUW_velmora_import_tool");
	if (!bMetaHumanPluginFound)
	{
		WidgetPath = TEXT("/velmora/EUW_Metahuman_plugin_invalid");
	}
	else if (!bMetaHumanPluginEnabled)
	{
		WidgetPath = TEXT("/velmora/EUW_Metahuman_plugin_disabled");
	}

	// A widget missing from the plugin's content opens nothing, silently.
	UObject* Asset = UEditorAssetLibrary::LoadAsset(WidgetPath);
	if (!IsValid(Asset))
	{
		return;
	}

	UEditorUtilityWidgetBlueprint* WidgetBlueprint = Cast<UEditorUtilityWidgetBlueprint>(Asset);
	if (!WidgetBlueprint)
	{
		UE_LOG(LogTemp, Warning, TEXT("%s is not an editor utility widget blueprint"), WidgetPath);
		return;
	}

	UEditorUtilitySubsystem* EditorUtilitySubsystem = GEditor->GetEditorSubsystem<UEditorUtilitySubsystem>();
	EditorUtilitySubsystem->SpawnAndRegisterTab(WidgetBlueprint);
}

IMPLEMENT_MODULE(FvelmoraModule, velmora)
