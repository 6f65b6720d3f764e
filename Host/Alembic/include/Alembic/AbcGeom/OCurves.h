#pragma once

// Writing curves. Optional parts are created the first time a sample carries them, in a fixed
// order (.velocities, uv, N, width, w, .orders, .knots), and back-filled with empty samples.

#include <Alembic/AbcGeom/Basis.h>
#include <Alembic/AbcGeom/CurveType.h>
#include <Alembic/AbcGeom/OGeomBase.h>

namespace Alembic
{
	namespace AbcGeom
	{
		namespace ALEMBIC_VERSION_NS
		{
			class OCurvesSchema : public OGeomBaseSchema<CurvesSchemaInfo>
			{
			public:
				class Sample
				{
				public:
					Sample() { reset(); }
					Sample(const Abc::P3fArraySample& iPos)
					    : Sample() { m_positions = iPos; }
					Sample(const Abc::P3fArraySample& iPos, const Abc::Int32ArraySample& iNVertices, const CurveType& iType = kCubic,
					       const CurvePeriodicity iWrap = kNonPeriodic, const OFloatGeomParam::Sample& iWidths = OFloatGeomParam::Sample(),
					       const OV2fGeomParam::Sample& iUVs = OV2fGeomParam::Sample(), const ON3fGeomParam::Sample& iNormals = ON3fGeomParam::Sample(),
					       const BasisType& iBasis = kBezierBasis, const Abc::FloatArraySample& iPosWeight = Abc::FloatArraySample(),
					       const Abc::UcharArraySample& iOrders = Abc::UcharArraySample(), const Abc::FloatArraySample& iKnots = Abc::FloatArraySample())
					    : m_positions(iPos), m_nVertices(iNVertices), m_type(iType), m_wrap(iWrap), m_widths(iWidths), m_uvs(iUVs), m_normals(iNormals),
					      m_basis(iBasis), m_positionWeights(iPosWeight), m_orders(iOrders), m_knots(iKnots)
					{
						m_selfBounds.makeEmpty();
					}

					const Abc::P3fArraySample& getPositions() const { return m_positions; }
					void setPositions(const Abc::P3fArraySample& iSamp) { m_positions = iSamp; }
					const Abc::FloatArraySample& getPositionWeights() const { return m_positionWeights; }
					void setPositionWeights(const Abc::FloatArraySample& iSamp) { m_positionWeights = iSamp; }
					CurveType getType() const { return m_type; }
					void setType(const CurveType& iType) { m_type = iType; }
					CurvePeriodicity getWrap() const { return m_wrap; }
					void setWrap(const CurvePeriodicity& iWrap) { m_wrap = iWrap; }
					BasisType getBasis() const { return m_basis; }
					void setBasis(const BasisType& iBasis) { m_basis = iBasis; }
					const Abc::Int32ArraySample& getCurvesNumVertices() const { return m_nVertices; }
					void setCurvesNumVertices(const Abc::Int32ArraySample& iNVertices) { m_nVertices = iNVertices; }
					std::size_t getNumCurves() const { return m_nVertices.size(); }
					const OFloatGeomParam::Sample& getWidths() const { return m_widths; }
					void setWidths(const OFloatGeomParam::Sample& iWidths) { m_widths = iWidths; }
					const OV2fGeomParam::Sample& getUVs() const { return m_uvs; }
					void setUVs(const OV2fGeomParam::Sample& iUVs) { m_uvs = iUVs; }
					const ON3fGeomParam::Sample& getNormals() const { return m_normals; }
					void setNormals(const ON3fGeomParam::Sample& iNormals) { m_normals = iNormals; }
					const Abc::Box3d& getSelfBounds() const { return m_selfBounds; }
					void setSelfBounds(const Abc::Box3d& iBnds) { m_selfBounds = iBnds; }
					const Abc::V3fArraySample& getVelocities() const { return m_velocities; }
					void setVelocities(const Abc::V3fArraySample& iVelocities) { m_velocities = iVelocities; }
					const Abc::UcharArraySample& getOrders() const { return m_orders; }
					void setOrders(const Abc::UcharArraySample& iOrders) { m_orders = iOrders; }
					const Abc::FloatArraySample& getKnots() const { return m_knots; }
					void setKnots(const Abc::FloatArraySample& iKnots) { m_knots = iKnots; }

					void reset()
					{
						m_positions.reset();
						m_nVertices.reset();
						m_positionWeights.reset();
						m_velocities.reset();
						m_orders.reset();
						m_knots.reset();
						m_widths.reset();
						m_uvs.reset();
						m_normals.reset();
						m_type = kCubic;
						m_wrap = kNonPeriodic;
						m_basis = kBezierBasis;
						m_selfBounds.makeEmpty();
					}
					bool isPartialSample() const { return !m_positions.valid() && (m_uvs.valid() || m_normals.valid() || m_velocities.valid()); }

				private:
					Abc::P3fArraySample m_positions;
					Abc::Int32ArraySample m_nVertices;
					CurveType m_type;
					CurvePeriodicity m_wrap;
					OFloatGeomParam::Sample m_widths;
					OV2fGeomParam::Sample m_uvs;
					ON3fGeomParam::Sample m_normals;
					BasisType m_basis;
					Abc::FloatArraySample m_positionWeights;
					Abc::UcharArraySample m_orders;
					Abc::FloatArraySample m_knots;
					Abc::V3fArraySample m_velocities;
					Abc::Box3d m_selfBounds;
				};
				typedef Sample sample_type;

				OCurvesSchema() = default;
				OCurvesSchema(AbcA::CompoundPropertyWriterPtr iParent, const std::string& iName, const Argument& iArg0 = Argument(),
				              const Argument& iArg1 = Argument(), const Argument& iArg2 = Argument(), const Argument& iArg3 = Argument());

				AbcA::TimeSamplingPtr getTimeSampling() const { return m_positionsProperty.getTimeSampling(); }
				void setTimeSampling(uint32_t iIndex);
				void setTimeSampling(AbcA::TimeSamplingPtr iTime);
				size_t getNumSamples() const { return m_numSamples; }

				void set(const sample_type& iSamp);
				void setFromPrevious();

				void reset() override;
				bool valid() const override { return OGeomBaseSchema<CurvesSchemaInfo>::valid() && m_positionsProperty.valid(); }

			private:
				void createPositionsProperty();
				void createVertexProperties();
				void createOptionalProperties(const sample_type& iSamp);
				void setOptionalProperties(const sample_type& iSamp);
				void selectiveSet(const sample_type& iSamp);

				Abc::OP3fArrayProperty m_positionsProperty;
				Abc::OInt32ArrayProperty m_nVerticesProperty;
				Abc::OScalarProperty m_basisAndTypeProperty;
				Abc::OV3fArrayProperty m_velocitiesProperty;
				OV2fGeomParam m_uvsParam;
				ON3fGeomParam m_normalsParam;
				OFloatGeomParam m_widthsParam;
				Abc::OFloatArrayProperty m_positionWeightsProperty;
				Abc::OUcharArrayProperty m_ordersProperty;
				Abc::OFloatArrayProperty m_knotsProperty;
				size_t m_numSamples = 0;
				bool m_selectiveExport = false;
			};

			typedef Abc::OSchemaObject<OCurvesSchema> OCurves;
			typedef Util::shared_ptr<OCurves> OCurvesPtr;
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
