#include "velmoraBPLibrary.h"

#include "alembicIO.h"

// Groom fitting
#include "Engine/StaticMesh.h"

// Mesh conversion
#include "UObject/UObjectGlobals.h"

// Call stack
#include "UObject/Object.h"

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
	return FString();
}
