#pragma once

#include "CoreTypes.h"
#include "Math/UnrealMathUtility.h"
#include "Math/Vector.h"

namespace UE::Math
{
	template<typename T>
	struct TRotator;

	// A rotation as a unit quaternion. RotateVector follows the engine's convention, so a quaternion made
	// from a rotator turns vectors exactly as that rotator's rotation matrix does.
	template<typename T>
	struct TQuat
	{
		T X = 0;
		T Y = 0;
		T Z = 0;
		T W = 1;

		static const TQuat Identity;

		constexpr TQuat() = default;
		constexpr TQuat(T InX, T InY, T InZ, T InW)
		    : X(InX), Y(InY), Z(InZ), W(InW) {}
		explicit constexpr TQuat(EForceInit)
		    : X(0), Y(0), Z(0), W(0) {}
		explicit TQuat(const TRotator<T>& R);
		// A rotation of AngleRad radians about Axis, which must be of unit length.
		TQuat(const TVector<T>& Axis, T AngleRad)
		{
			const T S = std::sin(AngleRad * T(0.5));
			X = S * Axis.X;
			Y = S * Axis.Y;
			Z = S * Axis.Z;
			W = std::cos(AngleRad * T(0.5));
		}

		// The rotation this quaternion makes after Q's: (A * B).RotateVector(V) == A.RotateVector(B.RotateVector(V)).
		constexpr TQuat operator*(const TQuat& Q) const
		{
			return TQuat(
			    W * Q.X + X * Q.W + Y * Q.Z - Z * Q.Y,
			    W * Q.Y - X * Q.Z + Y * Q.W + Z * Q.X,
			    W * Q.Z + X * Q.Y - Y * Q.X + Z * Q.W,
			    W * Q.W - X * Q.X - Y * Q.Y - Z * Q.Z);
		}
		constexpr bool operator==(const TQuat& Q) const { return X == Q.X && Y == Q.Y && Z == Q.Z && W == Q.W; }
		constexpr bool operator!=(const TQuat& Q) const { return !(*this == Q); }

		TVector<T> RotateVector(const TVector<T>& V) const
		{
			// V' = V + 2w(q x V) + 2(q x (q x V)), written with T = 2(q x V).
			const TVector<T> Q(X, Y, Z);
			const TVector<T> TT = TVector<T>::CrossProduct(Q, V) * T(2);
			return V + (TT * W) + TVector<T>::CrossProduct(Q, TT);
		}
		TVector<T> UnrotateVector(const TVector<T>& V) const
		{
			const TVector<T> Q(-X, -Y, -Z);
			const TVector<T> TT = TVector<T>::CrossProduct(Q, V) * T(2);
			return V + (TT * W) + TVector<T>::CrossProduct(Q, TT);
		}
		constexpr TQuat Inverse() const { return TQuat(-X, -Y, -Z, W); }
		T SizeSquared() const { return X * X + Y * Y + Z * Z + W * W; }
		void Normalize(T Tolerance = UE_SMALL_NUMBER)
		{
			const T SquareSum = SizeSquared();
			if (SquareSum >= Tolerance)
			{
				const T Scale = T(1) / std::sqrt(SquareSum);
				X *= Scale;
				Y *= Scale;
				Z *= Scale;
				W *= Scale;
			}
			else
			{
				*this = Identity;
			}
		}
		TQuat GetNormalized(T Tolerance = UE_SMALL_NUMBER) const
		{
			TQuat Result = *this;
			Result.Normalize(Tolerance);
			return Result;
		}
		bool Equals(const TQuat& Q, T Tolerance = UE_KINDA_SMALL_NUMBER) const
		{
			// q and -q are the same rotation.
			const auto Near = [Tolerance](const TQuat& A, const TQuat& B)
			{
				return FMath::Abs(A.X - B.X) <= Tolerance && FMath::Abs(A.Y - B.Y) <= Tolerance &&
				       FMath::Abs(A.Z - B.Z) <= Tolerance && FMath::Abs(A.W - B.W) <= Tolerance;
			};
			return Near(*this, Q) || Near(*this, TQuat(-Q.X, -Q.Y, -Q.Z, -Q.W));
		}
		// The rotation that turns Normal1 onto Normal2, both taken to be of unit length.
		static TQuat FindBetweenNormals(const TVector<T>& Normal1, const TVector<T>& Normal2) { return FindBetweenHelper(Normal1, Normal2, T(1)); }
		// The rotation that turns the direction of Vector1 onto that of Vector2.
		static TQuat FindBetweenVectors(const TVector<T>& Vector1, const TVector<T>& Vector2)
		{
			return FindBetweenHelper(Vector1, Vector2, std::sqrt(Vector1.SizeSquared() * Vector2.SizeSquared()));
		}
		static TQuat FindBetween(const TVector<T>& Vector1, const TVector<T>& Vector2) { return FindBetweenVectors(Vector1, Vector2); }

		TVector<T> GetAxisX() const { return RotateVector(TVector<T>(1, 0, 0)); }
		TVector<T> GetAxisY() const { return RotateVector(TVector<T>(0, 1, 0)); }
		TVector<T> GetAxisZ() const { return RotateVector(TVector<T>(0, 0, 1)); }
		TRotator<T> Rotator() const;

	private:
		// (A x B, |A||B| + A.B), normalised; for opposite directions a half turn about A x (+Y when |A.X| is
		// strictly the largest component, else -X). A zero input gives the identity.
		static TQuat FindBetweenHelper(const TVector<T>& A, const TVector<T>& B, T NormAB)
		{
			T W = NormAB + TVector<T>::DotProduct(A, B);
			TQuat Result;
			if (W >= T(1e-6f) * NormAB)
			{
				Result = TQuat(A.Y * B.Z - A.Z * B.Y, A.Z * B.X - A.X * B.Z, A.X * B.Y - A.Y * B.X, W);
			}
			else
			{
				W = T(0);
				const T AbsX = FMath::Abs(A.X);
				const T AbsY = FMath::Abs(A.Y);
				const T AbsZ = FMath::Abs(A.Z);
				const TVector<T> Basis = (AbsX > AbsY && AbsX > AbsZ) ? TVector<T>(0, 1, 0) : TVector<T>(-1, 0, 0);
				Result = TQuat(A.Y * Basis.Z - A.Z * Basis.Y, A.Z * Basis.X - A.X * Basis.Z, A.X * Basis.Y - A.Y * Basis.X, W);
			}
			Result.Normalize();
			return Result;
		}
	};

	template<typename T>
	inline const TQuat<T> TQuat<T>::Identity(0, 0, 0, 1);
}

using FQuat = UE::Math::TQuat<double>;
using FQuat4d = UE::Math::TQuat<double>;
using FQuat4f = UE::Math::TQuat<float>;

#include "Math/Rotator.h"
