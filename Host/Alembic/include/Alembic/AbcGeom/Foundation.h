#pragma once

#include <Alembic/Abc/All.h>

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

// The union of the points, in double precision; empty when there are none.
template<class ARRAYSAMP>
Abc::Box3d ComputeBoundsFromPositions(const ARRAYSAMP& iSamp)
{
	Abc::Box3d Bounds;
	const size_t Count = iSamp.size();
	for (size_t i = 0; i < Count; ++i)
	{
		const auto& Point = iSamp[i];
		Bounds.extendBy(Abc::V3d(Point.x, Point.y, Point.z));
	}
	return Bounds;
}
}
using namespace ALEMBIC_VERSION_NS;
}
}
