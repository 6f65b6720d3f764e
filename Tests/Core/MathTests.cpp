#include "CoreMinimal.h"

#include <gtest/gtest.h>

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

TEST(Vectors, ArithmeticIsComponentWise)
{
	const FVector A(1, 2, 3);
	const FVector B(4, 5, 6);
	EXPECT_EQ(A + B, FVector(5, 7, 9));
	EXPECT_EQ(B - A, FVector(3, 3, 3));
	EXPECT_EQ(A * 2.0, FVector(2, 4, 6));
	EXPECT_EQ(2.0f * A, FVector(2, 4, 6));
	EXPECT_EQ(FVector::DotProduct(A, B), 32.0);
	EXPECT_EQ(FVector::CrossProduct(FVector(1, 0, 0), FVector(0, 1, 0)), FVector(0, 0, 1));
	EXPECT_DOUBLE_EQ(FVector(3, 4, 0).Size(), 5.0);
	EXPECT_EQ(FVector::ZeroVector, FVector(0, 0, 0));
	EXPECT_EQ(FVector(0, 0, 1e-5).GetSafeNormal(), FVector::ZeroVector);
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

TEST(Arrays, IndexAndGrowLikeTheEngines)
{
	TArray<int32> Values = {3, 1, 2};
	EXPECT_EQ(Values.Num(), 3);
	EXPECT_EQ(Values.Add(7), 3);
	EXPECT_EQ(Values.Find(2), 2);
	EXPECT_EQ(Values.Find(42), INDEX_NONE);
	Values.RemoveAt(0);
	EXPECT_EQ(Values[0], 1);
	EXPECT_EQ(Values.Last(), 7);
	Values.SetNum(5);
	EXPECT_EQ(Values[4], 0);
	EXPECT_DEATH(Values[5] = 1, "index out of bounds");
}
