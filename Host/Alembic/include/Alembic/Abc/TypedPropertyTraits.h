#pragma once

// Compile-time descriptions of property value types: POD, extent and interpretation.

#include <Alembic/Abc/Foundation.h>

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
#define ALEMBIC_ABC_DECLARE_TYPE_TRAITS(VAL, POD, EXTENT, INTERP, PTDEF)         \
	struct PTDEF                                                                 \
	{                                                                            \
		static const PlainOldDataType pod_enum = POD;                            \
		static const int extent = EXTENT;                                        \
		typedef VAL value_type;                                                  \
		static const char* interpretation() { return INTERP; }                   \
		static const char* name() { return #PTDEF; }                             \
		static AbcA::DataType dataType() { return AbcA::DataType(POD, EXTENT); } \
		static value_type defaultValue() { return DefaultValueOf<VAL>(); }       \
	}

			// Zero for numbers and vectors, an empty box for boxes, identity for matrices and quaternions.
			template<class T>
			T DefaultValueOf()
			{
				T Value;
				if constexpr (std::is_arithmetic_v<T>)
				{
					Value = T(0);
				}
				else
				{
					Value = T();
				}
				return Value;
			}

			template<>
			inline V2f DefaultValueOf<V2f>()
			{
				return V2f(0.0f);
			}
			template<>
			inline V3f DefaultValueOf<V3f>()
			{
				return V3f(0.0f);
			}
			template<>
			inline V3d DefaultValueOf<V3d>()
			{
				return V3d(0.0);
			}
			template<>
			inline V2d DefaultValueOf<V2d>()
			{
				return V2d(0.0);
			}
			template<>
			inline C3f DefaultValueOf<C3f>()
			{
				return C3f(0.0f);
			}
			template<>
			inline C4f DefaultValueOf<C4f>()
			{
				return C4f(0.0f);
			}
			template<>
			inline float16_t DefaultValueOf<float16_t>()
			{
				return float16_t(0.0f);
			}

			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(bool_t, kBooleanPOD, 1, "", BooleanTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(uint8_t, kUint8POD, 1, "", Uint8TPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(int8_t, kInt8POD, 1, "", Int8TPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(uint16_t, kUint16POD, 1, "", Uint16TPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(int16_t, kInt16POD, 1, "", Int16TPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(uint32_t, kUint32POD, 1, "", Uint32TPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(int32_t, kInt32POD, 1, "", Int32TPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(uint64_t, kUint64POD, 1, "", Uint64TPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(int64_t, kInt64POD, 1, "", Int64TPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(float16_t, kFloat16POD, 1, "", Float16TPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(float32_t, kFloat32POD, 1, "", Float32TPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(float64_t, kFloat64POD, 1, "", Float64TPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(std::string, kStringPOD, 1, "", StringTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(std::wstring, kWstringPOD, 1, "", WstringTPTraits);

			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(V2s, kInt16POD, 2, "vector", V2sTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(V2i, kInt32POD, 2, "vector", V2iTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(V2f, kFloat32POD, 2, "vector", V2fTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(V2d, kFloat64POD, 2, "vector", V2dTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(V3s, kInt16POD, 3, "vector", V3sTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(V3i, kInt32POD, 3, "vector", V3iTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(V3f, kFloat32POD, 3, "vector", V3fTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(V3d, kFloat64POD, 3, "vector", V3dTPTraits);

			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(V2s, kInt16POD, 2, "point", P2sTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(V2i, kInt32POD, 2, "point", P2iTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(V2f, kFloat32POD, 2, "point", P2fTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(V2d, kFloat64POD, 2, "point", P2dTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(V3s, kInt16POD, 3, "point", P3sTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(V3i, kInt32POD, 3, "point", P3iTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(V3f, kFloat32POD, 3, "point", P3fTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(V3d, kFloat64POD, 3, "point", P3dTPTraits);

			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(Box2s, kInt16POD, 4, "box", Box2sTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(Box2i, kInt32POD, 4, "box", Box2iTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(Box2f, kFloat32POD, 4, "box", Box2fTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(Box2d, kFloat64POD, 4, "box", Box2dTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(Box3s, kInt16POD, 6, "box", Box3sTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(Box3i, kInt32POD, 6, "box", Box3iTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(Box3f, kFloat32POD, 6, "box", Box3fTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(Box3d, kFloat64POD, 6, "box", Box3dTPTraits);

			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(M33f, kFloat32POD, 9, "matrix", M33fTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(M33d, kFloat64POD, 9, "matrix", M33dTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(M44f, kFloat32POD, 16, "matrix", M44fTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(M44d, kFloat64POD, 16, "matrix", M44dTPTraits);

			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(Quatf, kFloat32POD, 4, "quat", QuatfTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(Quatd, kFloat64POD, 4, "quat", QuatdTPTraits);

			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(C3h, kFloat16POD, 3, "rgb", C3hTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(C3f, kFloat32POD, 3, "rgb", C3fTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(C3c, kUint8POD, 3, "rgb", C3cTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(C4h, kFloat16POD, 4, "rgba", C4hTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(C4f, kFloat32POD, 4, "rgba", C4fTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(C4c, kUint8POD, 4, "rgba", C4cTPTraits);

			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(N2f, kFloat32POD, 2, "normal", N2fTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(N2d, kFloat64POD, 2, "normal", N2dTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(N3f, kFloat32POD, 3, "normal", N3fTPTraits);
			ALEMBIC_ABC_DECLARE_TYPE_TRAITS(N3d, kFloat64POD, 3, "normal", N3dTPTraits);
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}

// Expands MACRO(traits, stem) for every value type, to declare the typedef families.
#define ALEMBIC_ABC_FOR_EACH_TYPE(MACRO) \
	MACRO(BooleanTPTraits, Bool)         \
	MACRO(Uint8TPTraits, Uchar)          \
	MACRO(Int8TPTraits, Char)            \
	MACRO(Uint16TPTraits, UInt16)        \
	MACRO(Int16TPTraits, Int16)          \
	MACRO(Uint32TPTraits, UInt32)        \
	MACRO(Int32TPTraits, Int32)          \
	MACRO(Uint64TPTraits, UInt64)        \
	MACRO(Int64TPTraits, Int64)          \
	MACRO(Float16TPTraits, Half)         \
	MACRO(Float32TPTraits, Float)        \
	MACRO(Float64TPTraits, Double)       \
	MACRO(StringTPTraits, String)        \
	MACRO(WstringTPTraits, Wstring)      \
	MACRO(V2sTPTraits, V2s)              \
	MACRO(V2iTPTraits, V2i)              \
	MACRO(V2fTPTraits, V2f)              \
	MACRO(V2dTPTraits, V2d)              \
	MACRO(V3sTPTraits, V3s)              \
	MACRO(V3iTPTraits, V3i)              \
	MACRO(V3fTPTraits, V3f)              \
	MACRO(V3dTPTraits, V3d)              \
	MACRO(P2sTPTraits, P2s)              \
	MACRO(P2iTPTraits, P2i)              \
	MACRO(P2fTPTraits, P2f)              \
	MACRO(P2dTPTraits, P2d)              \
	MACRO(P3sTPTraits, P3s)              \
	MACRO(P3iTPTraits, P3i)              \
	MACRO(P3fTPTraits, P3f)              \
	MACRO(P3dTPTraits, P3d)              \
	MACRO(Box2sTPTraits, Box2s)          \
	MACRO(Box2iTPTraits, Box2i)          \
	MACRO(Box2fTPTraits, Box2f)          \
	MACRO(Box2dTPTraits, Box2d)          \
	MACRO(Box3sTPTraits, Box3s)          \
	MACRO(Box3iTPTraits, Box3i)          \
	MACRO(Box3fTPTraits, Box3f)          \
	MACRO(Box3dTPTraits, Box3d)          \
	MACRO(M33fTPTraits, M33f)            \
	MACRO(M33dTPTraits, M33d)            \
	MACRO(M44fTPTraits, M44f)            \
	MACRO(M44dTPTraits, M44d)            \
	MACRO(QuatfTPTraits, Quatf)          \
	MACRO(QuatdTPTraits, Quatd)          \
	MACRO(C3hTPTraits, C3h)              \
	MACRO(C3fTPTraits, C3f)              \
	MACRO(C3cTPTraits, C3c)              \
	MACRO(C4hTPTraits, C4h)              \
	MACRO(C4fTPTraits, C4f)              \
	MACRO(C4cTPTraits, C4c)              \
	MACRO(N2fTPTraits, N2f)              \
	MACRO(N2dTPTraits, N2d)              \
	MACRO(N3fTPTraits, N3f)              \
	MACRO(N3dTPTraits, N3d)
