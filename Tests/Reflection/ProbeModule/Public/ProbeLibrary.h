#pragma once

#include "CoreMinimal.h"
#include "Kismet/BlueprintFunctionLibrary.h"
#include "ProbeLibrary.generated.h"

class UBlueprint;
class UStaticMesh;

// One member of every type a reflected struct may hold.
USTRUCT(BlueprintType)
struct FProbeValues
{
	GENERATED_BODY()

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "probe")
	bool bFlag = false;

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "probe")
	int32 Count = 0;

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "probe")
	int64 Big = 0;

	UPROPERTY(EditAnywhere, BlueprintReadOnly, Category = "probe")
	float Ratio = 0.5f;

	/** How much, in world units. */
	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "probe")
	double Amount = 0.0;

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "probe")
	FVector Where = FVector::ZeroVector;

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "probe")
	FString Text;

	UPROPERTY(EditAnywhere, BlueprintReadWrite, Category = "probe")
	TArray<FString> Names;

	// Not reflected: no record, no pin.
	int32 Hidden = 0;
};

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

	// Doubles the numbers and repeats the text of Values.
	UFUNCTION(BlueprintCallable, Category = "probe")
	static FProbeValues Twice(const FProbeValues& Values, FProbeValues Copy);
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
	// Where Twice found its reference and its by-value argument.
	const FProbeValues* TwiceValues = nullptr;
	const FProbeValues* TwiceCopy = nullptr;
};
extern FProbeRecord GProbeRecord;
