#pragma once

#include "CoreMinimal.h"

// Vectors the engine quantises when it replicates them. In memory they are plain FVectors.
struct FVector_NetQuantize : public FVector
{
	FVector_NetQuantize() = default;
	explicit FVector_NetQuantize(EForceInit E)
	    : FVector(E) {}
	FVector_NetQuantize(double InX, double InY, double InZ)
	    : FVector(InX, InY, InZ) {}
	FVector_NetQuantize(const FVector& InVec)
	    : FVector(InVec) {}
	FVector_NetQuantize& operator=(const FVector& Other)
	{
		FVector::operator=(Other);
		return *this;
	}
};

struct FVector_NetQuantizeNormal : public FVector
{
	FVector_NetQuantizeNormal() = default;
	explicit FVector_NetQuantizeNormal(EForceInit E)
	    : FVector(E) {}
	FVector_NetQuantizeNormal(double InX, double InY, double InZ)
	    : FVector(InX, InY, InZ) {}
	FVector_NetQuantizeNormal(const FVector& InVec)
	    : FVector(InVec) {}
	FVector_NetQuantizeNormal& operator=(const FVector& Other)
	{
		FVector::operator=(Other);
		return *this;
	}
};
