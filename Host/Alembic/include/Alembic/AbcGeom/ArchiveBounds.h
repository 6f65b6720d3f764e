#pragma once

// The bounds of a whole archive, kept as ".childBnds" on the top object.

#include <Alembic/AbcGeom/Foundation.h>

namespace Alembic
{
	namespace AbcGeom
	{
		namespace ALEMBIC_VERSION_NS
		{
			inline Abc::IBox3dProperty GetIArchiveBounds(IArchive& iArchive, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument())
			{
				return Abc::IBox3dProperty(iArchive.getTop().getProperties(), ".childBnds", iArg0, iArg1);
			}

			inline Abc::OBox3dProperty CreateOArchiveBounds(OArchive& iArchive, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument(),
			                                                const Argument& iArg2 = Argument())
			{
				return Abc::OBox3dProperty(iArchive.getTop().getProperties(), ".childBnds", iArg0, iArg1, iArg2);
			}
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
