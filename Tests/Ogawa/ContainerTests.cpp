// The container never trusts a count, size or position: damage gives a clear error or an empty
// group, never a read outside the file or an allocation the file cannot justify.

#include "../../Host/Alembic/src/Ogawa/IArchive.h"
#include "../../Host/Alembic/src/Ogawa/OArchive.h"
#include "RawArchive.h"
#include "TestPaths.h"

#include <gtest/gtest.h>

#include <functional>

namespace
{
	using namespace Alembic;
	using OgawaTest::FRawArchive;

	std::shared_ptr<Ogawa::IStreams> Streams(const FRawArchive& Raw)
	{
		return std::make_shared<Ogawa::IStreams>(std::vector<uint8_t>(Raw.Bytes));
	}

	std::string RuntimeErrorOf(const std::function<void()>& Call)
	{
		try
		{
			Call();
		}
		catch (const std::runtime_error& Error)
		{
			return Error.what();
		}
		return "no error";
	}

	TEST(OgawaRead, TreatsChildCountsLargerThanTheFileAsNoChildren)
	{
		FRawArchive Raw;
		const uint64_t Group = Raw.Group({FRawArchive::DataBit});
		Raw.Patch(Group, 0x0fffffffffffffffULL);
		const Ogawa::IGroup Read(Streams(Raw), Group, false);
		EXPECT_EQ(Read.getNumChildren(), 0u);
	}

	TEST(OgawaRead, RefusesDataSizesLargerThanTheFile)
	{
		FRawArchive Raw;
		const uint64_t Slot = Raw.Data({1, 2, 3});
		Raw.Patch(Slot & 0xffff, 1u << 20);
		EXPECT_EQ(RuntimeErrorOf([&]
		                         { Ogawa::IData(Streams(Raw), Slot); }),
		          "Ogawa IData illegal size.");
	}

	TEST(OgawaRead, FailsReadsThatRunPastTheEnd)
	{
		FRawArchive Raw;
		const uint64_t Slot = Raw.Data({1, 2, 3, 4, 5, 6, 7, 8});
		Raw.Bytes.resize(Raw.Bytes.size() - 3);
		const Ogawa::IData Data(Streams(Raw), Slot);
		EXPECT_EQ(RuntimeErrorOf([&]
		                         { Data.view(); }),
		          "Ogawa IStreams::read failed.");
		EXPECT_EQ(RuntimeErrorOf([&]
		                         { Ogawa::IGroup(Streams(Raw), Raw.Bytes.size() - 4, false); }),
		          "Ogawa IStreams::read failed.");
		EXPECT_EQ(RuntimeErrorOf([&]
		                         { Ogawa::IGroup(Streams(Raw), ~uint64_t(0) >> 1, false); }),
		          "Ogawa IStreams::read failed.");
	}

	TEST(OgawaRead, RefusesSlotsThatCannotBeGroups)
	{
		FRawArchive Raw;
		const uint64_t Pos = Raw.Bytes.size();
		// Slot 0 points at the group itself, slot 1 into the header, slot 2 is data.
		Raw.Group({Pos, 8, FRawArchive::DataBit | 16});
		const Ogawa::IGroup Group(Streams(Raw), Pos, false);
		EXPECT_EQ(Group.getGroup(0, false), nullptr);
		EXPECT_EQ(Group.getGroup(1, false), nullptr);
		EXPECT_EQ(Group.getGroup(2, false), nullptr);
		EXPECT_EQ(Group.getGroup(3, false), nullptr);
		EXPECT_EQ(Group.getData(0), nullptr);
	}

	TEST(OgawaRead, RejectsBadHeadersAndNotesUnfrozenFiles)
	{
		FRawArchive Raw;
		Raw.Bytes[7] = 2;
		EXPECT_FALSE(Ogawa::IArchive(Streams(Raw)).isValid());
		Raw.Bytes[7] = 1;
		Raw.Bytes[5] = 0;
		const Ogawa::IArchive Unfrozen(Streams(Raw));
		EXPECT_TRUE(Unfrozen.isValid());
		EXPECT_FALSE(Unfrozen.isFrozen());
		Raw.Bytes.resize(10);
		EXPECT_FALSE(Ogawa::IArchive(Streams(Raw)).isValid());
	}

	TEST(OgawaWrite, WritesChildrenBeforeParentsAndPatchesTheRoot)
	{
		const std::filesystem::path Path = VelmoraTest::MakeTempDir("ogawa") / "tree.ogawa";
		{
			Ogawa::OArchive Archive(Path.string());
			Ogawa::OGroupPtr Child = Archive.getGroup()->addGroup();
			Child->addData("abc", 3);
			Child->addData(nullptr, 0);
			Child->freeze();
			Archive.getGroup()->addGroup()->freeze();
		}
		const Ogawa::IArchive Read(Path.string());
		ASSERT_TRUE(Read.isValid());
		EXPECT_TRUE(Read.isFrozen());
		const Ogawa::IGroupPtr Root = Read.getGroup();
		ASSERT_EQ(Root->getNumChildren(), 2u);
		EXPECT_TRUE(Root->isEmptyChildGroup(1));
		const Ogawa::IGroupPtr Child = Root->getGroup(0, false);
		ASSERT_EQ(Child->getNumChildren(), 2u);
		EXPECT_LT(Child->getPos(), Root->getPos());
		EXPECT_EQ(std::string(reinterpret_cast<const char*>(Child->getData(0)->view()), 3), "abc");
		EXPECT_TRUE(Child->isEmptyChildData(1));
	}
}
