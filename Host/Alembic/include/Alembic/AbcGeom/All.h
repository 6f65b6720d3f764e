#pragma once

#include <Alembic/Abc/All.h>
#include <Alembic/AbcGeom/Foundation.h>
#include <Alembic/AbcGeom/GeometryScope.h>
#include <Alembic/AbcGeom/CurveType.h>
#include <Alembic/AbcGeom/Basis.h>
#include <Alembic/AbcGeom/SchemaInfoDeclarations.h>
#include <Alembic/AbcGeom/IGeomParam.h>
#include <Alembic/AbcGeom/OGeomParam.h>
#include <Alembic/AbcGeom/IGeomBase.h>
#include <Alembic/AbcGeom/OGeomBase.h>
#include <Alembic/AbcGeom/ICurves.h>
#include <Alembic/AbcGeom/OCurves.h>
#include <Alembic/AbcGeom/XformOp.h>
#include <Alembic/AbcGeom/XformSample.h>
#include <Alembic/AbcGeom/OXform.h>
#include <Alembic/AbcGeom/IXform.h>
