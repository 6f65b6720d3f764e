#include <Alembic/AbcGeom/XformOp.h>

#include <Imath/ImathMatrixAlgo.h>

namespace Alembic
{
	namespace AbcGeom
	{
		namespace ALEMBIC_VERSION_NS
		{
			namespace
			{
				// Channels start at zero, whatever the type: the defaults only decide what counts as identity.
				size_t ChannelCount(XformOperationType iType)
				{
					switch (iType)
					{
						case kRotateXOperation:
						case kRotateYOperation:
						case kRotateZOperation:
							return 1;
						case kScaleOperation:
						case kTranslateOperation:
							return 3;
						case kRotateOperation:
							return 4;
						case kMatrixOperation:
							return 16;
					}
					// A damaged code names no known type: it gets no channels.
					return 0;
				}

				bool IsSingleAxisRotation(XformOperationType iType)
				{
					return iType == kRotateXOperation || iType == kRotateYOperation || iType == kRotateZOperation;
				}

				Abc::V3d EulerXYZOf(const XformOp& iOp)
				{
					Abc::M44d Matrix;
					Matrix.makeIdentity();
					Matrix.setAxisAngle(iOp.getVector(), DegreesToRadians(iOp.getChannelValue(3)));
					Abc::V3d Rotation;
					Imath::extractEulerXYZ(Matrix, Rotation);
					return Rotation;
				}
			}

			XformOp::XformOp()
			    : m_type(kTranslateOperation), m_channels(3, 0.0)
			{
			}

			XformOp::XformOp(const XformOperationType iType, const Alembic::Util::uint8_t iHint)
			    : m_type(iType), m_channels(ChannelCount(iType), 0.0)
			{
				setHint(iHint);
			}

			XformOp::XformOp(const Alembic::Util::uint8_t iEncodedOp)
			    : m_type(XformOperationType(iEncodedOp >> 4)), m_channels(ChannelCount(XformOperationType(iEncodedOp >> 4)), 0.0)
			{
				setHint(iEncodedOp & 0xF);
			}

			void XformOp::setType(const XformOperationType iType)
			{
				m_type = iType;
				m_hint = 0;
				m_channels.resize(ChannelCount(iType));
			}

			void XformOp::setHint(const Alembic::Util::uint8_t iHint)
			{
				// A hint the type does not know reads as the plain one.
				bool bKnown = true;
				switch (m_type)
				{
					case kScaleOperation:
						bKnown = iHint <= kScaleHint;
						break;
					case kTranslateOperation:
						bKnown = iHint <= kRotatePivotTranslationHint;
						break;
					case kRotateOperation:
					case kRotateXOperation:
					case kRotateYOperation:
					case kRotateZOperation:
						bKnown = iHint <= kRotateOrientationHint;
						break;
					case kMatrixOperation:
						bKnown = iHint <= kMayaShearHint;
						break;
				}
				m_hint = bKnown ? iHint : 0;
			}

			bool XformOp::isXAnimated() const
			{
				return !IsSingleAxisRotation(m_type) && m_animChannels.count(0) > 0;
			}
			bool XformOp::isYAnimated() const
			{
				return !IsSingleAxisRotation(m_type) && m_animChannels.count(1) > 0;
			}
			bool XformOp::isZAnimated() const
			{
				return !IsSingleAxisRotation(m_type) && m_animChannels.count(2) > 0;
			}

			bool XformOp::isAngleAnimated() const
			{
				return m_animChannels.count(IsSingleAxisRotation(m_type) ? 0 : 3) > 0;
			}

			double XformOp::getDefaultChannelValue(std::size_t iIndex) const
			{
				switch (m_type)
				{
					case kScaleOperation:
						return 1.0;
					case kMatrixOperation:
						return (iIndex == 0 || iIndex == 5 || iIndex == 10 || iIndex == 15) ? 1.0 : 0.0;
					default:
						return 0.0;
				}
			}

			void XformOp::setVector(const Abc::V3d& iVec)
			{
				ABCA_ASSERT(m_type != kMatrixOperation, "Meaningless to set Abc::V3d on matrix op");
				ABCA_ASSERT(m_channels.size() >= 3, "Meaningless to set Abc::V3d on single-axis rotation op");
				m_channels[0] = iVec.x;
				m_channels[1] = iVec.y;
				m_channels[2] = iVec.z;
			}

			void XformOp::setTranslate(const Abc::V3d& iTrans)
			{
				ABCA_ASSERT(m_type == kTranslateOperation, "Meaningless to set translate on non-translate op.");
				setVector(iTrans);
			}

			void XformOp::setScale(const Abc::V3d& iScale)
			{
				ABCA_ASSERT(m_type == kScaleOperation, "Meaningless to set scale on non-scale op.");
				setVector(iScale);
			}

			void XformOp::setAxis(const Abc::V3d& iAxis)
			{
				ABCA_ASSERT(m_type == kRotateOperation, "Meaningless to set rotation axis on non-rotation or fixed angle rotation op.");
				setVector(iAxis);
			}

			void XformOp::setAngle(const double iAngle)
			{
				if (m_type == kRotateOperation)
				{
					m_channels[3] = iAngle;
				}
				else if (IsSingleAxisRotation(m_type))
				{
					m_channels[0] = iAngle;
				}
				else
				{
					ABCA_THROW("Meaningless to set rotation angle on non-rotation op.");
				}
			}

			void XformOp::setMatrix(const Abc::M44d& iMatrix)
			{
				ABCA_ASSERT(m_type == kMatrixOperation, "Cannot set non-matrix op from Abc::M44d");
				for (size_t i = 0; i < 4; ++i)
				{
					for (size_t j = 0; j < 4; ++j)
					{
						m_channels[i * 4 + j] = iMatrix.x[i][j];
					}
				}
			}

			Abc::V3d XformOp::getVector() const
			{
				ABCA_ASSERT(m_type != kMatrixOperation, "Meaningless to get Abc::V3d from matrix op");
				ABCA_ASSERT(m_channels.size() >= 3, "Meaningless to get Abc::V3d from single-axis rotation op");
				return Abc::V3d(m_channels[0], m_channels[1], m_channels[2]);
			}

			Abc::V3d XformOp::getTranslate() const
			{
				ABCA_ASSERT(m_type == kTranslateOperation, "Meaningless to get translate vector from non-translate op.");
				return getVector();
			}

			Abc::V3d XformOp::getScale() const
			{
				ABCA_ASSERT(m_type == kScaleOperation, "Meaningless to get scaling vector from non-scale op.");
				return getVector();
			}

			Abc::V3d XformOp::getAxis() const
			{
				switch (m_type)
				{
					case kRotateOperation:
						return getVector();
					case kRotateXOperation:
						return Abc::V3d(1.0, 0.0, 0.0);
					case kRotateYOperation:
						return Abc::V3d(0.0, 1.0, 0.0);
					case kRotateZOperation:
						return Abc::V3d(0.0, 0.0, 1.0);
					default:
						ABCA_THROW("Meaningless to get rotation axis from non-rotation op.");
				}
			}

			double XformOp::getAngle() const
			{
				if (m_type == kRotateOperation)
				{
					return m_channels[3];
				}
				ABCA_ASSERT(IsSingleAxisRotation(m_type), "Meaningless to get rotation angle from non-rotation op.");
				return m_channels[0];
			}

			Abc::M44d XformOp::getMatrix() const
			{
				ABCA_ASSERT(m_type == kMatrixOperation, "Can't get matrix from non-matrix op.");
				Abc::M44d Result;
				for (size_t i = 0; i < 4; ++i)
				{
					for (size_t j = 0; j < 4; ++j)
					{
						Result.x[i][j] = m_channels[i * 4 + j];
					}
				}
				return Result;
			}

			double XformOp::getXRotation() const
			{
				ABCA_ASSERT(m_type == kRotateOperation || m_type == kRotateXOperation, "Meaningless to get rotation angle from non-rotation op.");
				return m_type == kRotateXOperation ? m_channels[0] : RadiansToDegrees(EulerXYZOf(*this)[0]);
			}

			double XformOp::getYRotation() const
			{
				ABCA_ASSERT(m_type == kRotateOperation || m_type == kRotateYOperation, "Meaningless to get rotation angle from non-rotation op.");
				return m_type == kRotateYOperation ? m_channels[0] : RadiansToDegrees(EulerXYZOf(*this)[1]);
			}

			double XformOp::getZRotation() const
			{
				ABCA_ASSERT(m_type == kRotateOperation || m_type == kRotateZOperation, "Meaningless to get rotation angle from non-rotation op.");
				return m_type == kRotateZOperation ? m_channels[0] : RadiansToDegrees(EulerXYZOf(*this)[2]);
			}
		}
	}
}
