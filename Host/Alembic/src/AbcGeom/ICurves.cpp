#include <Alembic/AbcGeom/ICurves.h>

namespace Alembic
{
	namespace AbcGeom
	{
		namespace ALEMBIC_VERSION_NS
		{
			ICurvesSchema::ICurvesSchema(const Abc::ICompoundProperty& iParent, const std::string& iName, const Argument& iArg0, const Argument& iArg1)
			    : IGeomBaseSchema<CurvesSchemaInfo>(iParent, iName, iArg0, iArg1)
			{
				init(iArg0, iArg1);
			}

			void ICurvesSchema::init(const Argument& iArg0, const Argument& iArg1)
			{
				ALEMBIC_ABC_SAFE_CALL_BEGIN("ICurvesSchema::init()");
				if (!m_property)
				{
					return;
				}
				const Abc::ICompoundProperty& Self = *this;
				const ErrorHandler::Policy Policy = getErrorHandlerPolicy();
				// Positions never check their interpretation, so older files with "vector" positions load.
				m_positionsProperty = Abc::IP3fArrayProperty(Self, "P", kNoMatching, Policy);
				m_nVerticesProperty = Abc::IInt32ArrayProperty(Self, "nVertices", iArg0, iArg1);
				m_basisAndTypeProperty = Abc::IScalarProperty(Self, "curveBasisAndType", iArg0, iArg1);
				if (getPropertyHeader("w"))
				{
					m_positionWeightsProperty = Abc::IFloatArrayProperty(Self, "w", iArg0, iArg1);
				}
				if (getPropertyHeader("uv"))
				{
					m_uvsParam = IV2fGeomParam(Self, "uv", iArg0, iArg1);
				}
				if (getPropertyHeader("N"))
				{
					m_normalsParam = IN3fGeomParam(Self, "N", iArg0, iArg1);
				}
				if (getPropertyHeader("width"))
				{
					m_widthsParam = IFloatGeomParam(Self, "width", iArg0, iArg1);
				}
				if (getPropertyHeader(".velocities"))
				{
					m_velocitiesProperty = Abc::IV3fArrayProperty(Self, ".velocities", iArg0, iArg1);
				}
				if (getPropertyHeader(".orders"))
				{
					m_ordersProperty = Abc::IUcharArrayProperty(Self, ".orders", iArg0, iArg1);
				}
				if (getPropertyHeader(".knots"))
				{
					m_knotsProperty = Abc::IFloatArrayProperty(Self, ".knots", iArg0, iArg1);
				}
				ALEMBIC_ABC_SAFE_CALL_END_RESET();
			}

			MeshTopologyVariance ICurvesSchema::getTopologyVariance() const
			{
				const bool PointsConstant = m_positionsProperty.isConstant() && (!m_positionWeightsProperty || m_positionWeightsProperty.isConstant());
				const bool TopologyConstant = m_nVerticesProperty.isConstant() && m_basisAndTypeProperty.isConstant();
				if (PointsConstant && TopologyConstant)
				{
					return kConstantTopology;
				}
				return TopologyConstant ? kHomogenousTopology : kHeterogenousTopology;
			}

			void ICurvesSchema::get(sample_type& oSample, const ISampleSelector& iSS) const
			{
				ALEMBIC_ABC_SAFE_CALL_BEGIN("ICurvesSchema::get()");
				if (!valid())
				{
					return;
				}
				m_positionsProperty.get(oSample.m_positions, iSS);
				m_nVerticesProperty.get(oSample.m_nVertices, iSS);

				// Type, wrap and basis are the first three bytes; anything else stored there is not trusted.
				const AbcA::DataType& Type = m_basisAndTypeProperty.getDataType();
				ABCA_ASSERT(Type.getPod() != kStringPOD && Type.getPod() != kWstringPOD, "curveBasisAndType has an unexpected data type: " << Type);
				std::vector<uint8_t> BasisAndType(std::max<size_t>(Type.getNumBytes(), 4), 0);
				m_basisAndTypeProperty.get(BasisAndType.data(), iSS);
				oSample.m_type = CurveType(BasisAndType[0]);
				oSample.m_wrap = CurvePeriodicity(BasisAndType[1]);
				oSample.m_basis = BasisType(BasisAndType[2]);

				if (m_positionWeightsProperty)
				{
					m_positionWeightsProperty.get(oSample.m_positionWeights, iSS);
				}
				if (m_ordersProperty)
				{
					m_ordersProperty.get(oSample.m_orders, iSS);
				}
				if (m_knotsProperty)
				{
					m_knotsProperty.get(oSample.m_knots, iSS);
				}
				m_selfBoundsProperty.get(oSample.m_selfBounds, iSS);
				if (m_velocitiesProperty && m_velocitiesProperty.getNumSamples() > 0)
				{
					m_velocitiesProperty.get(oSample.m_velocities, iSS);
				}
				ALEMBIC_ABC_SAFE_CALL_END();
			}

			void ICurvesSchema::reset()
			{
				m_positionsProperty.reset();
				m_nVerticesProperty.reset();
				m_basisAndTypeProperty.reset();
				m_positionWeightsProperty.reset();
				m_uvsParam.reset();
				m_normalsParam.reset();
				m_widthsParam.reset();
				m_velocitiesProperty.reset();
				m_ordersProperty.reset();
				m_knotsProperty.reset();
				IGeomBaseSchema<CurvesSchemaInfo>::reset();
			}
		}
	}
}
