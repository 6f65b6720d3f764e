// Hand-made damaged archives, read through the public API: each must end in a clear
// Alembic::Util::Exception, never a crash, a hang or an unbounded allocation.

#include "AlembicErrors.h"
#include <Alembic/AbcCoreOgawa/All.h>
#include <Alembic/AbcGeom/All.h>

#include "RawArchive.h"
#include "TestPaths.h"

#include <gtest/gtest.h>

#include <functional>

namespace
{
	using namespace Alembic::AbcGeom;
	using OgawaTest::FRawArchive;
	using OgawaTest::PropertyInfo;

	const std::uint64_t DataBit = FRawArchive::DataBit;

	std::string Save(const FRawArchive& Raw)
	{
		return Raw.Save(VelmoraTest::MakeTempDir("damaged") / "damaged.abc").string();
	}

	// An archive whose top object holds one property "p" with the given header and group slots.
	std::string ArchiveWithProperty(uint32_t Info, std::uint8_t NumSamples, const std::function<std::vector<std::uint64_t>(FRawArchive&)>& MakeSlots)
	{
		FRawArchive Raw;
		const std::uint64_t Property = Raw.Group(MakeSlots(Raw));
		const std::uint64_t Headers = Raw.Data(FRawArchive::PropertyHeader(Info, NumSamples, "p"));
		const std::uint64_t Properties = Raw.Group({Property, Headers});
		const std::uint64_t Top = Raw.Group({Properties, Raw.Data(FRawArchive::ObjectHeaders({}))});
		Raw.FinishAlembic(Top);
		return Save(Raw);
	}

	using VelmoraTest::ErrorOf;

	std::string ReadArray(const std::string& Path)
	{
		return ErrorOf([&]
		               {
			IArchive Archive(Alembic::AbcCoreOgawa::ReadArchive(), Path);
			IArrayProperty Property(Archive.getTop().getProperties(), "p");
			ArraySamplePtr Sample;
			Property.get(Sample); });
	}

	TEST(DamagedArchive, ArrayWithExtentZeroIsAnError)
	{
		const std::string Path = ArchiveWithProperty(PropertyInfo(2, kFloat32POD, 0), 1, [](FRawArchive& Raw)
		                                             { return std::vector<std::uint64_t>{Raw.Data(FRawArchive::Sample({0, 0, 128, 63})), DataBit}; });
		EXPECT_NE(ReadArray(Path).find("has an extent of 0"), std::string::npos) << ReadArray(Path);
	}

	TEST(DamagedArchive, ArrayWithoutItsDimensionsSlotIsAnError)
	{
		const std::string Path = ArchiveWithProperty(PropertyInfo(2, kFloat32POD, 1), 1, [](FRawArchive& Raw)
		                                             { return std::vector<std::uint64_t>{Raw.Data(FRawArchive::Sample({0, 0, 128, 63}))}; });
		EXPECT_EQ(ReadArray(Path), "IArrayProperty::get()\nERROR: EXCEPTION:\nReadData invalid: Null IDataPtr.");
	}

	TEST(DamagedArchive, StringDimensionsLargerThanTheDataAreAnError)
	{
		const std::string Path = ArchiveWithProperty(PropertyInfo(2, kStringPOD, 1), 1, [](FRawArchive& Raw)
		                                             { return std::vector<std::uint64_t>{Raw.Data(FRawArchive::Sample({'a', 0})), Raw.Data(FRawArchive::Pod<std::uint64_t>(std::uint64_t(1) << 40))}; });
		EXPECT_NE(ReadArray(Path).find("do not fit"), std::string::npos) << ReadArray(Path);
	}

	// As the 1.8.6 library the engine ships: stored dimensions stand whatever the data holds, and a count
	// no memory could hold fails as allocating it would. Callers check them against the key first.
	TEST(DamagedArchive, NumericDimensionsAreTakenAsStored)
	{
		const auto WithDimensions = [](std::uint64_t Count)
		{
			return ArchiveWithProperty(PropertyInfo(2, kFloat32POD, 1), 1, [Count](FRawArchive& Raw)
			                           { return std::vector<std::uint64_t>{Raw.Data(FRawArchive::Sample(std::vector<std::uint8_t>(12, 0))), Raw.Data(FRawArchive::Pod<std::uint64_t>(Count))}; });
		};
		{
			IArchive Archive(Alembic::AbcCoreOgawa::ReadArchive(), WithDimensions(5));
			IFloatArrayProperty Property(Archive.getTop().getProperties(), "p");
			Dimensions Stored;
			Property.getDimensions(Stored);
			EXPECT_EQ(Stored.numPoints(), 5u);
			AbcA::ArraySampleKey Key;
			Property.getKey(Key);
			EXPECT_EQ(Key.numBytes, 12u);
			EXPECT_EQ(Property.getValue()->size(), 5u);
		}
		EXPECT_NE(ReadArray(WithDimensions(~std::uint64_t(0))).find("bad_alloc"), std::string::npos) << ReadArray(WithDimensions(~std::uint64_t(0)));
	}

	TEST(DamagedArchive, SampleCountsBeyondTheStoredSlotsAreAnError)
	{
		// 200 samples, all different, but only one stored: the later ones have no data slot.
		const std::string Path = ArchiveWithProperty(PropertyInfo(2, kFloat32POD, 1) & ~0x800u, 200, [](FRawArchive& Raw)
		                                             { return std::vector<std::uint64_t>{Raw.Data(FRawArchive::Sample({0, 0, 128, 63})), DataBit}; });
		const std::string Error = ErrorOf([&]
		                                  {
			IArchive Archive(Alembic::AbcCoreOgawa::ReadArchive(), Path);
			IFloatArrayProperty Property(Archive.getTop().getProperties(), "p");
			EXPECT_EQ(Property.getNumSamples(), 200u);
			Property.getValue(ISampleSelector(index_t(150))); });
		EXPECT_EQ(Error, "IArrayProperty::get()\nERROR: EXCEPTION:\nReadData invalid: Null IDataPtr.");
	}

	TEST(DamagedArchive, CyclesBetweenObjectsAreCut)
	{
		// top -> a -> b, where b's slot points back at the top group.
		FRawArchive Raw;
		const std::uint64_t A = Raw.Group({0, 0, Raw.Data(FRawArchive::ObjectHeaders({"b"}))});
		const std::uint64_t Top = Raw.Group({0, A, Raw.Data(FRawArchive::ObjectHeaders({"a"}))});
		Raw.Patch(A + 16, Top);
		Raw.FinishAlembic(Top);
		const std::string Path = Save(Raw);

		IArchive Archive(Alembic::AbcCoreOgawa::ReadArchive(), Path);
		IObject ObjectA = Archive.getTop().getChild(0);
		EXPECT_EQ(ObjectA.getFullName(), "/a");
		EXPECT_EQ(ErrorOf([&]
		                  { ObjectA.getChild(0); }),
		          "IObject::getChild()\nERROR: EXCEPTION:\nInvalid object data group");
	}

	TEST(DamagedArchive, GroupsSharedBetweenSlotsAreOpenedOnce)
	{
		// Two children share one group; a chain of such pairs would otherwise take 2^depth visits.
		FRawArchive Raw;
		const std::uint64_t Shared = Raw.Group({0, Raw.Data(FRawArchive::ObjectHeaders({}))});
		const std::uint64_t Top = Raw.Group({0, Shared, Shared, Raw.Data(FRawArchive::ObjectHeaders({"x", "y"}))});
		Raw.FinishAlembic(Top);
		const std::string Path = Save(Raw);

		IArchive Archive(Alembic::AbcCoreOgawa::ReadArchive(), Path);
		EXPECT_TRUE(Archive.getTop().getChild(0).valid());
		EXPECT_TRUE(Archive.getTop().getChild(0).valid());
		EXPECT_EQ(ErrorOf([&]
		                  { Archive.getTop().getChild(1); }),
		          "IObject::getChild()\nERROR: EXCEPTION:\nInvalid object data group");
	}

	TEST(DamagedArchive, HugeObjectCountsReadAsNoChildren)
	{
		FRawArchive Raw;
		const std::uint64_t Top = Raw.Group({0, Raw.Data(FRawArchive::ObjectHeaders({}))});
		Raw.Patch(Top, std::uint64_t(1) << 40);
		Raw.FinishAlembic(Top);
		IArchive Archive(Alembic::AbcCoreOgawa::ReadArchive(), Save(Raw));
		EXPECT_EQ(Archive.getTop().getNumChildren(), 0u);
	}

	TEST(DamagedArchive, SampleBlocksClaimingMoreThanTheFileAreAnError)
	{
		const std::string Path = ArchiveWithProperty(PropertyInfo(2, kFloat32POD, 1), 1, [](FRawArchive& Raw)
		                                             {
			const std::uint64_t Slot = Raw.Data(FRawArchive::Sample({0, 0, 128, 63}));
			Raw.Patch(Slot & ~DataBit, std::uint64_t(1) << 50);
			return std::vector<std::uint64_t>{Slot, DataBit}; });
		EXPECT_EQ(ReadArray(Path), "IArrayProperty::get()\nERROR: EXCEPTION:\nOgawa IData illegal size.");
	}

	TEST(DamagedArchive, ScalarSamplesOfTheWrongSizeAreAnError)
	{
		const std::string Path = ArchiveWithProperty(PropertyInfo(1, kFloat64POD, 6) | 0x400, 1, [](FRawArchive& Raw)
		                                             { return std::vector<std::uint64_t>{Raw.Data(FRawArchive::Sample({1, 2, 3}))}; });
		const std::string Error = ErrorOf([&]
		                                  {
			IArchive Archive(Alembic::AbcCoreOgawa::ReadArchive(), Path);
			IBox3dProperty(Archive.getTop().getProperties(), "p").getValue(); });
		EXPECT_EQ(Error, "ITypedScalarProperty::get()\nERROR: EXCEPTION:\nScalarPropertyReader::getSample size is not correct expected: 48 got: 3");
	}
}
