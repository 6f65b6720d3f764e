#pragma once

// Reading curves: positions, per-curve vertex counts, type/wrap/basis and optional parameters.

#include <Alembic/AbcGeom/Basis.h>
#include <Alembic/AbcGeom/CurveType.h>
#include <Alembic/AbcGeom/IGeomBase.h>

namespace Alembic
{
	namespace AbcGeom
	{
		namespace ALEMBIC_VERSION_NS
		{
			class ICurvesSchema : public IGeomBaseSchema<CurvesSchemaInfo>
			{
			public:
				class Sample
				{
				public:
					Sample() { reset(); }

					Abc::P3fArraySamplePtr getPositions() const { return m_positions; }
					std::size_t getNumCurves() const { return m_nVertices ? m_nVertices->size() : 0; }
					Abc::Int32ArraySamplePtr getCurvesNumVertices() const { return m_nVertices; }
					CurveType getType() const { return m_type; }
					CurvePeriodicity getWrap() const { return m_wrap; }
					BasisType getBasis() const { return m_basis; }
					Abc::UcharArraySamplePtr getOrders() const { return m_orders; }
					Abc::FloatArraySamplePtr getKnots() const { return m_knots; }
					Abc::FloatArraySamplePtr getPositionWeights() const { return m_positionWeights; }
					Abc::Box3d getSelfBounds() const { return m_selfBounds; }
					Abc::V3fArraySamplePtr getVelocities() const { return m_velocities; }

					bool valid() const { return m_positions && (m_type != kVariableOrder || m_orders); }
					void reset()
					{
						m_positions.reset();
						m_nVertices.reset();
						m_orders.reset();
						m_knots.reset();
						m_positionWeights.reset();
						m_velocities.reset();
						m_type = kCubic;
						m_wrap = kNonPeriodic;
						m_basis = kBezierBasis;
						m_selfBounds.makeEmpty();
					}

					typedef bool (Sample::*unspecified_bool_type)() const;
					operator unspecified_bool_type() const { return valid() ? &Sample::valid : nullptr; }
					bool operator!() const { return !valid(); }

				private:
					friend class ICurvesSchema;
					Abc::P3fArraySamplePtr m_positions;
					Abc::Int32ArraySamplePtr m_nVertices;
					Abc::UcharArraySamplePtr m_orders;
					Abc::FloatArraySamplePtr m_knots;
					Abc::FloatArraySamplePtr m_positionWeights;
					Abc::V3fArraySamplePtr m_velocities;
					CurveType m_type;
					CurvePeriodicity m_wrap;
					BasisType m_basis;
					Abc::Box3d m_selfBounds;
				};
				typedef Sample sample_type;
				typedef ICurvesSchema this_type;

				ICurvesSchema() = default;
				ICurvesSchema(const Abc::ICompoundProperty& iParent, const std::string& iName, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument());
				explicit ICurvesSchema(const Abc::ICompoundProperty& iParent, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument())
				    : ICurvesSchema(iParent, CurvesSchemaInfo::defaultName(), iArg0, iArg1)
				{
				}

				size_t getNumSamples() const { return m_positionsProperty.getNumSamples(); }
				MeshTopologyVariance getTopologyVariance() const;
				bool isConstant() const { return getTopologyVariance() == kConstantTopology; }
				AbcA::TimeSamplingPtr getTimeSampling() const { return m_positionsProperty.getTimeSampling(); }

				void get(sample_type& oSample, const ISampleSelector& iSS = ISampleSelector()) const;
				sample_type getValue(const ISampleSelector& iSS = ISampleSelector()) const
				{
					sample_type Result;
					get(Result, iSS);
					return Result;
				}

				Abc::IV3fArrayProperty getVelocitiesProperty() const { return m_velocitiesProperty; }
				Abc::IP3fArrayProperty getPositionsProperty() const { return m_positionsProperty; }
				Abc::IInt32ArrayProperty getNumVerticesProperty() const { return m_nVerticesProperty; }
				Abc::IFloatArrayProperty getPositionWeightsProperty() const { return m_positionWeightsProperty; }
				IV2fGeomParam getUVsParam() const { return m_uvsParam; }
				IN3fGeomParam getNormalsParam() const { return m_normalsParam; }
				IFloatGeomParam getWidthsParam() const { return m_widthsParam; }
				Abc::IUcharArrayProperty getOrdersProperty() const { return m_ordersProperty; }
				Abc::IFloatArrayProperty getKnotsProperty() const { return m_knotsProperty; }

				void reset() override;
				bool valid() const override
				{
					return IGeomBaseSchema<CurvesSchemaInfo>::valid() && m_positionsProperty.valid() && m_nVerticesProperty.valid();
				}

			private:
				void init(const Argument& iArg0, const Argument& iArg1);

				Abc::IP3fArrayProperty m_positionsProperty;
				Abc::IInt32ArrayProperty m_nVerticesProperty;
				Abc::IScalarProperty m_basisAndTypeProperty;
				Abc::IFloatArrayProperty m_positionWeightsProperty;
				IV2fGeomParam m_uvsParam;
				IN3fGeomParam m_normalsParam;
				IFloatGeomParam m_widthsParam;
				Abc::IV3fArrayProperty m_velocitiesProperty;
				Abc::IUcharArrayProperty m_ordersProperty;
				Abc::IFloatArrayProperty m_knotsProperty;
			};

			typedef Abc::ISchemaObject<ICurvesSchema> ICurves;
			typedef Util::shared_ptr<ICurves> ICurvesPtr;
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
