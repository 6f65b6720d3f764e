#include "ProbeLibrary.h"

FProbeRecord GProbeRecord;

UProbeLibrary::UProbeLibrary(const FObjectInitializer& ObjectInitializer)
    : Super(ObjectInitializer)
{
}

void UProbeLibrary::Record(UBlueprint* Owner, UStaticMesh* Mesh, FVector Where, FString First, FString Second)
{
	GProbeRecord.Owner = Owner;
	GProbeRecord.Mesh = Mesh;
	GProbeRecord.Where = Where;
	GProbeRecord.First = First;
	GProbeRecord.Second = Second;
	++GProbeRecord.Calls;
	// The copies are the callee's own: changing them must not reach the caller.
	First = TEXT("changed");
	Where.X = -1.0;
}

FString UProbeLibrary::Join(FString Left, FString Right)
{
	return Left + TEXT("|") + Right;
}

UStaticMesh* UProbeLibrary::Echo(UStaticMesh* Mesh)
{
	return Mesh;
}

FProbeValues UProbeLibrary::Twice(const FProbeValues& Values, FProbeValues Copy)
{
	GProbeRecord.TwiceValues = &Values;
	GProbeRecord.TwiceCopy = &Copy;
	FProbeValues Result = Values;
	Result.bFlag = !Values.bFlag;
	Result.Count = 2 * Values.Count;
	Result.Big = 2 * Values.Big;
	Result.Ratio = 2 * Values.Ratio;
	Result.Amount = 2 * Values.Amount;
	Result.Where = Values.Where * 2.0;
	Result.Text = Values.Text + Values.Text;
	Result.Names.Append(Values.Names);
	Result.Hidden = Copy.Count;
	return Result;
}
