#pragma once

#include "CoreMinimal.h"
#include "Framework/MultiBox/MultiBoxBuilder.h"

#include <string>
#include <vector>

// Host-only view of the level editor's main menu bar, as a user sees it.
namespace Host
{
	struct FMenuItemView
	{
		FMultiBlock::EType Type = FMultiBlock::EType::MenuEntry;
		std::string Label;
		std::string ToolTip;
		FMultiBlock Block;
	};

	// The stock menus "File", "Edit", "Window", "Tools" and "Help", each added at the hook of its own
	// name with the menu extenders registered with the level editor applied around it, in the order
	// they were added. Loads the level editor module if needed.
	std::vector<FMenuItemView> BuildLevelEditorMenuBar();

	// The labels of the menu bar, in order.
	std::vector<std::string> LevelEditorMenuLabels();

	// Opens a pull-down menu: its content as the menu's delegate builds it now.
	std::vector<FMenuItemView> OpenMenu(const FMenuItemView& PullDownMenu);

	// Opens the menu labelled MenuLabel and chooses the entry labelled EntryLabel, as a click does.
	// False when there is no such menu or entry, or the entry's action could not run.
	bool ChooseMenuEntry(const std::string& MenuLabel, const std::string& EntryLabel);
}
