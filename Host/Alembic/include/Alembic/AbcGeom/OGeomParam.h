#pragma once

// A geometry parameter for writing. The scope given at creation goes into the metadata; an
// indexed parameter is a compound holding ".vals" and ".indices".

#include <Alembic/AbcGeom/GeometryScope.h>

namespace Alembic
{
	namespace AbcGeom
	{
		namespace ALEMBIC_VERSION_NS
		{
			template<class TRAITS>
			class OTypedGeomParam
			{
			public:
				typedef typename TRAITS::value_type value_type;
				typedef Abc::OTypedArrayProperty<TRAITS> prop_type;
				typedef OTypedGeomParam<TRAITS> this_type;

				class Sample
				{
				public:
					Sample()
					    : m_scope(kUnknownScope) {}
					Sample(const Abc::TypedArraySample<TRAITS>& iVals, GeometryScope iScope)
					    : m_vals(iVals), m_scope(iScope) {}
					Sample(const Abc::TypedArraySample<TRAITS>& iVals, const Abc::UInt32ArraySample& iIndices, GeometryScope iScope)
					    : m_vals(iVals), m_indices(iIndices), m_scope(iScope)
					{
					}

					void setVals(const Abc::TypedArraySample<TRAITS>& iVals) { m_vals = iVals; }
					const Abc::TypedArraySample<TRAITS>& getVals() const { return m_vals; }
					void setIndices(const Abc::UInt32ArraySample& iIndices) { m_indices = iIndices; }
					const Abc::UInt32ArraySample& getIndices() const { return m_indices; }
					void setScope(GeometryScope iScope) { m_scope = iScope; }
					GeometryScope getScope() const { return m_scope; }
					void reset()
					{
						m_vals = Abc::TypedArraySample<TRAITS>();
						m_indices = Abc::UInt32ArraySample();
						m_scope = kUnknownScope;
					}
					bool valid() const { return m_vals.valid(); }

					typedef GeometryScope (Sample::*unspecified_bool_type)() const;
					operator unspecified_bool_type() const { return valid() ? &Sample::getScope : nullptr; }
					bool operator!() const { return !valid(); }

				private:
					Abc::TypedArraySample<TRAITS> m_vals;
					Abc::UInt32ArraySample m_indices;
					GeometryScope m_scope;
				};
				typedef Sample sample_type;

				// The metadata every geometry parameter carries; float traits leave "interpretation" empty.
				static AbcA::MetaData GeomParamMetaData(const AbcA::MetaData& iUser, GeometryScope iScope, size_t iArrayExtent)
				{
					AbcA::MetaData MetaData = iUser;
					SetGeometryScope(MetaData, iScope);
					MetaData.set("isGeomParam", "true");
					MetaData.set("podName", PODName(TRAITS::pod_enum));
					MetaData.set("podExtent", std::to_string(TRAITS::extent));
					MetaData.set("arrayExtent", std::to_string(iArrayExtent));
					MetaData.set("interpretation", TRAITS::interpretation());
					return MetaData;
				}

				static bool matches(const AbcA::PropertyHeader& iHeader, SchemaInterpMatching iMatching = kStrictMatching)
				{
					if (iHeader.isCompound())
					{
						return iHeader.getMetaData().get("podName") == PODName(TRAITS::pod_enum) && prop_type::matches(iHeader.getMetaData(), iMatching);
					}
					return iHeader.isArray() && prop_type::matches(iHeader, iMatching);
				}

				OTypedGeomParam() = default;

				OTypedGeomParam(Abc::OCompoundProperty iParent, const std::string& iName, bool iIsIndexed, GeometryScope iScope, size_t iArrayExtent,
				                const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument(), const Argument& iArg2 = Argument())
				    : OTypedGeomParam(iParent.getPtr(), iName, iIsIndexed, iScope, iArrayExtent, iArg0, iArg1, iArg2)
				{
				}

				OTypedGeomParam(AbcA::CompoundPropertyWriterPtr iParent, const std::string& iName, bool iIsIndexed, GeometryScope iScope, size_t iArrayExtent,
				                const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument(), const Argument& iArg2 = Argument())
				    : m_name(iName), m_isIndexed(iIsIndexed), m_scope(iScope)
				{
					const Arguments Args = MakeArguments(ErrorHandler::kThrowPolicy, iArg0, iArg1, iArg2);
					Abc::ErrorHandler Handler(Args.getErrorHandlerPolicy());
					try
					{
						ABCA_ASSERT(iParent, "NULL CompoundPropertyWriterPtr passed into OTypedGeomParam ctor");
						const AbcA::MetaData MetaData = GeomParamMetaData(Args.getMetaData(), iScope, iArrayExtent);
						const uint32_t TsIndex = Abc::GetTimeSamplingIndexFromArgs(iParent, Args);
						if (m_isIndexed)
						{
							m_cprop = Abc::OCompoundProperty(iParent, iName, MetaData);
							m_valProp = prop_type(m_cprop, ".vals", MetaData, TsIndex);
							m_indicesProperty = Abc::OUInt32ArrayProperty(m_cprop, ".indices", TsIndex);
						}
						else
						{
							m_valProp = prop_type(iParent, iName, MetaData, TsIndex);
						}
					}
					catch (const std::exception& Exc)
					{
						reset();
						Handler(Exc, "OTypedGeomParam::OTypedGeomParam()");
					}
				}

				// Missing values (or indices) repeat the previous sample.
				void set(const Sample& iSamp)
				{
					if (m_isIndexed)
					{
						if (iSamp.getIndices().valid())
						{
							m_indicesProperty.set(iSamp.getIndices());
						}
						else
						{
							m_indicesProperty.setFromPrevious();
						}
					}
					if (iSamp.getVals().valid())
					{
						m_valProp.set(iSamp.getVals());
					}
					else
					{
						m_valProp.setFromPrevious();
					}
				}

				void setFromPrevious()
				{
					m_valProp.setFromPrevious();
					if (m_isIndexed)
					{
						m_indicesProperty.setFromPrevious();
					}
				}

				void setTimeSampling(uint32_t iIndex)
				{
					m_valProp.setTimeSampling(iIndex);
					if (m_isIndexed)
					{
						m_indicesProperty.setTimeSampling(iIndex);
					}
				}
				void setTimeSampling(AbcA::TimeSamplingPtr iTime)
				{
					m_valProp.setTimeSampling(iTime);
					if (m_isIndexed)
					{
						m_indicesProperty.setTimeSampling(iTime);
					}
				}

				size_t getNumSamples() const { return m_valProp.getNumSamples(); }
				AbcA::DataType getDataType() const { return TRAITS::dataType(); }
				bool isIndexed() const { return m_isIndexed; }
				GeometryScope getScope() const { return m_scope; }
				AbcA::TimeSamplingPtr getTimeSampling() const { return m_valProp.getTimeSampling(); }
				const std::string& getName() const { return m_name; }
				Abc::OCompoundProperty getParent() const { return m_isIndexed ? m_cprop.getParent() : m_valProp.getParent(); }

				bool valid() const { return m_valProp.valid() && (!m_isIndexed || (m_indicesProperty.valid() && m_cprop.valid())); }
				void reset()
				{
					m_valProp.reset();
					m_indicesProperty.reset();
					m_cprop.reset();
					m_isIndexed = false;
				}

				typedef bool (this_type::*unspecified_bool_type)() const;
				operator unspecified_bool_type() const { return valid() ? &this_type::isIndexed : nullptr; }
				bool operator!() const { return !valid(); }

				prop_type getValueProperty() const { return m_valProp; }
				Abc::OUInt32ArrayProperty getIndexProperty() const { return m_indicesProperty; }

			private:
				std::string m_name;
				bool m_isIndexed = false;
				GeometryScope m_scope = kUnknownScope;
				Abc::OCompoundProperty m_cprop;
				prop_type m_valProp;
				Abc::OUInt32ArrayProperty m_indicesProperty;
			};

#define ALEMBIC_ABCGEOM_DECLARE_O_GEOM_PARAM(TRAITS, STEM) typedef OTypedGeomParam<Abc::TRAITS> O##STEM##GeomParam;
			ALEMBIC_ABC_FOR_EACH_TYPE(ALEMBIC_ABCGEOM_DECLARE_O_GEOM_PARAM)
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
