#pragma once

// Reading transforms: the steps' codes once, their channel values per sample, the inherit flag, which
// channels are animated, and whether the transform is constant or the identity throughout.

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
				typedef XformSample sample_type;
				typedef IXformSchema this_type;

				IXformSchema() = default;
				IXformSchema(const Abc::ICompoundProperty& iParent, const std::string& iName, const Abc::Argument& iArg0 = Abc::Argument(),
				             const Abc::Argument& iArg1 = Abc::Argument())
				    : Abc::ISchema<XformSchemaInfo>(iParent, iName, iArg0, iArg1)
				{
					init(iArg0, iArg1);
				}
				explicit IXformSchema(const Abc::ICompoundProperty& iProp, const Abc::Argument& iArg0 = Abc::Argument(),
				                      const Abc::Argument& iArg1 = Abc::Argument())
				    : IXformSchema(iProp, XformSchemaInfo::defaultName(), iArg0, iArg1)
				{
				}

				// The inherit flag's sampling; a transform never set has the default one.
				AbcA::TimeSamplingPtr getTimeSampling() const;
				bool isConstant() const { return m_isConstant; }
				bool isConstantIdentity() const { return m_isConstantIdentity; }
				size_t getNumSamples() const;

				void get(XformSample& oSamp, const Abc::ISampleSelector& iSS = Abc::ISampleSelector()) const;
				XformSample getValue(const Abc::ISampleSelector& iSS = Abc::ISampleSelector()) const;

				Abc::IBox3dProperty getChildBoundsProperty() const { return m_childBoundsProperty; }
				bool getInheritsXforms(const Abc::ISampleSelector& iSS = Abc::ISampleSelector()) const;
				size_t getNumOps() const { return m_sample.getNumOps(); }

				Abc::ICompoundProperty getArbGeomParams() const { return m_arbGeomParams; }
				Abc::ICompoundProperty getUserProperties() const { return m_userProperties; }

				void reset() override
				{
					m_childBoundsProperty.reset();
					m_valsScalar.reset();
					m_valsArray.reset();
					m_sample = XformSample();
					m_inheritsProperty.reset();
					m_isConstant = true;
					m_isConstantIdentity = true;
					m_arbGeomParams.reset();
					m_userProperties.reset();
					Abc::ISchema<XformSchemaInfo>::reset();
				}
				bool valid() const override { return Abc::ISchema<XformSchemaInfo>::valid(); }

				typedef bool (this_type::*unspecified_bool_type)() const;
				operator unspecified_bool_type() const { return valid() ? &this_type::valid : nullptr; }

			private:
				void init(const Abc::Argument& iArg0, const Abc::Argument& iArg1);
				void getChannelValues(AbcA::index_t iSampleIndex, XformSample& oSamp) const;

				Abc::IBox3dProperty m_childBoundsProperty;
				AbcA::ScalarPropertyReaderPtr m_valsScalar;
				AbcA::ArrayPropertyReaderPtr m_valsArray;
				Abc::IBoolProperty m_inheritsProperty;
				Abc::ICompoundProperty m_arbGeomParams;
				Abc::ICompoundProperty m_userProperties;
				bool m_isConstant = true;
				bool m_isConstantIdentity = true;
				XformSample m_sample;
			};

			typedef Abc::ISchemaObject<IXformSchema> IXform;
			typedef Util::shared_ptr<IXform> IXformPtr;
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
