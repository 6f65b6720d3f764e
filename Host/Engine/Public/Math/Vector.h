#pragma once

#include "CoreTypes.h"
#include "Containers/UnrealString.h"
#include "Math/UnrealMathUtility.h"
#include "Templates/Requires.h"

#include <limits>

namespace UE::Math
{
	// A 3-component vector. FVector is double (large world coordinates); FVector3f is float and is what
	// render and mesh-description data hold. Converting between the two is explicit, as in the engine.
	//
	// The engine leaves a default-constructed vector uninitialised; here it is quiet NaN, so a read before
	// the first write shows. TVector(ForceInit) and ZeroVector are zero.
	template<typename T>
	struct TVector
	{
		static_assert(std::is_floating_point_v<T>, "TVector holds floating point components");

		T X = std::numeric_limits<T>::quiet_NaN();
		T Y = std::numeric_limits<T>::quiet_NaN();
		T Z = std::numeric_limits<T>::quiet_NaN();

		static const TVector ZeroVector;
		static const TVector OneVector;
		static const TVector UpVector;
		static const TVector ForwardVector;
		static const TVector RightVector;

		constexpr TVector() = default;
		constexpr TVector(T InX, T InY, T InZ)
		    : X(InX), Y(InY), Z(InZ) {}
		explicit constexpr TVector(T InF)
		    : X(InF), Y(InF), Z(InF) {}
		explicit constexpr TVector(EForceInit)
		    : X(0), Y(0), Z(0) {}
		template<typename FArg UE_REQUIRES(!std::is_same_v<T, FArg>)>
		explicit constexpr TVector(const TVector<FArg>& V)
		    : X(T(V.X)), Y(T(V.Y)), Z(T(V.Z))
		{
		}

		constexpr TVector operator+(const TVector& V) const { return TVector(X + V.X, Y + V.Y, Z + V.Z); }
		constexpr TVector operator-(const TVector& V) const { return TVector(X - V.X, Y - V.Y, Z - V.Z); }
		constexpr TVector operator*(const TVector& V) const { return TVector(X * V.X, Y * V.Y, Z * V.Z); }
		constexpr TVector operator-() const { return TVector(-X, -Y, -Z); }
		template<typename FArg UE_REQUIRES(std::is_arithmetic_v<FArg>)>
		constexpr TVector operator*(FArg Scale) const
		{
			return TVector(X * T(Scale), Y * T(Scale), Z * T(Scale));
		}
		template<typename FArg UE_REQUIRES(std::is_arithmetic_v<FArg>)>
		constexpr TVector operator/(FArg Scale) const
		{
			const T RScale = T(1) / T(Scale);
			return TVector(X * RScale, Y * RScale, Z * RScale);
		}
		constexpr TVector& operator+=(const TVector& V)
		{
			X += V.X;
			Y += V.Y;
			Z += V.Z;
			return *this;
		}
		constexpr TVector& operator-=(const TVector& V)
		{
			X -= V.X;
			Y -= V.Y;
			Z -= V.Z;
			return *this;
		}
		template<typename FArg UE_REQUIRES(std::is_arithmetic_v<FArg>)>
		constexpr TVector& operator*=(FArg Scale)
		{
			X *= T(Scale);
			Y *= T(Scale);
			Z *= T(Scale);
			return *this;
		}
		constexpr bool operator==(const TVector& V) const { return X == V.X && Y == V.Y && Z == V.Z; }
		constexpr bool operator!=(const TVector& V) const { return !(*this == V); }
		// Dot and cross products, spelled as in the engine.
		constexpr T operator|(const TVector& V) const { return X * V.X + Y * V.Y + Z * V.Z; }
		constexpr TVector operator^(const TVector& V) const
		{
			return TVector(Y * V.Z - Z * V.Y, Z * V.X - X * V.Z, X * V.Y - Y * V.X);
		}

		T& operator[](int32 Index)
		{
			check(Index >= 0 && Index < 3);
			return (&X)[Index];
		}
		T operator[](int32 Index) const
		{
			check(Index >= 0 && Index < 3);
			return (&X)[Index];
		}

		static constexpr T DotProduct(const TVector& A, const TVector& B) { return A | B; }
		static constexpr TVector CrossProduct(const TVector& A, const TVector& B) { return A ^ B; }
		static T Dist(const TVector& A, const TVector& B) { return (B - A).Size(); }
		static constexpr T DistSquared(const TVector& A, const TVector& B) { return (B - A).SizeSquared(); }

		constexpr T SizeSquared() const { return X * X + Y * Y + Z * Z; }
		T Size() const { return std::sqrt(SizeSquared()); }
		bool IsZero() const { return X == 0 && Y == 0 && Z == 0; }
		bool IsNearlyZero(T Tolerance = UE_KINDA_SMALL_NUMBER) const
		{
			return FMath::Abs(X) <= Tolerance && FMath::Abs(Y) <= Tolerance && FMath::Abs(Z) <= Tolerance;
		}
		bool Equals(const TVector& V, T Tolerance = UE_KINDA_SMALL_NUMBER) const
		{
			return FMath::Abs(X - V.X) <= Tolerance && FMath::Abs(Y - V.Y) <= Tolerance && FMath::Abs(Z - V.Z) <= Tolerance;
		}
		bool Normalize(T Tolerance = UE_SMALL_NUMBER)
		{
			const T SquareSum = SizeSquared();
			if (SquareSum > Tolerance)
			{
				const T Scale = FMath::InvSqrt(SquareSum);
				X *= Scale;
				Y *= Scale;
				Z *= Scale;
				return true;
			}
			return false;
		}
		TVector GetSafeNormal(T Tolerance = UE_SMALL_NUMBER) const
		{
			TVector Result = *this;
			return Result.Normalize(Tolerance) ? Result : ZeroVector;
		}
		T GetMax() const { return FMath::Max(FMath::Max(X, Y), Z); }
		T GetMin() const { return FMath::Min(FMath::Min(X, Y), Z); }
		TVector ComponentMin(const TVector& V) const { return TVector(FMath::Min(X, V.X), FMath::Min(Y, V.Y), FMath::Min(Z, V.Z)); }
		TVector ComponentMax(const TVector& V) const { return TVector(FMath::Max(X, V.X), FMath::Max(Y, V.Y), FMath::Max(Z, V.Z)); }

		FString ToString() const
		{
			return FString::Printf(TEXT("X=%3.3f Y=%3.3f Z=%3.3f"), X, Y, Z);
		}
	};

	template<typename T>
	inline const TVector<T> TVector<T>::ZeroVector(0, 0, 0);
	template<typename T>
	inline const TVector<T> TVector<T>::OneVector(1, 1, 1);
	template<typename T>
	inline const TVector<T> TVector<T>::UpVector(0, 0, 1);
	template<typename T>
	inline const TVector<T> TVector<T>::ForwardVector(1, 0, 0);
	template<typename T>
	inline const TVector<T> TVector<T>::RightVector(0, 1, 0);

	template<typename T, typename FArg UE_REQUIRES(std::is_arithmetic_v<FArg>)>
	constexpr TVector<T> operator*(FArg Scale, const TVector<T>& V)
	{
		return V * Scale;
	}
}

using FVector = UE::Math::TVector<double>;
using FVector3d = UE::Math::TVector<double>;
using FVector3f = UE::Math::TVector<float>;
