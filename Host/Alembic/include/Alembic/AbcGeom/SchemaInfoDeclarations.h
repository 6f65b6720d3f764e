#pragma once

#include <Alembic/AbcGeom/Foundation.h>

namespace Alembic
{
	namespace AbcGeom
	{
		namespace ALEMBIC_VERSION_NS
		{
			ALEMBIC_ABC_DECLARE_SCHEMA_INFO("AbcGeom_Curve_v2", "AbcGeom_GeomBase_v1", ".geom", false, CurvesSchemaInfo);
			ALEMBIC_ABC_DECLARE_SCHEMA_INFO("AbcGeom_Xform_v3", "", ".xform", true, XformSchemaInfo);
			ALEMBIC_ABC_DECLARE_SCHEMA_INFO("AbcGeom_GeomBase_v1", "", ".geom", false, GeomBaseSchemaInfo);
			ALEMBIC_ABC_DECLARE_SCHEMA_INFO("AbcGeom_PolyMesh_v1", "AbcGeom_GeomBase_v1", ".geom", false, PolyMeshSchemaInfo);
			ALEMBIC_ABC_DECLARE_SCHEMA_INFO("AbcGeom_Points_v1", "AbcGeom_GeomBase_v1", ".geom", false, PointsSchemaInfo);
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
