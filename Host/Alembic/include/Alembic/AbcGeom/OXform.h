#pragma once

// Writing transforms. The first sample fixes the steps: their codes go once into ".ops", their channel
// values into ".vals" on every sample (a scalar, or an array past 256 channels), the inherit flag into
// ".inherits". Which channels ever changed is written as ".animChans" when the last copy of the schema
// goes away, and "isNotConstantIdentity" marks a transform that is not the identity on some sample.

#include <Alembic/AbcGeom/SchemaInfoDeclarations.h>
#include <Alembic/AbcGeom/XformSample.h>

namespace Alembic
{
	namespace AbcGeom
	{
		namespace ALEMBIC_VERSION_NS
		{
			static const double kXFORM_DELTA_TOLERANCE = 1.0e-12;

			class OXformSchema : public Abc::OSchema<XformSchemaInfo>
			{
			public:
				typedef OXformSchema this_type;
				typedef XformSample sample_type;

				OXformSchema() = default;
				OXformSchema(AbcA::CompoundPropertyWriterPtr iParent, const std::string& iName, const Abc::Argument& iArg0 = Abc::Argument(),
				             const Abc::Argument& iArg1 = Abc::Argument(), const Abc::Argument& iArg2 = Abc::Argument(),
				             const Abc::Argument& iArg3 = Abc::Argument());
				OXformSchema(Abc::OCompoundProperty iParent, const std::string& iName, const Abc::Argument& iArg0 = Abc::Argument(),
				             const Abc::Argument& iArg1 = Abc::Argument(), const Abc::Argument& iArg2 = Abc::Argument());

				AbcA::TimeSamplingPtr getTimeSampling() const;
				// Samples of the steps; a transform without steps counts none.
				size_t getNumSamples() const;

				// Non-const on purpose, as in the library: the sample's shape is frozen by the first call.
				void set(XformSample& ioSamp);
				void setFromPrevious();
				void setTimeSampling(uint32_t iIndex);
				void setTimeSampling(AbcA::TimeSamplingPtr iTime);

				Abc::OCompoundProperty getArbGeomParams();
				Abc::OCompoundProperty getUserProperties();
				Abc::OBox3dProperty getChildBoundsProperty();

				void reset() override;
				bool valid() const override { return Abc::OSchema<XformSchemaInfo>::valid(); }

				typedef bool (this_type::*unspecified_bool_type)() const;
				operator unspecified_bool_type() const { return valid() ? &this_type::valid : nullptr; }

			private:
				class Data;

				void init(uint32_t iTimeSamplingIndex);
				void setChannelValues(const std::vector<double>& iVals);

				std::size_t m_numChannels = 0;
				std::size_t m_numOps = 0;
				bool m_useArrayProp = false;
				AbcA::ScalarPropertyWriterPtr m_opsPWPtr;
				AbcA::ScalarPropertyWriterPtr m_valsScalarPtr;
				AbcA::ArrayPropertyWriterPtr m_valsArrayPtr;
				Abc::OBoolProperty m_inheritsProperty;
				Abc::OBoolProperty m_isNotConstantIdentityProperty;
				Abc::OBox3dProperty m_childBoundsProperty;
				Abc::OCompoundProperty m_arbGeomParams;
				Abc::OCompoundProperty m_userProperties;
				XformSample m_protoSample;
				bool m_isIdentity = true;
				// Shared by every copy of the schema; the last one writes the animated channels.
				Util::shared_ptr<Data> m_data;
			};

			typedef Abc::OSchemaObject<OXformSchema> OXform;
			typedef Util::shared_ptr<OXform> OXformPtr;
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
