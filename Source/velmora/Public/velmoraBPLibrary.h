#pragma once

#include "CoreMinimal.h"
#include "Kismet/BlueprintFunctionLibrary.h"
#include "velmoraBPLibrary.generated.h"

class AActor;
class UStaticMeshComponent;
class UStaticMesh;
class USkeletalMesh;

/*
 * A function library: a class of static functions, each of which becomes a Blueprint node that any
 * Blueprint can call.
 *
 * A function marked BlueprintPure becomes a node without execution pins, for functions that do not
 * change their owner; one marked BlueprintCallable becomes a node with execution pins.
 *
 * Metadata shapes the node: DisplayName is its full name in the palette and may use characters a C++
 * name cannot; CompactNodeTitle is the words shown on the node itself; Keywords are extra words the
 * palette search matches (a "Print String" node is found by "log", for example); Category places the
 * node in the palette's drop-down menu.
 *
 * See the engine's documentation on custom Blueprint nodes for the full list of specifiers.
 */
UCLASS()
class UvelmoraBPLibrary : public UBlueprintFunctionLibrary
{
	GENERATED_UCLASS_BODY()

	UFUNCTION(BlueprintCallable, meta = (DisplayName = "FitGroomToStaticMesh", Keywords = "velmora groom"), Category = "velmora")
	static void FitGroomToStaticMesh(AActor* source, UStaticMeshComponent* TheComp, FVector origin, FString sourceAlmbicPath, FString targetAlembicPath);

	UFUNCTION(BlueprintCallable, meta = (DisplayName = "getCallstack", Keywords = "velmora callstack"), Category = "velmora")
	static FString GetCallstack();

	UFUNCTION(BlueprintCallable, meta = (DisplayName = "SkeletalMeshToStaticMesh", Keywords = "velmora groom"), Category = "velmora")
	static UStaticMesh* SkeletalMeshToStaticMesh(USkeletalMesh* head);
};
