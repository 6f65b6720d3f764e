#pragma once

// An ordered stack of transform steps and the inherit flag. Once a schema has written or read a
// sample its shape is frozen: later addOp/set<Foo> calls overwrite the steps in turn instead of
// adding more, so one sample object can be refilled for every frame.

#include <Alembic/AbcGeom/XformOp.h>

namespace Alembic
{
	namespace AbcGeom
	{
		namespace ALEMBIC_VERSION_NS
		{
			class XformSample
			{
			public:
				XformSample();

				std::size_t addOp(XformOp iTransOrScaleOp, const Abc::V3d& iVal);
				std::size_t addOp(XformOp iRotateOp, const Abc::V3d& iAxis, const double iAngleInDegrees);
				std::size_t addOp(XformOp iMatrixOp, const Abc::M44d& iMatrix);
				std::size_t addOp(XformOp iSingleRotateOp, const double iSingleAxisRotationInDegrees);
				std::size_t addOp(const XformOp& iOp);

				XformOp getOp(const std::size_t iIndex) const { return m_ops[iIndex]; }
				XformOp& operator[](const std::size_t& iIndex) { return m_ops[iIndex]; }
				const XformOp& operator[](const std::size_t& iIndex) const { return m_ops[iIndex]; }
				std::size_t getNumOps() const { return m_ops.size(); }
				std::size_t getNumOpChannels() const;

				void setInheritsXforms(bool iInherits) { m_inherits = iInherits; }
				bool getInheritsXforms() const { return m_inherits; }

				void setTranslation(const Abc::V3d& iTrans);
				Abc::V3d getTranslation() const;
				void setRotation(const Abc::V3d& iAxis, const double iAngleInDegress);
				Abc::V3d getAxis() const;
				double getAngle() const;
				void setXRotation(const double iAngleInDegrees);
				double getXRotation() const;
				void setYRotation(const double iAngleInDegrees);
				double getYRotation() const;
				void setZRotation(const double iAngleInDegrees);
				double getZRotation() const;
				void setScale(const Abc::V3d& iScale);
				Abc::V3d getScale() const;
				void setMatrix(const Abc::M44d& iMatrix);
				// The steps composed in order: each later step is applied after (left of) the earlier ones.
				Abc::M44d getMatrix() const;

				bool isTopologyEqual(const XformSample& iSample);
				bool getIsTopologyFrozen() const { return m_hasBeenRead; }
				void reset() { clear(); }

			private:
				friend class OXformSchema;
				friend class IXformSchema;

				enum class EFilledBy
				{
					Nothing,
					OpStack,
					Setters
				};

				void freezeTopology() { m_hasBeenRead = true; }
				void clear();
				// Appends, or on a frozen sample overwrites the next step, which must be of the same type.
				std::size_t putOp(const XformOp& iOp, EFilledBy iBy);

				EFilledBy m_filledBy = EFilledBy::Nothing;
				std::vector<XformOp> m_ops;
				bool m_inherits = true;
				bool m_hasBeenRead = false;
				size_t m_opIndex = 0;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
