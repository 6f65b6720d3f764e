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

	// The flag in force: CTF_UseDefault is the project's default shape complexity, which is simple and
	// complex unless a project changes it.
	TEnumAsByte<ECollisionTraceFlag> GetCollisionTraceFlag() const
	{
		return CollisionTraceFlag == CTF_UseDefault ? TEnumAsByte<ECollisionTraceFlag>(CTF_UseSimpleAndComplex) : CollisionTraceFlag;
	}
};
