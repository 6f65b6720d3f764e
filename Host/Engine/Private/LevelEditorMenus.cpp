#include "Host/LevelEditorMenus.h"

#include "LevelEditor.h"
#include "Modules/ModuleManager.h"

namespace
{
	std::string ToUtf8(const TAttribute<FText>& Text)
	{
		return Text.IsSet() ? std::string(TCHAR_TO_UTF8(*Text.Get().ToString())) : std::string();
	}

	std::vector<Host::FMenuItemView> ViewBlocks(const TArray<FMultiBlock>& Blocks)
	{
		std::vector<Host::FMenuItemView> Items;
		for (int32 Index = 0; Index < Blocks.Num(); ++Index)
		{
			const FMultiBlock& Block = Blocks[Index];
			Items.push_back({Block.Type, ToUtf8(Block.Label), ToUtf8(Block.ToolTip), Block});
		}
		return Items;
	}

	void AddStockMenu(FMenuBarBuilder& Builder, const TCHAR* Name)
	{
		// The stock menus' own content does not matter here; they open empty.
		Builder.AddPullDownMenu(FText::FromString(Name), FText::FromString(Name), FNewMenuDelegate::CreateLambda([](FMenuBuilder&) {}), FName(Name));
	}
}

std::vector<Host::FMenuItemView> Host::BuildLevelEditorMenuBar()
{
	FLevelEditorModule& LevelEditor = FModuleManager::LoadModuleChecked<FLevelEditorModule>(TEXT("LevelEditor"));
	FMenuBarBuilder Builder(TSharedPtr<const FUICommandList>(), LevelEditor.GetMenuExtensibilityManager()->GetAllExtenders());
	for (const TCHAR* Name : {TEXT("File"), TEXT("Edit"), TEXT("Window"), TEXT("Tools"), TEXT("Help")})
	{
		AddStockMenu(Builder, Name);
	}
	return ViewBlocks(Builder.GetBlocks());
}

std::vector<std::string> Host::LevelEditorMenuLabels()
{
	std::vector<std::string> Labels;
	for (const FMenuItemView& Item : BuildLevelEditorMenuBar())
	{
		Labels.push_back(Item.Label);
	}
	return Labels;
}

std::vector<Host::FMenuItemView> Host::OpenMenu(const FMenuItemView& PullDownMenu)
{
	FMenuBuilder Builder(true, TSharedPtr<const FUICommandList>());
	PullDownMenu.Block.PullDownMenu.ExecuteIfBound(Builder);
	return ViewBlocks(Builder.GetBlocks());
}

bool Host::ChooseMenuEntry(const std::string& MenuLabel, const std::string& EntryLabel)
{
	for (const FMenuItemView& Menu : BuildLevelEditorMenuBar())
	{
		if (Menu.Type != FMultiBlock::EType::PullDownMenu || Menu.Label != MenuLabel)
		{
			continue;
		}
		for (const FMenuItemView& Entry : OpenMenu(Menu))
		{
			if (Entry.Type == FMultiBlock::EType::MenuEntry && Entry.Label == EntryLabel)
			{
				return Entry.Block.Action.Execute();
			}
		}
	}
	return false;
}
