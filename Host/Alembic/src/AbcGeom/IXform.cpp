#include <Alembic/AbcGeom/IXform.h>

namespace Alembic
{
	namespace AbcGeom
	{
		namespace ALEMBIC_VERSION_NS
		{
			void IXformSchema::init(const Abc::Argument& iArg0, const Abc::Argument& iArg1)
			{
				ALEMBIC_ABC_SAFE_CALL_BEGIN("IXformSchema::init()");
				const Arguments Args = MakeArguments(getErrorHandlerPolicy(), iArg0, iArg1);
				AbcA::CompoundPropertyReaderPtr Ptr = getPtr();

				if (Ptr->getPropertyHeader(".childBnds"))
				{
					m_childBoundsProperty = Abc::IBox3dProperty(*this, ".childBnds", iArg0, iArg1);
				}
				if (Ptr->getPropertyHeader(".inherits"))
				{
					m_inheritsProperty = Abc::IBoolProperty(*this, ".inherits", iArg0, iArg1);
				}

				const AbcA::PropertyHeader* ValsHeader = Ptr->getPropertyHeader(".vals");
				if (ValsHeader)
				{
					if (ValsHeader->isScalar())
					{
						m_valsScalar = Ptr->getScalarProperty(".vals");
					}
					else if (ValsHeader->isArray())
					{
						m_valsArray = Ptr->getArrayProperty(".vals");
					}
				}

				m_isConstantIdentity = Ptr->getPropertyHeader("isNotConstantIdentity") == nullptr;
				m_isConstant = true;
				if (m_valsScalar)
				{
					m_isConstant = m_valsScalar->isConstant();
				}
				else if (m_valsArray)
				{
					m_isConstant = m_valsArray->isConstant();
				}
				m_isConstant = m_isConstant && (!m_inheritsProperty || m_inheritsProperty.isConstant());

				std::set<Alembic::Util::uint32_t> AnimatedChannels;
				if (Ptr->getPropertyHeader(".animChans"))
				{
					Abc::IUInt32ArrayProperty AnimChans(*this, ".animChans");
					if (AnimChans.getNumSamples() > 0)
					{
						Abc::UInt32ArraySamplePtr Sample;
						AnimChans.get(Sample, Abc::ISampleSelector(AbcA::index_t(AnimChans.getNumSamples() - 1)));
						AnimatedChannels.insert(Sample->get(), Sample->get() + Sample->size());
					}
				}

				// The op codes are read as bytes, one per op, whatever type the file gives them (a wider one
				// writes past the buffer, as in the library).
				AbcA::ScalarPropertyReaderPtr Ops = Ptr->getPropertyHeader(".ops") ? Ptr->getScalarProperty(".ops") : nullptr;
				if (Ops && Ops->getNumSamples() > 0)
				{
					const std::size_t NumOps = Ops->getHeader().getDataType().getExtent();
					std::vector<Alembic::Util::uint8_t> Codes(NumOps);
					Ops->getSample(0, Codes.data());
					for (const Alembic::Util::uint8_t Code : Codes)
					{
						m_sample.addOp(XformOp(Code));
					}
					// ".animChans" numbers the channels of all steps in a row; hand each step its own.
					std::size_t First = 0;
					for (XformOp& Op : m_sample.m_ops)
					{
						for (std::size_t j = 0; j < Op.getNumChannels(); ++j)
						{
							if (AnimatedChannels.count(Alembic::Util::uint32_t(First + j)))
							{
								Op.m_animChannels.insert(Alembic::Util::uint32_t(j));
							}
						}
						First += Op.getNumChannels();
					}
				}

				if (Ptr->getPropertyHeader(".arbGeomParams"))
				{
					m_arbGeomParams = Abc::ICompoundProperty(*this, ".arbGeomParams", Args.getErrorHandlerPolicy());
				}
				if (Ptr->getPropertyHeader(".userProperties"))
				{
					m_userProperties = Abc::ICompoundProperty(*this, ".userProperties", Args.getErrorHandlerPolicy());
				}
				ALEMBIC_ABC_SAFE_CALL_END_RESET();
			}

			AbcA::TimeSamplingPtr IXformSchema::getTimeSampling() const
			{
				if (m_inheritsProperty)
				{
					return m_inheritsProperty.getTimeSampling();
				}
				return std::make_shared<AbcA::TimeSampling>();
			}

			size_t IXformSchema::getNumSamples() const
			{
				return m_inheritsProperty ? m_inheritsProperty.getNumSamples() : 0;
			}

			// As the library reads them: of an array, one value per point whatever the extent; of a scalar,
			// its extent's worth; then one per channel, without a bound. Values that are empty, too few or
			// not float64 are read past their end: the caller checks them against the file first.
			void IXformSchema::getChannelValues(AbcA::index_t iSampleIndex, XformSample& oSamp) const
			{
				std::vector<double> Values;
				if (m_valsArray)
				{
					AbcA::ArraySamplePtr Sample;
					m_valsArray->getSample(iSampleIndex, Sample);
					const double* Data = static_cast<const double*>(Sample->getData());
					Values.assign(Data, Data + Sample->size());
				}
				else
				{
					Values.resize(m_valsScalar->getHeader().getDataType().getExtent());
					m_valsScalar->getSample(iSampleIndex, Values.data());
				}
				std::size_t Position = 0;
				for (XformOp& Op : oSamp.m_ops)
				{
					for (std::size_t j = 0; j < Op.getNumChannels(); ++j, ++Position)
					{
						Op.setChannelValue(j, Values.data()[Position]);
					}
				}
			}

			void IXformSchema::get(XformSample& oSamp, const Abc::ISampleSelector& iSS) const
			{
				ALEMBIC_ABC_SAFE_CALL_BEGIN("IXformSchema::get()");
				oSamp.reset();
				if (!valid())
				{
					return;
				}
				oSamp = m_sample;
				if (m_inheritsProperty && m_inheritsProperty.getNumSamples() > 0)
				{
					oSamp.setInheritsXforms(m_inheritsProperty.getValue(iSS));
				}
				if (!m_valsScalar && !m_valsArray)
				{
					return;
				}
				const AbcA::index_t NumSamples = AbcA::index_t(m_valsArray ? m_valsArray->getNumSamples() : m_valsScalar->getNumSamples());
				if (NumSamples == 0)
				{
					return;
				}
				const AbcA::index_t Index = iSS.getIndex(m_valsArray ? m_valsArray->getTimeSampling() : m_valsScalar->getTimeSampling(), NumSamples);
				if (Index < 0)
				{
					return;
				}
				getChannelValues(Index, oSamp);
				ALEMBIC_ABC_SAFE_CALL_END();
			}

			XformSample IXformSchema::getValue(const Abc::ISampleSelector& iSS) const
			{
				XformSample Result;
				get(Result, iSS);
				return Result;
			}

			bool IXformSchema::getInheritsXforms(const Abc::ISampleSelector& iSS) const
			{
				ALEMBIC_ABC_SAFE_CALL_BEGIN("IXformSchema::getInheritsXforms()");
				if (!m_inheritsProperty || m_inheritsProperty.getNumSamples() == 0)
				{
					return true;
				}
				const AbcA::index_t Index = iSS.getIndex(m_inheritsProperty.getTimeSampling(), AbcA::index_t(m_inheritsProperty.getNumSamples()));
				if (Index < 0)
				{
					return true;
				}
				return m_inheritsProperty.getValue(Abc::ISampleSelector(Index));
				ALEMBIC_ABC_SAFE_CALL_END();
				return true;
			}
		}
	}
}
