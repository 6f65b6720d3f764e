#include <Alembic/AbcGeom/OCurves.h>

namespace Alembic
{
	namespace AbcGeom
	{
		namespace ALEMBIC_VERSION_NS
		{
			namespace
			{
				// Sets the sample, or repeats the previous one when the part is missing from this sample.
				template<class PROP, class SAMPLE>
				void SetOrRepeat(PROP& ioProperty, const SAMPLE& iSample)
				{
					if (iSample.valid())
					{
						ioProperty.set(iSample);
					}
					else
					{
						ioProperty.setFromPrevious();
					}
				}

				// A part that first appears after sample 0 gets empty samples for the ones it missed.
				template<class PROP, class SAMPLE>
				void BackFill(PROP& ioProperty, size_t iCount)
				{
					const typename SAMPLE::value_vector Empty;
					for (size_t i = 0; i < iCount; ++i)
					{
						ioProperty.set(SAMPLE(Empty));
					}
				}

				template<class PARAM>
				void BackFillParam(PARAM& ioParam, size_t iCount, GeometryScope iScope)
				{
					typedef typename PARAM::prop_type::sample_type ValueSample;
					const typename ValueSample::value_vector Empty;
					const std::vector<uint32_t> NoIndices;
					for (size_t i = 0; i < iCount; ++i)
					{
						if (ioParam.isIndexed())
						{
							ioParam.set(typename PARAM::Sample(ValueSample(Empty), Abc::UInt32ArraySample(NoIndices), iScope));
						}
						else
						{
							ioParam.set(typename PARAM::Sample(ValueSample(Empty), iScope));
						}
					}
				}
			}

			OCurvesSchema::OCurvesSchema(AbcA::CompoundPropertyWriterPtr iParent, const std::string& iName, const Argument& iArg0, const Argument& iArg1,
			                             const Argument& iArg2, const Argument& iArg3)
			    : OGeomBaseSchema<CurvesSchemaInfo>(iParent, iName, iArg0, iArg1, iArg2, iArg3)
			{
				ALEMBIC_ABC_SAFE_CALL_BEGIN("OCurvesSchema::init()");
				const Arguments Args = MakeArguments(ErrorHandler::kThrowPolicy, iArg0, iArg1, iArg2, iArg3);
				m_timeSamplingIndex = Abc::GetTimeSamplingIndexFromArgs(iParent, Args);
				// A sparse schema makes each part when a sample first holds it.
				m_selectiveExport = Args.isSparse();
				if (!m_selectiveExport)
				{
					createSelfBoundsProperty(m_timeSamplingIndex, 0);
					createPositionsProperty();
					createVertexProperties();
				}
				ALEMBIC_ABC_SAFE_CALL_END_RESET();
			}

			void OCurvesSchema::createPositionsProperty()
			{
				AbcA::MetaData PositionsMetaData;
				SetGeometryScope(PositionsMetaData, kVertexScope);
				m_positionsProperty = Abc::OP3fArrayProperty(getPtr(), "P", PositionsMetaData, getErrorHandlerPolicy(), m_timeSamplingIndex);
				BackFill<Abc::OP3fArrayProperty, Abc::P3fArraySample>(m_positionsProperty, m_numSamples);
				createSelfBoundsProperty(m_timeSamplingIndex, m_numSamples);
			}

			void OCurvesSchema::createVertexProperties()
			{
				const ErrorHandler::Policy Policy = getErrorHandlerPolicy();
				m_nVerticesProperty = Abc::OInt32ArrayProperty(getPtr(), "nVertices", Policy, m_timeSamplingIndex);
				m_basisAndTypeProperty = Abc::OScalarProperty(getPtr(), "curveBasisAndType", AbcA::DataType(kUint8POD, 4), Policy, m_timeSamplingIndex);
				BackFill<Abc::OInt32ArrayProperty, Abc::Int32ArraySample>(m_nVerticesProperty, m_numSamples);
				const uint8_t Zero[4] = {0, 0, 0, 0};
				for (size_t i = 0; i < m_numSamples; ++i)
				{
					m_basisAndTypeProperty.set(Zero);
				}
			}

			void OCurvesSchema::selectiveSet(const sample_type& iSamp)
			{
				ALEMBIC_ABC_SAFE_CALL_BEGIN("OCurvesSchema::selectiveSet()");
				if (iSamp.getPositions().valid() && !m_positionsProperty)
				{
					createPositionsProperty();
				}
				if (m_positionsProperty)
				{
					SetOrRepeat(m_positionsProperty, iSamp.getPositions());
					if (iSamp.getSelfBounds().hasVolume())
					{
						m_selfBoundsProperty.set(iSamp.getSelfBounds());
					}
					else if (iSamp.getPositions().valid())
					{
						m_selfBoundsProperty.set(ComputeBoundsFromPositions(iSamp.getPositions()));
					}
					else
					{
						if (m_selfBoundsProperty)
						{
							m_selfBoundsProperty.setFromPrevious();
						}
					}
				}
				if (iSamp.getCurvesNumVertices().valid() && !m_nVerticesProperty)
				{
					createVertexProperties();
				}
				if (m_nVerticesProperty)
				{
					SetOrRepeat(m_nVerticesProperty, iSamp.getCurvesNumVertices());
					const uint8_t BasisAndType[4] = {uint8_t(iSamp.getType()), uint8_t(iSamp.getWrap()), uint8_t(iSamp.getBasis()), uint8_t(iSamp.getBasis())};
					m_basisAndTypeProperty.set(BasisAndType);
				}
				setOptionalProperties(iSamp);
				++m_numSamples;
				ALEMBIC_ABC_SAFE_CALL_END();
			}

			void OCurvesSchema::createOptionalProperties(const sample_type& iSamp)
			{
				const ErrorHandler::Policy Policy = getErrorHandlerPolicy();
				const uint32_t TsIndex = m_timeSamplingIndex;
				if (!m_velocitiesProperty && iSamp.getVelocities().valid())
				{
					m_velocitiesProperty = Abc::OV3fArrayProperty(getPtr(), ".velocities", Policy, TsIndex);
					BackFill<Abc::OV3fArrayProperty, Abc::V3fArraySample>(m_velocitiesProperty, m_numSamples);
				}
				if (!m_uvsParam && iSamp.getUVs().valid())
				{
					m_uvsParam = OV2fGeomParam(getPtr(), "uv", iSamp.getUVs().getIndices().valid(), iSamp.getUVs().getScope(), 1, Policy, TsIndex);
					BackFillParam(m_uvsParam, m_numSamples, iSamp.getUVs().getScope());
				}
				if (!m_normalsParam && iSamp.getNormals().valid())
				{
					m_normalsParam = ON3fGeomParam(getPtr(), "N", iSamp.getNormals().getIndices().valid(), iSamp.getNormals().getScope(), 1, Policy, TsIndex);
					BackFillParam(m_normalsParam, m_numSamples, iSamp.getNormals().getScope());
				}
				if (!m_widthsParam && iSamp.getWidths().valid())
				{
					m_widthsParam = OFloatGeomParam(getPtr(), "width", iSamp.getWidths().getIndices().valid(), iSamp.getWidths().getScope(), 1, Policy, TsIndex);
					BackFillParam(m_widthsParam, m_numSamples, iSamp.getWidths().getScope());
				}
				if (!m_positionWeightsProperty && iSamp.getPositionWeights().valid())
				{
					m_positionWeightsProperty = Abc::OFloatArrayProperty(getPtr(), "w", Policy, TsIndex);
					BackFill<Abc::OFloatArrayProperty, Abc::FloatArraySample>(m_positionWeightsProperty, m_numSamples);
				}
				if (!m_ordersProperty && iSamp.getOrders().valid())
				{
					m_ordersProperty = Abc::OUcharArrayProperty(getPtr(), ".orders", Policy, TsIndex);
					BackFill<Abc::OUcharArrayProperty, Abc::UcharArraySample>(m_ordersProperty, m_numSamples);
				}
				if (!m_knotsProperty && iSamp.getKnots().valid())
				{
					m_knotsProperty = Abc::OFloatArrayProperty(getPtr(), ".knots", Policy, TsIndex);
					BackFill<Abc::OFloatArrayProperty, Abc::FloatArraySample>(m_knotsProperty, m_numSamples);
				}
			}

			void OCurvesSchema::setOptionalProperties(const sample_type& iSamp)
			{
				createOptionalProperties(iSamp);
				if (m_velocitiesProperty)
				{
					SetOrRepeat(m_velocitiesProperty, iSamp.getVelocities());
				}
				if (m_uvsParam)
				{
					m_uvsParam.set(iSamp.getUVs());
				}
				if (m_normalsParam)
				{
					m_normalsParam.set(iSamp.getNormals());
				}
				if (m_widthsParam)
				{
					m_widthsParam.set(iSamp.getWidths());
				}
				if (m_positionWeightsProperty)
				{
					SetOrRepeat(m_positionWeightsProperty, iSamp.getPositionWeights());
				}
				if (m_ordersProperty)
				{
					SetOrRepeat(m_ordersProperty, iSamp.getOrders());
				}
				if (m_knotsProperty)
				{
					SetOrRepeat(m_knotsProperty, iSamp.getKnots());
				}
			}

			void OCurvesSchema::set(const sample_type& iSamp)
			{
				if (m_selectiveExport || iSamp.isPartialSample())
				{
					selectiveSet(iSamp);
					return;
				}
				ALEMBIC_ABC_SAFE_CALL_BEGIN("OCurvesSchema::set()");
				if (m_numSamples == 0)
				{
					ABCA_ASSERT(iSamp.getPositions().valid(), "Sample 0 must have valid data for all mesh components");
				}
				if (m_numSamples == 0)
				{
					m_positionsProperty.set(iSamp.getPositions());
					m_nVerticesProperty.set(iSamp.getCurvesNumVertices());
				}
				else
				{
					SetOrRepeat(m_positionsProperty, iSamp.getPositions());
					SetOrRepeat(m_nVerticesProperty, iSamp.getCurvesNumVertices());
				}
				setOptionalProperties(iSamp);

				// Bounds: the user's box on the first sample unless empty, later only when it has volume.
				const Abc::Box3d& UserBounds = iSamp.getSelfBounds();
				const bool UseUserBounds = m_numSamples == 0 ? !UserBounds.isEmpty() : UserBounds.hasVolume();
				if (UseUserBounds)
				{
					m_selfBoundsProperty.set(UserBounds);
				}
				else if (iSamp.getPositions().valid())
				{
					m_selfBoundsProperty.set(ComputeBoundsFromPositions(iSamp.getPositions()));
				}
				else
				{
					m_selfBoundsProperty.setFromPrevious();
				}

				const uint8_t BasisAndType[4] = {uint8_t(iSamp.getType()), uint8_t(iSamp.getWrap()), uint8_t(iSamp.getBasis()), uint8_t(iSamp.getBasis())};
				m_basisAndTypeProperty.set(BasisAndType);
				++m_numSamples;
				ALEMBIC_ABC_SAFE_CALL_END();
			}

			void OCurvesSchema::setFromPrevious()
			{
				ALEMBIC_ABC_SAFE_CALL_BEGIN("OCurvesSchema::setFromPrevious()");
				if (m_positionsProperty)
				{
					m_positionsProperty.setFromPrevious();
				}
				if (m_nVerticesProperty)
				{
					m_nVerticesProperty.setFromPrevious();
				}
				if (m_basisAndTypeProperty)
				{
					m_basisAndTypeProperty.setFromPrevious();
				}
				m_selfBoundsProperty.setFromPrevious();
				if (m_velocitiesProperty)
				{
					m_velocitiesProperty.setFromPrevious();
				}
				if (m_uvsParam)
				{
					m_uvsParam.setFromPrevious();
				}
				if (m_normalsParam)
				{
					m_normalsParam.setFromPrevious();
				}
				if (m_widthsParam)
				{
					m_widthsParam.setFromPrevious();
				}
				if (m_positionWeightsProperty)
				{
					m_positionWeightsProperty.setFromPrevious();
				}
				if (m_ordersProperty)
				{
					m_ordersProperty.setFromPrevious();
				}
				if (m_knotsProperty)
				{
					m_knotsProperty.setFromPrevious();
				}
				++m_numSamples;
				ALEMBIC_ABC_SAFE_CALL_END();
			}

			void OCurvesSchema::setTimeSampling(uint32_t iIndex)
			{
				m_timeSamplingIndex = iIndex;
				m_positionsProperty.setTimeSampling(iIndex);
				m_nVerticesProperty.setTimeSampling(iIndex);
				m_basisAndTypeProperty.setTimeSampling(iIndex);
				m_selfBoundsProperty.setTimeSampling(iIndex);
			}

			void OCurvesSchema::setTimeSampling(AbcA::TimeSamplingPtr iTime)
			{
				ALEMBIC_ABC_SAFE_CALL_BEGIN("OCurvesSchema::setTimeSampling()");
				ABCA_ASSERT(iTime && getPtr(), "Invalid time sampling or schema");
				setTimeSampling(getPtr()->getObject()->getArchive()->addTimeSampling(*iTime));
				ALEMBIC_ABC_SAFE_CALL_END();
			}

			void OCurvesSchema::reset()
			{
				m_positionsProperty.reset();
				m_nVerticesProperty.reset();
				m_basisAndTypeProperty.reset();
				m_velocitiesProperty.reset();
				m_uvsParam.reset();
				m_normalsParam.reset();
				m_widthsParam.reset();
				m_positionWeightsProperty.reset();
				m_ordersProperty.reset();
				m_knotsProperty.reset();
				m_numSamples = 0;
				OGeomBaseSchema<CurvesSchemaInfo>::reset();
			}
		}
	}
}
