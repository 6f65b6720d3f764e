#pragma once

#include "CoreMinimal.h"

namespace UE::Geometry
{
	template<typename RealType>
	struct TTriangle3
	{
		UE::Math::TVector<RealType> V[3];

		TTriangle3() = default;
		TTriangle3(const UE::Math::TVector<RealType>& V0, const UE::Math::TVector<RealType>& V1, const UE::Math::TVector<RealType>& V2)
		    : V{V0, V1, V2}
		{
		}

		UE::Math::TVector<RealType> BarycentricPoint(RealType Bary0, RealType Bary1, RealType Bary2) const
		{
			return V[0] * Bary0 + V[1] * Bary1 + V[2] * Bary2;
		}
	};

	typedef TTriangle3<float> FTriangle3f;
	typedef TTriangle3<double> FTriangle3d;
}
