#include "CheckedGroomWrites.h"
#include "ChildCases.h"
#include "GroomTestUtils.h"

#include "Host/Log.h"

#include <fcntl.h>

#include <algorithm>
#include <cstring>

namespace
{
	std::string WriteSmallGroom(const std::filesystem::path& Path)
	{
		CheckedGroom::WriteGroom(Path.string(), GroomTest::MakeGroom({{0, 0, 0, 0, 1, 0, 0, 2, 0}, {1, 0, 0, 1, 1, 0}, {2, 0, 0, 2, 0, 1, 2, 0, 2, 2, 0, 3}}));
		return GroomTest::ReadText(Path);
	}

	void WriteBytes(const std::filesystem::path& Path, const std::string& Bytes)
	{
		std::ofstream(Path, std::ios::binary | std::ios::trunc) << Bytes;
	}

	// Writes over a file of the same size without truncating it first: a file system may flush a file
	// truncated and written again at close, which for thousands of copies takes seconds.
	void OverwriteBytes(const std::filesystem::path& Path, const std::string& Bytes)
	{
		std::fstream(Path, std::ios::binary | std::ios::in | std::ios::out) << Bytes;
	}

	// Output of the children goes nowhere: thousands of damaged reads say what is wrong with each.
	void Silence()
	{
		// Once per child: a child starts unsilenced, as its parent is.
		static bool bSilenced = false;
		if (!bSilenced)
		{
			const int Null = open("/dev/null", O_WRONLY);
			dup2(Null, 1);
			dup2(Null, 2);
			bSilenced = true;
		}
	}

	struct FRead
	{
		GroomData Groom;
		bool bFailed = false;
		std::string Reason;
	};

	FRead Read(const std::string& Path, EGroomReadRoute Route)
	{
		FRead Result;
		FGroomReadPlan Plan;
		Plan.Route = Route;
		Plan.LibraryName = Path;
		Result.Groom = ReadGroom(Path, Result.bFailed, Plan, &Result.Reason);
		return Result;
	}
}

// Alembic 1.8.6 dereferences the slots of an array property's group unchecked. Here the child count of
// P's group (at byte 720 of this groom) claims more children than the file could hold, so the library
// takes the group as empty and its getDimensions dereferenced the missing dimensions slot, by name and by
// stream alike.
TEST(DamagedGroomFiles, ASampleSlotNamingNoDataIsRefusedOnBothRoutes)
{
	const std::filesystem::path Dir = VelmoraTest::MakeTempDir("damaged-slot");
	std::string Bytes = WriteSmallGroom(Dir / "whole.abc");
	ASSERT_GT(Bytes.size(), 727u);
	ASSERT_EQ(Bytes.substr(720, 8), std::string("\x02\0\0\0\0\0\0\0", 8)) << "P's group: a sample's data and dimensions";
	Bytes[720] = static_cast<char>(0xff);
	const std::string Path = (Dir / "damaged.abc").string();
	WriteBytes(Path, Bytes);
	const std::vector<size_t> Crashed = VelmoraTest::FailingCasesInChildren(2, [&](size_t Route)
	                                                                        {
		                                                                         Silence();
		                                                                         return Read(Path, Route ? EGroomReadRoute::Stream : EGroomReadRoute::ByName).bFailed; });
	ASSERT_TRUE(Crashed.empty()) << "route " << Crashed[0] << " crashed or read the damaged file as whole";
	const FRead Result = Read(Path, EGroomReadRoute::ByName);
	EXPECT_EQ(Result.Reason, "Error reading Alembic file: The sample of P has no dimensions slot: the file is damaged.");
	GroomTest::ExpectBothRoutesAlike(Path);
}

// The library reads curveBasisAndType into four bytes whatever the file says it is; as a string it
// would write a std::string there.
TEST(DamagedGroomFiles, ACurveTypeOfAnotherTypeIsRefusedBeforeItIsRead)
{
	const std::filesystem::path Dir = VelmoraTest::MakeTempDir("damaged-basis");
	std::string Bytes = WriteSmallGroom(Dir / "whole.abc");
	const size_t Name = Bytes.find("curveBasisAndType");
	ASSERT_NE(Name, std::string::npos);
	// info, one sample, the name's length, the name.
	const size_t Info = Name - 6;
	ASSERT_EQ(Bytes[Name - 1], 17);
	ASSERT_EQ(static_cast<uint8_t>(Bytes[Info]) & 0xf3, 0x11) << "a uint8 scalar";
	Bytes[Info] = static_cast<char>((static_cast<uint8_t>(Bytes[Info]) & 0x0f) | (12 << 4));
	const std::string Path = (Dir / "string-basis.abc").string();
	WriteBytes(Path, Bytes);
	const std::vector<size_t> Crashed = VelmoraTest::FailingCasesInChildren(1, [&](size_t)
	                                                                        {
		                                                                         Silence();
		                                                                         return Read(Path, EGroomReadRoute::ByName).bFailed; });
	ASSERT_TRUE(Crashed.empty());
	const FRead Result = Read(Path, EGroomReadRoute::ByName);
	EXPECT_EQ(Result.Reason, "Error reading Alembic file: The sample of curveBasisAndType is not the four bytes of a curve type: the file is damaged.");
	GroomTest::ExpectBothRoutesAlike(Path);
}

// Every byte of a small groom set to 0xff and to 0x00 in turn: no copy crashes the reader, by name or by
// stream, and where both routes read a copy they agree on it.
TEST(DamagedGroomFiles, NoSingleDamagedByteCrashesEitherRoute)
{
	const std::filesystem::path Dir = VelmoraTest::MakeTempDir("damaged-sweep");
	const std::string Bytes = WriteSmallGroom(Dir / "whole.abc");
	const std::string Path = (Dir / "damaged.abc").string();
	WriteBytes(Path, Bytes);
	const uint8_t Values[2] = {0xff, 0x00};
	const std::vector<size_t> Crashed = VelmoraTest::FailingCasesInChildren(2 * Bytes.size(), [&](size_t Case)
	                                                                        {
		                                                                         Silence();
		                                                                         std::string Copy = Bytes;
		                                                                         Copy[Case / 2] = static_cast<char>(Values[Case % 2]);
		                                                                         OverwriteBytes(Path, Copy);
		                                                                         const FRead ByName = Read(Path, EGroomReadRoute::ByName);
		                                                                         const FRead ByStream = Read(Path, EGroomReadRoute::Stream);
		                                                                         return ByName.bFailed == ByStream.bFailed && ByName.Reason == ByStream.Reason &&
		                                                                                GroomTest::SameBits(ByName.Groom.positions, ByStream.Groom.positions) &&
		                                                                                ByName.Groom.vertexCounts == ByStream.Groom.vertexCounts; });
	std::string Where;
	for (const size_t Case : Crashed)
	{
		Where += " " + std::to_string(Case / 2) + (Case % 2 ? ":00" : ":ff");
	}
	EXPECT_TRUE(Crashed.empty()) << Crashed.size() << " damaged copies crash a route or read differently by route, at byte:value" << Where;
}
