#pragma once

#include <Alembic/Abc/All.h>

#include <limits>
#include <type_traits>

namespace Alembic
{
	namespace AbcGeom
	{
		namespace ALEMBIC_VERSION_NS
		{
			namespace Abc = ::Alembic::Abc::ALEMBIC_VERSION_NS;
			using namespace Abc;

			enum MeshTopologyVariance
			{
				kConstantTopology = 0,
				kHomogenousTopology = 1,
				kHomogeneousTopology = 1,
				kHeterogenousTopology = 2,
				kHeterogeneousTopology = 2
			};

			enum FilterType
			{
				kFilterNone = 0
			};

			// The union of the points, in double precision; empty when there are none. Min and max are
			// taken in the points' own precision (exact, since widening keeps the order) in a loop simple
			// enough to vectorise; NaN coordinates are skipped, as Imath's extendBy skips them.
			template<class ARRAYSAMP>
			Abc::Box3d ComputeBoundsFromPositions(const ARRAYSAMP& iSamp)
			{
				typedef typename std::decay_t<decltype(iSamp[0].x)> scalar_type;
				const size_t Count = iSamp.size();
				const scalar_type Inf = std::numeric_limits<scalar_type>::infinity();
				scalar_type Min[3] = {Inf, Inf, Inf};
				scalar_type Max[3] = {-Inf, -Inf, -Inf};
				for (size_t i = 0; i < Count; ++i)
				{
					const auto& Point = iSamp[i];
					Min[0] = Point.x < Min[0] ? Point.x : Min[0];
					Min[1] = Point.y < Min[1] ? Point.y : Min[1];
					Min[2] = Point.z < Min[2] ? Point.z : Min[2];
					Max[0] = Point.x > Max[0] ? Point.x : Max[0];
					Max[1] = Point.y > Max[1] ? Point.y : Max[1];
					Max[2] = Point.z > Max[2] ? Point.z : Max[2];
				}
				Abc::Box3d Bounds;
				for (int Axis = 0; Axis < 3; ++Axis)
				{
					if (Min[Axis] <= Max[Axis])
					{
						Bounds.min[Axis] = double(Min[Axis]);
						Bounds.max[Axis] = double(Max[Axis]);
					}
				}
				return Bounds;
			}
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
