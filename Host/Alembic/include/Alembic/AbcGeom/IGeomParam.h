#pragma once

// A geometry parameter for reading: one array of values, or a compound of unique values
// (".vals") and per-element indices (".indices").

#include <Alembic/AbcGeom/GeometryScope.h>

namespace Alembic
{
	namespace AbcGeom
	{
		namespace ALEMBIC_VERSION_NS
		{
			template<class TRAITS>
			class ITypedGeomParam
			{
			public:
				typedef typename TRAITS::value_type value_type;
				typedef Abc::ITypedArrayProperty<TRAITS> prop_type;
				typedef ITypedGeomParam<TRAITS> this_type;

				class Sample
				{
				public:
					typedef Abc::TypedArraySample<TRAITS> samp_type;
					typedef shared_ptr<samp_type> samp_ptr_type;

					Sample() = default;

					Abc::UInt32ArraySamplePtr getIndices() const { return m_indices; }
					samp_ptr_type getVals() const { return m_vals; }
					GeometryScope getScope() const { return m_scope; }
					bool isIndexed() const { return m_isIndexed; }
					void reset()
					{
						m_vals.reset();
						m_indices.reset();
						m_scope = kUnknownScope;
						m_isIndexed = false;
					}
					bool valid() const { return m_vals != nullptr; }

					typedef samp_ptr_type (Sample::*unspecified_bool_type)() const;
					operator unspecified_bool_type() const { return valid() ? &Sample::getVals : nullptr; }
					bool operator!() const { return !valid(); }

				private:
					friend class ITypedGeomParam<TRAITS>;
					samp_ptr_type m_vals;
					Abc::UInt32ArraySamplePtr m_indices;
					GeometryScope m_scope = kUnknownScope;
					bool m_isIndexed = false;
				};
				typedef Sample sample_type;

				static const char* getInterpretation() { return TRAITS::interpretation(); }

				static bool matches(const AbcA::PropertyHeader& iHeader, SchemaInterpMatching iMatching = kStrictMatching)
				{
					if (iHeader.isCompound())
					{
						const AbcA::MetaData& MetaData = iHeader.getMetaData();
						return MetaData.get("podName") == PODName(TRAITS::pod_enum) &&
						       (std::string() == getInterpretation() || std::atoi(MetaData.get("podExtent").c_str()) == TRAITS::extent) &&
						       prop_type::matches(MetaData, iMatching);
					}
					if (iHeader.isArray())
					{
						return prop_type::matches(iHeader, iMatching);
					}
					return false;
				}

				ITypedGeomParam() = default;

				ITypedGeomParam(const Abc::ICompoundProperty& iParent, const std::string& iName, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument())
				{
					Abc::ErrorHandler Handler(MakeArguments(iParent.getErrorHandlerPolicy(), iArg0, iArg1).getErrorHandlerPolicy());
					try
					{
						AbcA::CompoundPropertyReaderPtr Parent = iParent.getPtr();
						ABCA_ASSERT(Parent, "NULL CompoundPropertyReader passed into ITypedGeomParam ctor");
						const AbcA::PropertyHeader* Header = Parent->getPropertyHeader(iName);
						ABCA_ASSERT(Header != nullptr, "Nonexistent GeomParam: " << iName);
						if (Header->isCompound())
						{
							m_cprop = Abc::ICompoundProperty(iParent, iName, Handler.getPolicy());
							m_indicesProperty = Abc::IUInt32ArrayProperty(m_cprop, ".indices", iArg0, iArg1);
							m_valProp = prop_type(m_cprop, ".vals", iArg0, iArg1);
							m_isIndexed = true;
						}
						else if (Header->isArray())
						{
							m_valProp = prop_type(iParent, iName, iArg0, iArg1);
							m_isIndexed = false;
						}
						else
						{
							ABCA_THROW("Invalid ITypedGeomParam: " << iName);
						}
					}
					catch (const std::exception& Exc)
					{
						reset();
						Handler(Exc, "ITypedGeomParam::ITypedGeomParam()");
					}
				}

				void getIndexed(sample_type& oSamp, const ISampleSelector& iSS = ISampleSelector()) const
				{
					oSamp.reset();
					if (!valid())
					{
						return;
					}
					oSamp.m_vals = m_valProp.getValue(iSS);
					oSamp.m_scope = getScope();
					oSamp.m_isIndexed = m_isIndexed;
					if (m_isIndexed)
					{
						oSamp.m_indices = m_indicesProperty.getValue(iSS);
						return;
					}
					// A plain array reads as indexed by 0..n-1.
					auto Holder = std::make_shared<std::pair<std::vector<uint32_t>, Abc::UInt32ArraySample>>();
					Holder->first.resize(oSamp.m_vals->size());
					for (size_t i = 0; i < Holder->first.size(); ++i)
					{
						Holder->first[i] = uint32_t(i);
					}
					Holder->second = Abc::UInt32ArraySample(Holder->first);
					oSamp.m_indices = Abc::UInt32ArraySamplePtr(Holder, &Holder->second);
				}

				// Resolves indices only; values stay at their stored scope and getIndices() stays null.
				void getExpanded(sample_type& oSamp, const ISampleSelector& iSS = ISampleSelector()) const
				{
					oSamp.reset();
					if (!valid())
					{
						return;
					}
					oSamp.m_scope = getScope();
					oSamp.m_isIndexed = m_isIndexed;
					typename Sample::samp_ptr_type Vals = m_valProp.getValue(iSS);
					if (!m_isIndexed)
					{
						oSamp.m_vals = Vals;
						return;
					}
					Abc::UInt32ArraySamplePtr Indices = m_indicesProperty.getValue(iSS);
					if (Indices->size() == 0)
					{
						oSamp.m_vals = Vals;
						return;
					}
					auto Holder = std::make_shared<std::pair<std::vector<value_type>, typename Sample::samp_type>>();
					const size_t NumVals = Vals->size();
					Holder->first.resize(Indices->size());
					for (size_t i = 0; i < Indices->size(); ++i)
					{
						const uint32_t Index = (*Indices)[i];
						if (Index >= NumVals)
						{
							throw Util::Exception("ITypedGeomParam::getExpanded()\nERROR: EXCEPTION:\nIndex " + std::to_string(Index) + " of GeomParam " +
							                      m_valProp.getName() + " is out of range of its " + std::to_string(NumVals) + " values");
						}
						Holder->first[i] = (*Vals)[Index];
					}
					Holder->second = typename Sample::samp_type(Holder->first);
					oSamp.m_vals = typename Sample::samp_ptr_type(Holder, &Holder->second);
				}

				sample_type getIndexedValue(const ISampleSelector& iSS = ISampleSelector()) const
				{
					sample_type Result;
					getIndexed(Result, iSS);
					return Result;
				}

				sample_type getExpandedValue(const ISampleSelector& iSS = ISampleSelector()) const
				{
					sample_type Result;
					getExpanded(Result, iSS);
					return Result;
				}

				size_t getNumSamples() const
				{
					if (m_isIndexed && m_indicesProperty)
					{
						return std::max(m_indicesProperty.getNumSamples(), m_valProp.getNumSamples());
					}
					return m_valProp.getNumSamples();
				}
				AbcA::DataType getDataType() const { return TRAITS::dataType(); }
				size_t getArrayExtent() const
				{
					const std::string Extent = m_valProp.getMetaData().get("arrayExtent");
					return Extent.empty() ? 1 : size_t(std::atoi(Extent.c_str()));
				}
				bool isIndexed() const { return m_isIndexed; }
				GeometryScope getScope() const { return GetGeometryScope(m_valProp.getMetaData()); }
				AbcA::TimeSamplingPtr getTimeSampling() const { return m_valProp.getTimeSampling(); }
				const std::string& getName() const { return m_isIndexed ? m_cprop.getName() : m_valProp.getName(); }
				Abc::ICompoundProperty getParent() const { return m_isIndexed ? m_cprop.getParent() : m_valProp.getParent(); }
				const AbcA::PropertyHeader& getHeader() const { return m_isIndexed ? m_cprop.getHeader() : m_valProp.getHeader(); }
				const AbcA::MetaData& getMetaData() const { return getHeader().getMetaData(); }
				bool isConstant() const { return m_valProp.isConstant() && (!m_isIndexed || m_indicesProperty.isConstant()); }

				void reset()
				{
					m_valProp.reset();
					m_indicesProperty.reset();
					m_cprop.reset();
					m_isIndexed = false;
				}
				bool valid() const { return m_valProp.valid() && (!m_isIndexed || m_indicesProperty.valid()); }

				typedef bool (this_type::*unspecified_bool_type)() const;
				operator unspecified_bool_type() const { return valid() ? &this_type::isIndexed : nullptr; }
				bool operator!() const { return !valid(); }

				// Not const, as in the library.
				prop_type getValueProperty() { return m_valProp; }
				Abc::IUInt32ArrayProperty getIndexProperty() { return m_indicesProperty; }

			private:
				prop_type m_valProp;
				Abc::IUInt32ArrayProperty m_indicesProperty;
				Abc::ICompoundProperty m_cprop;
				bool m_isIndexed = false;
			};

#define ALEMBIC_ABCGEOM_DECLARE_I_GEOM_PARAM(TRAITS, STEM) typedef ITypedGeomParam<Abc::TRAITS> I##STEM##GeomParam;
			ALEMBIC_ABC_FOR_EACH_TYPE(ALEMBIC_ABCGEOM_DECLARE_I_GEOM_PARAM)
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
