#pragma once

#include "CoreTypes.h"
#include "Math/Quat.h"
#include "Math/Rotator.h"
#include "Math/Vector.h"

namespace UE::Math
{
	// Scale, then rotation, then translation, as the engine applies a transform to a position.
	template<typename T>
	struct TTransform
	{
		static const TTransform Identity;

		TTransform() = default;
		explicit TTransform(const TVector<T>& InTranslation)
		    : Translation(InTranslation) {}
		explicit TTransform(const TQuat<T>& InRotation)
		    : Rotation(InRotation) {}
		explicit TTransform(const TRotator<T>& InRotation)
		    : Rotation(InRotation.Quaternion()) {}
		TTransform(const TQuat<T>& InRotation, const TVector<T>& InTranslation, const TVector<T>& InScale3D = TVector<T>::OneVector)
		    : Rotation(InRotation), Translation(InTranslation), Scale3D(InScale3D)
		{
		}
		TTransform(const TRotator<T>& InRotation, const TVector<T>& InTranslation, const TVector<T>& InScale3D = TVector<T>::OneVector)
		    : Rotation(InRotation.Quaternion()), Translation(InTranslation), Scale3D(InScale3D)
		{
		}

		TVector<T> TransformPosition(const TVector<T>& V) const { return Rotation.RotateVector(Scale3D * V) + Translation; }
		TVector<T> TransformVector(const TVector<T>& V) const { return Rotation.RotateVector(Scale3D * V); }
		TVector<T> TransformVectorNoScale(const TVector<T>& V) const { return Rotation.RotateVector(V); }
		// The inverse mappings divide by the scale: callers check for a zero scale first.
		TVector<T> InverseTransformPosition(const TVector<T>& V) const
		{
			const TVector<T> Unrotated = Rotation.UnrotateVector(V - Translation);
			return TVector<T>(Unrotated.X / Scale3D.X, Unrotated.Y / Scale3D.Y, Unrotated.Z / Scale3D.Z);
		}
		TVector<T> InverseTransformVector(const TVector<T>& V) const
		{
			const TVector<T> Unrotated = Rotation.UnrotateVector(V);
			return TVector<T>(Unrotated.X / Scale3D.X, Unrotated.Y / Scale3D.Y, Unrotated.Z / Scale3D.Z);
		}
		TVector<T> InverseTransformVectorNoScale(const TVector<T>& V) const { return Rotation.UnrotateVector(V); }

		const TVector<T>& GetLocation() const { return Translation; }
		const TVector<T>& GetTranslation() const { return Translation; }
		const TQuat<T>& GetRotation() const { return Rotation; }
		const TVector<T>& GetScale3D() const { return Scale3D; }
		TRotator<T> Rotator() const { return Rotation.Rotator(); }
		void SetLocation(const TVector<T>& V) { Translation = V; }
		void SetTranslation(const TVector<T>& V) { Translation = V; }
		void SetRotation(const TQuat<T>& Q) { Rotation = Q; }
		void SetScale3D(const TVector<T>& V) { Scale3D = V; }

		bool Equals(const TTransform& Other, T Tolerance = UE_KINDA_SMALL_NUMBER) const
		{
			return Rotation.Equals(Other.Rotation, Tolerance) && Translation.Equals(Other.Translation, Tolerance) &&
			       Scale3D.Equals(Other.Scale3D, Tolerance);
		}

	private:
		TQuat<T> Rotation = TQuat<T>::Identity;
		TVector<T> Translation = TVector<T>::ZeroVector;
		TVector<T> Scale3D = TVector<T>::OneVector;
	};

	template<typename T>
	inline const TTransform<T> TTransform<T>::Identity;
}

using FTransform = UE::Math::TTransform<double>;
using FTransform3d = UE::Math::TTransform<double>;
using FTransform3f = UE::Math::TTransform<float>;
