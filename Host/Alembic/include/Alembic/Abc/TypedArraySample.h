#pragma once

// An ArraySample with its element type known at compile time.

#include <Alembic/Abc/TypedPropertyTraits.h>

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			template<class TRAITS>
			class TypedArraySample : public AbcA::ArraySample
			{
			public:
				typedef TRAITS traits_type;
				typedef typename TRAITS::value_type value_type;
				typedef std::vector<value_type> value_vector;
				typedef TypedArraySample<TRAITS> this_type;

				// Invalid: no data and no shape. A sample made from an empty vector is valid and empty.
				TypedArraySample()
				    : AbcA::ArraySample(nullptr, TRAITS::dataType(), Dimensions()) {}
				TypedArraySample(const value_type* iValues, size_t iNumVals)
				    : AbcA::ArraySample(iValues, TRAITS::dataType(), Dimensions(iNumVals)) {}
				TypedArraySample(const value_type* iValues, const Dimensions& iDims)
				    : AbcA::ArraySample(iValues, TRAITS::dataType(), iDims) {}
				TypedArraySample(const value_vector& iVec)
				    : AbcA::ArraySample(iVec.empty() ? nullptr : iVec.data(), TRAITS::dataType(), Dimensions(iVec.size()))
				{
				}
				TypedArraySample(const value_vector& iVec, const Dimensions& iDims)
				    : AbcA::ArraySample(iVec.empty() ? nullptr : iVec.data(), TRAITS::dataType(), iDims)
				{
				}
				TypedArraySample(const AbcA::ArraySample& iCopy)
				    : AbcA::ArraySample(iCopy) { checkType(iCopy); }
				TypedArraySample& operator=(const AbcA::ArraySample& iCopy)
				{
					checkType(iCopy);
					AbcA::ArraySample::operator=(iCopy);
					return *this;
				}
				TypedArraySample(const TypedArraySample&) = default;
				TypedArraySample& operator=(const TypedArraySample&) = default;

				const value_type* get() const { return static_cast<const value_type*>(getData()); }
				const value_type* operator->() const { return get(); }
				const value_type& operator[](size_t i) const { return get()[i]; }
				size_t size() const { return getDimensions().numPoints(); }

				static TypedArraySample emptySample() { return TypedArraySample(static_cast<const value_type*>(nullptr), size_t(0)); }

				typedef const void* (TypedArraySample::*unspecified_bool_type)() const;
				operator unspecified_bool_type() const { return valid() ? &TypedArraySample::boolHook : nullptr; }
				bool operator!() const { return !valid(); }

			private:
				const void* boolHook() const { return nullptr; }
				static void checkType(const AbcA::ArraySample& iCopy)
				{
					ABCA_ASSERT(iCopy.getDataType() == TRAITS::dataType(),
					            "Invalid DataType in TypedArraySample. Expected: " << TRAITS::dataType() << ", but got: " << iCopy.getDataType());
				}
			};

#define ALEMBIC_ABC_DECLARE_ARRAY_SAMPLE(TRAITS, STEM)  \
	typedef TypedArraySample<TRAITS> STEM##ArraySample; \
	typedef shared_ptr<STEM##ArraySample> STEM##ArraySamplePtr;

			ALEMBIC_ABC_FOR_EACH_TYPE(ALEMBIC_ABC_DECLARE_ARRAY_SAMPLE)
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
