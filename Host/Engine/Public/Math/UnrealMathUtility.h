#pragma once

#include "CoreTypes.h"

#include <algorithm>
#include <cmath>

#define UE_PI (3.1415926535897932f)
#define UE_DOUBLE_PI (3.141592653589793238462643383279502884197169399)
#define UE_SMALL_NUMBER (1.e-8f)
#define UE_KINDA_SMALL_NUMBER (1.e-4f)
#define UE_DOUBLE_SMALL_NUMBER (1.e-8)
#define UE_DOUBLE_KINDA_SMALL_NUMBER (1.e-4)
#define UE_BIG_NUMBER (3.4e+38f)

struct FMath
{
	template<typename T>
	static constexpr T Min(T A, T B)
	{
		return A < B ? A : B;
	}
	template<typename T>
	static constexpr T Max(T A, T B)
	{
		return A > B ? A : B;
	}
	template<typename T>
	static constexpr T Clamp(T X, T Lo, T Hi)
	{
		return X < Lo ? Lo : (X > Hi ? Hi : X);
	}
	// For positive integers: Dividend / Divisor rounded up.
	template<typename T>
	static constexpr T DivideAndRoundUp(T Dividend, T Divisor)
	{
		return (Dividend + Divisor - 1) / Divisor;
	}
	template<typename T>
	static constexpr T Abs(T A)
	{
		return A < T(0) ? -A : A;
	}
	template<typename T>
	static constexpr T Square(T A)
	{
		return A * A;
	}
	static double Sqrt(double A) { return std::sqrt(A); }
	static float Sqrt(float A) { return std::sqrt(A); }
	static double InvSqrt(double A) { return 1.0 / std::sqrt(A); }
	static float InvSqrt(float A) { return 1.0f / std::sqrt(A); }
	static double Sin(double A) { return std::sin(A); }
	static double Cos(double A) { return std::cos(A); }
	static void SinCos(double* S, double* C, double A)
	{
		*S = std::sin(A);
		*C = std::cos(A);
	}
	static double DegreesToRadians(double Degrees) { return Degrees * (UE_DOUBLE_PI / 180.0); }
	static double RadiansToDegrees(double Radians) { return Radians * (180.0 / UE_DOUBLE_PI); }
	static bool IsNearlyEqual(double A, double B, double Tolerance = UE_DOUBLE_SMALL_NUMBER) { return Abs(A - B) <= Tolerance; }
	static bool IsNearlyZero(double A, double Tolerance = UE_DOUBLE_SMALL_NUMBER) { return Abs(A) <= Tolerance; }
	static int32 TruncToInt32(float F) { return static_cast<int32>(F); }
	static int32 TruncToInt32(double F) { return static_cast<int32>(F); }
	static int32 TruncToInt(float F) { return static_cast<int32>(F); }
	static int32 FloorToInt(float F) { return static_cast<int32>(std::floor(F)); }
	static int32 RoundToInt(float F) { return static_cast<int32>(std::floor(F + 0.5f)); }
};
