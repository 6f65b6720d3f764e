#pragma once

#include <Alembic/AbcGeom/OGeomParam.h>
#include <Alembic/AbcGeom/SchemaInfoDeclarations.h>

namespace Alembic
{
	namespace AbcGeom
	{
		namespace ALEMBIC_VERSION_NS
		{
			template<class INFO>
			class OGeomBaseSchema : public Abc::OSchema<INFO>
			{
			public:
				OGeomBaseSchema() = default;

				OGeomBaseSchema(AbcA::CompoundPropertyWriterPtr iParent, const std::string& iName, const Argument& iArg0 = Argument(),
				                const Argument& iArg1 = Argument(), const Argument& iArg2 = Argument(), const Argument& iArg3 = Argument())
				    : Abc::OSchema<INFO>(iParent, iName, iArg0, iArg1, iArg2, iArg3)
				{
				}

				// Created on the first call, so its place among the schema's properties follows that call.
				Abc::OCompoundProperty getArbGeomParams()
				{
					if (!m_arbGeomParams)
					{
						m_arbGeomParams = Abc::OCompoundProperty(this->getPtr(), ".arbGeomParams", this->getErrorHandlerPolicy());
					}
					return m_arbGeomParams;
				}

				Abc::OCompoundProperty getUserProperties()
				{
					if (!m_userProperties)
					{
						m_userProperties = Abc::OCompoundProperty(this->getPtr(), ".userProperties", this->getErrorHandlerPolicy());
					}
					return m_userProperties;
				}

				Abc::OBox3dProperty getChildBoundsProperty()
				{
					if (!m_childBoundsProperty)
					{
						m_childBoundsProperty = Abc::OBox3dProperty(this->getPtr(), ".childBnds", this->getErrorHandlerPolicy(), m_timeSamplingIndex);
					}
					return m_childBoundsProperty;
				}

				void reset() override
				{
					m_selfBoundsProperty.reset();
					m_childBoundsProperty.reset();
					m_arbGeomParams.reset();
					m_userProperties.reset();
					Abc::OSchema<INFO>::reset();
				}

			protected:
				// Once per schema; a sparse schema makes it with its first positions and back-fills empty boxes.
				void createSelfBoundsProperty(uint32_t iTimeSamplingIndex, size_t iNumSamples)
				{
					if (m_selfBoundsProperty.valid())
					{
						return;
					}
					m_timeSamplingIndex = iTimeSamplingIndex;
					m_selfBoundsProperty = Abc::OBox3dProperty(this->getPtr(), ".selfBnds", this->getErrorHandlerPolicy(), iTimeSamplingIndex);
					const Abc::Box3d Empty;
					for (size_t i = 0; i < iNumSamples; ++i)
					{
						m_selfBoundsProperty.set(Empty);
					}
				}

				uint32_t m_timeSamplingIndex = 0;
				Abc::OBox3dProperty m_selfBoundsProperty;
				Abc::OBox3dProperty m_childBoundsProperty;
				Abc::OCompoundProperty m_arbGeomParams;
				Abc::OCompoundProperty m_userProperties;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
