#pragma once

#include "CoreMinimal.h"
#include "BodySetupEnums.h"
#include "Containers/EnumAsByte.h"
#include "UObject/Object.h"

// The collision settings of one physics body.
class UBodySetupCore : public UObject
{
	DECLARE_HOST_CLASS(UBodySetupCore, UObject)

public:
	FName BoneName;
	TEnumAsByte<ECollisionTraceFlag> CollisionTraceFlag = CTF_UseDefault;
};
