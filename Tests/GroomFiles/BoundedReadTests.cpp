// A damaged groom file costs memory in proportion to its size, whichever way it is read: counts and
// sizes the file cannot hold are never allocated, by name or through a stream, with either Alembic.
// This program replaces operator new to see the largest single allocation a read asks for.

#include "CheckedGroomWrites.h"
#include "GroomTestUtils.h"

#include <Alembic/AbcCoreOgawa/All.h>
#include <Alembic/AbcGeom/All.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace
{
	std::atomic<bool> GTracking{false};
	std::atomic<size_t> GLargest{0};

	void NoteAllocation(size_t Size)
	{
		if (GTracking.load(std::memory_order_relaxed))
		{
			size_t Largest = GLargest.load(std::memory_order_relaxed);
			while (Size > Largest && !GLargest.compare_exchange_weak(Largest, Size))
			{
			}
		}
	}

	void* Allocate(size_t Size, size_t Alignment)
	{
		NoteAllocation(Size);
		const size_t Rounded = (Size + Alignment - 1) / Alignment * Alignment;
		return Alignment <= alignof(std::max_align_t) ? std::malloc(Size ? Size : 1) : std::aligned_alloc(Alignment, Rounded ? Rounded : Alignment);
	}
}

void* operator new(size_t Size)
{
	if (void* Memory = Allocate(Size, 1))
	{
		return Memory;
	}
	throw std::bad_alloc();
}
void* operator new[](size_t Size)
{
	return ::operator new(Size);
}
void* operator new(size_t Size, std::align_val_t Alignment)
{
	if (void* Memory = Allocate(Size, size_t(Alignment)))
	{
		return Memory;
	}
	throw std::bad_alloc();
}
void* operator new[](size_t Size, std::align_val_t Alignment)
{
	return ::operator new(Size, Alignment);
}
void* operator new(size_t Size, const std::nothrow_t&) noexcept
{
	return Allocate(Size, 1);
}
void* operator new[](size_t Size, const std::nothrow_t&) noexcept
{
	return Allocate(Size, 1);
}
void operator delete(void* Memory) noexcept
{
	std::free(Memory);
}
void operator delete[](void* Memory) noexcept
{
	std::free(Memory);
}
void operator delete(void* Memory, size_t) noexcept
{
	std::free(Memory);
}
void operator delete[](void* Memory, size_t) noexcept
{
	std::free(Memory);
}
void operator delete(void* Memory, std::align_val_t) noexcept
{
	std::free(Memory);
}
void operator delete[](void* Memory, std::align_val_t) noexcept
{
	std::free(Memory);
}
void operator delete(void* Memory, size_t, std::align_val_t) noexcept
{
	std::free(Memory);
}
void operator delete[](void* Memory, size_t, std::align_val_t) noexcept
{
	std::free(Memory);
}

namespace
{
	using Bytes = std::vector<uint8_t>;

	Bytes ReadBytes(const std::filesystem::path& Path)
	{
		std::ifstream In(Path, std::ios::binary);
		return Bytes(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
	}

	void WriteBytes(const std::filesystem::path& Path, const Bytes& Content)
	{
		std::ofstream(Path, std::ios::binary).write(reinterpret_cast<const char*>(Content.data()), std::streamsize(Content.size()));
	}

	uint64_t U64(const Bytes& Content, uint64_t At)
	{
		uint64_t Value = 0;
		std::memcpy(&Value, Content.data() + At, 8);
		return Value;
	}

	void SetU64(Bytes& Content, uint64_t At, uint64_t Value)
	{
		std::memcpy(Content.data() + At, &Value, 8);
	}

	// Where slot Index of the group at Group sits.
	uint64_t SlotAt(uint64_t Group, uint64_t Index)
	{
		return Group + 8 + 8 * Index;
	}

	// What reading costs at most: a few times the file, and the fixed buffers of any read.
	size_t Bound(const std::filesystem::path& Path)
	{
		return 8 * size_t(std::filesystem::file_size(Path)) + 64 * 1024;
	}

	// The largest single allocation of a read of Path by Route, quietly.
	size_t LargestAllocationReading(const std::string& Path, EGroomReadRoute Route, bool& bOutFailed)
	{
		Host::FScopedLogCapture Quiet;
		testing::internal::CaptureStderr();
		GLargest = 0;
		GTracking = true;
		ReadGroom(Path, bOutFailed, Route);
		GTracking = false;
		testing::internal::GetCapturedStderr();
		return GLargest;
	}

	void ExpectBoundedBothWays(const std::filesystem::path& Path)
	{
		SCOPED_TRACE(Path.string());
		for (const EGroomReadRoute Route : {EGroomReadRoute::ByName, EGroomReadRoute::Stream})
		{
			bool bFailed = false;
			EXPECT_LE(LargestAllocationReading(Path.string(), Route, bFailed), Bound(Path)) << (Route == EGroomReadRoute::Stream ? "by stream" : "by name");
		}
		GroomTest::ExpectBothRoutesAlike(Path.string());
	}
}

// The tracking itself must see a large request.
TEST(GroomReadBounds, TheTrackerSeesLargeAllocations)
{
	GLargest = 0;
	GTracking = true;
	std::vector<uint8_t> Large(size_t(1) << 24);
	GTracking = false;
	EXPECT_GE(GLargest.load(), Large.size());
}

// One file damaged in the counts and sizes the container layer reads first: the root's child count,
// the top object's, and the size of a data block, each set far beyond what the file holds.
TEST(GroomReadBounds, CountsAndSizesBeyondTheFileAreNotAllocated)
{
	const std::filesystem::path Dir = VelmoraTest::MakeTempDir("bounds");
	testing::internal::CaptureStdout();
	CheckedGroom::WriteGroom((Dir / "whole.abc").string(), GroomTest::MakeGroom({{0, 0, 0, 0, 1, 0, 0, 2, 0}, {1, 0, 0, 1, 1, 0}}));
	testing::internal::GetCapturedStdout();
	const Bytes Whole = ReadBytes(Dir / "whole.abc");
	const uint64_t Root = U64(Whole, 8);
	const uint64_t Top = U64(Whole, SlotAt(Root, 2));
	const uint64_t Version = U64(Whole, SlotAt(Root, 0)) & 0x7fffffffffffffffULL;

	const struct
	{
		const char* Name;
		uint64_t At;
		uint64_t Value;
	} Damages[] = {
	    {"root-count.abc", Root, uint64_t(1) << 27},
	    {"top-count.abc", Top, uint64_t(1) << 27},
	    {"version-size.abc", Version, uint64_t(1) << 40},
	};
	for (const auto& Damage : Damages)
	{
		Bytes Damaged = Whole;
		SetU64(Damaged, Damage.At, Damage.Value);
		WriteBytes(Dir / Damage.Name, Damaged);
		ExpectBoundedBothWays(Dir / Damage.Name);
	}
}

// Alembic 1.8.6 sizes an array sample by its stored dimensions: dimensions that claim more than the
// data holds are refused before anything is read, on both routes.
TEST(GroomReadBounds, ArrayDimensionsBeyondTheDataAreRefused)
{
	using namespace Alembic::AbcGeom;
	const std::filesystem::path Dir = VelmoraTest::MakeTempDir("bounds-dims");
	// Colours stored as a 3 x 1 array: the only arrays the writer gives a dimensions block of their own.
	const std::vector<V3f> Colors{{0.1f, 0.2f, 0.3f}, {0.4f, 0.5f, 0.6f}, {0.7f, 0.8f, 0.9f}};
	{
		OArchive Archive(Alembic::AbcCoreOgawa::WriteArchive(), (Dir / "ranked.abc").string());
		const std::vector<V3f> Points{{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {2, 0, 0}, {2, 1, 0}};
		const std::vector<int32_t> Counts{2, 2, 2};
		OCurves Curves(Archive.getTop(), "groom");
		MetaData Vector;
		Vector.set("interpretation", "vector");
		OV3fArrayProperty Color(Curves.getSchema().getArbGeomParams(), "groom_color", Vector);
		Dimensions Shape;
		Shape.setRank(2);
		Shape[0] = 3;
		Shape[1] = 1;
		Color.set(V3fArraySample(Colors.data(), Shape));
		Curves.getSchema().set(OCurvesSchema::Sample(P3fArraySample(Points), Int32ArraySample(Counts)));
	}
	bool bFailed = true;
	testing::internal::CaptureStderr();
	EXPECT_EQ(ReadGroom((Dir / "ranked.abc").string(), bFailed).groomColors.size(), 9u);
	testing::internal::GetCapturedStderr();
	EXPECT_FALSE(bFailed);

	// The colours' property group holds the slot of their data block, then the slot of their shape (where
	// the writer may or may not have stored one). The shape slot is pointed at a new block, appended, whose
	// first dimension is 2^40: found by the file's structure, whatever layout a release writes.
	Bytes Damaged = ReadBytes(Dir / "ranked.abc");
	const uint8_t* const ColourBytes = reinterpret_cast<const uint8_t*>(Colors.data());
	const auto Values = std::search(Damaged.begin(), Damaged.end(), ColourBytes, ColourBytes + 36);
	ASSERT_NE(Values, Damaged.end());
	// A data block is its size, its 16-byte key, then the values.
	const uint64_t DataSlot = (uint64_t(Values - Damaged.begin()) - 24) | 0x8000000000000000ull;
	Bytes GroupStart(16);
	std::memcpy(GroupStart.data(), "\x02\0\0\0\0\0\0\0", 8);
	std::memcpy(GroupStart.data() + 8, &DataSlot, 8);
	const auto Group = std::search(Damaged.begin(), Damaged.end(), GroupStart.begin(), GroupStart.end());
	ASSERT_NE(Group, Damaged.end()) << "the colours' property group";
	const uint64_t GroupAt = uint64_t(Group - Damaged.begin());
	const uint64_t Claim = uint64_t(Damaged.size()) | 0x8000000000000000ull;
	for (const uint64_t Word : {uint64_t(16), uint64_t(1) << 40, uint64_t(1)})
	{
		Damaged.resize(Damaged.size() + 8);
		SetU64(Damaged, Damaged.size() - 8, Word);
	}
	SetU64(Damaged, GroupAt + 16, Claim);
	WriteBytes(Dir / "claims.abc", Damaged);
	ExpectBoundedBothWays(Dir / "claims.abc");

	Host::FScopedLogCapture Log;
	testing::internal::CaptureStderr();
	const GroomData Groom = ReadGroom((Dir / "claims.abc").string(), bFailed);
	testing::internal::GetCapturedStderr();
	EXPECT_TRUE(bFailed);
	EXPECT_EQ(Groom.positions.size(), 18u) << "what was read before stays";
	EXPECT_TRUE(Groom.groomColors.empty());
	ASSERT_EQ(Log.GetLines().size(), 1u);
	EXPECT_EQ(Log.GetLines()[0].Utf8Text(), "Error reading Alembic file: The sample of groom_color claims 1099511627776 values but holds 36 bytes: the file is damaged.\n");
}

// Every damaged file of the shared fixtures, whichever way it is read.
TEST(GroomReadBounds, DamagedFixturesStayWithinAFewTimesTheirSize)
{
	VELMORA_REQUIRE_FIXTURES(Dir);
	GroomTest::FScopedWorkingDirectory InFixtures(Dir);
	for (const auto& Entry : std::filesystem::directory_iterator(Dir / "malformed"))
	{
		if (Entry.path().extension() == ".abc")
		{
			ExpectBoundedBothWays(std::filesystem::relative(Entry.path(), Dir));
		}
	}
}
