#pragma once

#include <Alembic/Abc/OArchive.h>

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			class OCompoundProperty;

			class OObject : public Base
			{
			public:
				OObject() = default;
				// Parents come by value, so any schema object (OCurves, OXform) can be a parent.
				OObject(OObject iParentObject, const std::string& iName, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument(),
				        const Argument& iArg2 = Argument());
				OObject(AbcA::ObjectWriterPtr iPtr, WrapExistingFlag, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument(),
				        const Argument& iArg2 = Argument());
				OObject(AbcA::ObjectWriterPtr iPtr, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument(), const Argument& iArg2 = Argument())
				    : OObject(std::move(iPtr), kWrapExisting, iArg0, iArg1, iArg2)
				{
				}
				OObject(OArchive& iArchive, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument(), const Argument& iArg2 = Argument())
				    : OObject(iArchive, kTop, iArg0, iArg1, iArg2)
				{
				}
				OObject(OArchive& iArchive, TopFlag, const Argument& iArg0 = Argument(), const Argument& iArg1 = Argument(), const Argument& iArg2 = Argument());
				OObject(const OObject&) = default;
				OObject& operator=(const OObject&) = default;
				~OObject() override;

				const AbcA::ObjectHeader& getHeader() const;
				const std::string& getName() const { return getHeader().getName(); }
				const std::string& getFullName() const { return getHeader().getFullName(); }
				const AbcA::MetaData& getMetaData() const { return getHeader().getMetaData(); }
				OArchive getArchive();
				OObject getParent();
				size_t getNumChildren();
				const AbcA::ObjectHeader& getChildHeader(size_t i);
				const AbcA::ObjectHeader* getChildHeader(const std::string& iName);
				OCompoundProperty getProperties();
				OObject getChild(const std::string& iName);
				AbcA::ObjectWriterPtr getPtr() { return m_object; }
				AbcA::ObjectWriterPtr getPtr() const { return m_object; }

				void reset() override
				{
					m_object.reset();
					Base::reset();
				}
				bool valid() const override { return Base::valid() && m_object != nullptr; }

			protected:
				AbcA::ObjectWriterPtr m_object;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
