#pragma once

#include "CoreMinimal.h"
#include "Kismet/BlueprintFunctionLibrary.h"
#include "ProbeLibrary.generated.h"

class UBlueprint;
class UStaticMesh;

/** Records what its functions receive, so tests can compare a script call with a direct one. */
UCLASS()
class UProbeLibrary : public UBlueprintFunctionLibrary
{
	GENERATED_UCLASS_BODY()

	UFUNCTION(BlueprintCallable, Category = "probe")
	static void Record(UBlueprint* Owner, UStaticMesh* Mesh, FVector Where, FString First, FString Second);

	UFUNCTION(BlueprintPure, Category = "probe", meta = (DisplayName = "Join Texts"))
	static FString Join(FString Left, FString Right);

	UFUNCTION(BlueprintCallable, Category = "probe")
	static UStaticMesh* Echo(UStaticMesh* Mesh);
};

// What the last Record call received.
struct FProbeRecord
{
	UBlueprint* Owner = nullptr;
	UStaticMesh* Mesh = nullptr;
	FVector Where = FVector::ZeroVector;
	FString First;
	FString Second;
	int32 Calls = 0;
};
extern FProbeRecord GProbeRecord;
