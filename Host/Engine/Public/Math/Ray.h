#pragma once

#include "Math/Vector.h"

namespace UE::Math
{
	// A half-line from Origin along Direction, which the constructor normalises unless told it already is.
	template<typename T>
	struct TRay
	{
		TVector<T> Origin = TVector<T>(0, 0, 0);
		TVector<T> Direction = TVector<T>(0, 0, 1);

		TRay() = default;
		TRay(const TVector<T>& InOrigin, const TVector<T>& InDirection, bool bDirectionIsNormalized = false)
		    : Origin(InOrigin), Direction(InDirection)
		{
			if (!bDirectionIsNormalized)
			{
				// Leaves a (near) zero direction as it is.
				Direction.Normalize();
			}
		}

		TVector<T> PointAt(T RayParameter) const { return Origin + Direction * RayParameter; }
	};
}

using FRay3d = UE::Math::TRay<double>;
using FRay3f = UE::Math::TRay<float>;
