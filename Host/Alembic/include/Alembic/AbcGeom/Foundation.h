#pragma once

#include <Alembic/Abc/All.h>

#include <cmath>
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
				// Imath keeps a point's components as an array of three.
				const scalar_type* Values = Count > 0 ? iSamp.get()->getValue() : nullptr;
				for (size_t i = 0; i < 3 * Count; i += 3)
				{
					for (int Axis = 0; Axis < 3; ++Axis)
					{
						const scalar_type Value = Values[i + Axis];
						Min[Axis] = Value < Min[Axis] ? Value : Min[Axis];
						Max[Axis] = Value > Max[Axis] ? Value : Max[Axis];
					}
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

			// The kinds of step a transform is made of, in the order their codes are stored.
			enum XformOperationType
			{
				kScaleOperation = 0,
				kTranslateOperation = 1,
				kRotateOperation = 2,
				kMatrixOperation = 3,
				kRotateXOperation = 4,
				kRotateYOperation = 5,
				kRotateZOperation = 6
			};

			inline double DegreesToRadians(double iDegrees)
			{
				return (iDegrees * M_PI) / 180.0;
			}
			inline double RadiansToDegrees(double iRadians)
			{
				return iRadians * (180.0 / M_PI);
			}
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
