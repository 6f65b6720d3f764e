#include <Alembic/AbcGeom/XformSample.h>

#include <Imath/ImathMatrixAlgo.h>
#include <Imath/ImathQuat.h>

namespace Alembic
{
	namespace AbcGeom
	{
		namespace ALEMBIC_VERSION_NS
		{
			XformSample::XformSample() = default;

			std::size_t XformSample::putOp(const XformOp& iOp, EFilledBy iBy)
			{
				if (!m_hasBeenRead)
				{
					ABCA_ASSERT(m_filledBy == EFilledBy::Nothing || m_filledBy == iBy, "Cannot mix addOp() and set<Foo>() methods.");
					m_filledBy = iBy;
					m_ops.push_back(iOp);
					return m_ops.size() - 1;
				}
				ABCA_ASSERT(m_filledBy == iBy, "Cannot mix addOp() and set<Foo>() methods.");
				ABCA_ASSERT(!m_ops.empty(), "Cannot update mismatched op-type in already-setted XformSample!");
				const std::size_t Index = m_opIndex;
				ABCA_ASSERT(iOp.getType() == m_ops[Index].getType(), "Cannot update mismatched op-type in already-setted XformSample!");
				m_ops[Index] = iOp;
				m_opIndex = (m_opIndex + 1) % m_ops.size();
				return Index;
			}

			std::size_t XformSample::addOp(XformOp iOp, const Abc::V3d& iVal)
			{
				for (size_t i = 0; i < 3; ++i)
				{
					iOp.setChannelValue(i, iVal[int(i)]);
				}
				return putOp(iOp, EFilledBy::OpStack);
			}

			std::size_t XformSample::addOp(XformOp iOp, const Abc::V3d& iAxis, const double iAngleInDegrees)
			{
				for (size_t i = 0; i < 3; ++i)
				{
					iOp.setChannelValue(i, iAxis[int(i)]);
				}
				iOp.setChannelValue(3, iAngleInDegrees);
				return putOp(iOp, EFilledBy::OpStack);
			}

			std::size_t XformSample::addOp(XformOp iOp, const double iSingleAxisRotationInDegrees)
			{
				iOp.setChannelValue(0, iSingleAxisRotationInDegrees);
				return putOp(iOp, EFilledBy::OpStack);
			}

			std::size_t XformSample::addOp(XformOp iOp, const Abc::M44d& iMatrix)
			{
				for (size_t i = 0; i < 4; ++i)
				{
					for (size_t j = 0; j < 4; ++j)
					{
						iOp.setChannelValue(i * 4 + j, iMatrix.x[i][j]);
					}
				}
				return putOp(iOp, EFilledBy::OpStack);
			}

			std::size_t XformSample::addOp(const XformOp& iOp)
			{
				return putOp(iOp, EFilledBy::OpStack);
			}

			std::size_t XformSample::getNumOpChannels() const
			{
				std::size_t Count = 0;
				for (const XformOp& Op : m_ops)
				{
					Count += Op.getNumChannels();
				}
				return Count;
			}

			void XformSample::setTranslation(const Abc::V3d& iTrans)
			{
				XformOp Op(kTranslateOperation, kTranslateHint);
				Op.setVector(iTrans);
				putOp(Op, EFilledBy::Setters);
			}

			void XformSample::setRotation(const Abc::V3d& iAxis, const double iAngleInDegrees)
			{
				XformOp Op(kRotateOperation, kRotateHint);
				Op.setVector(iAxis);
				Op.setChannelValue(3, iAngleInDegrees);
				putOp(Op, EFilledBy::Setters);
			}

			void XformSample::setScale(const Abc::V3d& iScale)
			{
				XformOp Op(kScaleOperation, kScaleHint);
				Op.setVector(iScale);
				putOp(Op, EFilledBy::Setters);
			}

			void XformSample::setXRotation(const double iAngleInDegrees)
			{
				XformOp Op(kRotateXOperation, kRotateHint);
				Op.setChannelValue(0, iAngleInDegrees);
				putOp(Op, EFilledBy::Setters);
			}

			void XformSample::setYRotation(const double iAngleInDegrees)
			{
				XformOp Op(kRotateYOperation, kRotateHint);
				Op.setChannelValue(0, iAngleInDegrees);
				putOp(Op, EFilledBy::Setters);
			}

			void XformSample::setZRotation(const double iAngleInDegrees)
			{
				XformOp Op(kRotateZOperation, kRotateHint);
				Op.setChannelValue(0, iAngleInDegrees);
				putOp(Op, EFilledBy::Setters);
			}

			void XformSample::setMatrix(const Abc::M44d& iMatrix)
			{
				XformOp Op(kMatrixOperation, kMatrixHint);
				Op.setMatrix(iMatrix);
				putOp(Op, EFilledBy::Setters);
			}

			Abc::M44d XformSample::getMatrix() const
			{
				Abc::M44d Result;
				Result.makeIdentity();
				for (const XformOp& Op : m_ops)
				{
					Abc::M44d Step;
					Step.makeIdentity();
					switch (Op.getType())
					{
						case kMatrixOperation:
							Step = Op.getMatrix();
							break;
						case kRotateXOperation:
							Step.setAxisAngle(Abc::V3d(1.0, 0.0, 0.0), DegreesToRadians(Op.getChannelValue(0)));
							break;
						case kRotateYOperation:
							Step.setAxisAngle(Abc::V3d(0.0, 1.0, 0.0), DegreesToRadians(Op.getChannelValue(0)));
							break;
						case kRotateZOperation:
							Step.setAxisAngle(Abc::V3d(0.0, 0.0, 1.0), DegreesToRadians(Op.getChannelValue(0)));
							break;
						case kScaleOperation:
							Step.setScale(Op.getVector());
							break;
						case kTranslateOperation:
							Step.setTranslation(Op.getVector());
							break;
						case kRotateOperation:
							Step.setAxisAngle(Op.getVector(), DegreesToRadians(Op.getChannelValue(3)));
							break;
					}
					Result = Step * Result;
				}
				return Result;
			}

			Abc::V3d XformSample::getTranslation() const
			{
				return getMatrix().translation();
			}

			Abc::V3d XformSample::getScale() const
			{
				Abc::V3d Scale;
				Imath::extractScaling(getMatrix(), Scale);
				return Scale;
			}

			Abc::V3d XformSample::getAxis() const
			{
				return Imath::extractQuat(getMatrix()).axis();
			}

			double XformSample::getAngle() const
			{
				return RadiansToDegrees(Imath::extractQuat(getMatrix()).angle());
			}

			double XformSample::getXRotation() const
			{
				Abc::V3d Rotation;
				Imath::extractEulerXYZ(getMatrix(), Rotation);
				return RadiansToDegrees(Rotation[0]);
			}

			double XformSample::getYRotation() const
			{
				Abc::V3d Rotation;
				Imath::extractEulerXYZ(getMatrix(), Rotation);
				return RadiansToDegrees(Rotation[1]);
			}

			double XformSample::getZRotation() const
			{
				Abc::V3d Rotation;
				Imath::extractEulerXYZ(getMatrix(), Rotation);
				return RadiansToDegrees(Rotation[2]);
			}

			void XformSample::clear()
			{
				m_hasBeenRead = false;
				m_ops.clear();
				m_filledBy = EFilledBy::Nothing;
				m_opIndex = 0;
				m_inherits = true;
			}

			bool XformSample::isTopologyEqual(const XformSample& iSample)
			{
				if (getNumOps() != iSample.getNumOps())
				{
					return false;
				}
				for (size_t i = 0; i < m_ops.size(); ++i)
				{
					if (m_ops[i].getType() != iSample.m_ops[i].getType())
					{
						return false;
					}
				}
				return true;
			}
		}
	}
}
