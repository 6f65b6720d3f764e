// Spellings that must compile, or must not, exactly as with the real headers.

#include <Alembic/AbcCoreOgawa/All.h>
#include <Alembic/AbcGeom/All.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <type_traits>

namespace
{
	namespace AG = Alembic::AbcGeom;

	// ISampleSelector(0) is ambiguous between the index and the time constructors.
	static_assert(!std::is_constructible_v<AG::ISampleSelector, int>);
	static_assert(!std::is_constructible_v<AG::ISampleSelector, unsigned>);
	static_assert(!std::is_constructible_v<AG::ISampleSelector, size_t>);
	static_assert(std::is_constructible_v<AG::ISampleSelector, AG::index_t>);
	static_assert(std::is_constructible_v<AG::ISampleSelector, double>);
	// ...but "schema.getValue(0)" copy-initialises through the implicit index constructor only.
	static_assert(std::is_convertible_v<int, AG::ISampleSelector>);

	// getExpanded fills an out-parameter; getExpandedValue returns.
	static_assert(std::is_void_v<decltype(std::declval<AG::IFloatGeomParam>().getExpanded(std::declval<AG::IFloatGeomParam::Sample&>()))>);
	static_assert(std::is_same_v<decltype(std::declval<AG::IFloatGeomParam>().getExpandedValue()), AG::IFloatGeomParam::Sample>);

	// Safe-bool handles convert implicitly, so "bool b = handle;" compiles.
	static_assert(std::is_convertible_v<AG::IArchive, bool>);
	static_assert(std::is_convertible_v<AG::ICurves, bool>);
	static_assert(std::is_convertible_v<AG::ICompoundProperty, bool>);
	static_assert(std::is_convertible_v<AG::IFloatGeomParam, bool>);
	static_assert(std::is_convertible_v<AG::V3fArraySample, bool>);

	static_assert(std::is_base_of_v<std::exception, Alembic::Util::Exception>);
	static_assert(std::is_base_of_v<std::string, Alembic::Util::Exception>);

	// The namespace aliases and using-directives user code relies on.
	static_assert(std::is_same_v<Alembic::AbcGeom::IArchive, Alembic::Abc::IArchive>);
	static_assert(std::is_same_v<Alembic::AbcGeom::MetaData, Alembic::AbcCoreAbstract::MetaData>);
	static_assert(std::is_same_v<Alembic::Abc::AbcA::MetaData, Alembic::Abc::MetaData>);
	static_assert(std::is_same_v<Alembic::AbcGeom::Abc::P3fArraySamplePtr, Alembic::AbcGeom::P3fArraySamplePtr>);
	static_assert(std::is_same_v<Alembic::AbcCoreAbstract::Dimensions, Alembic::Util::Dimensions>);
	// index_t is the standard int64_t: long on LP64 Linux, long long on Windows. Code that names either breaks on the other.
	static_assert(std::is_same_v<Alembic::AbcCoreAbstract::index_t, std::int64_t>);
	static_assert(std::is_same_v<Alembic::AbcCoreAbstract::chrono_t, double>);
	static_assert(std::is_same_v<Alembic::Util::uint64_t, std::uint64_t> && std::is_same_v<Alembic::Util::int32_t, std::int32_t>);
	static_assert(std::is_same_v<Alembic::Util::uint8_t, std::uint8_t> && std::is_same_v<Alembic::Util::uint32_t, std::uint32_t>);
	static_assert(std::is_same_v<Alembic::Util::shared_ptr<int>, std::shared_ptr<int>>);

	// N3f is V3f, but the sample types differ and only convert through the base sample.
	static_assert(std::is_same_v<AG::N3f, Imath::V3f>);
	static_assert(!std::is_same_v<AG::N3fArraySample, AG::V3fArraySample>);
	static_assert(std::is_convertible_v<AG::V3fArraySample, AG::P3fArraySample>);
	static_assert(!std::is_convertible_v<AG::V3fArraySamplePtr, AG::P3fArraySamplePtr>);

	// OXformSchema::set takes a non-const reference: set(XformSample()) does not compile.
	template<class T, class = void>
	struct TakesTemporary : std::false_type
	{
	};
	template<class T>
	struct TakesTemporary<T, std::void_t<decltype(std::declval<T&>().set(std::declval<AG::XformSample&&>()))>> : std::true_type
	{
	};
	static_assert(!TakesTemporary<AG::OXformSchema>::value);

	TEST(ApiSpelling, SampleSelectorKeepsIndexAndTimeApart)
	{
		const AG::ISampleSelector ByIndex(AG::index_t(2));
		const AG::ISampleSelector ByTime(0.5);
		EXPECT_EQ(ByIndex.getRequestedIndex(), 2);
		EXPECT_EQ(ByTime.getRequestedTime(), 0.5);
		EXPECT_EQ(ByTime.getRequestedTimeIndexType(), AG::ISampleSelector::kNearIndex);
	}

	TEST(ApiSpelling, DataTypesPrintAsInMessages)
	{
		std::ostringstream Out;
		Out << AG::DataType(AG::kFloat32POD, 3) << " " << AG::DataType(AG::kInt32POD) << " " << AG::DataType();
		EXPECT_EQ(Out.str(), "float32_t[3] int32_t UNKNOWN");
	}

	TEST(ApiSpelling, MetaDataSerialisesSortedAndDropsEmptyValues)
	{
		AG::MetaData MetaData;
		MetaData.set("b", "2");
		MetaData.set("a", "1");
		MetaData.set("interpretation", "");
		EXPECT_EQ(MetaData.serialize(), "a=1;b=2");

		AG::MetaData Parsed;
		Parsed.deserialize("a=1;;b=2");
		EXPECT_EQ(Parsed.serialize(), "a=1");
		Parsed.deserialize("k=v=w;k=x");
		EXPECT_EQ(Parsed.get("k"), "v=w");
	}
}
