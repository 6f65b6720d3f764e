#pragma once

#include <Alembic/AbcCoreAbstract/Foundation.h>
#include <Alembic/Util/Digest.h>
#include <Alembic/Util/PlainOldDataType.h>

namespace Alembic
{
	namespace AbcCoreAbstract
	{
		namespace ALEMBIC_VERSION_NS
		{
			// What names a stored array sample without reading it: the bytes it holds and their digest.
			struct ArraySampleKey
			{
				// Bytes of the sample as stored (the payload, without its 16-byte digest).
				uint64_t numBytes = 0;
				PlainOldDataType origPOD = kUnknownPOD;
				PlainOldDataType readPOD = kUnknownPOD;
				Digest digest;

				bool operator==(const ArraySampleKey& iRhs) const
				{
					return numBytes == iRhs.numBytes && origPOD == iRhs.origPOD && readPOD == iRhs.readPOD && digest == iRhs.digest;
				}
				bool operator!=(const ArraySampleKey& iRhs) const { return !(*this == iRhs); }
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
