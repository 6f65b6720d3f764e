#include "Framework/MultiBox/MultiBoxBuilder.h"
#include "Framework/MultiBox/MultiBoxExtender.h"
#include "Toolkits/AssetEditorToolkit.h"

namespace
{
	// Every extension an extender holds is one of these, which says what it extends: the engine is built
	// without RTTI, so the kind is told, not discovered.
	class FHostExtension : public FExtensionBase
	{
	public:
		enum class EKind : uint8
		{
			MenuBar,
			Menu,
		};
		explicit FHostExtension(EKind InKind)
		    : Kind(InKind) {}

		const EKind Kind;
	};

	class FMenuBarExtension final : public FHostExtension
	{
	public:
		static constexpr EKind StaticKind = EKind::MenuBar;
		FMenuBarExtension()
		    : FHostExtension(StaticKind) {}

		FMenuBarExtensionDelegate Delegate;
	};

	class FMenuExtension final : public FHostExtension
	{
	public:
		static constexpr EKind StaticKind = EKind::Menu;
		FMenuExtension()
		    : FHostExtension(StaticKind) {}

		FMenuExtensionDelegate Delegate;
	};

	template<typename ExtensionType, typename DelegateType>
	TSharedRef<const FExtensionBase> MakeExtension(FName Hook, EExtensionHook::Position Position, const TSharedPtr<FUICommandList>& CommandList,
	                                               const DelegateType& Delegate)
	{
		TSharedRef<ExtensionType> Extension = MakeShared<ExtensionType>();
		Extension->Hook = Hook;
		Extension->HookPosition = Position;
		Extension->CommandList = CommandList;
		Extension->Delegate = Delegate;
		return Extension;
	}

	template<typename ExtensionType, typename BuilderType>
	void ApplyExtensions(const std::vector<TSharedRef<const FExtensionBase>>& Extensions, FName Hook, EExtensionHook::Position Position,
	                     BuilderType& Builder)
	{
		// A copy: an extension may add further extensions while it runs.
		const std::vector<TSharedRef<const FExtensionBase>> Snapshot = Extensions;
		for (const TSharedRef<const FExtensionBase>& Extension : Snapshot)
		{
			if (Hook.IsNone() || Extension->Hook != Hook || Extension->HookPosition != Position)
			{
				continue;
			}
			const FHostExtension& HostExtension = static_cast<const FHostExtension&>(Extension.Get());
			if (HostExtension.Kind == ExtensionType::StaticKind)
			{
				static_cast<const ExtensionType&>(HostExtension).Delegate.ExecuteIfBound(Builder);
			}
		}
	}
}

TSharedRef<const FExtensionBase> FExtender::AddMenuBarExtension(FName ExtensionHook, EExtensionHook::Position HookPosition,
                                                                const TSharedPtr<FUICommandList>& CommandList, const FMenuBarExtensionDelegate& MenuBarExtensionDelegate)
{
	TSharedRef<const FExtensionBase> Extension = MakeExtension<FMenuBarExtension>(ExtensionHook, HookPosition, CommandList, MenuBarExtensionDelegate);
	Extensions.push_back(Extension);
	return Extension;
}

TSharedRef<const FExtensionBase> FExtender::AddMenuExtension(FName ExtensionHook, EExtensionHook::Position HookPosition,
                                                             const TSharedPtr<FUICommandList>& CommandList, const FMenuExtensionDelegate& MenuExtensionDelegate)
{
	TSharedRef<const FExtensionBase> Extension = MakeExtension<FMenuExtension>(ExtensionHook, HookPosition, CommandList, MenuExtensionDelegate);
	Extensions.push_back(Extension);
	return Extension;
}

void FExtender::RemoveExtension(const TSharedRef<const FExtensionBase>& Extension)
{
	std::erase_if(Extensions, [&Extension](const TSharedRef<const FExtensionBase>& Candidate)
	              { return &Candidate.Get() == &Extension.Get(); });
}

void FExtender::Apply(FName ExtensionHook, EExtensionHook::Position HookPosition, FMenuBarBuilder& MenuBarBuilder) const
{
	ApplyExtensions<FMenuBarExtension>(Extensions, ExtensionHook, HookPosition, MenuBarBuilder);
}

void FExtender::Apply(FName ExtensionHook, EExtensionHook::Position HookPosition, FMenuBuilder& MenuBuilder) const
{
	ApplyExtensions<FMenuExtension>(Extensions, ExtensionHook, HookPosition, MenuBuilder);
}

TSharedPtr<FExtender> FExtender::Combine(const TArray<TSharedPtr<FExtender>>& Extenders)
{
	TSharedRef<FExtender> Combined = MakeShared<FExtender>();
	for (int32 Index = 0; Index < Extenders.Num(); ++Index)
	{
		if (Extenders[Index].IsValid())
		{
			const std::vector<TSharedRef<const FExtensionBase>>& Source = Extenders[Index]->Extensions;
			Combined->Extensions.insert(Combined->Extensions.end(), Source.begin(), Source.end());
		}
	}
	return Combined;
}

void FExtensibilityManager::AddExtender(TSharedPtr<FExtender> Extender)
{
	Extenders.AddUnique(Extender);
}

void FExtensibilityManager::RemoveExtender(TSharedPtr<FExtender> Extender)
{
	Extenders.Remove(Extender);
}

TSharedPtr<FExtender> FExtensibilityManager::GetAllExtenders()
{
	return FExtender::Combine(Extenders);
}

void FBaseMenuBuilder::AddMenuEntry(const TAttribute<FText>& InLabel, const TAttribute<FText>& InToolTip, const FSlateIcon& InIcon,
                                    const FUIAction& UIAction, FName InExtensionHook, const EUserInterfaceActionType UserInterfaceActionType, FName InTutorialHighlightName,
                                    const TAttribute<FText>& InInputBindingOverride)
{
	ApplyHook(InExtensionHook, EExtensionHook::Before);
	FMultiBlock Block;
	Block.Type = FMultiBlock::EType::MenuEntry;
	Block.ExtensionHook = InExtensionHook;
	Block.Label = InLabel;
	Block.ToolTip = InToolTip;
	Block.Icon = InIcon;
	Block.Action = UIAction;
	Block.UserInterfaceActionType = UserInterfaceActionType;
	Block.TutorialHighlightName = InTutorialHighlightName;
	Block.InputBindingOverride = InInputBindingOverride;
	Blocks.Add(MoveTemp(Block));
	ApplyHook(InExtensionHook, EExtensionHook::After);
}

void FMenuBuilder::BeginSection(FName InExtensionHook, const TAttribute<FText>& InHeadingText)
{
	check(!bSectionOpen);
	ApplyHook(InExtensionHook, EExtensionHook::Before);
	FMultiBlock Block;
	Block.Type = FMultiBlock::EType::Section;
	Block.ExtensionHook = InExtensionHook;
	Block.Label = InHeadingText;
	Blocks.Add(MoveTemp(Block));
	ApplyHook(InExtensionHook, EExtensionHook::First);
	CurrentSectionHook = InExtensionHook;
	bSectionOpen = true;
}

void FMenuBuilder::EndSection()
{
	check(bSectionOpen);
	ApplyHook(CurrentSectionHook, EExtensionHook::After);
	CurrentSectionHook = NAME_None;
	bSectionOpen = false;
}

void FMenuBuilder::AddMenuSeparator(FName InExtensionHook)
{
	ApplyHook(InExtensionHook, EExtensionHook::Before);
	FMultiBlock Block;
	Block.Type = FMultiBlock::EType::Separator;
	Block.ExtensionHook = InExtensionHook;
	Blocks.Add(MoveTemp(Block));
	ApplyHook(InExtensionHook, EExtensionHook::After);
}

void FMenuBuilder::ApplyHook(FName InExtensionHook, EExtensionHook::Position HookPosition)
{
	if (Extender.IsValid())
	{
		Extender->Apply(InExtensionHook, HookPosition, *this);
	}
}

void FMenuBarBuilder::AddPullDownMenu(const TAttribute<FText>& InMenuLabel, const TAttribute<FText>& InToolTip,
                                      const FNewMenuDelegate& InPullDownMenu, FName InExtensionHook, FName InTutorialHighlightName)
{
	ApplyHook(InExtensionHook, EExtensionHook::Before);
	FMultiBlock Block;
	Block.Type = FMultiBlock::EType::PullDownMenu;
	Block.ExtensionHook = InExtensionHook;
	Block.Label = InMenuLabel;
	Block.ToolTip = InToolTip;
	Block.PullDownMenu = InPullDownMenu;
	Block.TutorialHighlightName = InTutorialHighlightName;
	Blocks.Add(MoveTemp(Block));
	ApplyHook(InExtensionHook, EExtensionHook::After);
}

void FMenuBarBuilder::ApplyHook(FName InExtensionHook, EExtensionHook::Position HookPosition)
{
	if (Extender.IsValid())
	{
		Extender->Apply(InExtensionHook, HookPosition, *this);
	}
}
