#pragma once

#include <Alembic/AbcGeom/Foundation.h>

namespace Alembic
{
	namespace AbcGeom
	{
		namespace ALEMBIC_VERSION_NS
		{
			enum XformOperationType
			{
				kScaleOperation = 0,
				kTranslateOperation = 1,
				kRotateOperation = 2,
				kMatrixOperation = 3,
				kRotateXOperation = 4,
				kRotateYOperation = 5,
				kRotateZOperation = 6
			};

			// One transform step and its channel values (3 for scale/translate, axis+angle for rotate, 16 for a matrix).
			class XformOp
			{
			public:
				XformOp()
				    : m_type(kTranslateOperation), m_hint(0) {}
				XformOp(XformOperationType iType, uint8_t iHint = 0)
				    : m_type(iType), m_hint(iHint), m_channels(defaultChannels(iType)) {}

				XformOperationType getType() const { return m_type; }
				uint8_t getHint() const { return m_hint; }
				uint8_t getOpEncoding() const { return uint8_t((uint8_t(m_type) << 4) | (m_hint & 0xf)); }
				size_t getNumChannels() const { return m_channels.size(); }
				double getChannelValue(size_t i) const { return m_channels[i]; }
				void setChannelValue(size_t i, double iValue) { m_channels[i] = iValue; }
				const std::vector<double>& getChannels() const { return m_channels; }
				bool isIdentity() const { return m_channels == defaultChannels(m_type); }

				static std::vector<double> defaultChannels(XformOperationType iType)
				{
					switch (iType)
					{
						case kScaleOperation:
							return {1.0, 1.0, 1.0};
						case kTranslateOperation:
							return {0.0, 0.0, 0.0};
						case kRotateOperation:
							return {0.0, 0.0, 0.0, 0.0};
						case kMatrixOperation:
							return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
						default:
							return {0.0};
					}
				}

			private:
				XformOperationType m_type;
				uint8_t m_hint;
				std::vector<double> m_channels;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
