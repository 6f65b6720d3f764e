#pragma once

// One step of a transform (scale, translate, rotate about an axis or a fixed axis, or a matrix), its
// channel values, a hint of what a DCC meant by it, and which channels change over time once read.

#include <Alembic/AbcGeom/Foundation.h>

#include <set>
#include <vector>

namespace Alembic
{
	namespace AbcGeom
	{
		namespace ALEMBIC_VERSION_NS
		{
			enum MatrixHint
			{
				kMatrixHint = 0,
				kMayaShearHint = 1
			};

			enum RotateHint
			{
				kRotateHint = 0,
				kRotateOrientationHint = 1
			};

			enum ScaleHint
			{
				kScaleHint = 0
			};

			enum TranslateHint
			{
				kTranslateHint = 0,
				kScalePivotPointHint = 1,
				kScalePivotTranslationHint = 2,
				kRotatePivotPointHint = 3,
				kRotatePivotTranslationHint = 4
			};

			class XformOp
			{
			public:
				XformOp();
				XformOp(const XformOperationType iType, const Alembic::Util::uint8_t iHint = 0);
				// From the stored code: type in the high nibble, hint in the low one.
				XformOp(const Alembic::Util::uint8_t iEncodedOp);

				XformOperationType getType() const { return m_type; }
				void setType(const XformOperationType iType);
				Alembic::Util::uint8_t getHint() const { return m_hint; }
				void setHint(const Alembic::Util::uint8_t iHint);

				bool isXAnimated() const;
				bool isYAnimated() const;
				bool isZAnimated() const;
				bool isAngleAnimated() const;
				bool isChannelAnimated(std::size_t iIndex) const { return m_animChannels.count(Alembic::Util::uint32_t(iIndex)) > 0; }

				std::size_t getNumChannels() const { return m_channels.size(); }
				double getDefaultChannelValue(std::size_t iIndex) const;
				double getChannelValue(std::size_t iIndex) const { return m_channels[iIndex]; }
				void setChannelValue(std::size_t iIndex, double iVal) { m_channels[iIndex] = iVal; }

				void setVector(const Abc::V3d& iVec);
				void setTranslate(const Abc::V3d& iTrans);
				void setScale(const Abc::V3d& iScale);
				void setAxis(const Abc::V3d& iAxis);
				void setAngle(const double iAngle);
				void setMatrix(const Abc::M44d& iMatrix);
				// Declared and never defined, as in the library: use setAngle.
				void setXRotation(const double iAngle);
				void setYRotation(const double iAngle);
				void setZRotation(const double iAngle);

				Abc::V3d getVector() const;
				Abc::V3d getTranslate() const;
				Abc::V3d getScale() const;
				Abc::V3d getAxis() const;
				double getAngle() const;
				Abc::M44d getMatrix() const;
				double getXRotation() const;
				double getYRotation() const;
				double getZRotation() const;

				bool isTranslateOp() const { return m_type == kTranslateOperation; }
				bool isScaleOp() const { return m_type == kScaleOperation; }
				bool isRotateOp() const { return m_type == kRotateOperation; }
				bool isMatrixOp() const { return m_type == kMatrixOperation; }
				bool isRotateXOp() const { return m_type == kRotateXOperation; }
				bool isRotateYOp() const { return m_type == kRotateYOperation; }
				bool isRotateZOp() const { return m_type == kRotateZOperation; }

				Alembic::Util::uint8_t getOpEncoding() const { return Alembic::Util::uint8_t((m_type << 4) | (m_hint & 0xF)); }

			private:
				friend class IXformSchema;

				XformOperationType m_type;
				Alembic::Util::uint8_t m_hint = 0;
				std::vector<double> m_channels;
				std::set<Alembic::Util::uint32_t> m_animChannels;
			};

			typedef std::vector<XformOp> XformOpVec;
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
