#pragma once

#include <Alembic/AbcGeom/XformOp.h>

namespace Alembic
{
	namespace AbcGeom
	{
		namespace ALEMBIC_VERSION_NS
		{
			// An ordered list of transform operations; empty means identity.
			class XformSample
			{
			public:
				XformSample() = default;

				void addOp(const XformOp& iOp) { m_ops.push_back(iOp); }
				size_t getNumOps() const { return m_ops.size(); }
				const XformOp& getOp(size_t i) const { return m_ops[i]; }
				size_t getNumOpChannels() const
				{
					size_t Count = 0;
					for (const XformOp& Op : m_ops)
					{
						Count += Op.getNumChannels();
					}
					return Count;
				}

				void setTranslation(const Abc::V3d& iTrans) { addVector(kTranslateOperation, iTrans); }
				void setScale(const Abc::V3d& iScale) { addVector(kScaleOperation, iScale); }
				void setRotation(const Abc::V3d& iAxis, double iAngleInDegrees)
				{
					XformOp Op(kRotateOperation);
					Op.setChannelValue(0, iAxis.x);
					Op.setChannelValue(1, iAxis.y);
					Op.setChannelValue(2, iAxis.z);
					Op.setChannelValue(3, iAngleInDegrees);
					m_ops.push_back(Op);
				}
				void setMatrix(const Abc::M44d& iMatrix)
				{
					XformOp Op(kMatrixOperation);
					for (int r = 0; r < 4; ++r)
					{
						for (int c = 0; c < 4; ++c)
						{
							Op.setChannelValue(size_t(r * 4 + c), iMatrix[r][c]);
						}
					}
					m_ops.push_back(Op);
				}

				void setInheritsXforms(bool iInherits) { m_inherits = iInherits; }
				bool getInheritsXforms() const { return m_inherits; }
				void reset()
				{
					m_ops.clear();
					m_inherits = true;
				}

			private:
				void addVector(XformOperationType iType, const Abc::V3d& iValue)
				{
					XformOp Op(iType);
					Op.setChannelValue(0, iValue.x);
					Op.setChannelValue(1, iValue.y);
					Op.setChannelValue(2, iValue.z);
					m_ops.push_back(Op);
				}

				std::vector<XformOp> m_ops;
				bool m_inherits = true;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
