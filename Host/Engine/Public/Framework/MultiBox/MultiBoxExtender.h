#pragma once

#include "CoreMinimal.h"
#include "Delegates/Delegate.h"
#include "Templates/SharedPointer.h"

#include <vector>

class FMenuBuilder;
class FMenuBarBuilder;
class FUICommandList;

namespace EExtensionHook
{
	enum Position
	{
		Before,
		After,
		First,
	};
}

DECLARE_DELEGATE_OneParam(FMenuExtensionDelegate, FMenuBuilder&);
DECLARE_DELEGATE_OneParam(FMenuBarExtensionDelegate, FMenuBarBuilder&);

// One extension: where it hooks in and what it adds there.
class FExtensionBase
{
public:
	virtual ~FExtensionBase() {}

	FName Hook;
	EExtensionHook::Position HookPosition = EExtensionHook::After;
	TSharedPtr<FUICommandList> CommandList;
};

// A set of additions to menus and menu bars, each at a named hook. Builders apply it while they build.
class FExtender : public TSharedFromThis<FExtender>
{
public:
	TSharedRef<const FExtensionBase> AddMenuBarExtension(FName ExtensionHook, EExtensionHook::Position HookPosition,
	                                                     const TSharedPtr<FUICommandList>& CommandList, const FMenuBarExtensionDelegate& MenuBarExtensionDelegate);
	TSharedRef<const FExtensionBase> AddMenuExtension(FName ExtensionHook, EExtensionHook::Position HookPosition,
	                                                  const TSharedPtr<FUICommandList>& CommandList, const FMenuExtensionDelegate& MenuExtensionDelegate);
	void RemoveExtension(const TSharedRef<const FExtensionBase>& Extension);

	// Runs, in the order they were added, the extensions at this hook and position.
	void Apply(FName ExtensionHook, EExtensionHook::Position HookPosition, FMenuBarBuilder& MenuBarBuilder) const;
	void Apply(FName ExtensionHook, EExtensionHook::Position HookPosition, FMenuBuilder& MenuBuilder) const;

	// One extender holding the extensions of all the given ones, in order.
	static TSharedPtr<FExtender> Combine(const TArray<TSharedPtr<FExtender>>& Extenders);

private:
	std::vector<TSharedRef<const FExtensionBase>> Extensions;
};
