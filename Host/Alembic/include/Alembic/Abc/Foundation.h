#pragma once

// Flags shared by the Abc handles, and the Imath value types properties hold.

#include <Imath/ImathBox.h>
#include <Imath/ImathColor.h>
#include <Imath/ImathMatrix.h>
#include <Imath/ImathQuat.h>
#include <Imath/ImathVec.h>

#include <Alembic/AbcCoreAbstract/All.h>

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			namespace AbcA = ::Alembic::AbcCoreAbstract::ALEMBIC_VERSION_NS;
			using namespace AbcA;

			enum SchemaInterpMatching
			{
				kStrictMatching = 0,
				kNoMatching = 1,
				kSchemaTitleMatching = 2
			};

			enum WrapExistingFlag
			{
				kWrapExisting = 0
			};

			enum TopFlag
			{
				kTop = 0
			};

			enum SparseFlag
			{
				kFull = 0,
				kSparse = 1
			};

			using Imath::Box2d;
			using Imath::Box2f;
			using Imath::Box2i;
			using Imath::Box2s;
			using Imath::Box3d;
			using Imath::Box3f;
			using Imath::Box3i;
			using Imath::Box3s;
			using Imath::C3c;
			using Imath::C3f;
			using Imath::C3h;
			using Imath::C4c;
			using Imath::C4f;
			using Imath::C4h;
			using Imath::M33d;
			using Imath::M33f;
			using Imath::M44d;
			using Imath::M44f;
			using Imath::Quatd;
			using Imath::Quatf;
			using Imath::V2d;
			using Imath::V2f;
			using Imath::V2i;
			using Imath::V2s;
			using Imath::V3d;
			using Imath::V3f;
			using Imath::V3i;
			using Imath::V3s;

			typedef V2f N2f;
			typedef V2d N2d;
			typedef V3f N3f;
			typedef V3d N3d;
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
