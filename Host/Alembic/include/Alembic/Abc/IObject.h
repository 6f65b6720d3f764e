#pragma once

#include <Alembic/Abc/IArchive.h>

namespace Alembic
{
	namespace Abc
	{
		namespace ALEMBIC_VERSION_NS
		{
			class ICompoundProperty;

			class IObject : public Base
			{
			public:
				IObject() = default;
				IObject(const IObject& iParent, const std::string& iName, const Argument& iArg0 = Argument());
				IObject(AbcA::ObjectReaderPtr iPtr, const Argument& iArg0 = Argument());
				IObject(AbcA::ObjectReaderPtr iPtr, WrapExistingFlag, const Argument& iArg0 = Argument());
				IObject(IArchive& iArchive, const Argument& iArg0 = Argument());
				IObject(IArchive& iArchive, TopFlag, const Argument& iArg0 = Argument());
				IObject(const IObject&) = default;
				IObject& operator=(const IObject&) = default;
				~IObject() override;

				const AbcA::ObjectHeader& getHeader() const;
				const std::string& getName() const { return getHeader().getName(); }
				const std::string& getFullName() const { return getHeader().getFullName(); }
				const AbcA::MetaData& getMetaData() const { return getHeader().getMetaData(); }

				IArchive getArchive() const;
				IObject getParent() const;
				size_t getNumChildren() const;
				const AbcA::ObjectHeader& getChildHeader(size_t i) const;
				const AbcA::ObjectHeader* getChildHeader(const std::string& iName) const;
				ICompoundProperty getProperties() const;
				IObject getChild(size_t iChildIndex) const;
				IObject getChild(const std::string& iChildName) const;
				AbcA::ObjectReaderPtr getPtr() const { return m_object; }

				bool getPropertiesHash(Util::Digest& oDigest);
				bool getChildrenHash(Util::Digest& oDigest);

				// Instancing is not written by this implementation; these report plain objects.
				bool isInstanceRoot() const { return false; }
				bool isInstanceDescendant() const { return false; }
				std::string instanceSourcePath() const { return std::string(); }
				bool isChildInstance(size_t) const { return false; }

				void reset() override
				{
					m_object.reset();
					Base::reset();
				}
				bool valid() const override { return Base::valid() && m_object != nullptr; }

			protected:
				AbcA::ObjectReaderPtr m_object;
			};
		}
		using namespace ALEMBIC_VERSION_NS;
	}
}
