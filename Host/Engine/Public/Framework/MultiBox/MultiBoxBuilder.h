#pragma once

#include "CoreMinimal.h"
#include "Framework/Commands/UIAction.h"
#include "Framework/Commands/UICommandInfo.h"
#include "Framework/Commands/UICommandList.h"
#include "Framework/MultiBox/MultiBoxExtender.h"
#include "Misc/Attribute.h"
#include "Templates/SharedPointer.h"
#include "Textures/SlateIcon.h"

DECLARE_DELEGATE_OneParam(FNewMenuDelegate, FMenuBuilder&);

// One item a builder added: a menu entry, a pull-down menu, a separator or a section heading.
struct FMultiBlock
{
	enum class EType
	{
		MenuEntry,
		PullDownMenu,
		Separator,
		Section,
	};

	EType Type = EType::MenuEntry;
	FName ExtensionHook;
	TAttribute<FText> Label;
	TAttribute<FText> ToolTip;
	FSlateIcon Icon;
	FUIAction Action;
	EUserInterfaceActionType UserInterfaceActionType = EUserInterfaceActionType::Button;
	FName TutorialHighlightName;
	TAttribute<FText> InputBindingOverride;
	FNewMenuDelegate PullDownMenu;
};

// Builds a menu or a menu bar as a list of blocks, applying its extender at each block's hook.
class FMultiBoxBuilder
{
public:
	FMultiBoxBuilder(TSharedPtr<const FUICommandList> InCommandList, TSharedPtr<FExtender> InExtender)
	    : CommandList(MoveTemp(InCommandList)), Extender(MoveTemp(InExtender))
	{
	}
	virtual ~FMultiBoxBuilder() {}

	const TArray<FMultiBlock>& GetBlocks() const { return Blocks; }

protected:
	TSharedPtr<const FUICommandList> CommandList;
	TSharedPtr<FExtender> Extender;
	TArray<FMultiBlock> Blocks;
};

class FBaseMenuBuilder : public FMultiBoxBuilder
{
public:
	using FMultiBoxBuilder::FMultiBoxBuilder;

	// An entry that runs an action of its own rather than a command.
	void AddMenuEntry(const TAttribute<FText>& InLabel, const TAttribute<FText>& InToolTip, const FSlateIcon& InIcon,
	                  const FUIAction& UIAction, FName InExtensionHook = NAME_None,
	                  const EUserInterfaceActionType UserInterfaceActionType = EUserInterfaceActionType::Button,
	                  FName InTutorialHighlightName = NAME_None, const TAttribute<FText>& InInputBindingOverride = TAttribute<FText>());

protected:
	virtual void ApplyHook(FName InExtensionHook, EExtensionHook::Position HookPosition) = 0;
};

class FMenuBuilder : public FBaseMenuBuilder
{
public:
	FMenuBuilder(const bool bInShouldCloseWindowAfterMenuSelection, TSharedPtr<const FUICommandList> InCommandList,
	             TSharedPtr<FExtender> InExtender = TSharedPtr<FExtender>())
	    : FBaseMenuBuilder(MoveTemp(InCommandList), MoveTemp(InExtender)), bShouldCloseWindowAfterMenuSelection(bInShouldCloseWindowAfterMenuSelection)
	{
	}

	void BeginSection(FName InExtensionHook, const TAttribute<FText>& InHeadingText = TAttribute<FText>());
	void EndSection();
	void AddMenuSeparator(FName InExtensionHook = NAME_None);

protected:
	virtual void ApplyHook(FName InExtensionHook, EExtensionHook::Position HookPosition) override;

private:
	bool bShouldCloseWindowAfterMenuSelection;
	FName CurrentSectionHook;
	bool bSectionOpen = false;
};

class FMenuBarBuilder : public FBaseMenuBuilder
{
public:
	explicit FMenuBarBuilder(TSharedPtr<const FUICommandList> InCommandList, TSharedPtr<FExtender> InExtender = TSharedPtr<FExtender>())
	    : FBaseMenuBuilder(MoveTemp(InCommandList), MoveTemp(InExtender))
	{
	}

	// A menu in the bar; its content is filled by InPullDownMenu each time it opens.
	void AddPullDownMenu(const TAttribute<FText>& InMenuLabel, const TAttribute<FText>& InToolTip, const FNewMenuDelegate& InPullDownMenu,
	                     FName InExtensionHook = NAME_None, FName InTutorialHighlightName = NAME_None);

protected:
	virtual void ApplyHook(FName InExtensionHook, EExtensionHook::Position HookPosition) override;
};
