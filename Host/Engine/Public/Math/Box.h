#pragma once

#include "CoreTypes.h"
#include "Math/Vector.h"

namespace UE::Math
{
	// An axis-aligned box. As in the engine, a default-constructed box is not initialised: construct it
	// with ForceInit (empty, not valid) or from its corners.
	template<typename T>
	struct TBox
	{
		TVector<T> Min;
		TVector<T> Max;
		uint8 IsValid;

		TBox() {}
		explicit TBox(EForceInit)
		{
			Init();
		}
		TBox(const TVector<T>& InMin, const TVector<T>& InMax)
		    : Min(InMin), Max(InMax), IsValid(1)
		{
		}

		void Init()
		{
			Min = Max = TVector<T>(0, 0, 0);
			IsValid = 0;
		}

		// Grows the box to hold Other (a box that is not valid becomes the point).
		TBox& operator+=(const TVector<T>& Other)
		{
			if (IsValid)
			{
				Min = Min.ComponentMin(Other);
				Max = Max.ComponentMax(Other);
			}
			else
			{
				Min = Max = Other;
				IsValid = 1;
			}
			return *this;
		}

		TVector<T> GetCenter() const { return (Min + Max) * T(0.5); }
		TVector<T> GetExtent() const { return (Max - Min) * T(0.5); }
		TVector<T> GetSize() const { return Max - Min; }

		// Strictly inside, on no face.
		bool IsInside(const TVector<T>& In) const
		{
			return In.X > Min.X && In.X < Max.X && In.Y > Min.Y && In.Y < Max.Y && In.Z > Min.Z && In.Z < Max.Z;
		}
		bool IsInsideOrOn(const TVector<T>& In) const
		{
			return In.X >= Min.X && In.X <= Max.X && In.Y >= Min.Y && In.Y <= Max.Y && In.Z >= Min.Z && In.Z <= Max.Z;
		}

		TBox ExpandBy(T W) const { return TBox(Min - TVector<T>(W), Max + TVector<T>(W)); }
	};
}

using FBox = UE::Math::TBox<double>;
using FBox3d = UE::Math::TBox<double>;
using FBox3f = UE::Math::TBox<float>;
