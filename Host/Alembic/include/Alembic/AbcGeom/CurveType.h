#pragma once

#include <Alembic/AbcGeom/Foundation.h>

namespace Alembic
{
	namespace AbcGeom
	{
		namespace ALEMBIC_VERSION_NS
		{
			enum CurveType
			{
				kCubic = 0,
				kLinear = 1,
				kVariableOrder = 2
			};

			enum CurvePeriodicity
			{
				kNonPeriodic = 0,
				kPeriodic = 1
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
