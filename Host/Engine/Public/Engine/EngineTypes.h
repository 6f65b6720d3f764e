#pragma once

#include "CoreMinimal.h"
#include "Engine/HitResult.h"

// Collision channels; a plain enum as in the engine. The host has no collision profiles: every
// channel blocks.
enum ECollisionChannel : int
{
	ECC_WorldStatic,
	ECC_WorldDynamic,
	ECC_Pawn,
	ECC_Visibility,
	ECC_Camera,
	ECC_PhysicsBody,
	ECC_Vehicle,
	ECC_Destructible,
	ECC_MAX,
};

// Whether a body takes part in queries (traces, overlaps), in physics, both or neither.
namespace ECollisionEnabled
{
	enum Type : int
	{
		NoCollision,
		QueryOnly,
		PhysicsOnly,
		QueryAndPhysics,
		ProbeOnly,
		QueryAndProbe,
	};
}

enum class ETeleportType : uint8
{
	None,
	TeleportPhysics,
	ResetPhysics,
};
