#include "CoreMinimal.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
	// The engine's rotation matrix for a rotator, row by row: the images of the X, Y and Z axes.
	void EngineAxes(const FRotator& R, FVector& OutX, FVector& OutY, FVector& OutZ)
	{
		const double P = FMath::DegreesToRadians(R.Pitch), Y = FMath::DegreesToRadians(R.Yaw), Ro = FMath::DegreesToRadians(R.Roll);
		const double SP = std::sin(P), CP = std::cos(P), SY = std::sin(Y), CY = std::cos(Y), SR = std::sin(Ro), CR = std::cos(Ro);
		OutX = FVector(CP * CY, CP * SY, SP);
		OutY = FVector(SR * SP * CY - CR * SY, SR * SP * SY + CR * CY, -SR * CP);
		OutZ = FVector(-(CR * SP * CY + SR * SY), CY * SR - CR * SP * SY, CR * CP);
	}

	void ExpectNear(const FVector& Actual, const FVector& Expected, double Tolerance = 1e-12)
	{
		EXPECT_NEAR(Actual.X, Expected.X, Tolerance);
		EXPECT_NEAR(Actual.Y, Expected.Y, Tolerance);
		EXPECT_NEAR(Actual.Z, Expected.Z, Tolerance);
	}
}

TEST(Rotation, QuaternionTurnsAxesAsTheEngineMatrixDoes)
{
	const FRotator Rotators[] = {{90, 0, 0}, {0, 90, 0}, {0, 0, 90}, {30, -45, 10}, {-80, 170, -120}, {12.5, 200, 359}};
	for (const FRotator& R : Rotators)
	{
		FVector X, Y, Z;
		EngineAxes(R, X, Y, Z);
		const FQuat Q = R.Quaternion();
		ExpectNear(Q.RotateVector(FVector(1, 0, 0)), X);
		ExpectNear(Q.RotateVector(FVector(0, 1, 0)), Y);
		ExpectNear(Q.RotateVector(FVector(0, 0, 1)), Z);
		ExpectNear(Q.UnrotateVector(Q.RotateVector(FVector(3, -4, 5))), FVector(3, -4, 5));
	}
	// The plain names of the convention: yaw turns X towards Y, pitch raises X towards Z.
	ExpectNear(FRotator(0, 90, 0).RotateVector(FVector(1, 0, 0)), FVector(0, 1, 0));
	ExpectNear(FRotator(90, 0, 0).RotateVector(FVector(1, 0, 0)), FVector(0, 0, 1));
}

TEST(Rotation, RotatorSurvivesTheTripThroughAQuaternion)
{
	const FRotator Rotators[] = {{30, -45, 10}, {-80, 170, -120}, {0, 0, 0}, {89.9, 10, 20}};
	for (const FRotator& R : Rotators)
	{
		const FRotator Back = R.Quaternion().Rotator();
		EXPECT_TRUE(Back.Quaternion().Equals(R.Quaternion(), 1e-9)) << TCHAR_TO_UTF8(*Back.ToString());
	}
	// At pitch 90 yaw and roll turn about the same axis; the rotation is still the same one.
	const FRotator Pole(90, 40, 10);
	EXPECT_TRUE(Pole.Quaternion().Rotator().Quaternion().Equals(Pole.Quaternion(), 1e-9));
}

TEST(Transform, ScalesThenRotatesThenTranslatesAndInverts)
{
	const FTransform T(FRotator(0, 90, 0), FVector(100, 200, 300), FVector(2, 3, 4));
	// Local X scaled by 2 and yawed onto world Y.
	ExpectNear(T.TransformPosition(FVector(1, 0, 0)), FVector(100, 202, 300));
	ExpectNear(T.TransformPosition(FVector(0, 1, 0)), FVector(97, 200, 300));
	ExpectNear(T.TransformPosition(FVector(0, 0, 1)), FVector(100, 200, 304));
	const FVector P(-7.25, 3.5, 11);
	ExpectNear(T.InverseTransformPosition(T.TransformPosition(P)), P);
	ExpectNear(FTransform::Identity.TransformPosition(P), P, 0);
}
