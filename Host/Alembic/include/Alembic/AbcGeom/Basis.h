#pragma once

#include <Alembic/AbcGeom/Foundation.h>

namespace Alembic
{
	namespace AbcGeom
	{
		namespace ALEMBIC_VERSION_NS
		{
			enum BasisType
			{
				kNoBasis = 0,
				kBezierBasis = 1,
				kBsplineBasis = 2,
				kCatmullromBasis = 3,
				kHermiteBasis = 4,
				kPowerBasis = 5
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
