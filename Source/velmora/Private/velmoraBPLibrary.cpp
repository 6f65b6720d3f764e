#include "velmoraBPLibrary.h"

#include "alembicIO.h"

// Groom fitting
#include "Engine/StaticMesh.h"

// Mesh conversion
#include "UObject/UObjectGlobals.h"

// Call stack
#include "UObject/Stack.h"

UvelmoraBPLibrary::UvelmoraBPLibrary(const FObjectInitializer& ObjectInitializer)
	: Super(ObjectInitializer)
{
}

// ---------------------------------------------------------------------------------------------------
// Groom fitting

void UvelmoraBPLibrary::FitGroomToStaticMesh(AActor* source, UStaticMeshComponent* TheComp, FVector origin, FString sourceAlmbicPath, FString targetAlembicPath)
{
}

// ---------------------------------------------------------------------------------------------------
// Mesh conversion

UStaticMesh* UvelmoraBPLibrary::SkeletalMeshToStaticMesh(USkeletalMesh* head)
{
	return nullptr;
}

// ---------------------------------------------------------------------------------------------------
// Call stack

FString UvelmoraBPLibrary::GetCallstack()
{
	// The whole stack, and the engine's placeholder rather than nothing when no script is running.
	return FFrame::GetScriptCallstack(false, false);
}
