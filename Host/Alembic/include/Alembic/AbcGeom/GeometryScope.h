#pragma once

// Where a geometry parameter's values live: one per object, curve, vertex and so on.

#include <Alembic/AbcGeom/Foundation.h>

namespace Alembic
{
	namespace AbcGeom
	{
		namespace ALEMBIC_VERSION_NS
		{
			enum GeometryScope
			{
				kConstantScope = 0,
				kUniformScope = 1,
				kVaryingScope = 2,
				kVertexScope = 3,
				kFacevaryingScope = 4,
				kUnknownScope = 127
			};

			inline void SetGeometryScope(AbcA::MetaData& ioMetaData, GeometryScope iScope)
			{
				switch (iScope)
				{
					case kConstantScope:
						ioMetaData.set("geoScope", "con");
						break;
					case kUniformScope:
						ioMetaData.set("geoScope", "uni");
						break;
					case kVaryingScope:
						ioMetaData.set("geoScope", "var");
						break;
					case kVertexScope:
						ioMetaData.set("geoScope", "vtx");
						break;
					case kFacevaryingScope:
						ioMetaData.set("geoScope", "fvr");
						break;
					default:
						break;
				}
			}

			// A missing key means constant scope.
			inline GeometryScope GetGeometryScope(const AbcA::MetaData& iMetaData)
			{
				const std::string Scope = iMetaData.get("geoScope");
				if (Scope.empty() || Scope == "con")
				{
					return kConstantScope;
				}
				if (Scope == "uni")
				{
					return kUniformScope;
				}
				if (Scope == "var")
				{
					return kVaryingScope;
				}
				if (Scope == "vtx")
				{
					return kVertexScope;
				}
				if (Scope == "fvr")
				{
					return kFacevaryingScope;
				}
				return kUnknownScope;
			}
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
