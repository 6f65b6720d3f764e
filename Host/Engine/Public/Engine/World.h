#pragma once

#include "CoreMinimal.h"
#include "UObject/Object.h"

namespace UE::Host
{
	// One line drawn by DrawDebugLine, exactly as it was asked for.
	struct FDebugLine
	{
		FVector Start;
		FVector End;
		FColor Color;
		bool bPersistentLines = false;
		float LifeTime = 0.f;
		uint8 DepthPriority = 0;
		float Thickness = 0.f;
	};

	class FWorldDebugLines;
}

// A level world. The host's world holds the debug lines drawn into it; actors name it as their outer.
class UWorld : public UObject
{
	DECLARE_HOST_CLASS(UWorld, UObject)

public:
	UWorld() = default;
	explicit UWorld(const FObjectInitializer&) {}

	virtual UWorld* GetWorld() const override { return const_cast<UWorld*>(this); }

private:
	friend class UE::Host::FWorldDebugLines;
	TArray<UE::Host::FDebugLine> DebugLines;
};
