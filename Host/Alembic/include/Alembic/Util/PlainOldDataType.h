#pragma once

// The scalar types a property can hold, with their names and byte sizes.

#include <Alembic/Util/Foundation.h>

namespace Alembic
{
	namespace Util
	{
		namespace ALEMBIC_VERSION_NS
		{
			enum PlainOldDataType
			{
				kBooleanPOD = 0,
				kUint8POD,
				kInt8POD,
				kUint16POD,
				kInt16POD,
				kUint32POD,
				kInt32POD,
				kUint64POD,
				kInt64POD,
				kFloat16POD,
				kFloat32POD,
				kFloat64POD,
				kStringPOD,
				kWstringPOD,
				kNumPlainOldDataTypes,
				kUnknownPOD = 127
			};

			// A one-byte boolean, so that arrays of it have a fixed layout. It holds the byte as read: a file
			// can store any value there, and every one but zero is true (a bool holding it would be undefined).
			class bool_t
			{
			public:
				bool_t()
				    : m_byte(0) {}
				bool_t(bool iValue)
				    : m_byte(static_cast<uint8_t>(iValue)) {}
				bool_t(uint8_t iByte)
				    : m_byte(iByte) {}
				bool_t& operator=(bool iValue)
				{
					m_byte = static_cast<uint8_t>(iValue);
					return *this;
				}
				bool_t& operator=(uint8_t iByte)
				{
					m_byte = iByte;
					return *this;
				}
				operator bool() const { return m_byte != 0; }
				bool asBool() const { return m_byte != 0; }

			private:
				uint8_t m_byte;
			};
			static_assert(sizeof(bool_t) == 1, "bool_t must be one byte");

			inline const char* PODName(PlainOldDataType iPod)
			{
				static const char* const Names[] = {"bool_t", "uint8_t", "int8_t", "uint16_t", "int16_t", "uint32_t", "int32_t",
				                                    "uint64_t", "int64_t", "float16_t", "float32_t", "float64_t", "string", "wstring"};
				return (iPod >= kBooleanPOD && iPod < kNumPlainOldDataTypes) ? Names[iPod] : "UNKNOWN";
			}

			inline PlainOldDataType PODFromName(const std::string& iName)
			{
				for (int i = 0; i < kNumPlainOldDataTypes; ++i)
				{
					if (iName == PODName(PlainOldDataType(i)))
					{
						return PlainOldDataType(i);
					}
				}
				return kUnknownPOD;
			}

			// Bytes per value in memory; strings count their object size.
			inline size_t PODNumBytes(PlainOldDataType iPod)
			{
				switch (iPod)
				{
					case kBooleanPOD:
					case kUint8POD:
					case kInt8POD:
						return 1;
					case kUint16POD:
					case kInt16POD:
					case kFloat16POD:
						return 2;
					case kUint32POD:
					case kInt32POD:
					case kFloat32POD:
						return 4;
					case kUint64POD:
					case kInt64POD:
					case kFloat64POD:
						return 8;
					case kStringPOD:
						return sizeof(std::string);
					case kWstringPOD:
						return sizeof(std::wstring);
					default:
						return 0;
				}
			}
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
