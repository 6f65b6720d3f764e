#pragma once

#include "CoreMinimal.h"
#include "EditorSubsystem.h"
#include "Templates/Casts.h"
#include "UObject/Object.h"

#include <map>

// The editor's engine object. It owns the editor subsystems.
class UEditorEngine : public UObject
{
	DECLARE_HOST_CLASS(UEditorEngine, UObject)

public:
	UEditorEngine() = default;
	explicit UEditorEngine(const FObjectInitializer& ObjectInitializer)
	    : UObject(ObjectInitializer) {}

	template<class TSubsystemClass>
	TSubsystemClass* GetEditorSubsystem() const
	{
		return Cast<TSubsystemClass>(GetEditorSubsystemBase(TSubsystemClass::StaticClass()));
	}

	// The one subsystem of that class, created on first request; null for a class that is no editor subsystem.
	UEditorSubsystem* GetEditorSubsystemBase(const UClass* SubsystemClass) const;

private:
	mutable std::map<const UClass*, UEditorSubsystem*> Subsystems;
};
