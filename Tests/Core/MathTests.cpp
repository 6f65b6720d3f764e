#include "CoreMinimal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <type_traits>

static_assert(std::is_same_v<decltype(FVector::X), double>, "FVector is double precision");
static_assert(std::is_same_v<decltype(FVector3f::X), float>, "FVector3f is single precision");
static_assert(!std::is_convertible_v<FVector3f, FVector>, "float to double vectors convert only explicitly");
static_assert(!std::is_convertible_v<FVector, FVector3f>, "double to float vectors convert only explicitly");
static_assert(sizeof(TCHAR) == 2, "TCHAR is two bytes");

TEST(Vectors, ExplicitConversionRoundsToFloat)
{
	const FVector Precise(0.1, 1e-50, 3.0);
	const FVector3f Rounded(Precise);
	EXPECT_EQ(Rounded.X, 0.1f);
	EXPECT_EQ(Rounded.Y, 0.0f);
	EXPECT_EQ(FVector(Rounded).X, static_cast<double>(0.1f));
}

TEST(Vectors, DefaultConstructedIsUnsetButForceInitAndZeroVectorAreZero)
{
	// The engine leaves a default-constructed vector uninitialised; the host fills it with NaN so that a
	// read before the first write shows.
	const FVector Unset;
	EXPECT_TRUE(std::isnan(Unset.X) && std::isnan(Unset.Y) && std::isnan(Unset.Z));
	EXPECT_TRUE(std::isnan(FVector3f().Z));
	EXPECT_EQ(FVector(ForceInit), FVector(0, 0, 0));
	EXPECT_EQ(FVector3f(ForceInit), FVector3f(0, 0, 0));
	EXPECT_EQ(FVector::ZeroVector, FVector(0, 0, 0));
}

TEST(Vectors, SafeNormalOfANearZeroVectorIsZero)
{
	// The engine's tolerance is on the squared length (1e-8): 1e-5 long is "zero", 1e-3 is not.
	EXPECT_EQ(FVector(0, 0, 1e-5).GetSafeNormal(), FVector::ZeroVector);
	EXPECT_DOUBLE_EQ(FVector(0, 0, 1e-3).GetSafeNormal().Z, 1.0);
}

TEST(Colors, ConstructRgbaStoreBgra)
{
	const FColor Green(0, 255, 0, 255);
	EXPECT_EQ(Green, FColor::Green);
	EXPECT_EQ(Green.DWColor(), 0xFF00FF00u);
	const FColor Mixed(1, 2, 3, 4);
	uint8 Bytes[4];
	std::memcpy(Bytes, &Mixed, 4);
	EXPECT_EQ(Bytes[0], 3);
	EXPECT_EQ(Bytes[2], 1);
	EXPECT_EQ(FColor(9, 9, 9).A, 255);
}

TEST(Arrays, OutOfBoundsIndexIsFatalAsTheEnginesCheck)
{
	TArray<int32> Values = {3, 1, 2};
	EXPECT_EQ(Values.Find(42), INDEX_NONE);
	EXPECT_DEATH(Values[3] = 1, "index out of bounds");
	EXPECT_DEATH(Values[-1] = 1, "index out of bounds");
}
