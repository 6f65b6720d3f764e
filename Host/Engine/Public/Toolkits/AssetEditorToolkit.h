#pragma once

#include "CoreMinimal.h"
#include "Framework/MultiBox/MultiBoxExtender.h"
#include "Templates/SharedPointer.h"

// The extenders other modules have added to an editor's menus or toolbars. Adding shares ownership.
class FExtensibilityManager
{
public:
	virtual ~FExtensibilityManager() {}

	virtual void AddExtender(TSharedPtr<FExtender> Extender);
	virtual void RemoveExtender(TSharedPtr<FExtender> Extender);
	// All extenders combined into one, in the order they were added.
	virtual TSharedPtr<FExtender> GetAllExtenders();
	const TArray<TSharedPtr<FExtender>>& GetExtenders() const { return Extenders; }

private:
	TArray<TSharedPtr<FExtender>> Extenders;
};
