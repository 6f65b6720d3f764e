// The writer's byte layout in the cases the shared fixtures do not reach: repeats, sharing
// across types, size hints, time sampling indices, inline metadata, strings, acyclic sampling.

#include "../../Host/Alembic/src/Ogawa/IArchive.h"

#include <Alembic/AbcCoreOgawa/All.h>
#include <Alembic/AbcGeom/All.h>

#include "TestPaths.h"

#include <gtest/gtest.h>

#include <functional>

namespace
{
	using namespace Alembic::AbcGeom;
	namespace Ogawa = Alembic::Ogawa;

	// Writes an archive whose top object gets its properties from Fill.
	std::string WriteTopProperties(const std::function<void(OArchive&, OCompoundProperty&)>& Fill)
	{
		const std::string Path = (VelmoraTest::MakeTempDir("layout") / "layout.abc").string();
		OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive(), Path);
		OCompoundProperty Top = Archive.getTop().getProperties();
		Fill(Archive, Top);
		return Path;
	}

	// The top object's property compound, straight from the container.
	struct FTopCompound
	{
		explicit FTopCompound(const std::string& Path)
		    : Archive(Path)
		{
			Group = Archive.getGroup()->getGroup(2, false)->getGroup(0, false);
		}
		std::vector<uint8_t> Headers() const
		{
			const Ogawa::IDataPtr Data = Group->getData(Group->getNumChildren() - 1);
			return std::vector<uint8_t>(Data->view(), Data->view() + Data->getSize());
		}
		Ogawa::IGroupPtr Property(std::uint64_t i) const { return Group->getGroup(i, false); }

		Ogawa::IArchive Archive;
		Ogawa::IGroupPtr Group;
	};

	std::vector<uint8_t> Bytes(std::initializer_list<int> Values, const std::string& Tail = "")
	{
		std::vector<uint8_t> Out;
		for (int Value : Values)
		{
			Out.push_back(uint8_t(Value));
		}
		Out.insert(Out.end(), Tail.begin(), Tail.end());
		return Out;
	}

	TEST(WriterLayout, HeldSamplesAreReferencesToTheBlockBefore)
	{
		const std::string Path = WriteTopProperties([](OArchive&, OCompoundProperty& Top)
		                                            {
			OInt32Property Values(Top, "s1");
			for (int32_t Value : {5, 5, 6, 6, 7, 7})
			{
				Values.set(Value);
			} });
		const FTopCompound Top(Path);
		EXPECT_EQ(Top.Headers(), Bytes({0x61, 0x16, 0, 0, 6, 2, 4, 2}, "s1"));
		const Ogawa::IGroupPtr Samples = Top.Property(0);
		ASSERT_EQ(Samples->getNumChildren(), 4u);
		EXPECT_EQ(Samples->slot(1), Samples->slot(2));
		EXPECT_NE(Samples->slot(0), Samples->slot(1));

		IArchive Archive(Alembic::AbcCoreOgawa::ReadArchive(), Path);
		const IInt32Property Read(Archive.getTop().getProperties(), "s1");
		std::vector<int32_t> Values;
		for (index_t i = 0; i < 6; ++i)
		{
			Values.push_back(Read.getValue(ISampleSelector(i)));
		}
		EXPECT_EQ(Values, (std::vector<int32_t>{5, 5, 6, 6, 7, 7}));
	}

	TEST(WriterLayout, IdenticalBytesShareOneBlockWhateverTheirType)
	{
		const std::string Path = WriteTopProperties([](OArchive&, OCompoundProperty& Top)
		                                            {
			const std::vector<float> Float = {1.0f};
			const std::vector<int32_t> Int = {0x3f800000};
			OFloatArrayProperty(Top, "f").set(FloatArraySample(Float));
			OInt32ArrayProperty(Top, "i").set(Int32ArraySample(Int));
			OFloatProperty(Top, "s").set(1.0f); });
		const FTopCompound Top(Path);
		EXPECT_EQ(Top.Property(0)->slot(0), Top.Property(1)->slot(0));
		EXPECT_EQ(Top.Property(0)->slot(0), Top.Property(2)->slot(0));
	}

	TEST(WriterLayout, SizeHintFollowsTheLargestField)
	{
		const std::string Name(300, 'n');
		const std::string Path = WriteTopProperties([&](OArchive&, OCompoundProperty& Top)
		                                            { OUcharProperty(Top, Name).set(uint8_t(1)); });
		EXPECT_EQ(FTopCompound(Path).Headers(), Bytes({0x15, 0x1c, 0, 0, 1, 0, 0x2c, 1}, Name));
	}

	TEST(WriterLayout, TimeSamplingIndexIsStoredOnlyWhenNotZero)
	{
		const std::string Path = WriteTopProperties([](OArchive& Archive, OCompoundProperty& Top)
		                                            {
			const uint32_t Index = Archive.addTimeSampling(TimeSampling(0.5, 0.0));
			OUcharProperty Values(Top, "u", Index);
			for (uint8_t Value : {1, 2, 3})
			{
				Values.set(Value);
			} });
		EXPECT_EQ(FTopCompound(Path).Headers(), Bytes({0x11, 0x15, 0, 0, 3, 1, 1}, "u"));
	}

	TEST(WriterLayout, MetaDataBeyondTheSharedTableIsStoredInline)
	{
		const std::string Long(300, 'v');
		const std::string Path = WriteTopProperties([&](OArchive&, OCompoundProperty& Top)
		                                            {
			for (int i = 0; i < 300; ++i)
			{
				MetaData Values;
				Values.set("k", i == 299 ? Long : std::to_string(i));
				OFloatProperty(Top, "p" + std::to_string(i), Values).set(float(i));
			} });
		IArchive Archive(Alembic::AbcCoreOgawa::ReadArchive(), Path);
		const ICompoundProperty Top = Archive.getTop().getProperties();
		ASSERT_EQ(Top.getNumProperties(), 300u);
		for (int i = 0; i < 299; ++i)
		{
			EXPECT_EQ(Top.getPropertyHeader(size_t(i)).getMetaData().get("k"), std::to_string(i));
		}
		EXPECT_EQ(Top.getPropertyHeader(299).getMetaData().get("k"), Long);
		EXPECT_EQ(IFloatProperty(Top, "p260").getValue(), 260.0f);
	}

	TEST(WriterLayout, StringArraysKeepEmptyStringsAndStoreTheirCount)
	{
		const std::vector<std::string> Values = {"ab", "", "c"};
		const std::string Path = WriteTopProperties([&](OArchive&, OCompoundProperty& Top)
		                                            {
			OStringArrayProperty(Top, "names").set(StringArraySample(Values));
			OStringProperty(Top, "one").set("hello"); });
		const FTopCompound Top(Path);
		const Ogawa::IDataPtr Data = Top.Property(0)->getData(0);
		EXPECT_EQ(std::vector<uint8_t>(Data->view() + 16, Data->view() + Data->getSize()), Bytes({'a', 'b', 0, 0, 'c', 0}));
		EXPECT_EQ(Top.Property(0)->getData(1)->getSize(), 8u);

		IArchive Archive(Alembic::AbcCoreOgawa::ReadArchive(), Path);
		const StringArraySamplePtr Read = IStringArrayProperty(Archive.getTop().getProperties(), "names").getValue();
		EXPECT_EQ(std::vector<std::string>(Read->get(), Read->get() + Read->size()), Values);
		EXPECT_EQ(IStringProperty(Archive.getTop().getProperties(), "one").getValue(), "hello");
	}

	TEST(WriterLayout, AcyclicSamplingRoundTripsItsTimes)
	{
		const std::vector<chrono_t> Times = {0.0, 0.5, 2.0};
		const std::string Path = WriteTopProperties([&](OArchive& Archive, OCompoundProperty& Top)
		                                            {
			const uint32_t Index = Archive.addTimeSampling(TimeSampling(TimeSamplingType(TimeSamplingType::kAcyclic), Times));
			OFloatProperty Values(Top, "x", Index);
			for (float Value : {1.0f, 2.0f, 3.0f})
			{
				Values.set(Value);
			} });
		IArchive Archive(Alembic::AbcCoreOgawa::ReadArchive(), Path);
		const AbcA::TimeSamplingPtr Sampling = Archive.getTimeSampling(1);
		EXPECT_TRUE(Sampling->getTimeSamplingType().isAcyclic());
		EXPECT_EQ(Sampling->getStoredTimes(), Times);
		const IFloatProperty Values(Archive.getTop().getProperties(), "x");
		EXPECT_EQ(Values.getValue(ISampleSelector(1.9)), 3.0f);
		EXPECT_EQ(Values.getValue(ISampleSelector(1.9, ISampleSelector::kFloorIndex)), 2.0f);
	}
}
