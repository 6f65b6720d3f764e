#pragma once

// What every geometry schema has: its bounds, and optional arbitrary and user properties.

#include <Alembic/AbcGeom/IGeomParam.h>
#include <Alembic/AbcGeom/SchemaInfoDeclarations.h>

namespace Alembic
{
	namespace AbcGeom
	{
		namespace ALEMBIC_VERSION_NS
		{
			template<class INFO>
			class IGeomBaseSchema : public Abc::ISchema<INFO>
			{
			public:
				IGeomBaseSchema() = default;

				IGeomBaseSchema(const Abc::ICompoundProperty& iParent, const std::string& iName, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument())
				    : Abc::ISchema<INFO>(iParent, iName, iArg0, iArg1)
				{
					init(iArg0, iArg1);
				}

				Abc::IBox3dProperty getSelfBoundsProperty() const { return m_selfBoundsProperty; }
				Abc::IBox3dProperty getChildBoundsProperty() const { return m_childBoundsProperty; }
				// Invalid when the file has no ".arbGeomParams"; check valid() before use.
				Abc::ICompoundProperty getArbGeomParams() const { return m_arbGeomParams; }
				Abc::ICompoundProperty getUserProperties() const { return m_userProperties; }

				void reset() override
				{
					m_selfBoundsProperty.reset();
					m_childBoundsProperty.reset();
					m_arbGeomParams.reset();
					m_userProperties.reset();
					Abc::ISchema<INFO>::reset();
				}
				bool valid() const override { return Abc::ISchema<INFO>::valid() && m_selfBoundsProperty.valid(); }

			protected:
				Abc::IBox3dProperty m_selfBoundsProperty;
				Abc::IBox3dProperty m_childBoundsProperty;
				Abc::ICompoundProperty m_arbGeomParams;
				Abc::ICompoundProperty m_userProperties;

			private:
				void init(const Argument& iArg0, const Argument& iArg1)
				{
					ALEMBIC_ABC_SAFE_CALL_BEGIN("IGeomBaseSchema::init()");
					if (!this->m_property)
					{
						return;
					}
					const Abc::ICompoundProperty& Self = *this;
					m_selfBoundsProperty = Abc::IBox3dProperty(Self, ".selfBnds", iArg0, iArg1);
					if (this->getPropertyHeader(".childBnds"))
					{
						m_childBoundsProperty = Abc::IBox3dProperty(Self, ".childBnds", iArg0, iArg1);
					}
					const AbcA::PropertyHeader* Arb = this->getPropertyHeader(".arbGeomParams");
					if (Arb && Arb->isCompound())
					{
						m_arbGeomParams = Abc::ICompoundProperty(Self, ".arbGeomParams", this->getErrorHandlerPolicy());
					}
					const AbcA::PropertyHeader* User = this->getPropertyHeader(".userProperties");
					if (User && User->isCompound())
					{
						m_userProperties = Abc::ICompoundProperty(Self, ".userProperties", this->getErrorHandlerPolicy());
					}
					ALEMBIC_ABC_SAFE_CALL_END_RESET();
				}
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
