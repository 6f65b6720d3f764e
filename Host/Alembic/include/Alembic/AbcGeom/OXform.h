#pragma once

// Writing transforms: the inherit flag, the op codes and the channel values as scalars.

#include <Alembic/AbcGeom/SchemaInfoDeclarations.h>
#include <Alembic/AbcGeom/XformSample.h>

namespace Alembic
{
	namespace AbcGeom
	{
		namespace ALEMBIC_VERSION_NS
		{
			class OXformSchema : public Abc::OSchema<XformSchemaInfo>
			{
			public:
				OXformSchema() = default;
				OXformSchema(AbcA::CompoundPropertyWriterPtr iParent, const std::string& iName, const Argument& iArg0 = Argument(),
				             const Argument& iArg1 = Argument(), const Argument& iArg2 = Argument(), const Argument& iArg3 = Argument())
				    : Abc::OSchema<XformSchemaInfo>(iParent, iName, iArg0, iArg1, iArg2)
				{
					const Arguments Args = MakeArguments(ErrorHandler::kThrowPolicy, iArg0, iArg1, iArg2, iArg3);
					m_timeSamplingIndex = Abc::GetTimeSamplingIndexFromArgs(iParent, Args);
				}

				// Non-const on purpose, as in the library.
				void set(XformSample& ioSamp)
				{
					ALEMBIC_ABC_SAFE_CALL_BEGIN("OXformSchema::set()");
					if (m_numSamples == 0)
					{
						m_inherits = Abc::OBoolProperty(getPtr(), ".inherits", m_timeSamplingIndex);
						m_numOps = ioSamp.getNumOps();
						m_numChannels = ioSamp.getNumOpChannels();
						if (m_numOps > 0)
						{
							m_ops = Abc::OScalarProperty(getPtr(), ".ops", AbcA::DataType(kUint8POD, uint8_t(m_numOps)), uint32_t(0));
							m_vals = Abc::OScalarProperty(getPtr(), ".vals", AbcA::DataType(kFloat64POD, uint8_t(m_numChannels)), m_timeSamplingIndex);
							bool Identity = true;
							for (size_t i = 0; i < m_numOps; ++i)
							{
								Identity = Identity && ioSamp.getOp(i).isIdentity();
							}
							if (!Identity)
							{
								m_isNotConstantIdentity = Abc::OBoolProperty(getPtr(), "isNotConstantIdentity", uint32_t(0));
								m_isNotConstantIdentity.set(Util::bool_t(true));
							}
						}
					}
					ABCA_ASSERT(ioSamp.getNumOps() == m_numOps && ioSamp.getNumOpChannels() == m_numChannels,
					            "Invalid sample: every XformSample of an xform needs the same operations");
					m_inherits.set(Util::bool_t(ioSamp.getInheritsXforms()));
					if (m_numOps > 0)
					{
						std::vector<uint8_t> Ops;
						std::vector<double> Vals;
						for (size_t i = 0; i < m_numOps; ++i)
						{
							const XformOp& Op = ioSamp.getOp(i);
							Ops.push_back(Op.getOpEncoding());
							Vals.insert(Vals.end(), Op.getChannels().begin(), Op.getChannels().end());
						}
						m_ops.set(Ops.data());
						m_vals.set(Vals.data());
					}
					++m_numSamples;
					ALEMBIC_ABC_SAFE_CALL_END();
				}

				size_t getNumSamples() const { return m_numSamples; }

				void reset() override
				{
					m_inherits.reset();
					m_ops.reset();
					m_vals.reset();
					m_isNotConstantIdentity.reset();
					Abc::OSchema<XformSchemaInfo>::reset();
				}

			private:
				uint32_t m_timeSamplingIndex = 0;
				size_t m_numSamples = 0;
				size_t m_numOps = 0;
				size_t m_numChannels = 0;
				Abc::OBoolProperty m_inherits;
				Abc::OScalarProperty m_ops;
				Abc::OScalarProperty m_vals;
				Abc::OBoolProperty m_isNotConstantIdentity;
			};

			typedef Abc::OSchemaObject<OXformSchema> OXform;
			typedef Util::shared_ptr<OXform> OXformPtr;
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
