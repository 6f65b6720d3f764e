#pragma once

#include "CoreTypes.h"
#include "Containers/UnrealString.h"
#include "Math/UnrealMathUtility.h"
#include "Math/Vector.h"

namespace UE::Math
{
	template<typename T>
	struct TQuat;

	// Euler angles in degrees, as the engine uses them: Pitch about Y (positive raises +X towards +Z),
	// Yaw about Z (positive turns +X towards +Y), Roll about X; applied roll, then pitch, then yaw.
	template<typename T>
	struct TRotator
	{
		T Pitch = 0;
		T Yaw = 0;
		T Roll = 0;

		static const TRotator ZeroRotator;

		constexpr TRotator() = default;
		constexpr TRotator(T InPitch, T InYaw, T InRoll)
		    : Pitch(InPitch), Yaw(InYaw), Roll(InRoll) {}
		explicit constexpr TRotator(T InF)
		    : Pitch(InF), Yaw(InF), Roll(InF) {}
		explicit constexpr TRotator(EForceInit) {}
		explicit TRotator(const TQuat<T>& Quat);

		constexpr TRotator operator+(const TRotator& R) const { return TRotator(Pitch + R.Pitch, Yaw + R.Yaw, Roll + R.Roll); }
		constexpr TRotator operator-(const TRotator& R) const { return TRotator(Pitch - R.Pitch, Yaw - R.Yaw, Roll - R.Roll); }
		constexpr bool operator==(const TRotator& R) const { return Pitch == R.Pitch && Yaw == R.Yaw && Roll == R.Roll; }
		constexpr bool operator!=(const TRotator& R) const { return !(*this == R); }
		bool IsZero() const { return Pitch == 0 && Yaw == 0 && Roll == 0; }

		TQuat<T> Quaternion() const;
		TVector<T> RotateVector(const TVector<T>& V) const;
		TVector<T> UnrotateVector(const TVector<T>& V) const;
		TVector<T> Vector() const { return RotateVector(TVector<T>(1, 0, 0)); }

		FString ToString() const
		{
			return FString::Printf(TEXT("P=%f Y=%f R=%f"), Pitch, Yaw, Roll);
		}
	};

	template<typename T>
	inline const TRotator<T> TRotator<T>::ZeroRotator(0, 0, 0);
}

using FRotator = UE::Math::TRotator<double>;
using FRotator3d = UE::Math::TRotator<double>;
using FRotator3f = UE::Math::TRotator<float>;

#include "Math/Quat.h"

namespace UE::Math
{
	template<typename T>
	TQuat<T>::TQuat(const TRotator<T>& R)
	{
		*this = R.Quaternion();
	}

	template<typename T>
	TQuat<T> TRotator<T>::Quaternion() const
	{
		const T HalfDegToRad = T(UE_DOUBLE_PI / 360.0);
		const T SP = std::sin(Pitch * HalfDegToRad), CP = std::cos(Pitch * HalfDegToRad);
		const T SY = std::sin(Yaw * HalfDegToRad), CY = std::cos(Yaw * HalfDegToRad);
		const T SR = std::sin(Roll * HalfDegToRad), CR = std::cos(Roll * HalfDegToRad);
		return TQuat<T>(
		    CR * SP * SY - SR * CP * CY,
		    -CR * SP * CY - SR * CP * SY,
		    CR * CP * SY - SR * SP * CY,
		    CR * CP * CY + SR * SP * SY);
	}

	template<typename T>
	TVector<T> TRotator<T>::RotateVector(const TVector<T>& V) const
	{
		return Quaternion().RotateVector(V);
	}

	template<typename T>
	TVector<T> TRotator<T>::UnrotateVector(const TVector<T>& V) const
	{
		return Quaternion().UnrotateVector(V);
	}

	template<typename T>
	TRotator<T> TQuat<T>::Rotator() const
	{
		// Read the angles off the rotated axes (the rows of the engine's rotation matrix).
		const TVector<T> AxisX = GetAxisX();
		const TVector<T> AxisY = GetAxisY();
		const TVector<T> AxisZ = GetAxisZ();
		const T RadToDeg = T(180.0 / UE_DOUBLE_PI);
		const T Horizontal = std::sqrt(AxisX.X * AxisX.X + AxisX.Y * AxisX.Y);
		TRotator<T> Result;
		Result.Pitch = std::atan2(AxisX.Z, Horizontal) * RadToDeg;
		if (Horizontal > T(1e-6))
		{
			Result.Yaw = std::atan2(AxisX.Y, AxisX.X) * RadToDeg;
			Result.Roll = std::atan2(-AxisY.Z, AxisZ.Z) * RadToDeg;
		}
		else
		{
			// Pitch ±90: yaw and roll turn about the same axis, so all of it goes to roll.
			const T SinPitch = AxisX.Z > 0 ? T(1) : T(-1);
			Result.Yaw = 0;
			Result.Roll = std::atan2(AxisY.X * SinPitch, AxisY.Y) * RadToDeg;
		}
		return Result;
	}

	template<typename T>
	TRotator<T>::TRotator(const TQuat<T>& Quat)
	{
		*this = Quat.Rotator();
	}
}
