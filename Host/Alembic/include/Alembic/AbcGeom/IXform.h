#pragma once

// Reading transforms: enough to recognise them and to read their inherit flag.

#include <Alembic/AbcGeom/SchemaInfoDeclarations.h>
#include <Alembic/AbcGeom/XformSample.h>

namespace Alembic
{
	namespace AbcGeom
	{
		namespace ALEMBIC_VERSION_NS
		{
			class IXformSchema : public Abc::ISchema<XformSchemaInfo>
			{
			public:
				IXformSchema() = default;
				IXformSchema(const Abc::ICompoundProperty& iParent, const std::string& iName, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument())
				    : Abc::ISchema<XformSchemaInfo>(iParent, iName, iArg0, iArg1)
				{
				}

				size_t getNumSamples() const
				{
					const AbcA::PropertyHeader* Header = getPropertyHeader(".inherits");
					return Header && Header->isScalar() ? Abc::IBoolProperty(*this, ".inherits").getNumSamples() : 0;
				}

				bool getInheritsXforms(const ISampleSelector& iSS = ISampleSelector()) const
				{
					const AbcA::PropertyHeader* Header = getPropertyHeader(".inherits");
					if (!Header || !Header->isScalar())
					{
						return true;
					}
					return Abc::IBoolProperty(*this, ".inherits").getValue(iSS);
				}
			};

			typedef Abc::ISchemaObject<IXformSchema> IXform;
			typedef Util::shared_ptr<IXform> IXformPtr;
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
