#include <Alembic/AbcGeom/OXform.h>

#include <algorithm>

namespace Alembic
{
	namespace AbcGeom
	{
		namespace ALEMBIC_VERSION_NS
		{
			namespace
			{
				// Up to this many channels the values are one scalar sample; past it, an array.
				const std::size_t MaxScalarChannels = 256;
			}

			class OXformSchema::Data
			{
			public:
				~Data()
				{
					if (std::find(animChans.begin(), animChans.end(), true) == animChans.end() || !parent)
					{
						return;
					}
					std::vector<Alembic::Util::uint32_t> Animated;
					for (std::size_t i = 0; i < animChans.size(); ++i)
					{
						if (animChans[i])
						{
							Animated.push_back(Alembic::Util::uint32_t(i));
						}
					}
					Abc::OUInt32ArrayProperty Property(parent, ".animChans", timeSamplingIndex);
					Property.set(Abc::UInt32ArraySample(Animated));
				}

				AbcA::CompoundPropertyWriterPtr parent;
				std::vector<bool> animChans;
				uint32_t timeSamplingIndex = 0;
			};

			OXformSchema::OXformSchema(AbcA::CompoundPropertyWriterPtr iParent, const std::string& iName, const Abc::Argument& iArg0,
			                           const Abc::Argument& iArg1, const Abc::Argument& iArg2, const Abc::Argument& iArg3)
			    : Abc::OSchema<XformSchemaInfo>(iParent, iName, iArg0, iArg1, iArg2, iArg3)
			{
				const Arguments Args = MakeArguments(ErrorHandler::kThrowPolicy, iArg0, iArg1, iArg2, iArg3);
				init(iParent ? Abc::GetTimeSamplingIndexFromArgs(iParent, Args) : 0);
			}

			OXformSchema::OXformSchema(Abc::OCompoundProperty iParent, const std::string& iName, const Abc::Argument& iArg0, const Abc::Argument& iArg1,
			                           const Abc::Argument& iArg2)
			    : OXformSchema(iParent.getPtr(), iName, iParent.getErrorHandlerPolicy(), iArg0, iArg1, iArg2)
			{
			}

			void OXformSchema::init(uint32_t iTimeSamplingIndex)
			{
				ALEMBIC_ABC_SAFE_CALL_BEGIN("OXformSchema::init()");
				m_data = std::make_shared<Data>();
				m_data->parent = getPtr();
				m_data->timeSamplingIndex = iTimeSamplingIndex;
				m_isIdentity = true;
				m_numOps = 0;
				m_numChannels = 0;
				ALEMBIC_ABC_SAFE_CALL_END_RESET();
			}

			void OXformSchema::setChannelValues(const std::vector<double>& iVals)
			{
				if (m_useArrayProp && m_valsArrayPtr)
				{
					m_valsArrayPtr->setSample(AbcA::ArraySample(iVals.data(), AbcA::DataType(kFloat64POD, 1), Util::Dimensions(m_numChannels)));
				}
				else if (m_valsScalarPtr)
				{
					m_valsScalarPtr->setSample(iVals.data());
				}
			}

			void OXformSchema::set(XformSample& ioSamp)
			{
				ALEMBIC_ABC_SAFE_CALL_BEGIN("OXformSchema::set()");
				ABCA_ASSERT(m_data, "Invalid OXformSchema");
				if (!m_inheritsProperty.valid())
				{
					m_inheritsProperty = Abc::OBoolProperty(getPtr(), ".inherits", m_data->timeSamplingIndex);
					ioSamp.freezeTopology();
					m_protoSample = ioSamp;
					m_numChannels = ioSamp.getNumOpChannels();
					m_numOps = ioSamp.getNumOps();
					m_data->animChans.assign(m_numChannels, false);
					if (m_numOps > 0)
					{
						m_opsPWPtr = getPtr()->createScalarProperty(".ops", AbcA::MetaData(), AbcA::DataType(kUint8POD, uint8_t(m_numOps)), 0);
					}
					if (m_numChannels > 0)
					{
						m_useArrayProp = m_numChannels > MaxScalarChannels;
						if (m_useArrayProp)
						{
							m_valsArrayPtr = getPtr()->createArrayProperty(".vals", AbcA::MetaData(), AbcA::DataType(kFloat64POD, 1), m_data->timeSamplingIndex);
						}
						else
						{
							m_valsScalarPtr = getPtr()->createScalarProperty(".vals", AbcA::MetaData(), AbcA::DataType(kFloat64POD, uint8_t(m_numChannels)),
							                                                 m_data->timeSamplingIndex);
						}
					}
				}
				else
				{
					ABCA_ASSERT(m_protoSample.isTopologyEqual(ioSamp), "Invalid sample topology!");
				}

				m_inheritsProperty.set(Util::bool_t(ioSamp.getInheritsXforms()));
				if (!m_opsPWPtr)
				{
					return;
				}

				std::vector<double> Values;
				Values.reserve(m_numChannels);
				for (size_t i = 0, Channel = 0; i < m_numOps; ++i)
				{
					const XformOp& Op = ioSamp[i];
					const XformOp& Proto = m_protoSample[i];
					for (size_t j = 0; j < Op.getNumChannels(); ++j)
					{
						const double Value = Op.getChannelValue(j);
						Values.push_back(Value);
						m_data->animChans[Channel + j] =
						    m_data->animChans[Channel + j] || !Imath::equalWithAbsError(Value, Proto.getChannelValue(j), kXFORM_DELTA_TOLERANCE);
						m_isIdentity = m_isIdentity && Imath::equalWithAbsError(Value, Op.getDefaultChannelValue(j), kXFORM_DELTA_TOLERANCE);
					}
					Channel += Op.getNumChannels();
				}
				setChannelValues(Values);

				if (m_opsPWPtr->getNumSamples() == 0)
				{
					std::vector<uint8_t> Codes(m_protoSample.getNumOps());
					for (std::size_t i = 0; i < Codes.size(); ++i)
					{
						Codes[i] = m_protoSample[i].getOpEncoding();
					}
					m_opsPWPtr->setSample(Codes.data());
				}
				else
				{
					m_opsPWPtr->setFromPreviousSample();
				}

				if (!m_isNotConstantIdentityProperty && !m_isIdentity)
				{
					m_isNotConstantIdentityProperty = Abc::OBoolProperty(getPtr(), "isNotConstantIdentity");
					m_isNotConstantIdentityProperty.set(Util::bool_t(true));
				}
				ALEMBIC_ABC_SAFE_CALL_END();
			}

			void OXformSchema::setFromPrevious()
			{
				ALEMBIC_ABC_SAFE_CALL_BEGIN("OXformSchema::setFromPrevious()");
				// As in the library, a transform never set has nothing to repeat.
				ABCA_ASSERT(m_inheritsProperty.valid(), "OXformSchema::setFromPrevious() before any set()");
				m_inheritsProperty.setFromPrevious();
				ABCA_ASSERT(m_opsPWPtr, "OXformSchema::setFromPrevious() on a transform without operations");
				m_opsPWPtr->setFromPreviousSample();
				if (m_valsArrayPtr)
				{
					m_valsArrayPtr->setFromPreviousSample();
				}
				else if (m_valsScalarPtr)
				{
					m_valsScalarPtr->setFromPreviousSample();
				}
				ALEMBIC_ABC_SAFE_CALL_END();
			}

			AbcA::TimeSamplingPtr OXformSchema::getTimeSampling() const
			{
				ALEMBIC_ABC_SAFE_CALL_BEGIN("OXformSchema::getTimeSampling()");
				ABCA_ASSERT(m_data && getPtr(), "Invalid OXformSchema");
				return getPtr()->getObject()->getArchive()->getTimeSampling(m_data->timeSamplingIndex);
				ALEMBIC_ABC_SAFE_CALL_END();
				return AbcA::TimeSamplingPtr();
			}

			size_t OXformSchema::getNumSamples() const
			{
				return m_opsPWPtr ? m_opsPWPtr->getNumSamples() : 0;
			}

			Abc::OCompoundProperty OXformSchema::getArbGeomParams()
			{
				ALEMBIC_ABC_SAFE_CALL_BEGIN("OXformSchema::getArbGeomParams()");
				if (!m_arbGeomParams)
				{
					m_arbGeomParams = Abc::OCompoundProperty(getPtr(), ".arbGeomParams");
				}
				return m_arbGeomParams;
				ALEMBIC_ABC_SAFE_CALL_END();
				return Abc::OCompoundProperty();
			}

			Abc::OCompoundProperty OXformSchema::getUserProperties()
			{
				ALEMBIC_ABC_SAFE_CALL_BEGIN("OXformSchema::getUserProperties()");
				if (!m_userProperties)
				{
					m_userProperties = Abc::OCompoundProperty(getPtr(), ".userProperties");
				}
				return m_userProperties;
				ALEMBIC_ABC_SAFE_CALL_END();
				return Abc::OCompoundProperty();
			}

			Abc::OBox3dProperty OXformSchema::getChildBoundsProperty()
			{
				ALEMBIC_ABC_SAFE_CALL_BEGIN("OXformSchema::getChildBoundsProperty()");
				if (!m_childBoundsProperty)
				{
					m_childBoundsProperty = Abc::OBox3dProperty(getPtr(), ".childBnds", m_data ? m_data->timeSamplingIndex : 0);
				}
				ALEMBIC_ABC_SAFE_CALL_END();
				return m_childBoundsProperty;
			}

			void OXformSchema::setTimeSampling(uint32_t iIndex)
			{
				ALEMBIC_ABC_SAFE_CALL_BEGIN("OXformSchema::setTimeSampling( uint32_t )");
				if (m_inheritsProperty.valid())
				{
					m_inheritsProperty.setTimeSampling(iIndex);
				}
				if (m_valsArrayPtr)
				{
					m_valsArrayPtr->setTimeSamplingIndex(iIndex);
				}
				if (m_valsScalarPtr)
				{
					m_valsScalarPtr->setTimeSamplingIndex(iIndex);
				}
				if (m_data)
				{
					m_data->timeSamplingIndex = iIndex;
				}
				ALEMBIC_ABC_SAFE_CALL_END();
			}

			void OXformSchema::setTimeSampling(AbcA::TimeSamplingPtr iTime)
			{
				ALEMBIC_ABC_SAFE_CALL_BEGIN("OXformSchema::setTimeSampling( TimeSamplingPtr )");
				if (iTime)
				{
					setTimeSampling(getPtr()->getObject()->getArchive()->addTimeSampling(*iTime));
				}
				ALEMBIC_ABC_SAFE_CALL_END();
			}

			void OXformSchema::reset()
			{
				m_childBoundsProperty.reset();
				m_inheritsProperty.reset();
				m_isNotConstantIdentityProperty.reset();
				m_opsPWPtr.reset();
				m_valsScalarPtr.reset();
				m_valsArrayPtr.reset();
				m_protoSample.reset();
				m_data.reset();
				m_arbGeomParams.reset();
				m_userProperties.reset();
				m_useArrayProp = false;
				m_isIdentity = true;
				Abc::OSchema<XformSchemaInfo>::reset();
			}
		}
	}
}
